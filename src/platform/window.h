#pragma once
// The window toolkit as the game logic sees it: a redraw request, showing a
// drawn frame and the window's size. The entry point connects them to the
// toolkit; without a window (tests) they do nothing.

using RedisplayHandler = void (*)();

void setRedisplayHandler(RedisplayHandler handler);
void requestRedisplay();

// Shows the drawn frame: the present handler swaps the buffers (the toolkit's
// swap, set by the entry point). Just before, with the finished frame still in
// the back buffer, the before-present handler may read it (screenshots).
using PresentHandler = void (*)();
void setPresentHandler(PresentHandler handler);
void setBeforePresentHandler(PresentHandler handler);
void presentFrame();

// The window's size, as the toolkit last reported it.
void noteWindowSize(int width, int height);
int windowWidth();
int windowHeight();

// The window went out of sight (iconified or fully covered) or came back, as
// the toolkit reports it; nullptr: nobody listens.
using WindowStatusHandler = void (*)(bool hidden);
void setWindowStatusHandler(WindowStatusHandler handler);
void noteWindowStatus(bool hidden);
