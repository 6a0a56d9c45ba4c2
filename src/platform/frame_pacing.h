#pragma once
// Frame pacing: vsync where the GLX extensions offer it, and a sleep that caps
// the tick rate to the display's refresh rate. The flowers' pace is counted in
// ticks, so an uncapped frame rate would age the bed far too fast.
#include <chrono>

// Asks for a swap interval of 1 through GLX_EXT_swap_control or
// GLX_MESA_swap_control when the extension string offers one. Needs a current
// context; returns whether vsync was switched on.
bool enableVsync();

// Parses the refresh rate of a game-mode string "WxH:D@R"; fallback when absent or invalid.
int refreshRateOfGameMode(const char* gameMode, int fallback);

class FramePacer {
public:
    // rate 0 switches the cap off.
    void setRate(int ticksPerSecond);
    // Sleeps until one tick period has passed since the previous call.
    void waitForNextTick();

private:
    using Clock = std::chrono::steady_clock;
    Clock::duration period_{};
    Clock::time_point next_{};
    bool started_ = false;
};
