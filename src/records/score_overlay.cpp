#include "records/score_overlay.h"

#include "app/game_state.h"
#include "platform/stroke_text.h"
#include "records/score_keeper.h"

#include <GL/freeglut.h>

namespace {

// In the drawing plane at z = -2 (the HUD's), below the result banner.
constexpr float kPlaneZ = -2.0f;
constexpr float kTextZ = -1.999f;
constexpr float kPanelLeft = -0.62f;
constexpr float kPanelRight = 0.62f;
constexpr float kPanelTop = -0.17f;
constexpr float kPadding = 0.02f;
constexpr float kTitleHeight = 0.06f;
constexpr float kRowHeight = 0.048f;
constexpr float kTitleBaseline = 0.012f;  // above the title row's bottom
constexpr float kTitleScale = 0.00045f;
constexpr float kRowScale = 0.00034f;
constexpr float kRankRight = -0.50f;  // numbers are set flush right
constexpr float kScoreRight = -0.22f;
constexpr float kLevelLeft = -0.14f;
constexpr float kDateLeft = 0.10f;
constexpr float kNoteScale = 0.0003f;
constexpr GLubyte kPanelColour[4] = {255, 255, 255, 170};
constexpr GLubyte kOutlineGreen[3] = {0, 200, 0};
constexpr GLubyte kTextBlue[3] = {0, 10, 110};
constexpr GLubyte kMarkedRed[3] = {210, 0, 0};
constexpr float kTextLineWidth = 2.5f;
constexpr const char* kTitle = "Best scores";
constexpr const char* kNewMark = "< new";

void strokeText(float x, float y, const char* text, float scale) { drawStrokeText(text, x, y, kTextZ, scale); }

void panel(float top, float bottom)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ubv(kPanelColour);
    glBegin(GL_QUADS);
    glVertex3f(kPanelLeft, top, kPlaneZ);
    glVertex3f(kPanelLeft, bottom, kPlaneZ);
    glVertex3f(kPanelRight, bottom, kPlaneZ);
    glVertex3f(kPanelRight, top, kPlaneZ);
    glEnd();
    glColor3ubv(kOutlineGreen);
    glLineWidth(1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex3f(kPanelLeft, top, kTextZ);
    glVertex3f(kPanelLeft, bottom, kTextZ);
    glVertex3f(kPanelRight, bottom, kTextZ);
    glVertex3f(kPanelRight, top, kTextZ);
    glEnd();
}

}  // namespace

void drawScoreTableOverlay(int gameState)
{
    const ScoreOverlay& overlay = scoreOverlay();
    if (gameState != RoundLost || !overlay.ready) return;
    const bool hasNote = overlay.note[0] != '\0';
    const float bottom =
        kPanelTop - 2.0f * kPadding - kTitleHeight - kRowHeight * static_cast<float>(overlay.rowCount + (hasNote ? 1 : 0));

    // The frame goes on (and the next one starts) with the state as it was.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    panel(kPanelTop, bottom);

    glEnable(GL_LINE_SMOOTH);
    glLineWidth(kTextLineWidth);
    glColor3ubv(kTextBlue);
    float y = kPanelTop - kPadding - kTitleHeight + kTitleBaseline;
    strokeText(-strokeTextWidth(kTitle, kTitleScale) / 2.0f, y, kTitle, kTitleScale);
    for (int i = 0; i < overlay.rowCount; ++i) {
        const ScoreOverlayRow& row = overlay.rows[static_cast<std::size_t>(i)];
        y -= kRowHeight;
        glColor3ubv(row.marked ? kMarkedRed : kTextBlue);
        strokeText(kRankRight - strokeTextWidth(row.rank.data(), kRowScale), y, row.rank.data(), kRowScale);
        strokeText(kScoreRight - strokeTextWidth(row.score.data(), kRowScale), y, row.score.data(), kRowScale);
        strokeText(kLevelLeft, y, row.level.data(), kRowScale);
        strokeText(kDateLeft, y, row.date.data(), kRowScale);
        if (row.marked) strokeText(kPanelRight - kPadding - strokeTextWidth(kNewMark, kRowScale), y, kNewMark, kRowScale);
    }
    if (hasNote) {
        y -= kRowHeight;
        glColor3ubv(kMarkedRed);
        strokeText(-strokeTextWidth(overlay.note.data(), kNoteScale) / 2.0f, y, overlay.note.data(), kNoteScale);
    }
    glPopAttrib();
}
