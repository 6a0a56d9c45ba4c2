#include "app/scenery.h"

#include "assets/texture.h"
#include "math/portable_math.h"

#include <algorithm>
#include <array>
#include <cmath>

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

// The rows of the walls' picture, for the clear band below.
PictureRows wallRows;

// The rasteriser's texel footprint of a pixel may exceed the one worked out
// below by its derivative and logarithm approximations; this much is allowed.
constexpr double kFootprintSafety = 2.0;
constexpr double kSmallestEyeDistance = 1e-3;

// A wall's texture runs from t = 0 at its foot to t = 1 at its top. Where the
// walls' picture is clear (alpha 0) the blended walls change no colour, only
// the depth. The band of t from t0 to t1 shows only clear texels for every
// pixel whose footprint is at most texelsPerPixel level-0 texels: the
// bilinear filter of a magnified wall reads the row below too (and the top
// row together with row 0, as the picture repeats), and a minified one reads
// a texel of two mipmap levels, each averaging a block of rows. Empty (t0 >=
// t1) when no such band is certain.
struct ClearBand {
    double t0 = 1.0;
    double t1 = 0.0;
};

ClearBand clearBand(const PictureRows& rows, double texelsPerPixel)
{
    ClearBand band;
    if (rows.height <= 0 || rows.firstClearRow >= rows.height) return band;
    const int deepestLevel = texelsPerPixel > 1.0 ? static_cast<int>(std::ceil(portable::log2(texelsPerPixel))) : 0;
    double firstRow = rows.firstClearRow + 0.5;
    for (int level = 0; level <= deepestLevel; ++level) {
        if (level >= 30) return band;
        const long blockRows = 1L << level;
        if (blockRows >= rows.height) return band;  // a level of one row mixes every row
        const long alignedRow = (rows.firstClearRow + blockRows - 1) / blockRows * blockRows;
        firstRow = std::max(firstRow, static_cast<double>(alignedRow));
    }
    // How far the rasteriser's rounding may move a pixel's texture position, in rows.
    const double margin = 1.0 + std::ldexp(1.0, deepestLevel) / 128.0;
    band.t0 = (firstRow + margin) / rows.height;
    band.t1 = (rows.height - 0.5 - margin) / rows.height;
    return band;
}

struct Point {
    double x, y, z;
};

// The eye of the current (rigid) model-view matrix.
Point eyePosition()
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {-(m[0] * m[12] + m[1] * m[13] + m[2] * m[14]), -(m[4] * m[12] + m[5] * m[13] + m[6] * m[14]),
            -(m[8] * m[12] + m[9] * m[13] + m[10] * m[14])};
}

// Pixels per world unit at unit distance from the eye.
double pixelsPerUnitAtUnitDistance()
{
    GLfloat p[16];
    GLint viewport[4];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, viewport);
    return std::max(std::fabs(p[0]) * viewport[2], std::fabs(p[5]) * viewport[3]) / 2.0;
}

// One wall: its foot from (x0, z0) to (x1, z1), its picture repeated this often along it.
struct Wall {
    float x0, z0, x1, z1, repeats;
};

// Lays the clear band of each wall into the depth buffer only (no texture, no
// colour): the textured walls drawn next fail the depth test there and are
// not shaded, and draw every other pixel as before. A pixel's footprint on a
// wall is at most (its distance)^2 / (pixels per unit at unit distance x the
// eye's distance from the wall's plane) world units.
void drawClearBands(const std::array<Wall, 5>& walls, float yLow, float height)
{
    if (wallRows.firstClearRow >= wallRows.height) return;
    const Point eye = eyePosition();
    const double pixelScale = pixelsPerUnitAtUnitDistance();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glBegin(GL_QUADS);
    for (const Wall& w : walls) {
        const double length = portable::hypot(w.x1 - w.x0, w.z1 - w.z0);
        if (length <= 0.0 || height <= 0.0f) continue;
        // The eye's distance from the wall's (upright) plane, and from its farthest corner.
        const double across = std::fabs((w.x1 - w.x0) * (eye.z - w.z0) - (w.z1 - w.z0) * (eye.x - w.x0)) / length;
        if (across < kSmallestEyeDistance) continue;
        double farthest = 0.0;
        for (const Point foot : {Point{w.x0, yLow, w.z0}, Point{w.x1, yLow, w.z1}}) {
            for (const double rise : {0.0, static_cast<double>(height)}) {
                farthest = std::max(farthest, portable::hypot(foot.x - eye.x, foot.y + rise - eye.y, foot.z - eye.z));
            }
        }
        const double texelsPerUnit = std::max(w.repeats * wallRows.width / length, wallRows.height / double(height));
        const double texelsPerPixel =
            kFootprintSafety * texelsPerUnit * farthest * farthest / (pixelScale * across);
        const ClearBand band = clearBand(wallRows, texelsPerPixel);
        if (band.t0 >= band.t1) continue;
        const auto y0 = static_cast<float>(yLow + band.t0 * height);
        const auto y1 = static_cast<float>(yLow + band.t1 * height);
        glVertex3f(w.x0, y0, w.z0);
        glVertex3f(w.x1, y0, w.z1);
        glVertex3f(w.x1, y1, w.z1);
        glVertex3f(w.x0, y1, w.z0);
    }
    glEnd();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace

void loadSceneryTextures()
{
    loadTgaTexture(sceneryTextures, "wand.tga", WallTexture, wallRows);
    loadBmpTexture(sceneryTextures, "bilder/Bottom.bmp", GroundTexture);
    loadTgaTexture(sceneryTextures, "bilder/zaun.tga", GateTexture);
}

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
    if (!wireframe) {
        drawClearBands({{{b.xMax, b.zMin, b.xMax, b.zMax, kWallRepeats},
                         {b.xMin, b.zMin, b.xMin, b.zMax, kWallRepeats},
                         {b.xMin, b.zMin, b.xMax, b.zMin, kWallRepeats},
                         {b.xMin, b.zMax, b.gateLeft, b.zMax, kGateWallRepeats},
                         {b.gateRight, b.zMax, b.xMax, b.zMax, kGateWallRepeats}}},
                       b.yLow, b.yHigh - b.yLow);
    }
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
