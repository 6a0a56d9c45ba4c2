#pragma once
// The full-screen picture states: the two menus, the intro page and the help page.

// Draws the screen of the current state (StartMenu, Menu, IntroScreen or
// HelpScreen) after the frame was cleared. The model-view matrix is expected
// to be the identity.
void drawPictureScreen(int state, int menuChoice);
