#include "conveniences/pause.h"

#include "app/game_state.h"
#include "audio/game_sounds.h"
#include "app/other_input.h"
#include "conveniences/bound_keys.h"
#include "platform/clock.h"
#include "platform/stroke_text.h"
#include "platform/window.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr float kDimming = 0.4f;  // the garden's brightness behind the pause text
constexpr float kTitleHeight = 0.11f;  // of the window's height
constexpr float kHintHeight = 0.035f;
constexpr float kTitleLineWidth = 4.0f;
constexpr float kHintLineWidth = 2.0f;
constexpr const char* kTitle = "Paused";
constexpr const char* kLeaveHint = "Escape: leave the round";
constexpr const char* kOptionsHint = "O or Y on a gamepad: options";
constexpr std::size_t kHintLength = 96;

// The picture of the garden at the moment of pausing, in a texture whose
// sides are powers of two (fixed-function GL), kept for the next pauseState.
struct PausePicture {
    GLuint texture = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    int width = 0;   // of the picture inside the texture
    int height = 0;
    bool taken = false;
};

struct PauseState {
    bool paused = false;
    PausePicture picture;
};

PauseState pauseState;

int powerOfTwoAtLeast(int size)
{
    int side = 1;
    while (side < size) side *= 2;
    return side;
}

void startPause()
{
    pauseState.paused = true;
    pauseState.picture.taken = false;
    freezeGameClocks();
    holdGameSounds(true);
}

// The last drawn frame, from the back buffer before anything is drawn over
// it. After a swap its content is left to the driver; in practice it still
// holds the last frame (or one a frame or two older), which a front-buffer read
// does not give under every driver (Mesa's software rasteriser reads black),
// nor for a window that was out of sight.
void takePicture(int width, int height)
{
    PausePicture& picture = pauseState.picture;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    width = std::min(width, static_cast<int>(largest));
    height = std::min(height, static_cast<int>(largest));
    if (picture.texture == 0) glGenTextures(1, &picture.texture);
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    if (width > picture.textureWidth || height > picture.textureHeight) {
        picture.textureWidth = powerOfTwoAtLeast(width);
        picture.textureHeight = powerOfTwoAtLeast(height);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture.textureWidth, picture.textureHeight, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glReadBuffer(GL_BACK);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    picture.width = width;
    picture.height = height;
    picture.taken = true;
}

}  // namespace

void drawPausePicture(int width, int height)
{
    const PausePicture& picture = pauseState.picture;
    const float right = static_cast<float>(picture.width) / static_cast<float>(picture.textureWidth);
    const float top = static_cast<float>(picture.height) / static_cast<float>(picture.textureHeight);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(kDimming, kDimming, kDimming);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(0.0f, 0.0f);
    glTexCoord2f(right, 0.0f); glVertex2f(static_cast<float>(width), 0.0f);
    glTexCoord2f(right, top); glVertex2f(static_cast<float>(width), static_cast<float>(height));
    glTexCoord2f(0.0f, top); glVertex2f(0.0f, static_cast<float>(height));
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

namespace {

// Stroke text centred on x with its base line at y, letters pixelHeight high.
void drawCentredText(const char* text, float x, float y, float pixelHeight, float lineWidth)
{
    const float scale = pixelHeight / kStrokeFontHeight;
    glLineWidth(lineWidth);
    drawStrokeText(text, x - strokeTextWidth(text, scale) / 2.0f, y, 0.0f, scale);
}

}  // namespace

bool gamePaused() { return pauseState.paused; }

void togglePause()
{
    if (pauseState.paused) endPause();
    else if (gameSession.gameState == Playing) startPause();
}

void setWindowHidden(bool hidden)
{
    if (hidden && !pauseState.paused && gameSession.gameState == Playing) startPause();
}

void preparePausePicture(int width, int height)
{
    if (pauseState.paused && !pauseState.picture.taken) takePicture(width, height);
}

void endPause()
{
    if (!pauseState.paused) return;
    pauseState.paused = false;
    thawGameClocks();
    holdGameSounds(false);
}

void onWindowOutOfSight(bool hidden)
{
    deliverOtherInput(OtherInputKind::WindowHidden, hidden ? 1 : 0);  // recorded, then setWindowHidden
}

bool drawPauseScreen()
{
    if (!pauseState.paused) return false;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0) return true;
    preparePausePicture(width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_COLOR_MATERIAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    drawPausePicture(width, height);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    const float centre = static_cast<float>(width) / 2.0f;
    const float h = static_cast<float>(height);
    glColor3f(1.0f, 1.0f, 0.0f);  // the HUD's yellow
    drawCentredText(kTitle, centre, h * 0.52f, h * kTitleHeight, kTitleLineWidth);
    glColor3f(1.0f, 1.0f, 1.0f);
    std::array<char, kHintLength> resumeHint{};
    std::snprintf(resumeHint.data(), resumeHint.size(), "%s: go on", shownPauseKeys());
    drawCentredText(resumeHint.data(), centre, h * 0.40f, h * kHintHeight, kHintLineWidth);
    drawCentredText(kLeaveHint, centre, h * 0.33f, h * kHintHeight, kHintLineWidth);
    drawCentredText(kOptionsHint, centre, h * 0.26f, h * kHintHeight, kHintLineWidth);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    presentFrame();
    return true;
}
