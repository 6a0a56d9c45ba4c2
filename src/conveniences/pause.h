#pragma once
// The pause of a round: F1 in Playing pauses and resumes, and the window
// going out of sight pauses. While paused the game's clocks are frozen
// (platform/clock.h), no tick runs the game's steps, every sound is held and
// the frame shows the last picture of the garden dimmed, with "Paused" and
// the keys. Escape leaves the round as always, which ends the pause.
//
// The pause enters only through input seams that a recording can replay:
// F1 through onSpecialKey, the window through setWindowHidden.

#include <GL/freeglut.h>

constexpr int kKeyPause = GLUT_KEY_F1;

bool gamePaused();

// F1: in Playing pauses or resumes; in every other state does nothing.
void togglePause();

// The window went out of sight (true) or came back (false). Out of sight
// pauses a round in Playing; coming back leaves it paused until the player
// resumes.
void setWindowHidden(bool hidden);

// Resumes when paused (escape leaves the round).
void endPause();

// The window-status handler: the window went out of sight or came back,
// delivered through the other-input seam so that a recording keeps it (and
// then to setWindowHidden). Automated runs do not listen (they must not
// depend on the windows of the screen; a replay gives the recorded events).
void onWindowOutOfSight(bool hidden);

// The frame replacement, before anything is drawn: while paused draws the
// pause screen, shows it and returns true; otherwise draws nothing and
// returns false.
bool drawPauseScreen();

// The picture of the garden at the moment of pausing, taken from the back
// buffer before anything else is drawn over it (once per pause), and drawn
// dimmed over the whole window in window pixels (an orthographic projection
// set up by the caller): what the pause screen and the options screen over
// it show behind their text.
void preparePausePicture(int width, int height);
void drawPausePicture(int width, int height);
