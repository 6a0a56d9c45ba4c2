#include "app/config.h"

#include <fstream>

std::string readGameModeString(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (in.fail()) return kDefaultGameMode;
    return readGameModeString(in);
}

std::string readGameModeString(std::istream& in)
{
    // One more character than the line may hold, for the carriage return of
    // a file saved with Windows line ends, which is not part of the line
    // (nor are further returns a twice-converted file may carry).
    char line[kGameModeBufferSize + 1] = {};
    in.getline(line, sizeof line);
    if (in.fail() || in.bad()) return kDefaultGameMode;
    std::string text = line;
    while (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.size() > static_cast<std::size_t>(kGameModeBufferSize - 1)) return kDefaultGameMode;
    return text;
}
