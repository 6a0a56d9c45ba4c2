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

// What gameClock() gives: the source's readings less every span spent frozen,
// and while frozen the readings of the moment of freezing.
class FreezableClock final : public ClockSource {
public:
    explicit FreezableClock(ClockSource& source) : source_(&source) {}
    // A fresh layer: not frozen, nothing skipped.
    void setSource(ClockSource& source) { *this = FreezableClock{source}; }
    ClockSource& source() const { return *source_; }

    std::int64_t counterFrequency() const override { return source_->counterFrequency(); }
    std::int64_t counterReading() const override
    {
        return frozen_ ? held_.counter : source_->counterReading() - skipped_.counter;
    }
    std::uint32_t processMilliseconds() const override
    {
        return frozen_ ? held_.process : source_->processMilliseconds() - skipped_.process;
    }
    std::uint32_t tickCountMilliseconds() const override
    {
        return frozen_ ? held_.tickCount : source_->tickCountMilliseconds() - skipped_.tickCount;
    }
    std::int64_t calendarSeconds() const override
    {
        if (frozen_) return held_.calendar;
        const std::int64_t seconds = source_->calendarSeconds() - skipped_.calendar;
        return seconds < calendarFloor_ ? calendarFloor_ : seconds;
    }
    void advanceTick() override
    {
        if (!frozen_) source_->advanceTick();
    }

    bool frozen() const { return frozen_; }
    void freeze()
    {
        if (frozen_) return;
        held_ = {counterReading(), processMilliseconds(), tickCountMilliseconds(), calendarSeconds()};
        atFreeze_ = {source_->counterReading(), source_->processMilliseconds(), source_->tickCountMilliseconds(), 0};
        frozen_ = true;
    }
    void thaw()
    {
        if (!frozen_) return;
        const std::int64_t counterSpan = source_->counterReading() - atFreeze_.counter;
        skipped_.counter += counterSpan;
        skipped_.process += source_->processMilliseconds() - atFreeze_.process;
        skipped_.tickCount += source_->tickCountMilliseconds() - atFreeze_.tickCount;
        // The calendar counts whole seconds: the frozen time is taken from the
        // counter and rounded as a whole, so many pauses add up no error.
        frozenSeconds_ += static_cast<double>(counterSpan) / static_cast<double>(source_->counterFrequency());
        skipped_.calendar = std::llround(frozenSeconds_);
        calendarFloor_ = held_.calendar;
        frozen_ = false;
    }

private:
    struct Readings {
        std::int64_t counter = 0;
        std::uint32_t process = 0;
        std::uint32_t tickCount = 0;
        std::int64_t calendar = 0;
    };
    ClockSource* source_;
    bool frozen_ = false;
    Readings held_;      // what the game sees while frozen
    Readings atFreeze_;  // the source's own readings when frozen
    Readings skipped_;   // all frozen spans so far
    double frozenSeconds_ = 0.0;
    std::int64_t calendarFloor_ = 0;
};

RealClock realClock;
FixedStepClock fixedClock{0.0};
FreezableClock freezableClock{realClock};
// A recording or replaying layer above the freezing one, or the freezing one itself.
ClockSource* outerClock = &freezableClock;

}  // namespace

ClockSource& gameClock() { return *outerClock; }

void useFixedStepClock(double secondsPerTick)
{
    fixedClock = FixedStepClock{secondsPerTick};
    freezableClock.setSource(fixedClock);
    outerClock = &freezableClock;
}

void useRealClock()
{
    freezableClock.setSource(realClock);
    outerClock = &freezableClock;
}

bool fixedStepClockActive() { return &freezableClock.source() == &fixedClock; }

void freezeGameClocks() { freezableClock.freeze(); }

void thawGameClocks() { freezableClock.thaw(); }

bool gameClocksFrozen() { return freezableClock.frozen(); }

void useClockSource(ClockSource& source) { outerClock = &source; }

std::int64_t realCalendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }
