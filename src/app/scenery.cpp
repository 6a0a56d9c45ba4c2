#include "app/scenery.h"

#include "assets/texture.h"

SkyLayer skyLayer;

namespace {

constexpr GLfloat kSkyBlue[4] = {0.5803f, 0.79607f, 1.0f, 0.0f};
constexpr GLfloat kGlobalAmbient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
constexpr GLfloat kLightDiffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
constexpr GLfloat kLightAmbient[4] = {0.2f, 0.2f, 0.0f, 2.0f};
constexpr GLfloat kLightSpecular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
constexpr GLfloat kLightDirection[4] = {0.0f, 1.0f, 0.0f, 0.0f};  // straight down

enum SceneryTexture { WallTexture = 0, GroundTexture = 2, GateTexture = 3 };

constexpr float kGroundRepeats = 14.0f;
constexpr float kWallRepeats = 7.0f;
constexpr float kGateWallRepeats = 3.0f;
constexpr float kGateDivisor = 2.333333f;  // each wall part beside the gate is width / this

constexpr float kSkyRepeats = 4.0f;
constexpr float kSkyBelowTop = 240.0f;
constexpr GLubyte kSkyTint[4] = {115, 130, 247, 150};
constexpr double kSkyStepU = 0.002;
constexpr double kSkyStepV = 0.001;

void vertex(float x, float y, float z, float s, float t)
{
    glTexCoord2f(s, t);
    glVertex3f(x, y, z);
}

}  // namespace

void setPlayingClearColour() { glClearColor(kSkyBlue[0], kSkyBlue[1], kSkyBlue[2], kSkyBlue[3]); }

void setUpLightModel()
{
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, kGlobalAmbient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
}

void setUpLight()
{
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLightAmbient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLightSpecular);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void placeLight() { glLightfv(GL_LIGHT0, GL_POSITION, kLightDirection); }

GroundFilters groundFilters(bool mipmapping, int filterMode)
{
    if (mipmapping) {
        switch (filterMode) {
        case 1: return {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR};
        case 2: return {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR};
        default: return {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST};
        }
    }
    switch (filterMode) {
    case 1: return {GL_LINEAR, GL_NEAREST};
    case 2: return {GL_LINEAR, GL_LINEAR};
    default: return {GL_NEAREST, GL_NEAREST};
    }
}

namespace {

struct SceneryBox {
    float xMin, xMax, yLow, yHigh, zMin, zMax, gateLeft, gateRight;
};

SceneryBox sceneryBox(float x, float y, float z, float width, float height, float depth)
{
    SceneryBox box{};
    box.xMin = x - width / 2.0f;
    box.xMax = box.xMin + width;
    box.yLow = y - height / 2.0f;
    box.yHigh = box.yLow + height;
    box.zMin = z - depth / 2.0f;
    box.zMax = box.zMin + depth;
    const float g = width / kGateDivisor;
    box.gateLeft = box.xMin + g;
    box.gateRight = box.xMin + width - g;
    return box;
}

}  // namespace

void drawScenery(float x, float y, float z, float width, float height, float depth, bool /*useArrays*/,
                 bool wireframe, bool mipmapping, int filterMode)
{
    drawGround(x, y, z, width, height, depth, wireframe, mipmapping, filterMode);
    drawFence(x, y, z, width, height, depth, wireframe);
}

