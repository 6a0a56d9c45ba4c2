// The browser's frame pacing: the page's loop runs one tick per animation
// frame (toolkit_web.js), which the browser times to the display, and skips
// frames that come faster than the tick-rate cap. Nothing here sleeps.
#include "platform/frame_pacing.h"

#include "platform/web/toolkit_web.h"

bool enableVsync() { return true; }  // animation frames are in step with the display

void FramePacer::setRate(int ticksPerSecond)
{
    period_ = ticksPerSecond > 0
                  ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / ticksPerSecond))
                  : Clock::duration::zero();
    started_ = false;
    burrik_toolkit_set_tick_rate(ticksPerSecond);
}

// Nothing to wait for: the page's loop calls the idle step only when a tick
// is due. When the next one is due is kept as on the desktop.
void FramePacer::waitForNextTick()
{
    started_ = true;
    next_ = Clock::now() + period_;
}
