#include "automation/run_driver.h"

#include "app/frame.h"
#include "app/tick.h"
#include "automation/autopilot.h"
#include "records/game_records.h"
#include "conveniences/gamepad.h"
#include "app/other_input.h"
#include "conveniences/pause.h"
#include "automation/round_log.h"
#include "automation/script.h"
#include "conveniences/sound_controls.h"
#include "automation/trace.h"
#include "platform/clock.h"
#include "platform/frame_pacing.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/screenshot.h"
#include "platform/window.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <vector>

namespace {

// How many ticks past the frame limit to wait for the last frame to be drawn.
constexpr long kDrawWaitTicks = 100;
// With --rounds: ticks to wait after the last round for the next set-up.
constexpr long kNextSetUpWaitTicks = 1000;
constexpr int kDefaultWindowWidth = 800;
constexpr int kDefaultWindowHeight = 600;

struct RunControl {
    Options options;
    std::vector<ScriptEvent> script;
    std::size_t scriptCursor = 0;
    long tickCount = 0;
    long lastDrawnTick = -1;
    std::vector<bool> screenshotTaken;
    TraceWriter trace;
    FramePacer pacer;
    int windowWidth = kDefaultWindowWidth;
    int windowHeight = kDefaultWindowHeight;
    bool drawEveryTick = false;
    bool automated = false;  // scripted, limited, autopiloted or replayed
    std::unique_ptr<AutopilotDriver> autopilot;
    RoundLog roundLog;
    std::string summaryPath;  // absolute
    long ticksAfterLastRound = 0;  // with --rounds, waiting for the next set-up
    bool roundLimitReached = false;
};

RunControl run;

void writeSummaryFile(const std::vector<RoundRecord>& rounds)
{
    if (run.summaryPath.empty()) return;
    std::FILE* file = std::fopen(run.summaryPath.c_str(), "w");
    const std::string json = formatRoundsJson(rounds);
    if (file == nullptr || std::fwrite(json.data(), 1, json.size(), file) != json.size()) {
        std::fprintf(stderr, "burrik: cannot write the summary %s\n", run.summaryPath.c_str());
    }
    if (file != nullptr) std::fclose(file);
}

// With the autopilot: one line per round on standard output and, with
// --summary, the same as JSON; at every exit of the process.
void writeAutopilotSummary()
{
    if (!run.autopilot) return;
    run.roundLog.setBeforeMeasuring(nullptr);  // the GL context may be gone at exit
    // At the round limit the round just set up is no round played.
    const std::vector<RoundRecord> rounds =
        run.roundLimitReached ? run.roundLog.rounds() : run.roundLog.roundsSoFar();
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        std::printf("%s\n", formatRoundLine(static_cast<int>(i + 1), rounds[i]).c_str());
    }
    std::fflush(stdout);
    writeSummaryFile(rounds);
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// After each tick of an autopilot run: the round log, the summary file and
// the round limit.
void followAutopilotRounds()
{
    const int ended = run.roundLog.finishedRounds();
    run.roundLog.observeTick();
    // The file follows every round, so a run that is stopped keeps what it played.
    if (run.roundLog.finishedRounds() != ended) writeSummaryFile(run.roundLog.rounds());
    // The last round's memory is taken where every other round's is, at
    // the next set-up; the autopilot gets there within a few ticks.
    if (run.options.rounds && run.roundLog.finishedRounds() >= *run.options.rounds &&
        (run.roundLog.lastRoundMeasuredAtNextSetUp() || ++run.ticksAfterLastRound > kNextSetUpWaitTicks)) {
        run.roundLimitReached = true;
        writeSummaryFile(run.roundLog.rounds());
        run.trace.close();
        exitProcess(0);
    }
}

}  // namespace

void badCommandLine(const std::string& message)
{
    std::fprintf(stderr, "burrik: %s\nTry 'burrik --help'.\n", message.c_str());
    exitProcess(kExitBadOptions);
}

const Options& runOptions() { return run.options; }

bool drawsEveryTick() { return run.drawEveryTick; }

bool automatedRun() { return run.automated; }

void noteWindowSize(int width, int height)
{
    run.windowWidth = width;
    run.windowHeight = height;
}

void setTickRateCap(int ticksPerSecond) { run.pacer.setRate(ticksPerSecond); }

