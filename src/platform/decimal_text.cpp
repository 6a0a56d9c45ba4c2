#include "platform/decimal_text.h"

#include <charconv>

#if defined(__cpp_lib_to_chars)

bool readDecimalText(std::string_view text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && stop == end;
}

#else

// The browser build's library has no std::from_chars for doubles: the same
// grammar is checked here and the C library converts (correctly rounded, as
// from_chars is).
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "inf" and "nan", which from_chars also reads, are refused: no caller
// takes a value that is not finite.
bool decimalGrammar(std::string_view text)
{
    std::size_t p = 0;
    if (p < text.size() && text[p] == '-') ++p;
    const std::size_t intStart = p;
    while (p < text.size() && isDigit(text[p])) ++p;
    std::size_t digits = p - intStart;
    if (p < text.size() && text[p] == '.') {
        ++p;
        const std::size_t fractionStart = p;
        while (p < text.size() && isDigit(text[p])) ++p;
        digits += p - fractionStart;
    }
    if (digits == 0) return false;
    if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        ++p;
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
        const std::size_t exponentStart = p;
        while (p < text.size() && isDigit(text[p])) ++p;
        if (p == exponentStart) return false;
    }
    return p == text.size();
}

}  // namespace

bool readDecimalText(std::string_view text, double& value)
{
    if (!decimalGrammar(text)) return false;
    const std::string terminated(text);
    errno = 0;
    char* stop = nullptr;
    const double read = std::strtod(terminated.c_str(), &stop);
    if (errno == ERANGE || stop != terminated.c_str() + terminated.size()) return false;
    value = read;
    return true;
}

#endif
