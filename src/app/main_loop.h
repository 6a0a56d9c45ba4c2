#pragma once
// The game's main loop: frame pacing, the tick-rate cap and the order of a
// frame. Each frame is counted, its input delivered, the game ticks unless
// the tick is held, and the frame is drawn. What stands beyond the game's
// rules plugs into the seams below from the composition root; the game
// itself never calls beyond them.
//
// A frame, in order:
//   BeforeFrame observers (the frame not counted yet; may ask for a stop)
//   the frame is counted
//   FrameStart observers (input of this frame: replay, script, pad, autopilot)
//   the game's clocks advance one tick, then the game's tick runs
//     (or, while held, a redraw is requested instead)
//   AfterTick observers (score keeping, trace, round log)
//   the frame is drawn, when every tick is drawn
//   FrameEnd observers (a recording's line, a replay's checks)
// A stop asked for anywhere in a frame (requestStop) ends the run at the
// next of these boundaries: the rest of the frame does not run, the process
// exits with the stop's status after the exit steps (platform/process.h).

enum class FramePhase { BeforeFrame, FrameStart, AfterTick, FrameEnd };
constexpr int kFramePhaseCount = 4;
constexpr int kMaxFrameObservers = 8;  // per phase

// Called with the number of the frame (the one about to be counted for
// BeforeFrame: the last one run). In the order they were added.
using FrameObserver = void (*)(long frame);
// False when the phase has kMaxFrameObservers already.
bool addFrameObserver(FramePhase phase, FrameObserver observer);

// The tick hold: while it answers true the game's steps do not run (the
// pause; whoever holds also freezes the clocks). Asked afresh each time.
using TickHold = bool (*)();
void setTickHold(TickHold hold);
bool tickHeld();

// Pacing: with it on, the loop sleeps so that ticks come at most at the
// cap's rate (0: no cap).
void setFramePacing(bool on);
void setTickRateCap(int ticksPerSecond);

// Every tick drawn by the loop itself instead of when the toolkit asks
// (which skips a covered window): automated, recorded and replayed runs,
// whose frames must all be drawn, in turn.
void setDrawEveryTick(bool on);
bool drawsEveryTick();

// The frames counted so far.
long framesRun();

// Ends the run at the next frame boundary with this status. The first stop
// asked for holds; the reason is for whoever asks for it (already reported).
void requestStop(int status);
bool stopRequested();

// The toolkit's callbacks.
void runIdle();
void runDisplay();

// Back to a loop with no observers, no hold and no stop (tests).
void resetMainLoop();
