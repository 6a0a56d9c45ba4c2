// Burrik: a gardener defends a bed of sixteen flowers against moles.
//
// The composition root. The written game (src/app and the folders below it)
// knows nothing beyond its own rules; here the command line is read and
// every room beyond the game is plugged into the game's seams, in the order
// that matters:
//   key filters      the replay gate, then the player's keys (pause, sound)
//   other input      the replay gate; the window going out of sight pauses
//   frame observers  replay input, script, pad, autopilot; after the tick
//                    the score keeping, the trace and the round log; at the
//                    frame's end the recording's line and the replay's checks
//   tick hold        the pause
//   frame            the pause picture instead; the score table over the HUD
//   present          screenshots of the frame about to be shown
//   exit steps       the recording, the score table, the summary, the trace,
//                    the pad
#include "app/config_file.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/main_loop.h"
#include "app/other_input.h"
#include "app/startup.h"
#include "automation/automated_run.h"
#include "command_line/options.h"
#include "conveniences/gamepad.h"
#include "conveniences/pause.h"
#include "conveniences/player_keys.h"
#include "conveniences/sound_controls.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/window.h"
#include "records/game_records.h"
#include "records/score_overlay.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

void pollGamepadFrame(long) { pollGamepad(); }

void plugInFrameObservers()
{
    addFrameObserver(FramePhase::BeforeFrame, stopAtFrameLimit);
    addFrameObserver(FramePhase::FrameStart, gameRecordsFrameStart);  // a replay's input of this frame
    addFrameObserver(FramePhase::FrameStart, deliverScriptFrame);
    addFrameObserver(FramePhase::FrameStart, pollGamepadFrame);  // after the script, which sets its virtual pad
    addFrameObserver(FramePhase::FrameStart, playAutopilotFrame);
    addFrameObserver(FramePhase::AfterTick, gameRecordsAfterTick);
    addFrameObserver(FramePhase::AfterTick, writeTraceTick);
    addFrameObserver(FramePhase::AfterTick, followAutopilotRounds);
    addFrameObserver(FramePhase::FrameEnd, gameRecordsFrameEnd);
}

}  // namespace

int main(int argc, char** argv)
{
    // Options first, so that --help and a bad command line need no display.
    const OptionsResult parsed = parseOptions(argc, argv);
    if (!parsed.ok) badCommandLine(parsed.error);
    Options options = parsed.options;  // the one copy; a replay's header may set its window
    if (options.help) {
        std::fputs(optionsHelpText(argv[0]).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("burrik %s\n", BURRIK_VERSION);
        return 0;
    }
    if (options.scores) return printScores();
    setDialogsEnabled(!options.noDialogs);
    std::error_code error;
    const std::string startFolder = std::filesystem::current_path(error).string();

    setFixedSeed(options.seed);
    if (options.fixedDt) useFixedStepClock(*options.fixedDt);
    loadScript(options);
    startSoundControls(options.mute, options.replayPath.empty());  // a replay's keys never write the settings
    startGamepad();
    attachScriptedPadWhenUsed(options);
    setUpRunOutputs(options, startFolder);
    // Recording or playing a replay: after the clock and the seed, before the window.
    setUpGameRecords(options, startFolder);

    addKeyFilter(passRecordedKeys);
    addKeyFilter(passPlayerKeys);
    setOtherInputGate(passRecordedOtherInput);
    setOtherInputHandler(OtherInputKind::WindowHidden, [](int hidden) { setWindowHidden(hidden != 0); });
    // Automated runs must not depend on the windows of the screen.
    if (!isAutomatedRun(options)) setWindowStatusHandler(onWindowOutOfSight);
    plugInFrameObservers();
    setTickHold(gamePaused);
    setFrameReplacement(drawPauseScreen);
    addFrameOverlay(drawScoreTableOverlay);
    setBeforePresentHandler(takeScreenshots);
    addExitStep(finishRecords);
    addExitStep(writeAutopilotSummary);
    addExitStep(closeTrace);
    addExitStep(stopGamepad);
    setDrawEveryTick(isAutomatedRun(options) || gameRecordsDrawEveryTick());

    if (!enterDataFolder(options.dataDir, argv[0])) exitProcess(kExitBadOptions);
    openGameWindow(argc, argv);
    // A replay brings its own video mode (and window), a recording notes it.
    const std::string gameMode = settleVideoMode(readGameModeString(gameModeConfigFile(kConfigFile)), options.windowed);
    if (!options.windowed) enterVideoMode(gameMode);
    if (!options.noVsync) paceFrames(gameMode);
    runStartMenu();
    return 0;
}
