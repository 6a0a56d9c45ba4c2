#include "records/game_records.h"

#include "app/game_state.h"
#include "app/main_loop.h"
#include "app/other_input.h"
#include "records/replay_player.h"
#include "records/replay_recorder.h"
#include "records/score_file.h"
#include "records/score_keeper.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/random.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Records {
    std::unique_ptr<ReplayRecorder> recorder;
    std::unique_ptr<RecordingClock> recordingClock;
    std::unique_ptr<ReplayPlayer> player;
};

Records records;

// The replay's key items are the game's key events, in the same order.
static_assert(static_cast<int>(ReplayItemKind::Key) == static_cast<int>(KeyEventKind::Key) &&
              static_cast<int>(ReplayItemKind::KeyUp) == static_cast<int>(KeyEventKind::KeyUp) &&
              static_cast<int>(ReplayItemKind::SpecialKey) == static_cast<int>(KeyEventKind::SpecialKey) &&
              static_cast<int>(ReplayItemKind::SpecialKeyUp) == static_cast<int>(KeyEventKind::SpecialKeyUp));

void deliverReplayedKey(ReplayItemKind kind, int key)
{
    if (kind <= ReplayItemKind::SpecialKeyUp) deliverKeyEvent(static_cast<KeyEventKind>(kind), key);
}

// Reported at once; the run ends at the next frame boundary.
void endReplayRun(int status, const std::string& message)
{
    std::fprintf(status == 0 ? stdout : stderr, "burrik: %s\n", message.c_str());
    requestStop(status);
}

// The render options between the game and a replay's header, which name
// them alike, either way.
template <typename From, typename To>
void copyRenderOptions(const From& from, To& to)
{
    to.useDisplayLists = from.useDisplayLists;
    to.useVertexArrays = from.useVertexArrays;
    to.wireframe = from.wireframe;
    to.mipmapping = from.mipmapping;
    to.filterMode = from.filterMode;
    to.showFps = from.showFps;
}

void noteSeed(std::uint32_t state) { records.recorder->noteSeed(state); }
void checkSeed(std::uint32_t state) { records.player->checkSeed(state); }

void loadReplay(Options& options, const fs::path& path)
{
    const std::string shown = options.replayPath;
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error) badCommandLine("cannot read the replay " + shown + " (" + error.message() + ")");
    if (size > kReplayMaxFileBytes) badCommandLine("the replay " + shown + " is refused: it is larger than 256 MiB");
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        badCommandLine("cannot read the replay " + shown);
    ReplayParseResult parsed = parseReplay(bytes.data(), bytes.size());
    if (!parsed.ok) badCommandLine("the replay " + shown + " is refused: " + parsed.error);
    if (parsed.data.cutShort) {
        std::fprintf(stderr, "burrik: the replay %s is cut short at line %u; it plays up to the line before\n",
                     shown.c_str(), parsed.data.cutLine);
    }
    const ReplayHeader& header = parsed.data.header;
    options.windowed = options.windowed || header.windowed;
    setFixedSeed(header.seed);
    copyRenderOptions(header.render, renderOptions);
    ReplayHooks hooks;
    hooks.deliverKey = deliverReplayedKey;
    hooks.deliverOtherInput = handleOtherInput;
    hooks.endRun = endReplayRun;
    // The player reads the items from the bytes as the game takes them.
    records.player = std::make_unique<ReplayPlayer>(std::move(bytes), std::move(parsed.data), shown, hooks);
    useClockSource(records.player->clock());
    setSeedListener(checkSeed);
}

void startRecording(const Options& options, const fs::path& path)
{
    ReplayHeader header;
    header.windowed = options.windowed;
    header.vsync = !options.noVsync;
    header.seed = options.seed;
    header.fixedDt = options.fixedDt;
    copyRenderOptions(renderOptions, header.render);
    records.recorder = std::make_unique<ReplayRecorder>();
    std::string error;
    if (!records.recorder->open(path.string(), header, error))
        badCommandLine("cannot write the replay " + options.recordPath + " (" + error + ")");
    // Over the clock in force, the real or the fixed-step one.
    records.recordingClock = std::make_unique<RecordingClock>(gameClock(), *records.recorder);
    useClockSource(*records.recordingClock);
    setSeedListener(noteSeed);
}

}  // namespace

bool passRecordedKeys(KeyEventKind kind, int key)
{
    if (records.player) {
        if (records.player->delivering()) return true;
        // Live keys during a replay: only escape counts, and it ends the replay.
        if (kind == KeyEventKind::Key && key == kKeyEscape) records.player->stopByEscape();
        return false;
    }
    followGameForScores();
    if (records.recorder) records.recorder->noteInput(static_cast<ReplayItemKind>(kind), 0, key);
    return true;
}

bool passRecordedOtherInput(int kind, int value)
{
    if (records.player) return false;  // the replay delivers the recorded ones
    if (records.recorder) records.recorder->noteInput(ReplayItemKind::OtherInput, kind, value);
    return true;
}

void finishRecords()
{
    if (records.recorder) records.recorder->finish();
    enterEndedGame();
}

void setUpGameRecords(Options& options, const std::string& startFolder)
{
    std::error_code error;
    const fs::path start = startFolder;
    if (!options.replayPath.empty()) loadReplay(options, fs::absolute(start / options.replayPath, error));
    if (!options.recordPath.empty()) startRecording(options, fs::absolute(start / options.recordPath, error));
    // A replay is no new game, and the autopilot's games are not a person's.
    if (options.replayPath.empty() && !options.autopilot) enableScoreKeeping(scoreTablePath(), records.recorder.get());
}

std::optional<ReplaySoundLevels> replayedSoundLevels()
{
    if (!records.player) return std::nullopt;
    return records.player->header().sound;
}

void noteRecordedSoundLevels(bool music, int volume)
{
    if (records.recorder) records.recorder->setSoundLevels(music, volume);
}

std::string settleVideoMode(const std::string& configured, bool windowed)
{
    if (records.player) return records.player->header().videoMode;
    if (records.recorder) {
        records.recorder->setVideoMode(windowed, configured);
        records.recorder->writeHeader();
    }
    return configured;
}

bool gameRecordsDrawEveryTick() { return records.player != nullptr || records.recorder != nullptr; }

void gameRecordsFrameStart(long frame)
{
    if (records.player) records.player->beginFrame(frame);
}

void gameRecordsAfterTick(long) { followGameForScores(); }

void gameRecordsFrameEnd(long frame)
{
    if (records.recorder) records.recorder->endFrame();
    enterEndedGame();
    if (records.player) records.player->endFrame(frame);
}

int printScores() { return printScoreTable(); }
