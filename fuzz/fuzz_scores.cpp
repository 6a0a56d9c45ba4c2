// The score-table reader: a refusal names its line; a table that is taken
// has at most ten entries, best first, each field within its range and a
// replay name that is a plain file name, and writes back to a file that
// reads the same.
#include "records/score_table.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ScoreTableParse result = parseScoreTable(data, size);
    if (!result.ok) {
        FUZZ_CHECK(result.error.rfind("line ", 0) == 0);
        FUZZ_CHECK(result.table.entries.empty());
        return 0;
    }
    const std::vector<ScoreEntry>& entries = result.table.entries;
    FUZZ_CHECK(entries.size() <= static_cast<std::size_t>(kScoreTableSize));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ScoreEntry& entry = entries[i];
        FUZZ_CHECK(entry.score >= -kScoreLimit && entry.score <= kScoreLimit);
        FUZZ_CHECK(entry.level >= 0 && entry.level <= kLevelLimit);
        FUZZ_CHECK(validScoreDate(entry.date));
        FUZZ_CHECK(entry.replay.empty() || validReplayName(entry.replay));
        FUZZ_CHECK(entry.replay.find('/') == std::string::npos && entry.replay.rfind("..", 0) != 0);
        if (i > 0) FUZZ_CHECK(entries[i - 1].score >= entry.score);
    }
    const std::string text = formatScoreTable(result.table);
    const ScoreTableParse again = parseScoreTable(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    FUZZ_CHECK(again.ok && again.table.entries.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(again.table.entries[i].score == entries[i].score && again.table.entries[i].level == entries[i].level);
        FUZZ_CHECK(again.table.entries[i].date == entries[i].date && again.table.entries[i].replay == entries[i].replay);
    }
    return 0;
}
