#pragma once
// The window toolkit as the game logic sees it: a redraw request. The entry
// point connects it to the toolkit; without a window (tests) it does nothing.

using RedisplayHandler = void (*)();

void setRedisplayHandler(RedisplayHandler handler);
void requestRedisplay();

// Shows the drawn frame (swaps the buffers); the entry point may take a
// screenshot of the back buffer first.
using PresentHandler = void (*)();
void setPresentHandler(PresentHandler handler);
void presentFrame();
