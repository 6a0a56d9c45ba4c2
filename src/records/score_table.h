#pragma once
// The table of the ten best games, as the file holds it:
//
//   burrik-scores 1
//   SCORE LEVEL DATE [REPLAY]      best first, at most ten lines
//
// SCORE is the game's score, LEVEL the game's level number (0 the first),
// DATE the day the game ended (YYYY-MM-DD) and REPLAY, when the game was
// recorded, the name of its replay in the table's folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* kScoreTableMagic = "burrik-scores";
constexpr int kScoreTableVersion = 1;
constexpr int kScoreTableSize = 10;
constexpr std::size_t kScoreTableMaxBytes = 4096;
constexpr int kScoreLimit = 1'000'000'000;  // |score| at most this
constexpr int kLevelLimit = 1'000'000;
constexpr std::size_t kReplayNameMaxLength = 80;

struct ScoreEntry {
    int score = 0;
    int level = 0;
    std::string date;    // YYYY-MM-DD
    std::string replay;  // a file name in the table's folder, or empty
};

struct ScoreTable {
    std::vector<ScoreEntry> entries;  // best first
};

struct ScoreTableParse {
    bool ok = false;
    ScoreTable table;
    std::string error;  // "line N: what was wrong"
};

// Reads a table file; every field is checked, and a table out of order or
// longer than ten counts as damaged.
ScoreTableParse parseScoreTable(const std::uint8_t* bytes, std::size_t size);

std::string formatScoreTable(const ScoreTable& table);

// Puts the entry in its place, below the entries with the same score (the
// older stays above). Returns its index, or -1 when it is not among the best
// ten. Entries that fall off the table are added to dropped.
int insertScore(ScoreTable& table, const ScoreEntry& entry, std::vector<ScoreEntry>& dropped);

bool validScoreDate(std::string_view date);
// A plain file name: letters, digits, '.', '-', '_', not starting with '.'.
bool validReplayName(std::string_view name);
