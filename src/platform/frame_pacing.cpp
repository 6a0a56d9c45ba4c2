#include "platform/frame_pacing.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr int kMaxRefreshRate = 1000;
}  // namespace

int refreshRateOfGameMode(const char* gameMode, int fallback)
{
    if (gameMode == nullptr) return fallback;
    const char* at = std::strchr(gameMode, '@');
    if (at == nullptr) return fallback;
    char* end = nullptr;
    const long rate = std::strtol(at + 1, &end, 10);
    if (end == at + 1 || rate <= 0 || rate > kMaxRefreshRate) return fallback;
    return static_cast<int>(rate);
}
