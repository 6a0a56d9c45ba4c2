#pragma once
// Full screen or a window, and the screen's video mode. Full screen is the
// toolkit's full-screen window over the whole screen, with the screen put in
// the player's video mode through XRandR and given back as it was when the
// game goes to a window or ends. The one window and its GL context stay
// throughout, so the game's textures and state are kept (the toolkit's game
// mode makes a window and context of its own, and destroys the context with
// its textures on leaving).
//
// F11 switches at any time. The player's choice of full screen or window is
// kept in settings.ini as "display=fullscreen|window" (read at start), the
// video mode as the first line of the player's burrik.ini.
#include "app/keyboard.h"

#include <GL/freeglut.h>

#include <string>
#include <vector>

constexpr int kKeyFullScreen = GLUT_KEY_F11;

// From the settings file: whether the player last chose a window.
bool windowChosen();

// After the window opened: full screen in the game mode unless windowed.
// A mode the screen does not offer is named on standard error and the
// full-screen window keeps the screen's own mode.
void startDisplay(bool windowed, const std::string& gameMode);

bool displayFullScreen();
// Full screen to a window and back; the choice is kept.
void toggleFullScreen();

// F11 (its press switches; both are taken).
bool displayKeyTaken(KeyEventKind kind, int key);

// The modes the screen offers, "WIDTHxHEIGHT:32@RATE" (without "@RATE"
// where the screen names none), largest first; empty without XRandR.
std::vector<std::string> offeredVideoModes();
// The mode in force: the one this run started with or the player chose since.
const std::string& chosenVideoMode();

// Keeps mode as the first line of the player's burrik.ini (the rest of the
// file as it was) and, in full screen, puts the screen in it at once. What
// happened, in a few words, for the options screen.
std::string chooseVideoMode(const std::string& mode);

// The exit step: the screen's own mode back.
void restoreScreenMode();
