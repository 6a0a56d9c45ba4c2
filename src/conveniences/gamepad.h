#pragma once
// The gamepad: the first game controller plugged in, also while the game
// runs, through SDL's game-controller interface. Its buttons and sticks reach
// the game only as keys through the keyboard callbacks (see pad_mapping.h).
// Unplugging it releases every key it held, and a controller still plugged in
// takes over. Without a controller, or without joystick support on the
// machine, the game runs as it would without this, and says nothing.
//
// Scripted runs drive a virtual controller attached through SDL's virtual
// joystick interface, so their pad events take the same SDL path as a real
// pad's. While it is attached only it drives the game.
#include "conveniences/pad_mapping.h"

#include <string>

// Starts SDL's game-controller support (without signal handlers).
void startGamepad();
// At exit: closes the pad without releasing keys into the game that is
// going away, and stops SDL's game-controller support.
void stopGamepad();

// Once per tick, before the game's tick: plugging and unplugging, and the
// pad's buttons and sticks as keys.
void pollGamepad();

// The keys of the pad's buttons in Playing (the player's bindings).
void setPadPlayingButtonKeys(const PadButtonKeys& keys);

// Looked at for every button pressed before the pad's mapping: true takes
// the press (the options screen), which then presses no key; its release
// then releases nothing. nullptr: none.
using PadPressFilter = bool (*)(int sdlButton);
void setPadPressFilter(PadPressFilter filter);

// While it answers true the pad presses no key (its releases still reach
// the game). nullptr: none.
using PadKeyHold = bool (*)();
void setPadKeyHold(PadKeyHold hold);

// The scripted pad. Attaching fails, with the reason, without joystick support.
bool attachScriptedPad(std::string& error);
void detachScriptedPad();
// SDL game-controller button and axis numbers; nothing while detached.
void setScriptedPadButton(int button, bool pressed);
void setScriptedPadAxis(int axis, int value);
