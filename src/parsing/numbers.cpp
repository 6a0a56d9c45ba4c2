#include "parsing/numbers.h"

#include "platform/decimal_text.h"

#include <cmath>
#include <limits>

std::optional<std::int64_t> scanWholeNumber(std::string_view text, std::size_t& at, bool allowSign)
{
    std::size_t p = at;
    const bool negative = allowSign && p < text.size() && text[p] == '-';
    if (negative) ++p;
    const std::size_t firstDigit = p;
    // Counted towards the negative side, which holds one more value.
    std::int64_t value = 0;
    constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        const int digit = text[p] - '0';
        if (value < (kLowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (p == firstDigit) return std::nullopt;
    if (!negative) {
        if (value == kLowest) return std::nullopt;
        value = -value;
    }
    at = p;
    return value;
}

std::optional<std::int64_t> readWholeNumber(std::string_view word, std::int64_t least, std::int64_t most)
{
    std::size_t at = 0;
    const std::optional<std::int64_t> value = scanWholeNumber(word, at, least < 0);
    if (!value || at != word.size() || *value < least || *value > most) return std::nullopt;
    return value;
}

std::optional<double> readDecimalNumber(std::string_view word, double above, double most)
{
    if (word.empty() || word.front() == '+') return std::nullopt;
    double value = 0.0;
    if (!readDecimalText(word, value) || !std::isfinite(value)) return std::nullopt;
    if (!(value > above) || value > most) return std::nullopt;
    return value;
}
