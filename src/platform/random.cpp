#include "platform/random.h"

#include "platform/clock.h"

namespace {
constexpr std::uint32_t kMultiplier = 214013u;
constexpr std::uint32_t kIncrement = 2531011u;
constexpr std::uint32_t kTimeSeedMask = 0xFFu;

std::uint32_t state = 1;
std::optional<std::uint32_t> fixedSeed;
SeedListener seedListener = nullptr;
}  // namespace

int randomInt()
{
    state = state * kMultiplier + kIncrement;
    return static_cast<int>((state >> 16) & kRandomMax);
}

void seedRandom(std::uint32_t newState) { state = newState; }

void seedRandomFromTime()
{
    state = fixedSeed ? *fixedSeed : static_cast<std::uint32_t>(gameClock().calendarSeconds()) & kTimeSeedMask;
    if (seedListener != nullptr) seedListener(state);
}

void setSeedListener(SeedListener listener) { seedListener = listener; }

void setFixedSeed(std::optional<std::uint32_t> seed) { fixedSeed = seed; }

std::uint32_t randomState() { return state; }
