#include "automation/automated_run.h"

#include "app/main_loop.h"
#include "automation/autopilot.h"
#include "automation/round_log.h"
#include "automation/script.h"
#include "automation/trace.h"
#include "conveniences/gamepad.h"
#include "platform/screenshot.h"
#include "platform/window.h"

#include <GL/gl.h>

#include <cstdio>
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

struct AutomatedRun {
    std::optional<long> frameLimit;
    std::optional<long> roundLimit;
    std::vector<ScriptEvent> script;
    std::size_t scriptCursor = 0;
    long lastDrawnFrame = -1;
    std::vector<ScreenshotRequest> screenshots;  // paths absolute
    std::vector<bool> screenshotTaken;
    TraceWriter trace;
    std::unique_ptr<AutopilotDriver> autopilot;
    RoundLog roundLog;
    std::string summaryPath;  // absolute
    long ticksAfterLastRound = 0;  // with --rounds, waiting for the next set-up
    bool roundLimitReached = false;
};

AutomatedRun run;

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

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void loadScript(const Options& options)
{
    if (options.scriptPath.empty()) return;
    const std::optional<std::string> text = readWholeFile(options.scriptPath);
    if (!text) badCommandLine("cannot read the script " + options.scriptPath);
    const ScriptParseResult script = parseScript(*text);
    if (!script.ok) badCommandLine(options.scriptPath + ": " + script.error);
    run.script = script.events;
}

void attachScriptedPadWhenUsed(const Options& options)
{
    std::string padError;
    if (scriptUsesPad(run.script) && !attachScriptedPad(padError))
        badCommandLine(options.scriptPath + ": its pad events need a virtual controller: " + padError);
}

void setUpRunOutputs(const Options& options, const std::string& startFolderText)
{
    run.frameLimit = options.frames;
    run.roundLimit = options.rounds;
    // Output paths are taken relative to where the program was started.
    std::error_code error;
    const std::filesystem::path startFolder = startFolderText;
    run.screenshots = options.screenshots;
    for (ScreenshotRequest& request : run.screenshots) {
        request.path = std::filesystem::absolute(startFolder / request.path, error).string();
    }
    run.screenshotTaken.assign(run.screenshots.size(), false);
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
    }
}

void stopAtFrameLimit(long lastFrame)
{
    if (run.frameLimit && lastFrame >= *run.frameLimit &&
        (run.lastDrawnFrame >= lastFrame || lastFrame >= *run.frameLimit + kDrawWaitTicks)) {
        requestStop(0);
    }
}

void deliverScriptFrame(long frame) { deliverScriptEvents(run.script, run.scriptCursor, frame); }

void playAutopilotFrame(long)
{
    // A paused game waits for the player.
    if (run.autopilot && !tickHeld()) run.autopilot->playFrame();
}

void writeTraceTick(long frame) { run.trace.writeTick(frame); }

void followAutopilotRounds(long)
{
    if (!run.autopilot || tickHeld()) return;  // a paused tick plays no time
    const int ended = run.roundLog.finishedRounds();
    run.roundLog.observeTick();
    // The file follows every round, so a run that is stopped keeps what it played.
    if (run.roundLog.finishedRounds() != ended) writeSummaryFile(run.roundLog.rounds());
    // The last round's memory is taken where every other round's is, at
    // the next set-up; the autopilot gets there within a few ticks.
    if (run.roundLimit && run.roundLog.finishedRounds() >= *run.roundLimit &&
        (run.roundLog.lastRoundMeasuredAtNextSetUp() || ++run.ticksAfterLastRound > kNextSetUpWaitTicks)) {
        run.roundLimitReached = true;
        writeSummaryFile(run.roundLog.rounds());
        requestStop(0);
    }
}

void takeScreenshots()
{
    const long frame = framesRun();
    for (std::size_t i = 0; i < run.screenshots.size(); ++i) {
        const ScreenshotRequest& request = run.screenshots[i];
        if (run.screenshotTaken[i] || request.frame != frame) continue;
        glFinish();
        if (!writeScreenshotPng(request.path, windowWidth(), windowHeight())) {
            std::fprintf(stderr, "burrik: cannot write screenshot %s\n", request.path.c_str());
        }
        run.screenshotTaken[i] = true;
    }
    run.lastDrawnFrame = frame;
}

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

void closeTrace() { run.trace.close(); }
