#pragma once
// The display callback: clears, draws the picture screen or the playing frame
// of the current state, and shows it.

void drawFrame();

// A frame of its own drawn instead of the game's (the pause picture): it
// draws and shows its frame and answers true, or draws nothing and answers
// false. nullptr: none.
using FrameReplacement = bool (*)();
void setFrameReplacement(FrameReplacement replacement);

// Drawn over the HUD of every playing frame, in the order added, with the
// HUD's drawing state (the score table on the lost-round screen).
using FrameOverlay = void (*)(int gameState);
constexpr int kMaxFrameOverlays = 4;
// False when kMaxFrameOverlays are registered already.
bool addFrameOverlay(FrameOverlay overlay);
// Drawn over every picture screen (the menus, the intro and help pages),
// with its state, in the order added, after the picture; each sets up the
// drawing state it needs and puts it back.
bool addPictureScreenOverlay(FrameOverlay overlay);
void clearFrameSeams();  // tests

// The layers of a playing frame, in the order they are drawn. The game draws
// them all; the benchmarks leave some out to find what each one costs.
enum FrameLayer : unsigned {
    kSkyLayer = 1u << 0,       // the cloud layer
    kGroundLayer = 1u << 1,
    kFenceLayer = 1u << 2,     // the walls and the gate
    kFlowerLayer = 1u << 3,
    kMoleLayer = 1u << 4,      // with the flies of fallen moles
    kRakeLayer = 1u << 5,
    kGardenerLayer = 1u << 6,
    kEffectLayer = 1u << 7,    // the spray and the water drops
    kHudLayer = 1u << 8,
};
constexpr unsigned kAllFrameLayers = (1u << 9) - 1;
constexpr unsigned kSceneryLayers = kSkyLayer | kGroundLayer | kFenceLayer;

// The playing frame alone: view from the chase camera, sky, scenery, actors,
// HUD; only the given layers.
void drawPlayingFrame(unsigned layers = kAllFrameLayers);

// Garden box drawn by the scenery and the sky above it.
constexpr float kSceneryCentreY = 182.0f;
constexpr float kSceneryWidth = 1000.0f;
constexpr float kSceneryHeight = 364.0f;
constexpr float kSkyWidth = 5000.0f;
constexpr float kSkyHeight = 900.0f;
