#include "platform/window.h"

namespace {

constexpr int kDefaultWindowWidth = 800;
constexpr int kDefaultWindowHeight = 600;

struct WindowSeams {
    RedisplayHandler redisplay = nullptr;
    PresentHandler present = nullptr;
    PresentHandler beforePresent = nullptr;
    WindowStatusHandler status = nullptr;
    int width = kDefaultWindowWidth;
    int height = kDefaultWindowHeight;
};

WindowSeams window;

}  // namespace

void setRedisplayHandler(RedisplayHandler handler) { window.redisplay = handler; }

void requestRedisplay()
{
    if (window.redisplay != nullptr) window.redisplay();
}

void setPresentHandler(PresentHandler handler) { window.present = handler; }

void setBeforePresentHandler(PresentHandler handler) { window.beforePresent = handler; }

void presentFrame()
{
    if (window.beforePresent != nullptr) window.beforePresent();
    if (window.present != nullptr) window.present();
}

void noteWindowSize(int width, int height)
{
    window.width = width;
    window.height = height;
}

int windowWidth() { return window.width; }

int windowHeight() { return window.height; }

void setWindowStatusHandler(WindowStatusHandler handler) { window.status = handler; }

void noteWindowStatus(bool hidden)
{
    if (window.status != nullptr) window.status(hidden);
}
