#pragma once
// The score table on disk: where it lives, reading it, and entering a game
// into it under a lock, with a damaged table kept aside and every write
// atomic, so a crash or a full disk never loses the old table.
#include "records/score_table.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

constexpr const char* kScoreFileName = "scores";

// $XDG_DATA_HOME/burrik/scores, by default ~/.local/share/burrik/scores;
// empty when neither the variable nor the home folder is known.
std::filesystem::path scoreTablePath();

enum class ScoreFileStatus { Missing, Read, Damaged, Unreadable };

struct ScoreFileRead {
    ScoreFileStatus status = ScoreFileStatus::Missing;
    ScoreTable table;
    std::string problem;  // what was wrong, for Damaged and Unreadable
};

ScoreFileRead readScoreFile(const std::filesystem::path& path);

// The day in YYYY-MM-DD of the local calendar, and a stamp YYYYMMDD-HHMMSS
// for file names.
std::string scoreDate(std::int64_t calendarSeconds);
std::string fileStamp(std::int64_t calendarSeconds);

struct ScoreEntryResult {
    bool saved = false;
    ScoreTable table;  // as it stands now (with the entry even when it could not be saved)
    int rank = -1;     // the entry's index, -1 when it is not among the best ten
    std::vector<std::string> messages;  // for the console
    std::string keptAsideAs;            // the damaged table's new name
};

// Writes a replay of the game to the path given; false when it cannot.
using ReplayCopier = bool (*)(const std::filesystem::path& target, std::string& error);

// Enters a game: reads the table, keeps a damaged one aside under
// "scores.damaged-STAMP" (".2", ".3", ... after it when that is taken) and
// starts a new one, puts the entry in its place, writes the game's replay
// beside the table when it made the table and a copier is given, writes the
// table atomically, and removes the replays of entries that fell off. now
// gives the stamps of the new file names.
//
// All this happens under a lock of the table's folder, waited for while
// other games enter theirs. When it cannot be had (a file system without
// locks, or another game stopped while it holds it, so that the table has
// not changed for two seconds) a message says so and the entry is made
// without it; a table that another game writes between this game's read and
// its write is read again, so neither entry is lost.
ScoreEntryResult enterScore(const std::filesystem::path& tablePath, ScoreEntry entry, std::int64_t now,
                            ReplayCopier copyReplay);
