#pragma once
// The options screen: everything a player sets, set inside the game. It opens
// with o (or the pad's Y) in the start menu and the menu and from the pause
// screen, and is drawn over the dimmed menu or garden; up and down choose,
// left, right and space change, escape (or the pad's Back) goes back to
// where it was opened, which is drawn again as it was. Its entries: full
// screen or a window, the video mode, the music and the sound volume, each
// action's key and pad button, the default keys back.
//
// It reads the keys as the player pressed them, before the bindings, and
// the game sees none of them: the game's state stays as it was (over the
// menu the game's ticks change nothing; over the pause they are held). The
// sound entries work through the game's own sound keys (F2, - and +), so a
// recording keeps them as it keeps those keys.
#include "app/keyboard.h"

constexpr unsigned char kKeyOptions = 'o';

// Without act (a replay, whose keys are another player's) it never opens.
void startOptionsScreen(bool act);

bool optionsScreenOpen();

// The player-key translator's part: o in the menus or the pause opens the
// screen; while it is open every key pressed is its own, and so is the
// release of every key whose press it took. True: taken.
bool optionsScreenKeyTaken(KeyEventKind kind, int key);

// The pad's part (a press filter): Y opens it where o does; while it is open
// every button pressed is its own.
bool optionsScreenPadPress(int sdlButton);
// While open the pad's sticks press nothing.
bool optionsScreenHoldsPadKeys();

// The frame replacement: while open draws the screen, shows it and answers
// true; otherwise draws nothing and answers false.
bool drawOptionsScreen();

// The picture-screen overlay: the options key over the two menus.
void drawOptionsHint(int gameState);
