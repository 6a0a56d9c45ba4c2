#include "records/score_table.h"

#include "parsing/numbers.h"
#include "parsing/words.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

std::string lineError(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// A whole number in [least, most] filling the word.
bool wholeNumber(std::string_view word, int least, int most, int& out)
{
    const std::optional<std::int64_t> value = readWholeNumber(word, least, most);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

}  // namespace

bool validScoreDate(std::string_view date)
{
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    int year = 0, month = 0, day = 0;
    if (!wholeNumber(date.substr(0, 4), 1, 9999, year) || !wholeNumber(date.substr(5, 2), 1, 12, month) ||
        !wholeNumber(date.substr(8, 2), 1, 31, day))
        return false;
    return day <= daysInMonth(year, month);
}

bool validReplayName(std::string_view name)
{
    if (name.empty() || name.size() > kReplayNameMaxLength || name[0] == '.') return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == '_';
        if (!plain) return false;
    }
    return true;
}

ScoreTableParse parseScoreTable(const std::uint8_t* bytes, std::size_t size)
{
    ScoreTableParse result;
    const std::string_view text(reinterpret_cast<const char*>(bytes), bytes == nullptr ? 0 : size);
    auto fail = [&](int line, const std::string& what) {
        result.ok = false;
        result.table = ScoreTable{};
        result.error = lineError(line, what);
        return result;
    };
    if (text.size() > kScoreTableMaxBytes) return fail(1, "the file is larger than any score table");
    if (text.empty()) return fail(1, "the file is empty");
    if (text.back() != '\n') {
        const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        return fail(lines, "the file is cut short (its last line has no end)");
    }
    int lineNumber = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t end = text.find('\n', position);
        const std::string_view line = text.substr(position, end - position);
        position = end + 1;
        ++lineNumber;
        if (lineNumber == 1) {
            const std::string expected = std::string(kScoreTableMagic) + " " + std::to_string(kScoreTableVersion);
            if (line.substr(0, std::string_view(kScoreTableMagic).size()) != kScoreTableMagic)
                return fail(1, "not a Burrik score table");
            if (line != expected) return fail(1, "unknown score table version (expected '" + expected + "')");
            continue;
        }
        if (static_cast<int>(result.table.entries.size()) == kScoreTableSize)
            return fail(lineNumber, "more than " + std::to_string(kScoreTableSize) + " entries");
        std::array<std::string_view, 4> words{};
        const std::size_t count = splitWords(line, WordGap::OneSpace, words);
        if (count < 3 || count > words.size())
            return fail(lineNumber, "expected 'SCORE LEVEL DATE' and perhaps a replay's name, one space apart");
        ScoreEntry entry;
        if (!wholeNumber(words[0], -kScoreLimit, kScoreLimit, entry.score))
            return fail(lineNumber, "the score is no whole number within a billion either way");
        if (!wholeNumber(words[1], 0, kLevelLimit, entry.level))
            return fail(lineNumber, "the level is no whole number from 0 to a million");
        if (!validScoreDate(words[2])) return fail(lineNumber, "the date is no day written YYYY-MM-DD");
        entry.date = std::string(words[2]);
        if (count == 4) {
            if (!validReplayName(words[3])) return fail(lineNumber, "the replay's name is no plain file name");
            entry.replay = std::string(words[3]);
        }
        if (!result.table.entries.empty() && result.table.entries.back().score < entry.score)
            return fail(lineNumber, "the entries are out of order (a higher score below a lower one)");
        result.table.entries.push_back(std::move(entry));
    }
    result.ok = true;
    return result;
}

std::string formatScoreTable(const ScoreTable& table)
{
    std::string out = std::string(kScoreTableMagic) + " " + std::to_string(kScoreTableVersion) + "\n";
    for (const ScoreEntry& entry : table.entries) {
        out += std::to_string(entry.score) + " " + std::to_string(entry.level) + " " + entry.date;
        if (!entry.replay.empty()) out += " " + entry.replay;
        out += '\n';
    }
    return out;
}

int insertScore(ScoreTable& table, const ScoreEntry& entry, std::vector<ScoreEntry>& dropped)
{
    std::size_t place = 0;
    while (place < table.entries.size() && table.entries[place].score >= entry.score) ++place;
    table.entries.insert(table.entries.begin() + static_cast<std::ptrdiff_t>(place), entry);
    while (table.entries.size() > static_cast<std::size_t>(kScoreTableSize)) {
        dropped.push_back(table.entries.back());
        table.entries.pop_back();
    }
    return place < static_cast<std::size_t>(kScoreTableSize) ? static_cast<int>(place) : -1;
}
