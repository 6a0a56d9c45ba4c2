#pragma once
// The game's clocks: a high-resolution counter for the tick length, a
// millisecond process clock for the frame rate, a millisecond tick count for
// the character animation and calendar seconds for the round clock.
//
// All of them go through one source so that a fixed-step virtual clock can
// replace the real one (--fixed-dt): then every tick lasts exactly the same
// time and a run depends only on its seed, script and options.
#include <cstdint>

class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual std::int64_t counterFrequency() const = 0;  // counts per second
    virtual std::int64_t counterReading() const = 0;
    virtual std::uint32_t processMilliseconds() const = 0;
    virtual std::uint32_t tickCountMilliseconds() const = 0;
    virtual std::int64_t calendarSeconds() const = 0;
    // Called once at the start of every game tick; only the virtual clock moves.
    virtual void advanceTick() {}
};

// The clock in force (the real one unless a fixed step was chosen).
ClockSource& gameClock();

// Replaces the real clock by a virtual one on which every tick lasts
// secondsPerTick. Starts at a fixed calendar time so runs repeat exactly.
void useFixedStepClock(double secondsPerTick);

// Back to the real clock (tests).
void useRealClock();

// True when the virtual clock is in force.
bool fixedStepClockActive();

// Puts another source in force, for example one that records every reading
// of the clock beneath it, or one that answers from a replay. The caller
// keeps the source alive while it is in force.
void useClockSource(ClockSource& source);

// The calendar of the real world, for dates in the player's own files (the
// score table). The game's rules never read it, so it is neither recorded
// nor replayed.
std::int64_t realCalendarSeconds();
