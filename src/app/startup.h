#pragma once
// Program start: the window, the game mode, the toolkit callbacks, the
// reshape callback and the one-time game initialisation.
#include "app/config.h"

#include <string>

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kWindowPositionX = 100;
constexpr int kWindowPositionY = 100;
constexpr int kDefaultRefreshRate = 60;

// Loads the screen pictures into the current context and registers the callbacks.
void registerCallbacks();
void onReshape(int width, int height);

// One-time initialisation on the first start of a game.
void initGame();

// The program entry; returns the process exit status when it returns at all.
int runGame(int argc, char** argv);
