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
#include "extras/pause.h"
#include "extras/score_overlay.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/window.h"

#include <GL/glu.h>

void drawPlayingFrame()
{
    const ChaseCamera& camera = chaseCamera;
    glLoadIdentity();
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.eye.x + camera.view.x,
              camera.eye.y + camera.view.y, camera.eye.z + camera.view.z, camera.up.x, camera.up.y,
              camera.up.z);
    extractFrustum();

    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    const RenderOptions& options = renderOptions;
    if (!options.wireframe) {
        drawSky(cloudTexture[0], 0.0f, kSceneryCentreY, 0.0f, kSkyWidth, kSkyHeight, kSkyWidth);
    }
    drawScenery(0.0f, kSceneryCentreY, 0.0f, kSceneryWidth, kSceneryHeight, kSceneryWidth,
                options.useVertexArrays != 0, options.wireframe != 0, options.mipmapping != 0,
                options.filterMode);

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    placeLight();

    for (Flower& flower : flowerBed) {
        drawFlower(flower, options.useDisplayLists != 0, options.useVertexArrays != 0, options.wireframe != 0);
    }
    drawMoles(options.useDisplayLists != 0, options.useVertexArrays != 0, options.wireframe != 0, camera.pitch,
              camera.yaw, static_cast<float>(frameSeconds));
    for (Rake& rake : rakes) {
        drawRake(rake, options.useDisplayLists != 0, options.useVertexArrays != 0, options.wireframe != 0);
    }
    drawGardener(gardener, camera.pitch, camera.yaw, camera.eye, options.useVertexArrays != 0, options.wireframe != 0,
                 frameSeconds);

    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);

    const int state = gameSession.gameState;
    drawMinimapPanel(kGardenExtent, options.useVertexArrays != 0, state);
    drawGardenerArrow(gardener.position.x, gardener.position.y, gardener.position.z, gardener.heading);
    for (const Flower& flower : flowerBed) {
        if (flowerState(flower) == FlowerState::Gone) continue;
        const Vector3 p = flower.placement.getPosition();
        drawFlowerDot(p.x, p.y, p.z, flowerStateNumber(flower), options.useVertexArrays != 0);
    }
    drawIconsAndTexts(kHudCornerX, kHudCornerY, hudTextures.data(), gameSession.molesLeft,
                      options.useVertexArrays != 0, options.showFps != 0, fpsMeter.fps);
    drawResultBanner(state, resultTextures.data());
    drawScoreTableOverlay(state);

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
}

void drawFrame()
{
    if (drawPauseScreen()) return;  // paused: the pause draws and shows its own frame
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const int state = gameSession.gameState;
    if (isPlayingState(state)) {
        drawPlayingFrame();
    } else if (state == StartMenu || state == Menu || state == IntroScreen || state == HelpScreen) {
        drawPictureScreen(state, gameSession.menuChoice);
    }
    presentFrame();
}
