#include "app/screens.h"

#include "app/game_state.h"
#include "assets/texture.h"

#include <GL/glu.h>

namespace {

constexpr float kScreenZ = -2.0f;
constexpr float kOverlayZ = -1.999f;
constexpr float kBackgroundHalfWidth = 1.0f;
constexpr float kBackgroundHalfHeight = 0.75f;
constexpr float kEntryHalfWidth = 0.35f;

enum ScreenSlot { StartPicture = 0, PlayMask, PlayPicture, IntroMask, IntroPicture, HelpMask, HelpPicture, IntroText, HelpText };

struct EntryQuad {
    float bottom;
    float top;
    int maskSlot;
    int pictureSlot;
};
constexpr EntryQuad kEntries[3] = {
    {0.15f, 0.45f, PlayMask, PlayPicture},
    {-0.15f, 0.15f, IntroMask, IntroPicture},
    {-0.45f, -0.15f, HelpMask, HelpPicture},
};

// The red selection frame, slightly inside the entry's quad.
struct FrameLines {
    float top;
    float bottom;
};
constexpr FrameLines kSelectionFrames[3] = {{0.425f, 0.175f}, {0.125f, -0.125f}, {-0.175f, -0.425f}};

void drawBackground(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0); glVertex3f(kBackgroundHalfWidth, -kBackgroundHalfHeight, kScreenZ);
    glTexCoord2f(0, 0); glVertex3f(-kBackgroundHalfWidth, -kBackgroundHalfHeight, kScreenZ);
    glTexCoord2f(0, 1); glVertex3f(-kBackgroundHalfWidth, kBackgroundHalfHeight, kScreenZ);
    glTexCoord2f(1, 1); glVertex3f(kBackgroundHalfWidth, kBackgroundHalfHeight, kScreenZ);
    glEnd();
}

void drawEntry(const EntryQuad& entry, GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1); glVertex3f(-kEntryHalfWidth, entry.top, kOverlayZ);
    glTexCoord2f(0, 0); glVertex3f(-kEntryHalfWidth, entry.bottom, kOverlayZ);
    glTexCoord2f(1, 0); glVertex3f(kEntryHalfWidth, entry.bottom, kOverlayZ);
    glTexCoord2f(1, 1); glVertex3f(kEntryHalfWidth, entry.top, kOverlayZ);
    glEnd();
}

}  // namespace

void drawPictureScreen(int state, int menuChoice)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 0);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);

    int background = StartPicture;
    if (state == IntroScreen) background = IntroText;
    if (state == HelpScreen) background = HelpText;
    drawBackground(screenTextures[background]);

    if (state == IntroScreen || state == HelpScreen) {
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        return;
    }

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    for (const EntryQuad& entry : kEntries) drawEntry(entry, screenTextures[entry.maskSlot]);
    glBlendFunc(GL_ONE, GL_ONE);
    for (const EntryQuad& entry : kEntries) drawEntry(entry, screenTextures[entry.pictureSlot]);

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LINE_SMOOTH);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glLineWidth(1.0f);
    glColor3ub(200, 0, 0);
    if (menuChoice >= kMenuPlay && menuChoice <= kMenuHelp) {
        const FrameLines& frame = kSelectionFrames[menuChoice - 1];
        glBegin(GL_LINE_LOOP);
        glVertex3f(-kEntryHalfWidth, frame.top, kOverlayZ);
        glVertex3f(kEntryHalfWidth, frame.top, kOverlayZ);
        glVertex3f(kEntryHalfWidth, frame.bottom, kOverlayZ);
        glVertex3f(-kEntryHalfWidth, frame.bottom, kOverlayZ);
        glEnd();
    }
}
