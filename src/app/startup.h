#pragma once
// Program start: the window, the game-mode string of burrik.ini, the toolkit
// callbacks, the reshape callback, the one-time game initialisation, and the
// driver of automated runs (scripted keys, frame limit, screenshots, trace).
#include <istream>
#include <string>

constexpr const char* kConfigFile = "burrik.ini";
constexpr const char* kDefaultGameMode = "800x600:32@60";
// The line buffer holds 30 characters, so at most 29 are taken.
constexpr int kGameModeBufferSize = 30;
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kWindowPositionX = 100;
constexpr int kWindowPositionY = 100;
constexpr int kDefaultRefreshRate = 60;

// The first line of the file, or the default when the file cannot be opened,
// the line is longer than 29 characters or nothing can be read.
// A carriage return ending the line (Windows line ends) is dropped.
std::string readGameModeString(const std::string& path);
// The same from an open stream.
std::string readGameModeString(std::istream& in);

// Loads the screen pictures into the current context and registers the callbacks.
void registerCallbacks();
void onReshape(int width, int height);

// One-time initialisation on the first start of a game.
void initGame();

// The program entry; returns the process exit status when it returns at all.
int runGame(int argc, char** argv);
