#include "app/frame.h"

#include "app/camera.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "app/rounds.h"
#include "app/scenery.h"
#include "app/screens.h"
#include "app/tick.h"
#include "assets/texture.h"
#include "character/gardener.h"
#include "effects/geometry.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/window.h"

#include <GL/glu.h>

#include <array>

namespace {

struct FrameSeams {
    FrameReplacement replacement = nullptr;
    std::array<FrameOverlay, kMaxFrameOverlays> overlays{};
    int overlayCount = 0;
    std::array<FrameOverlay, kMaxFrameOverlays> screenOverlays{};
    int screenOverlayCount = 0;
};

FrameSeams frameSeams;

}  // namespace

void setFrameReplacement(FrameReplacement replacement) { frameSeams.replacement = replacement; }

bool addFrameOverlay(FrameOverlay overlay)
{
    if (frameSeams.overlayCount >= kMaxFrameOverlays) return false;
    frameSeams.overlays[static_cast<std::size_t>(frameSeams.overlayCount++)] = overlay;
    return true;
}

bool addPictureScreenOverlay(FrameOverlay overlay)
{
    if (frameSeams.screenOverlayCount >= kMaxFrameOverlays) return false;
    frameSeams.screenOverlays[static_cast<std::size_t>(frameSeams.screenOverlayCount++)] = overlay;
    return true;
}

void clearFrameSeams() { frameSeams = FrameSeams{}; }

void drawPlayingFrame(unsigned layers)
{
    const ChaseCamera& camera = chaseCamera;
    glLoadIdentity();
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.eye.x + camera.view.x,
              camera.eye.y + camera.view.y, camera.eye.z + camera.view.z, camera.up.x, camera.up.y,
              camera.up.z);
    extractFrustum();

    const RenderOptions& options = renderOptions;
    const bool arrays = options.useVertexArrays != 0;
    const bool lists = options.useDisplayLists != 0;
    const bool wireframe = options.wireframe != 0;

    // The gardener first: he is opaque, always inside the fence and nearest
    // the camera, so the ground and the walls behind him are turned away by
    // the depth test before they are shaded. The lighting state he sets is
    // put back for the flowers, moles and rakes, and set again where he was
    // drawn before, so each of them sees the state it always saw.
    if ((layers & kGardenerLayer) != 0) {
        glPushAttrib(GL_LIGHTING_BIT);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        placeLight();
        drawGardenerFigure(gardener, arrays, wireframe);
        glPopAttrib();
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    if ((layers & kSkyLayer) != 0 && !wireframe) {
        drawSky(cloudTexture[0], 0.0f, kSceneryCentreY, 0.0f, kSkyWidth, kSkyHeight, kSkyWidth);
    }
    if ((layers & kGroundLayer) != 0) {
        drawGround(0.0f, kSceneryCentreY, 0.0f, kSceneryWidth, kSceneryHeight, kSceneryWidth, wireframe,
                   options.mipmapping != 0, options.filterMode);
    }
    if ((layers & kFenceLayer) != 0) {
        drawFence(0.0f, kSceneryCentreY, 0.0f, kSceneryWidth, kSceneryHeight, kSceneryWidth, wireframe);
    }

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    placeLight();

    if ((layers & kFlowerLayer) != 0) {
        for (Flower& flower : flowerBed) drawFlower(flower, lists, arrays, wireframe);
    }
    if ((layers & kMoleLayer) != 0) {
        drawMoles(lists, arrays, wireframe, camera.pitch, camera.yaw, static_cast<float>(frameSeconds));
    }
    if ((layers & kRakeLayer) != 0) {
        for (Rake& rake : rakes) drawRake(rake, lists, arrays, wireframe);
    }
    if ((layers & kGardenerLayer) != 0) setGardenerMaterial();
    if ((layers & kEffectLayer) != 0) {
        drawGardenerEffects(gardener, camera.pitch, camera.yaw, camera.eye, arrays, frameSeconds);
    }

    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);

    if ((layers & kHudLayer) != 0) {
        const int state = gameSession.gameState;
        drawMinimapPanel(kGardenExtent, arrays, state);
        drawGardenerArrow(gardener.position.x, gardener.position.y, gardener.position.z, gardener.heading);
        for (const Flower& flower : flowerBed) {
            if (flowerState(flower) == FlowerState::Gone) continue;
            const Vector3 p = flower.placement.getPosition();
            drawFlowerDot(p.x, p.y, p.z, flowerStateNumber(flower), arrays);
        }
        drawIconsAndTexts(kHudCornerX, kHudCornerY, hudTextures.data(), gameSession.molesLeft, arrays,
                          options.showFps != 0, fpsMeter.fps);
        drawResultBanner(state, resultTextures.data());
        for (int i = 0; i < frameSeams.overlayCount; ++i) frameSeams.overlays[static_cast<std::size_t>(i)](state);
    }

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
}

void drawFrame()
{
    if (frameSeams.replacement != nullptr && frameSeams.replacement()) return;  // the pause shows its own
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const int state = gameSession.gameState;
    if (isPlayingState(state)) {
        drawPlayingFrame();
    } else if (state == StartMenu || state == Menu || state == IntroScreen || state == HelpScreen) {
        drawPictureScreen(state, gameSession.menuChoice);
        for (int i = 0; i < frameSeams.screenOverlayCount; ++i)
            frameSeams.screenOverlays[static_cast<std::size_t>(i)](state);
    }
    presentFrame();
}
