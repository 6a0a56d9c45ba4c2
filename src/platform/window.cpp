#include "platform/window.h"

namespace {
RedisplayHandler redisplayHandler = nullptr;
}

void setRedisplayHandler(RedisplayHandler handler) { redisplayHandler = handler; }

void requestRedisplay()
{
    if (redisplayHandler != nullptr) redisplayHandler();
}

namespace {
PresentHandler presentHandler = nullptr;
}

void setPresentHandler(PresentHandler handler) { presentHandler = handler; }

void presentFrame()
{
    if (presentHandler != nullptr) presentHandler();
}
