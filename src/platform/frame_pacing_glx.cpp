// Vsync through GLX and the sleeping pacer: the desktop's frame pacing.
#include "platform/frame_pacing.h"

#include <GL/glx.h>

#include <cstring>
#include <thread>

namespace {

bool hasExtension(const char* list, const char* name)
{
    if (list == nullptr) return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[length] == ' ' || p[length] == '\0';
        if (startOk && endOk) return true;
    }
    return false;
}
}  // namespace

bool enableVsync()
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (display == nullptr || drawable == 0) return false;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
        auto swapInterval = reinterpret_cast<SwapIntervalExt>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swapInterval != nullptr) {
            swapInterval(display, drawable, 1);
            return true;
        }
    }
    if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        using SwapIntervalMesa = int (*)(unsigned);
        auto swapInterval = reinterpret_cast<SwapIntervalMesa>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swapInterval != nullptr) return swapInterval(1) == 0;
    }
    return false;
}

void FramePacer::setRate(int ticksPerSecond)
{
    period_ = ticksPerSecond > 0
                  ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / ticksPerSecond))
                  : Clock::duration::zero();
    started_ = false;
}

void FramePacer::waitForNextTick()
{
    if (period_ == Clock::duration::zero()) return;
    const Clock::time_point now = Clock::now();
    if (!started_ || now > next_ + period_) {
        // First tick, or far behind (a long load): start counting afresh.
        started_ = true;
        next_ = now + period_;
        return;
    }
    if (now < next_) std::this_thread::sleep_until(next_);
    next_ += period_;
}
