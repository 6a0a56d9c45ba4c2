#pragma once
// The one word splitter of the texts beyond the game's rules. The replay file
// and the score table put exactly one space between words, so a doubled,
// leading or trailing space makes an empty word that no field takes; a
// script takes any run of blanks as one gap and has no empty words.
#include <array>
#include <cstddef>
#include <string_view>

enum class WordGap {
    OneSpace,  // every space ends a word; a line of nothing is one empty word
    Blanks,    // runs of spaces, tabs, returns, vertical tabs and form feeds
};

// The words of a line, one at a time.
class WordReader {
public:
    WordReader(std::string_view line, WordGap gap) : line_(line), gap_(gap) {}
    // The next word; false after the last.
    bool next(std::string_view& word);

private:
    std::string_view line_;
    std::size_t at_ = 0;
    bool done_ = false;
    WordGap gap_;
};

// The words of a line into words: their count, or words.size() + 1 when the
// line holds more than fit.
template <std::size_t N>
std::size_t splitWords(std::string_view line, WordGap gap, std::array<std::string_view, N>& words)
{
    WordReader reader(line, gap);
    std::size_t count = 0;
    for (std::string_view word; reader.next(word);) {
        if (count == N) return N + 1;
        words[count++] = word;
    }
    return count;
}
