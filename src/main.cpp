// Burrik: a gardener defends a bed of sixteen flowers against moles.
//
// The composition root. The written game (src/app and the folders below it)
// knows nothing beyond its own rules; here the command line is read and
// every room beyond the game is plugged into the game's seams, in the order
// that matters:
//   player keys      F11 (full screen), F12 (screenshot), the options
//                    screen, then the player's key bindings
//   key filters      the replay gate, then the player's keys (pause, sound)
//   other input      the replay gate; the window going out of sight pauses
//   frame observers  replay input, script, pad, autopilot; after the tick
//                    the score keeping, the trace and the round log; at the
//                    frame's end the recording's line and the replay's checks
//   tick hold        the pause
//   frame            the options screen or the pause picture instead; the
//                    score table over the HUD; the options key over the menus
//   pad              the options screen before the pad's keys
//   present          screenshots of the frame about to be shown, F12's,
//                    then the screenshot's note
//   exit steps       the recording, the score table, the summary, the trace,
//                    the pad
//   player files     in the browser, the page copies them to its storage
//                    after every change
#include "app/config_file.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/main_loop.h"
#include "app/other_input.h"
#include "app/startup.h"
#include "automation/automated_run.h"
#include "command_line/options.h"
#include "conveniences/bound_keys.h"
#include "conveniences/display.h"
#include "conveniences/gamepad.h"
#include "conveniences/options_screen.h"
#include "conveniences/pause.h"
#include "conveniences/player_keys.h"
#include "conveniences/screen_capture.h"
#include "conveniences/settings.h"
#include "conveniences/sound_controls.h"
#include "platform/frame_pacing.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/window.h"
#include "records/game_records.h"
#include "records/score_overlay.h"
#ifdef __EMSCRIPTEN__
#include "player_files/file_changes.h"
#include "web/browser_storage.h"
#endif

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// A replay's sound line holds the sound controls' levels.
static_assert(kReplayMaxSoundVolume == kSoundVolumeSteps);

void pollGamepadFrame(long) { pollGamepad(); }

// A key the player pressed, before it becomes the game's.
bool translatePlayerKey(KeyEventKind& kind, int& key)
{
    if (displayKeyTaken(kind, key)) return false;
    if (screenCaptureKeyTaken(kind, key)) return false;
    if (optionsScreenKeyTaken(kind, key)) return false;
    return translateBoundKey(kind, key);
}

bool drawReplacedFrame()
{
    // The back buffer holds the last frame as shown: without its note, for
    // the pause's picture of it.
    removeNoteFromLastFrame();
    return drawOptionsScreen() || drawPauseScreen();
}

void beforePresent()
{
    takeScreenshots();
    saveRequestedFrame();
    drawScreenshotNote();
}

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

#ifdef __EMSCRIPTEN__
    // The page keeps the player's folders in the browser's storage.
    setPlayerFilesChangedListener(copyPlayerFilesToBrowserStorage);
    setSavedPictureListener(offerFileForDownload);
#endif
    setFixedSeed(options.seed);
    if (options.fixedDt) useFixedStepClock(*options.fixedDt);
    loadScript(options);
    const bool playerInputActs = options.replayPath.empty();  // a replay's keys are the game's already
    startSoundControls(options.mute, playerInputActs);  // a replay's keys never write the settings
    startKeyBindings(playerInputActs);
    startOptionsScreen(playerInputActs);
    startGamepad();
    attachScriptedPadWhenUsed(options);
    setUpRunOutputs(options, startFolder);
    // Recording or playing a replay: after the clock and the seed, before the window.
    setUpGameRecords(options, startFolder);
    // A replay plays with the sound levels of its game; a recording notes them.
    if (const std::optional<ReplaySoundLevels> levels = replayedSoundLevels()) {
        useRecordedSoundLevels(levels->music, levels->volume);
    }
    noteRecordedSoundLevels(musicHeard(), soundVolumeHeard());

    setPlayerKeyTranslator(translatePlayerKey);
    addKeyFilter(passRecordedKeys);
    addKeyFilter(passPlayerKeys);
    setPadPressFilter(optionsScreenPadPress);
    setPadKeyHold(optionsScreenHoldsPadKeys);
    setOtherInputGate(passRecordedOtherInput);
    setOtherInputHandler(OtherInputKind::WindowHidden, [](int hidden) { setWindowHidden(hidden != 0); });
    // Automated runs must not depend on the windows of the screen.
    if (!isAutomatedRun(options)) setWindowStatusHandler(onWindowOutOfSight);
    plugInFrameObservers();
    setTickHold(gamePaused);
    setFrameReplacement(drawReplacedFrame);
    addFrameOverlay(drawScoreTableOverlay);
    addPictureScreenOverlay(drawOptionsHint);
    setBeforePresentHandler(beforePresent);
    addExitStep(restoreScreenMode);
    addExitStep(finishRecords);
    addExitStep(writeAutopilotSummary);
    addExitStep(closeTrace);
    addExitStep(stopGamepad);
    setDrawEveryTick(isAutomatedRun(options) || gameRecordsDrawEveryTick());

    if (!enterDataFolder(options.dataDir, argv[0])) exitProcess(kExitBadOptions);
    openGameWindow(argc, argv);
    // The player's last choice of a window holds in ordinary play.
    if (playerInputActs && windowChosen()) options.windowed = true;
    // A replay brings its own video mode (and window), a recording notes it.
    const std::string gameMode = settleVideoMode(readGameModeString(gameModeConfigFile(kConfigFile)), options.windowed);
    startDisplay(options.windowed, gameMode);
    startScreenCapture(refreshRateOfGameMode(gameMode.c_str(), kDefaultRefreshRate));
    if (!options.noVsync) paceFrames(gameMode);
    runStartMenu();
    return 0;
}
