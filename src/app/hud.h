#pragma once
// The HUD over every playing frame: the minimap with the gardener's arrow and
// the flower dots, the mole and clock icons with their numbers, the score, the
// frame rate and the result banners. The same record keeps the score and the
// round clock.
#include <GL/gl.h>

#include <cstdint>

struct RoundClock {
    int totalSeconds = 0;
    int secondsLeft = 0;
    std::int64_t startTime = 0;  // calendar seconds
    std::int64_t nowTime = 0;
    double elapsed = 0.0;

    void start(int seconds);
    // Brings secondsLeft up to date with the calendar clock and returns it.
    int update();
};

struct Hud {
    int score = 0;
    float mapCentreX = 0.0f;
    float mapCentreY = 0.0f;
    float mapScale = 0.0f;  // drawing-plane units per world unit
    RoundClock clock;
};

extern Hud hud;

constexpr float kHudCornerX = -1.05f;
constexpr float kHudCornerY = 0.77f;

void resetHud(float extent, float centreX, float centreY, int seconds);
void addScore(int points);

// Drawing, in the order the frame calls them.
void drawMinimapPanel(float extent, bool useArrays, int state);
void drawGardenerArrow(float x, float y, float z, float heading);
void drawFlowerDot(float x, float y, float z, int flowerState, bool useArrays);
void drawIconsAndTexts(float cornerX, float cornerY, const GLuint* textures, int molesLeft, bool useArrays,
                       bool showFps, double fps);
void drawResultBanner(int state, const GLuint* textures);

