#pragma once
// The fixed world around the actors: the light, the sky-blue clear colour, the
// ground, the walls with the gate, and the scrolling cloud layer.
#include <GL/gl.h>

struct SkyLayer {
    float u = 0.0f;  // texture offsets of the clouds
    float v = 0.0f;
};

extern SkyLayer skyLayer;

// The wall, ground and gate pictures (sceneryTextures slots 0, 2 and 3).
void loadSceneryTextures();

// The sky blue of the playing screens.
void setPlayingClearColour();

void setUpLightModel();
void setUpLight();
// Gives light 0 its direction; called right after the camera is applied.
void placeLight();

// Ground, walls and gate of the box centred at (x, y, z) with the given size.
// The ground filters follow mipmapping and filterMode; wireframe draws lines.
void drawScenery(float x, float y, float z, float width, float height, float depth, bool useArrays,
                 bool wireframe, bool mipmapping, int filterMode);
// Its two parts, in this order: the ground, then the walls and the gate.
void drawGround(float x, float y, float z, float width, float height, float depth, bool wireframe,
                bool mipmapping, int filterMode);
void drawFence(float x, float y, float z, float width, float height, float depth, bool wireframe);

// The cloud layer above the walls.
void drawSky(GLuint texture, float x, float y, float z, float width, float height, float depth);

// One step of the cloud scroll (per tick, not scaled by time).
void scrollSky();

// The ground's minification and magnification filters for the options.
struct GroundFilters {
    GLint minification;
    GLint magnification;
};
GroundFilters groundFilters(bool mipmapping, int filterMode);
