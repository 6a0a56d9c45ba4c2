#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace {

using SteadyClock = std::chrono::steady_clock;

class RealClock final : public ClockSource {
public:
    std::int64_t counterFrequency() const override { return 1'000'000'000; }
    std::int64_t counterReading() const override
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   SteadyClock::now().time_since_epoch())
            .count();
    }
    std::uint32_t processMilliseconds() const override
    {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start_)
                .count());
    }
    std::uint32_t tickCountMilliseconds() const override
    {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(
                SteadyClock::now().time_since_epoch())
                .count());
    }
    std::int64_t calendarSeconds() const override
    {
        return static_cast<std::int64_t>(std::time(nullptr));
    }

private:
    SteadyClock::time_point start_ = SteadyClock::now();
};

// Counts in microseconds; the calendar starts at a fixed moment.
class FixedStepClock final : public ClockSource {
public:
    static constexpr std::int64_t kStartCalendarSeconds = 1'000'000'000;

    explicit FixedStepClock(double secondsPerTick)
        : stepMicroseconds_(static_cast<std::int64_t>(std::llround(secondsPerTick * 1e6)))
    {
    }
    std::int64_t counterFrequency() const override { return 1'000'000; }
    std::int64_t counterReading() const override { return nowMicroseconds_; }
    std::uint32_t processMilliseconds() const override
    {
        return static_cast<std::uint32_t>(nowMicroseconds_ / 1000);
    }
    std::uint32_t tickCountMilliseconds() const override
    {
        return static_cast<std::uint32_t>(nowMicroseconds_ / 1000);
    }
    std::int64_t calendarSeconds() const override
    {
        return kStartCalendarSeconds + nowMicroseconds_ / 1'000'000;
    }
    void advanceTick() override { nowMicroseconds_ += stepMicroseconds_; }

private:
    std::int64_t stepMicroseconds_;
    std::int64_t nowMicroseconds_ = 0;
};

RealClock realClock;
FixedStepClock fixedClock{0.0};
ClockSource* activeClock = &realClock;

}  // namespace

ClockSource& gameClock() { return *activeClock; }

void useFixedStepClock(double secondsPerTick)
{
    fixedClock = FixedStepClock{secondsPerTick};
    activeClock = &fixedClock;
}

void useRealClock() { activeClock = &realClock; }

bool fixedStepClockActive() { return activeClock == &fixedClock; }

void useClockSource(ClockSource& source) { activeClock = &source; }

std::int64_t realCalendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }
