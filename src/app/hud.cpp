#include "app/hud.h"

#include "app/game_state.h"
#include "garden/flower_bed.h"
#include "math/portable_math.h"
#include "platform/clock.h"
#include "platform/stroke_text.h"

#include <GL/freeglut.h>

#include <array>
#include <cmath>
#include <cstdio>

Hud hud;

namespace {

constexpr float kPlaneZ = -2.0f;
constexpr float kOutlineZ = -1.999f;
constexpr float kPanelHalfWidth = 0.165f;
constexpr GLubyte kPanelColour[4] = {255, 255, 255, 110};
constexpr GLubyte kOutlineGreen[3] = {0, 200, 0};
constexpr GLubyte kArrowRed[3] = {200, 0, 0};
constexpr float kArrowDegreesToRadians = 0.017444444444444446f;  // the minimap's rounder 3.14 / 180
constexpr float kDotSize = 0.006f;

constexpr float kMoleIconWidth = 0.224f;
constexpr float kMoleIconHeight = 0.092f;
constexpr float kScoreScale = 0.0008f;
constexpr float kCounterScale = 0.0005f;
constexpr float kFpsScale = 0.00075f;

constexpr float kBannerHalfWidth = 1.5f;
constexpr float kBannerHalfHeight = 0.15f;
constexpr float kBannerPictureHalfHeight = 0.0875f;
constexpr float kLostPictureHalfWidth = 0.7125f;
constexpr float kWonPictureHalfWidth = 0.265f;

enum HudSlot { MoleMask = 0, MolePicture, ClockMask, ClockPicture };
enum ResultSlot { LostMask = 0, LostPicture, WonMask, WonPicture };

// Corner arrays of the panel for the vertex-array path, built on first use.
std::array<GLfloat, 12> panelCorners{};
std::array<GLfloat, 12> panelOutline{};
bool panelArraysBuilt = false;

void drawCorners(GLenum mode, const std::array<GLfloat, 12>& corners, bool useArrays)
{
    if (useArrays) {
        glVertexPointer(3, GL_FLOAT, 0, corners.data());
        glDrawArrays(mode, 0, 4);
        return;
    }
    glBegin(mode);
    for (int i = 0; i < 4; ++i) glVertex3f(corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]);
    glEnd();
}

std::array<GLfloat, 12> quadCorners(float x0, float y0, float x1, float y1, float z)
{
    return {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z};
}

void texturedQuad(float left, float top, float right, float bottom, GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1); glVertex3f(left, top, kPlaneZ);
    glTexCoord2f(0, 0); glVertex3f(left, bottom, kPlaneZ);
    glTexCoord2f(1, 0); glVertex3f(right, bottom, kPlaneZ);
    glTexCoord2f(1, 1); glVertex3f(right, top, kPlaneZ);
    glEnd();
}

// Mask multiplied in, then the picture added.
void maskedPicture(float left, float top, float right, float bottom, GLuint mask, GLuint picture)
{
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    texturedQuad(left, top, right, bottom, mask);
    glBlendFunc(GL_ONE, GL_ONE);
    texturedQuad(left, top, right, bottom, picture);
}

void drawNumber(float x, float y, long value, float scale)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    drawStrokeText(text, x, y, kPlaneZ, scale);
}

}  // namespace

void RoundClock::start(int seconds)
{
    totalSeconds = seconds;
    secondsLeft = seconds;
    startTime = gameClock().calendarSeconds();
    nowTime = startTime;
    elapsed = 0.0;
}

int RoundClock::update()
{
    nowTime = gameClock().calendarSeconds();
    elapsed = static_cast<double>(nowTime - startTime);
    secondsLeft = static_cast<int>(totalSeconds - elapsed);
    return secondsLeft;
}

void resetHud(float extent, float centreX, float centreY, int seconds)
{
    hud.mapScale = 1.0f / (extent * 3.0f);
    hud.mapCentreX = centreX;
    hud.mapCentreY = centreY;
    hud.clock.start(seconds);
    hud.score = 0;
}

void addScore(int points) { hud.score += points; }

void drawMinimapPanel(float extent, bool useArrays, int state)
{
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ubv(kPanelColour);
    const float x0 = hud.mapCentreX - kPanelHalfWidth;
    const float x1 = hud.mapCentreX + kPanelHalfWidth;
    const float halfHeight = extent * hud.mapScale / 2.0f;
    const float y0 = hud.mapCentreY - halfHeight;
    const float y1 = hud.mapCentreY + halfHeight;
    if (useArrays && !panelArraysBuilt) {
        panelCorners = quadCorners(x0, y0, x1, y1, kPlaneZ);
        panelOutline = quadCorners(x0, y0, x1, y1, kOutlineZ);
        panelArraysBuilt = true;
    }
    drawCorners(GL_POLYGON, useArrays ? panelCorners : quadCorners(x0, y0, x1, y1, kPlaneZ), useArrays);
    glDisable(GL_BLEND);
    glColor3ubv(kOutlineGreen);
    glLineWidth(1.0f);
    drawCorners(GL_LINE_LOOP, useArrays ? panelOutline : quadCorners(x0, y0, x1, y1, kOutlineZ), useArrays);
    if (state == Playing) hud.clock.update();
}

