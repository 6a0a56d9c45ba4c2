#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace {
bool dialogsEnabled = true;
}

void setDialogsEnabled(bool enabled) { dialogsEnabled = enabled; }

void showMessageBox(std::string_view caption, std::string_view text)
{
    std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
    if (!dialogsEnabled) return;
    const std::string captionText{caption};
    const std::string bodyText{text};
    // Fails at once where no display is available; standard error has the text.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, captionText.c_str(), bodyText.c_str(), nullptr);
}
