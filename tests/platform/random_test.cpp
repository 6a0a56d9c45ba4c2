#include "platform/clock.h"
#include "platform/random.h"

#include <gtest/gtest.h>

namespace {

TEST(RandomSource, KnownSequenceFromStateOne)
{
    seedRandom(1);
    EXPECT_EQ(randomInt(), 41);
    EXPECT_EQ(randomInt(), 18467);
    EXPECT_EQ(randomInt(), 6334);
    seedRandom(1);
    EXPECT_EQ(randomInt(), 41);
}

TEST(RandomSource, StaysInFifteenBits)
{
    seedRandom(12345);
    int largest = 0;
    for (int i = 0; i < 100000; ++i) {
        const int r = randomInt();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, kRandomMax);
        largest = r > largest ? r : largest;
    }
    EXPECT_GT(largest, 32000);
}

TEST(RandomSource, TimeSeedUsesLowEightBitsOrTheFixedSeed)
{
    useFixedStepClock(0.5);
    setFixedSeed(std::nullopt);
    seedRandomFromTime();
    EXPECT_EQ(randomState(), static_cast<std::uint32_t>(gameClock().calendarSeconds()) & 0xFFu);
    EXPECT_LE(randomState(), 0xFFu);
    setFixedSeed(77u);
    seedRandomFromTime();
    EXPECT_EQ(randomState(), 77u);
    setFixedSeed(std::nullopt);
    useRealClock();
}

TEST(FixedStepClock, EveryTickLastsTheStep)
{
    useFixedStepClock(0.25);
    ClockSource& clock = gameClock();
    const std::int64_t start = clock.counterReading();
    const std::int64_t calendar = clock.calendarSeconds();
    for (int i = 0; i < 8; ++i) clock.advanceTick();
    EXPECT_DOUBLE_EQ(static_cast<double>(clock.counterReading() - start) / clock.counterFrequency(), 2.0);
    EXPECT_EQ(clock.calendarSeconds() - calendar, 2);
    EXPECT_EQ(clock.tickCountMilliseconds(), 2000u);
    EXPECT_TRUE(fixedStepClockActive());
    useRealClock();
    EXPECT_FALSE(fixedStepClockActive());
}

}  // namespace
