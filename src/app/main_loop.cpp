#include "app/main_loop.h"

#include "app/frame.h"
#include "app/tick.h"
#include "platform/clock.h"
#include "platform/frame_pacing.h"
#include "platform/process.h"
#include "platform/window.h"

#include <array>
#include <cstddef>

namespace {

struct PhaseObservers {
    std::array<FrameObserver, kMaxFrameObservers> observers{};
    int count = 0;
};

struct MainLoop {
    std::array<PhaseObservers, kFramePhaseCount> phases{};
    TickHold hold = nullptr;
    FramePacer pacer;
    bool pacing = false;
    bool drawEveryTick = false;
    long frame = 0;
    bool stopped = false;
    int stopStatus = 0;
};

MainLoop loop;

void notify(FramePhase phase)
{
    const PhaseObservers& list = loop.phases[static_cast<std::size_t>(phase)];
    for (int i = 0; i < list.count; ++i) list.observers[static_cast<std::size_t>(i)](loop.frame);
}

// At a frame boundary: a stop asked for ends the run here.
void endRunWhenStopped()
{
    if (loop.stopped) exitProcess(loop.stopStatus);
}

}  // namespace

bool addFrameObserver(FramePhase phase, FrameObserver observer)
{
    PhaseObservers& list = loop.phases[static_cast<std::size_t>(phase)];
    if (list.count >= kMaxFrameObservers) return false;
    list.observers[static_cast<std::size_t>(list.count++)] = observer;
    return true;
}

void setTickHold(TickHold hold) { loop.hold = hold; }

bool tickHeld() { return loop.hold != nullptr && loop.hold(); }

void setFramePacing(bool on) { loop.pacing = on; }

void setTickRateCap(int ticksPerSecond) { loop.pacer.setRate(ticksPerSecond); }

void setDrawEveryTick(bool on) { loop.drawEveryTick = on; }

bool drawsEveryTick() { return loop.drawEveryTick; }

long framesRun() { return loop.frame; }

void requestStop(int status)
{
    if (loop.stopped) return;
    loop.stopped = true;
    loop.stopStatus = status;
}

bool stopRequested() { return loop.stopped; }

void runIdle()
{
    if (loop.pacing) loop.pacer.waitForNextTick();
    notify(FramePhase::BeforeFrame);
    endRunWhenStopped();
    ++loop.frame;
    notify(FramePhase::FrameStart);
    endRunWhenStopped();
    gameClock().advanceTick();  // stands still while the clocks are frozen
    if (tickHeld()) requestRedisplay();
    else gameTick();
    endRunWhenStopped();
    notify(FramePhase::AfterTick);
    endRunWhenStopped();
    if (loop.drawEveryTick) {
        drawFrame();
        endRunWhenStopped();
    }
    notify(FramePhase::FrameEnd);
    endRunWhenStopped();
}

void runDisplay()
{
    // Runs that draw every tick draw nothing more when the toolkit asks:
    // an extra frame would move the animations and the clocks out of turn.
    if (!loop.drawEveryTick) drawFrame();
}

void resetMainLoop() { loop = MainLoop{}; }
