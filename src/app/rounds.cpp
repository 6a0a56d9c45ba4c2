#include "app/rounds.h"

#include "app/camera.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "app/tick.h"
#include "audio/game_sounds.h"
#include "character/gardener.h"
#include "effects/particles.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"

#include <algorithm>

void setUpRound(int level)
{
    gameSession.roundActive = 0;
    gameSession.moleCount = level + kMolesAtLevelZero;
    renderOptions.useVertexArrays = 1;
    gameSession.molesLeft = gameSession.moleCount;
    renderOptions.mipmapping = 1;
    renderOptions.wireframe = 0;

    actionFlags = ActionFlags{};
    inputFlags = InputFlags{};
    renderOptions.useDisplayLists = 0;

    clearMoles();
    stopSprayAndWater();

    // The random draws below happen in a fixed order: flowers (none), rakes, moles.
    setUpFlowerBed(level);
    placeRakes();
    createRoundMoles(gameSession.moleCount);

    setUpGardener(gardener, gameSession.firstStart);

    resetCamera(chaseCamera, {0.0f, 30.0f, 100.0f}, {0.0f, 0.0f, -10.0f}, {0.0f, 10.0f, 0.0f});
    walkDirection = {0.0f, 0.0f, -1.0f};
    cameraOffset = kCameraOffset;
    chaseCamera.pitch += kStartPitch;

    resetHud(kGardenExtent, kMinimapCentreX, kMinimapCentreY, kRoundSeconds);
    addScore(gameSession.carriedScore);
    gameSession.carriedScore = 0;
    gameSession.roundActive = 1;
}

void checkRoundEnd()
{
    if (!gameSession.roundActive) return;
    if (gameSession.molesLeft == 0) {
        gameSession.carriedScore = hud.score;
        gameSession.gameState = RoundWon;
        endActionsAtRoundEnd();
        playBoth(gardener, "BOTH_DANCE_BEGIN");
        actionFlags.dancing = 1;
    }
    const bool anyFlowerLeft = std::any_of(flowerBed.begin(), flowerBed.end(), [](const Flower& flower) {
        return flowerState(flower) != FlowerState::Gone;
    });
    if (anyFlowerLeft && hud.score >= kLowestScore && hud.clock.secondsLeft > 0) return;
    gameSession.gameState = RoundLost;
    endActionsAtRoundEnd();
    gardener.falling = 0;
    // A running strike finishes first; its end starts the death.
    if (!actionFlags.striking) playBoth(gardener, "BOTH_DEAD");
    gardener.dying = true;
    playGameSound(GameSound::Death);
}