void drawGardenerArrow(float x, float /*y*/, float z, float heading)
{
    const float mx = x * hud.mapScale + hud.mapCentreX;
    const float my = -z * hud.mapScale + hud.mapCentreY;
    const float a = heading * kArrowDegreesToRadians;
    const float co = portable::cos(a);
    const float si = portable::sin(a);
    glColor3ubv(kArrowRed);
    glBegin(GL_POLYGON);
    glVertex3f(mx - 0.02f * si, my + 0.02f * co, kOutlineZ);
    glVertex3f(mx + 0.02f * co, my + 0.02f * si, kOutlineZ);
    glVertex3f(mx + 0.01f * co, my + 0.01f * si, kOutlineZ);
    glVertex3f(mx + 0.01f * co + 0.02f * si, my + 0.01f * si - 0.02f * co, kOutlineZ);
    glVertex3f(mx - 0.01f * co + 0.02f * si, my - 0.01f * si - 0.02f * co, kOutlineZ);
    glVertex3f(mx - 0.01f * co, my - 0.01f * si, kOutlineZ);
    glVertex3f(mx - 0.02f * co, my - 0.02f * si, kOutlineZ);
    glEnd();
}

void drawFlowerDot(float x, float /*y*/, float z, int flowerState, bool useArrays)
{
    switch (static_cast<FlowerState>(flowerState)) {
    case FlowerState::Healthy: glColor3ub(0, 250, 0); break;
    case FlowerState::Dry1:
    case FlowerState::Dry2: glColor3ub(255, 200, 60); break;
    case FlowerState::Dry3: glColor3ub(250, 0, 0); break;
    case FlowerState::Lice: glColor3ub(0, 0, 0); break;
    default: break;  // keeps the current colour
    }
    const float mx = x * hud.mapScale + hud.mapCentreX;
    const float my = -z * hud.mapScale + hud.mapCentreY;
    const std::array<GLfloat, 12> diamond{mx, my + kDotSize, kOutlineZ, mx + kDotSize, my, kOutlineZ,
                                          mx, my - kDotSize, kOutlineZ, mx - kDotSize, my, kOutlineZ};
    drawCorners(GL_POLYGON, diamond, useArrays);
}

void drawIconsAndTexts(float x, float y, const GLuint* textures, int molesLeft, bool /*useArrays*/,
                       bool showFps, double fps)
{
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    maskedPicture(x, y, x + kMoleIconWidth, y - kMoleIconHeight, textures[MoleMask], textures[MolePicture]);
    maskedPicture(x + 0.08f, y - 0.12f, x + 0.17f, y - 0.21f, textures[ClockMask], textures[ClockPicture]);

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(3.0f);

    drawNumber(-0.06f, y - 0.08f, hud.score, kScoreScale);
    drawNumber(x + 0.28f, y - 0.06f, molesLeft, kCounterScale);
    drawNumber(x + 0.28f, y - 0.18f, hud.clock.secondsLeft, kCounterScale);
    if (showFps) {
        drawStrokeText("FPS:", kHudCornerX, -kHudCornerY, kPlaneZ, kFpsScale);
        // A measurement within one millisecond can make the rate non-finite.
        const long shownFps = std::isfinite(fps) ? static_cast<long>(fps) : 0;
        drawNumber(-0.8f, -kHudCornerY, shownFps, kFpsScale);
    }
    glDisable(GL_BLEND);
}

void drawResultBanner(int state, const GLuint* textures)
{
    if (state != RoundWon && state != RoundLost) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ubv(kPanelColour);
    glBegin(GL_POLYGON);
    glVertex3f(kBannerHalfWidth, kBannerHalfHeight, kPlaneZ);
    glVertex3f(kBannerHalfWidth, -kBannerHalfHeight, kPlaneZ);
    glVertex3f(-kBannerHalfWidth, -kBannerHalfHeight, kPlaneZ);
    glVertex3f(-kBannerHalfWidth, kBannerHalfHeight, kPlaneZ);
    glEnd();
    glColor3ubv(kOutlineGreen);
    glLineWidth(1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex3f(kBannerHalfWidth, kBannerHalfHeight, kOutlineZ);
    glVertex3f(kBannerHalfWidth, -kBannerHalfHeight, kOutlineZ);
    glVertex3f(-kBannerHalfWidth, -kBannerHalfHeight, kOutlineZ);
    glVertex3f(-kBannerHalfWidth, kBannerHalfHeight, kOutlineZ);
    glEnd();

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    const bool won = state == RoundWon;
    const float w = won ? kWonPictureHalfWidth : kLostPictureHalfWidth;
    maskedPicture(-w, kBannerPictureHalfHeight, w, -kBannerPictureHalfHeight, textures[won ? WonMask : LostMask],
                  textures[won ? WonPicture : LostPicture]);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
}
