// The burrik.ini reader: whatever the file holds, the game-mode string is
// either the default or the file's first line, at most 29 characters, with
// no line end or carriage return left in it.
#include "app/config.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::istringstream in{std::string(text), std::ios::binary};
    const std::string mode = readGameModeString(in);
    FUZZ_CHECK(mode.size() <= static_cast<std::size_t>(kGameModeBufferSize - 1));
    FUZZ_CHECK(mode.find('\n') == std::string::npos);
    FUZZ_CHECK(mode.empty() || mode.back() != '\r');
    if (mode == kDefaultGameMode) return 0;
    // Anything else is the first line itself, up to its end or a zero byte,
    // less the carriage returns that end it.
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    FUZZ_CHECK(firstLine.substr(0, mode.size()) == mode);
    const std::string_view rest = firstLine.substr(mode.size());
    const std::string_view returns = rest.substr(0, rest.find_first_not_of('\r'));
    FUZZ_CHECK(returns.size() == rest.size() || rest[returns.size()] == '\0');
    return 0;
}
