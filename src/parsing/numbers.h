#pragma once
// The one reader of numbers in the texts beyond the game's rules: the command
// line, scripts, replays, the score table and the settings. Strict: an
// optional minus sign (where a range reaches below zero) and decimal digits,
// nothing before or after, no overflow. So every file and option reads
// numbers the same way.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// A whole number filling the word, within [least, most].
std::optional<std::int64_t> readWholeNumber(std::string_view word, std::int64_t least, std::int64_t most);

// A whole number starting at text[at]: a minus sign only when allowSign,
// then digits up to the first other character. Advances at past it; nullopt
// (at unchanged) when there are no digits or the value overflows.
std::optional<std::int64_t> scanWholeNumber(std::string_view text, std::size_t& at, bool allowSign);

// A finite decimal number filling the word ("0.02", "1e-3"), within
// (above, most]: greater than above, at most most.
std::optional<double> readDecimalNumber(std::string_view word, double above, double most);
