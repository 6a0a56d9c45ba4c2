#include "records/score_keeper.h"

#include "app/game_state.h"
#include "app/hud.h"
#include "records/replay_recorder.h"
#include "records/score_file.h"
#include "platform/clock.h"

#include <cstdarg>
#include <cstdio>

namespace {

struct Keeper {
    bool enabled = false;
    std::filesystem::path tablePath;
    ReplayRecorder* recorder = nullptr;
    bool inGame = false;
    int lastScore = 0;
    int lastLevel = 0;
    bool pending = false;  // a game ended and waits to be entered
    bool pendingLost = false;
    int pendingScore = 0;
    int pendingLevel = 0;
    ScoreOverlay overlay;
};

Keeper keeper;

bool copyRecording(const std::filesystem::path& target, std::string& error)
{
    return keeper.recorder != nullptr && keeper.recorder->copyTo(target.string(), error);
}

// Formats into one of the overlay's fixed text fields, cut to its size; the
// compiler checks each format against its values.
[[gnu::format(printf, 3, 4)]] void putText(char* out, std::size_t size, const char* format, ...)
{
    std::va_list values;
    va_start(values, format);
    std::vsnprintf(out, size, format, values);
    va_end(values);
}

#define PUT(field, ...) putText((field).data(), (field).size(), __VA_ARGS__)

void fillOverlay(const ScoreEntryResult& result)
{
    ScoreOverlay& overlay = keeper.overlay;
    overlay.rowCount = static_cast<int>(result.table.entries.size());
    for (int i = 0; i < overlay.rowCount; ++i) {
        const ScoreEntry& entry = result.table.entries[static_cast<std::size_t>(i)];
        ScoreOverlayRow& row = overlay.rows[static_cast<std::size_t>(i)];
        PUT(row.rank, "%d.", i + 1);
        PUT(row.score, "%d", entry.score);
        PUT(row.level, "level %d", entry.level);
        PUT(row.date, "%s", entry.date.c_str());
        row.marked = i == result.rank;
    }
    overlay.note[0] = '\0';
    if (!result.saved) {
        PUT(overlay.note, "The table could not be saved (see the console).");
    } else if (!result.keptAsideAs.empty()) {
        PUT(overlay.note, "The damaged old table was kept as %s.", result.keptAsideAs.c_str());
    } else if (result.rank < 0) {
        PUT(overlay.note, "This game: %d at level %d, not among the best ten.", keeper.pendingScore,
            keeper.pendingLevel);
    }
    overlay.ready = true;
}

}  // namespace

void enableScoreKeeping(const std::filesystem::path& tablePath, ReplayRecorder* recorder)
{
    if (tablePath.empty()) {
        std::fprintf(stderr, "burrik: neither XDG_DATA_HOME nor HOME is set; no score is kept\n");
        return;
    }
    keeper.enabled = true;
    keeper.tablePath = tablePath;
    keeper.recorder = recorder;
}

void followGameForScores()
{
    if (!keeper.enabled) return;
    const int state = gameSession.gameState;
    if (state == Playing || state == RoundWon) {
        if (!keeper.inGame) keeper.overlay.ready = false;
        keeper.inGame = true;
        keeper.lastScore = hud.score;
        keeper.lastLevel = gameSession.level;
        return;
    }
    if (!keeper.inGame) return;
    keeper.inGame = false;
    keeper.pending = true;
    keeper.pendingLost = state == RoundLost;
    // Leaving a round resets the level, so the last one seen counts.
    keeper.pendingScore = keeper.pendingLost ? hud.score : keeper.lastScore;
    keeper.pendingLevel = keeper.pendingLost ? gameSession.level : keeper.lastLevel;
}

void enterEndedGame()
{
    if (!keeper.pending) return;
    keeper.pending = false;
    const std::int64_t now = realCalendarSeconds();
    ScoreEntry entry;
    entry.score = keeper.pendingScore;
    entry.level = keeper.pendingLevel;
    entry.date = scoreDate(now);
    const ScoreEntryResult result =
        enterScore(keeper.tablePath, entry, now, keeper.recorder != nullptr ? copyRecording : nullptr);
    for (const std::string& message : result.messages) std::fprintf(stderr, "burrik: %s\n", message.c_str());
    if (result.rank >= 0) {
        std::printf("burrik: score %d at level %d is number %d of the best %d\n", entry.score, entry.level,
                    result.rank + 1, kScoreTableSize);
    } else {
        std::printf("burrik: score %d at level %d is not among the best %d\n", entry.score, entry.level,
                    kScoreTableSize);
    }
    std::fflush(stdout);
    if (keeper.pendingLost) fillOverlay(result);
}

const ScoreOverlay& scoreOverlay() { return keeper.overlay; }

int printScoreTable()
{
    const std::filesystem::path path = scoreTablePath();
    if (path.empty()) {
        std::fprintf(stderr, "burrik: neither XDG_DATA_HOME nor HOME is set, so there is no score table\n");
        return 1;
    }
    const ScoreFileRead read = readScoreFile(path);
    switch (read.status) {
    case ScoreFileStatus::Unreadable:
        std::fprintf(stderr, "burrik: cannot read the score table %s (%s)\n", path.c_str(), read.problem.c_str());
        return 1;
    case ScoreFileStatus::Damaged:
        std::fprintf(stderr,
                     "burrik: the score table %s is damaged (%s); the next game that ends keeps it aside and "
                     "starts a new one\n",
                     path.c_str(), read.problem.c_str());
        return 1;
    case ScoreFileStatus::Missing:
    case ScoreFileStatus::Read: break;
    }
    if (read.table.entries.empty()) {
        std::printf("No scores yet (%s)\n", path.c_str());
        return 0;
    }
    std::printf("Best scores (%s)\n", path.c_str());
    std::printf("%4s %11s %7s  %-10s  %s\n", "", "score", "level", "date", "replay");
    for (std::size_t i = 0; i < read.table.entries.size(); ++i) {
        const ScoreEntry& entry = read.table.entries[i];
        std::printf("%3zu. %11d %7d  %s", i + 1, entry.score, entry.level, entry.date.c_str());
        if (!entry.replay.empty()) std::printf("  %s", (path.parent_path() / entry.replay).c_str());
        std::printf("\n");
    }
    return 0;
}
