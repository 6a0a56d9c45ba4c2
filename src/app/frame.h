#pragma once
// The display callback: clears, draws the picture screen or the playing frame
// of the current state, and shows it.

void drawFrame();

// The playing frame alone: view from the chase camera, sky, scenery, actors,
// HUD.
void drawPlayingFrame();

// Garden box drawn by the scenery and the sky above it.
constexpr float kSceneryCentreY = 182.0f;
constexpr float kSceneryWidth = 1000.0f;
constexpr float kSceneryHeight = 364.0f;
constexpr float kSkyWidth = 5000.0f;
constexpr float kSkyHeight = 900.0f;
