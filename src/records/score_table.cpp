#include "records/score_table.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

std::string lineError(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// A whole number in [low, high] filling the word: an optional minus sign and
// at most ten digits.
bool wholeNumber(std::string_view word, long long low, long long high, long long& out)
{
    std::size_t p = 0;
    bool negative = false;
    if (p < word.size() && word[p] == '-') {
        negative = true;
        ++p;
    }
    const std::size_t digits = word.size() - p;
    if (digits == 0 || digits > 10) return false;
    long long value = 0;
    for (; p < word.size(); ++p) {
        if (word[p] < '0' || word[p] > '9') return false;
        value = value * 10 + (word[p] - '0');
    }
    out = negative ? -value : value;
    return out >= low && out <= high;
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
    long long year = 0, month = 0, day = 0;
    if (date[0] == '-' || date[5] == '-' || date[8] == '-') return false;
    if (!wholeNumber(date.substr(0, 4), 1, 9999, year) || !wholeNumber(date.substr(5, 2), 1, 12, month) ||
        !wholeNumber(date.substr(8, 2), 1, 31, day))
        return false;
    return day <= daysInMonth(static_cast<int>(year), static_cast<int>(month));
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
        std::array<std::string_view, 5> words{};
        std::size_t count = 0;
        std::size_t start = 0;
        while (start <= line.size() && count < words.size()) {
            std::size_t space = line.find(' ', start);
            if (space == std::string_view::npos) space = line.size();
            words[count++] = line.substr(start, space - start);
            start = space + 1;
        }
        if (start <= line.size() || count < 3 || count > 4)
            return fail(lineNumber, "expected 'SCORE LEVEL DATE' and perhaps a replay's name, one space apart");
        ScoreEntry entry;
        long long number = 0;
        if (!wholeNumber(words[0], -kScoreLimit, kScoreLimit, number))
            return fail(lineNumber, "the score is no whole number within a billion either way");
        entry.score = static_cast<int>(number);
        if (!wholeNumber(words[1], 0, kLevelLimit, number) || words[1][0] == '-')
            return fail(lineNumber, "the level is no whole number from 0 to a million");
        entry.level = static_cast<int>(number);
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
