#pragma once
// Program start: the data folder, the window, the game mode, the toolkit
// callbacks, the reshape callback and the one-time game initialisation.
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

// Enters the data folder: dataDir when given; else the working folder when it
// holds the game's files, else the data folder found beside the program.
// False, with a message, when dataDir cannot be entered.
bool enterDataFolder(const std::string& dataDir, const char* programPath);

// The toolkit and the game's 800 x 600 window with its callbacks. Set
// drawing every tick (app/main_loop.h) first: such runs never wait for the
// toolkit's redraw.
void openGameWindow(int& argc, char** argv);

// Vsync where the driver offers it, and the tick rate capped to the game
// mode's refresh rate.
void paceFrames(const std::string& gameMode);

// The start menu, and the toolkit's loop; returns only when the toolkit does.
void runStartMenu();
