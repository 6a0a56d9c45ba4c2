#pragma once
// The game's clocks: a high-resolution counter for the tick length, a
// millisecond process clock for the frame rate, a millisecond tick count for
// the character animation and calendar seconds for the round clock.
//
// All of them go through one source so that a fixed-step virtual clock can
// replace the real one (--fixed-dt): then every tick lasts exactly the same
// time and a run depends only on its seed, script and options.
//
// Pausing freezes them. A freezing layer sits over the source in force
// (real or virtual): freezeGameClocks() holds every reading where it stands
// and makes advanceTick() do nothing, thawGameClocks() lets the readings go on
// from there, less the time that passed while frozen. So the game never sees
// a pause: the first tick after it lasts one ordinary frame. On the virtual
// clock nothing passes while frozen and the readings go on exactly; on the
// real one the frozen span is subtracted (the calendar seconds to the nearest
// whole second, never going back). A layer that records or replays the
// readings may sit above it (useClockSource) and sees what the game sees.
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

// The longest tick a virtual clock takes (--fixed-dt, a replay's header).
constexpr double kMaxFixedStepSeconds = 3600.0;

// Replaces the real clock by a virtual one on which every tick lasts
// secondsPerTick. Starts at a fixed calendar time so runs repeat exactly.
void useFixedStepClock(double secondsPerTick);

// Back to the real clock (tests).
void useRealClock();

// True when the virtual clock is in force.
bool fixedStepClockActive();

// Holds the readings of gameClock() (see above); a second freeze is ignored.
void freezeGameClocks();
// Lets them go on without the frozen span; ignored when not frozen.
void thawGameClocks();
bool gameClocksFrozen();

// Puts another source outermost, above the freezing layer: one that records
// every reading the game takes, or one that answers from a replay. The caller
// keeps the source alive while it is in force; useRealClock and
// useFixedStepClock take it away again.
void useClockSource(ClockSource& source);

// The calendar of the real world, for dates in the player's own files (the
// score table). The game's rules never read it, so it is neither recorded
// nor replayed.
std::int64_t realCalendarSeconds();