void drawGround(float x, float y, float z, float width, float height, float depth, bool wireframe,
                bool mipmapping, int filterMode)
{
    const SceneryBox b = sceneryBox(x, y, z, width, height, depth);
    glLineWidth(1.0f);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);

    glBindTexture(GL_TEXTURE_2D, sceneryTextures[GroundTexture]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GroundFilters filters = groundFilters(mipmapping, filterMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filters.minification);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filters.magnification);

    glBegin(wireframe ? GL_LINES : GL_QUADS);
    vertex(b.xMin, b.yLow, b.zMin, kGroundRepeats, 0);
    vertex(b.xMin, b.yLow, b.zMax, kGroundRepeats, kGroundRepeats);
    vertex(b.xMax, b.yLow, b.zMax, 0, kGroundRepeats);
    vertex(b.xMax, b.yLow, b.zMin, 0, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void drawFence(float x, float y, float z, float width, float height, float depth, bool wireframe)
{
    const SceneryBox b = sceneryBox(x, y, z, width, height, depth);
    glLineWidth(1.0f);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    const GLenum primitive = wireframe ? GL_LINES : GL_QUADS;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, sceneryTextures[WallTexture]);
    glBegin(primitive);
    // Wall at xMax.
    vertex(b.xMax, b.yLow, b.zMin, 0, 0);
    vertex(b.xMax, b.yHigh, b.zMin, 0, 1);
    vertex(b.xMax, b.yHigh, b.zMax, kWallRepeats, 1);
    vertex(b.xMax, b.yLow, b.zMax, kWallRepeats, 0);
    // Wall at xMin.
    vertex(b.xMin, b.yHigh, b.zMin, kWallRepeats, 1);
    vertex(b.xMin, b.yLow, b.zMin, kWallRepeats, 0);
    vertex(b.xMin, b.yLow, b.zMax, 0, 0);
    vertex(b.xMin, b.yHigh, b.zMax, 0, 1);
    // Wall at zMin.
    vertex(b.xMax, b.yLow, b.zMin, kWallRepeats, 0);
    vertex(b.xMin, b.yLow, b.zMin, 0, 0);
    vertex(b.xMin, b.yHigh, b.zMin, 0, 1);
    vertex(b.xMax, b.yHigh, b.zMin, kWallRepeats, 1);
    // Wall at zMax, left of the gate.
    vertex(b.xMin, b.yLow, b.zMax, kGateWallRepeats, 0);
    vertex(b.gateLeft, b.yLow, b.zMax, 0, 0);
    vertex(b.gateLeft, b.yHigh, b.zMax, 0, 1);
    vertex(b.xMin, b.yHigh, b.zMax, kGateWallRepeats, 1);
    // Wall at zMax, right of the gate.
    vertex(b.gateRight, b.yLow, b.zMax, kGateWallRepeats, 0);
    vertex(b.xMax, b.yLow, b.zMax, 0, 0);
    vertex(b.xMax, b.yHigh, b.zMax, 0, 1);
    vertex(b.gateRight, b.yHigh, b.zMax, kGateWallRepeats, 1);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, sceneryTextures[GateTexture]);
    glBegin(primitive);
    vertex(b.gateLeft, b.yLow, b.zMax, 1, 0);
    vertex(b.gateRight, b.yLow, b.zMax, 0, 0);
    vertex(b.gateRight, b.yHigh, b.zMax, 0, 1);
    vertex(b.gateLeft, b.yHigh, b.zMax, 1, 1);
    glEnd();

    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void drawSky(GLuint texture, float x, float y, float z, float width, float height, float depth)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glColor4ub(kSkyTint[0], kSkyTint[1], kSkyTint[2], kSkyTint[3]);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslatef(skyLayer.u, skyLayer.v, 0.0f);

    const float yc = (y - height / 2.0f) + (height - kSkyBelowTop);
    const float halfW = width / 2.0f;
    const float halfD = depth / 2.0f;
    glBegin(GL_QUADS);
    vertex(x + halfW, yc, z - halfD, 0, kSkyRepeats);
    vertex(x - halfW, yc, z - halfD, kSkyRepeats, kSkyRepeats);
    vertex(x - halfW, yc, z + halfD, kSkyRepeats, 0);
    vertex(x + halfW, yc, z + halfD, 0, 0);
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void scrollSky()
{
    skyLayer.u = static_cast<float>(static_cast<double>(skyLayer.u) + kSkyStepU);
    skyLayer.v = static_cast<float>(static_cast<double>(skyLayer.v) + kSkyStepV);
    if (skyLayer.u >= 1.0f) skyLayer.u = 0.0f;
    if (skyLayer.v >= 1.0f) skyLayer.v = 0.0f;
}