void setUpRunDriver(const Options& parsed, const std::string& startFolderText)
{
    run.options = parsed;
    const Options& options = run.options;
    setFixedSeed(options.seed);
    if (options.fixedDt) useFixedStepClock(*options.fixedDt);
    if (!options.scriptPath.empty()) {
        const std::optional<std::string> text = readWholeFile(options.scriptPath);
        if (!text) badCommandLine("cannot read the script " + options.scriptPath);
        const ScriptParseResult script = parseScript(*text);
        if (!script.ok) badCommandLine(options.scriptPath + ": " + script.error);
        run.script = script.events;
    }
    startSoundControls(options.mute, options.replayPath.empty());
    startGamepad();
    std::string padError;
    if (scriptUsesPad(run.script) && !attachScriptedPad(padError))
        badCommandLine(options.scriptPath + ": its pad events need a virtual controller: " + padError);
    run.screenshotTaken.assign(options.screenshots.size(), false);
    // Output paths are taken relative to where the program was started.
    std::error_code error;
    const std::filesystem::path startFolder = startFolderText;
    for (ScreenshotRequest& request : run.options.screenshots) {
        request.path = std::filesystem::absolute(startFolder / request.path, error).string();
    }
    if (!options.tracePath.empty() && !run.trace.open((startFolder / options.tracePath).string())) {
        badCommandLine("cannot write the trace " + options.tracePath);
    }
    if (options.autopilot) {
        if (!options.summaryPath.empty()) {
            run.summaryPath = std::filesystem::absolute(startFolder / options.summaryPath, error).string();
            std::FILE* probe = std::fopen(run.summaryPath.c_str(), "w");
            if (probe == nullptr) badCommandLine("cannot write the summary " + options.summaryPath);
            std::fclose(probe);
        }
        run.autopilot = std::make_unique<AutopilotDriver>();
        run.roundLog.setBeforeMeasuring([] { glFinish(); });
        std::atexit(writeAutopilotSummary);
    }
    // The window going out of sight pauses, through the seam a recording keeps.
    setOtherInputHandler(OtherInputKind::WindowHidden, [](int hidden) { setWindowHidden(hidden != 0); });
    // Recording or playing a replay: after the clock and the seed, before the window.
    setUpGameRecords(run.options, startFolderText);
    run.automated = options.frames.has_value() || !options.screenshots.empty() || !options.scriptPath.empty() ||
                    options.autopilot || !options.replayPath.empty();
    run.drawEveryTick = run.automated || gameRecordsDrawEveryTick();
}

void runIdle()
{
    if (!run.options.noVsync) run.pacer.waitForNextTick();
    if (run.options.frames &&
        run.tickCount >= *run.options.frames &&
        (run.lastDrawnTick >= run.tickCount || run.tickCount >= *run.options.frames + kDrawWaitTicks)) {
        run.trace.close();
        exitProcess(0);
    }
    ++run.tickCount;
    gameRecordsFrameStart(run.tickCount);  // a replay's input of this frame
    deliverScriptEvents(run.script, run.scriptCursor, run.tickCount);
    pollGamepad();  // after the script's events, which set its virtual controller
    // After the script's events of this frame; a paused game waits for the player.
    if (run.autopilot && !gamePaused()) run.autopilot->playFrame();
    gameClock().advanceTick();  // stands still while paused
    if (gamePaused()) requestRedisplay();
    else gameTick();
    gameRecordsAfterTick();
    run.trace.writeTick(run.tickCount);
    if (run.autopilot && !gamePaused()) followAutopilotRounds();  // a paused tick plays no time
    // Automated runs draw every tick themselves: the toolkit skips drawing a
    // window that another one covers, which would lose frames and screenshots.
    if (run.drawEveryTick) drawFrame();
    gameRecordsFrameEnd(run.tickCount);
}

void runDisplay()
{
    // Runs that draw every tick draw nothing more when the toolkit asks:
    // an extra frame would move the animations and the clocks out of turn.
    if (!run.drawEveryTick) drawFrame();
}

void presentWithScreenshots()
{
    for (std::size_t i = 0; i < run.options.screenshots.size(); ++i) {
        const ScreenshotRequest& request = run.options.screenshots[i];
        if (run.screenshotTaken[i] || request.frame != run.tickCount) continue;
        glFinish();
        if (!writeScreenshotPng(request.path, run.windowWidth, run.windowHeight)) {
            std::fprintf(stderr, "burrik: cannot write screenshot %s\n", request.path.c_str());
        }
        run.screenshotTaken[i] = true;
    }
    run.lastDrawnTick = run.tickCount;
    glutSwapBuffers();
}
