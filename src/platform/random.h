#pragma once
// The game's one random source: a linear congruential generator with a 15-bit
// result. Its exact sequence matters (the flower bed's pace depends on it).
#include <cstdint>
#include <optional>

constexpr int kRandomMax = 0x7FFF;

// Next draw, 0 to 32767.
int randomInt();

// Sets the state.
void seedRandom(std::uint32_t state);

// Seeds with the calendar time's low eight bits, or with the fixed seed when
// one was given (--seed).
void seedRandomFromTime();

// A seed that replaces every time-based seeding; nullopt restores the clock.
void setFixedSeed(std::optional<std::uint32_t> seed);

// Told of every seeding by seedRandomFromTime, with the new state (a replay
// recorder keeps it, a replay checks it); nullptr: nobody.
using SeedListener = void (*)(std::uint32_t state);
void setSeedListener(SeedListener listener);

// The current state (for tests and traces).
std::uint32_t randomState();
