#include "app/keyboard.h"

#include "app/game_state.h"
#include "app/rounds.h"
#include "app/scenery.h"
#include "app/startup.h"
#include "app/tick.h"
#include "audio/game_sounds.h"
#include "character/gardener.h"
#include "effects/particles.h"
#include "platform/process.h"

#include <GL/freeglut.h>

#include <array>

namespace {

void startGameFrom(int state)
{
    if (state == StartMenu) {
        initGame();
        setUpRound(0);
        gameSession.firstStart = 0;
    } else {
        setUpRound(0);
        setPlayingClearColour();
    }
    gameSession.gameState = Playing;
}

void confirmMenuChoice()
{
    const int state = gameSession.gameState;
    switch (gameSession.menuChoice) {
    case kMenuPlay: startGameFrom(state); break;
    case kMenuIntro:
        gameSession.rememberedState = state;
        gameSession.gameState = IntroScreen;
        break;
    case kMenuHelp:
        gameSession.rememberedState = state;
        gameSession.gameState = HelpScreen;
        break;
    default: break;
    }
}

void leaveGame()
{
    gameSession.carriedScore = 0;
    gameSession.level = 0;
    gameSession.gameState = Menu;
}

bool careMayStart()
{
    return actionFlags.walking == 0 && gardener.busy == 0 && gardener.falling == 0;
}

void startWatering()
{
    if (!careMayStart()) return;
    gardener.busy = 1;
    playTorso(gardener, "TORSO_GIESSEN");
    startWater();
    actionFlags.watering = 1;
    gardener.waterEffect = true;
    playGameSound(GameSound::Water);
}

void startSpraying()
{
    if (!careMayStart()) return;
    gardener.busy = 1;
    playTorso(gardener, "TORSO_SPRAY");
    startSpray();
    actionFlags.spraying = 1;
    gardener.sprayEffect = true;
    playGameSound(GameSound::Spray);
}

// The up arrow's walk ends. The idle pose comes back unless a fall or a
// strike shows its own animation: those return to idle when they end, and a
// strike's frames taken away here would start it over.
void endWalk()
{
    inputFlags.moveForward = 0;
    actionFlags.walking = 0;
    if (!gardener.falling && !actionFlags.striking) playIdle(gardener);
}

// A strike pressed while walking stops the walk first, as a rake does: the
// walk's animation step would otherwise take the strike's animation back
// every tick and the strike would never end while up is held.
void startStrike()
{
    if (gardener.busy) return;
    if (actionFlags.walking) endWalk();
    gardener.busy = 1;
    actionFlags.striking = 1;
    inputFlags.strikeTestPending = 1;
}

void toggle(int& option) { option = option ? 0 : 1; }

struct KeyFilters {
    std::array<KeyFilter, kMaxKeyFilters> filters{};
    int count = 0;
};

KeyFilters keyFilters;
PlayerKeyTranslator playerKeyTranslator = nullptr;

bool passesFilters(KeyEventKind kind, int key)
{
    for (int i = 0; i < keyFilters.count; ++i) {
        if (!keyFilters.filters[static_cast<std::size_t>(i)](kind, key)) return false;
    }
    return true;
}

void onPlayingKey(unsigned char key)
{
    switch (key) {
    case kKeyEscape:
        gameSession.level = 0;
        gameSession.carriedScore = 0;
        gameSession.gameState = Menu;
        break;
    case 'a': inputFlags.yawDecrease = 1; break;
    case 'd': inputFlags.yawIncrease = 1; break;
    case 'w': inputFlags.pitchIncrease = 1; break;
    case 's': inputFlags.pitchDecrease = 1; break;
    case 'f':
        renderOptions.filterMode += 1;
        if (renderOptions.filterMode >= kFilterModeCount) renderOptions.filterMode = 0;
        break;
    case 'g': toggle(renderOptions.wireframe); break;
    case 'l': toggle(renderOptions.useDisplayLists); break;
    case 'm': toggle(renderOptions.mipmapping); break;
    case 'p': toggle(renderOptions.showFps); break;
    case 'v':
        toggle(renderOptions.useVertexArrays);
        if (renderOptions.useVertexArrays) renderOptions.useDisplayLists = 0;
        break;
    case 'x': startWatering(); break;
    case 'y': startSpraying(); break;
    default: break;
    }
}

}  // namespace

bool addKeyFilter(KeyFilter filter)
{
    if (keyFilters.count >= kMaxKeyFilters) return false;
    keyFilters.filters[static_cast<std::size_t>(keyFilters.count++)] = filter;
    return true;
}

void clearKeyFilters() { keyFilters = KeyFilters{}; }

void deliverKeyEvent(KeyEventKind kind, int key)
{
    switch (kind) {
    case KeyEventKind::Key: onKey(static_cast<unsigned char>(key), 0, 0); break;
    case KeyEventKind::KeyUp: onKeyUp(static_cast<unsigned char>(key), 0, 0); break;
    case KeyEventKind::SpecialKey: onSpecialKey(key, 0, 0); break;
    case KeyEventKind::SpecialKeyUp: onSpecialKeyUp(key, 0, 0); break;
    }
}

void setPlayerKeyTranslator(PlayerKeyTranslator translator) { playerKeyTranslator = translator; }

void deliverPlayerKeyEvent(KeyEventKind kind, int key)
{
    if (playerKeyTranslator != nullptr && !playerKeyTranslator(kind, key)) return;
    deliverKeyEvent(kind, key);
}

void onPlayerKey(unsigned char key, int, int) { deliverPlayerKeyEvent(KeyEventKind::Key, key); }
void onPlayerKeyUp(unsigned char key, int, int) { deliverPlayerKeyEvent(KeyEventKind::KeyUp, key); }
void onPlayerSpecialKey(int key, int, int) { deliverPlayerKeyEvent(KeyEventKind::SpecialKey, key); }
void onPlayerSpecialKeyUp(int key, int, int) { deliverPlayerKeyEvent(KeyEventKind::SpecialKeyUp, key); }

void onKey(unsigned char key, int, int)
{
    if (!passesFilters(KeyEventKind::Key, key)) return;
    switch (gameSession.gameState) {
    case StartMenu:
    case Menu:
        if (key == kKeySpace) confirmMenuChoice();
        else if (key == kKeyEscape) exitProcess(0);
        break;
    case RoundWon:
        if (key == kKeySpace) {
            gameSession.level += 1;
            setUpRound(gameSession.level);
            gameSession.gameState = Playing;
            actionFlags.dancing = 0;
        } else if (key == kKeyEscape) {
            leaveGame();
        }
        break;
    case RoundLost:
        if (key == kKeySpace || key == kKeyEscape) leaveGame();
        break;
    case IntroScreen:
    case HelpScreen:
        if (key == kKeySpace || key == kKeyEscape) gameSession.gameState = gameSession.rememberedState;
        break;
    case Playing: onPlayingKey(key); break;
    default: break;
    }
}

void onKeyUp(unsigned char key, int, int)
{
    if (!passesFilters(KeyEventKind::KeyUp, key)) return;
    if (gameSession.gameState != Playing) return;
    switch (key) {
    case 'a': inputFlags.yawDecrease = 0; break;
    case 'd': inputFlags.yawIncrease = 0; break;
    case 'w': inputFlags.pitchIncrease = 0; break;
    case 's': inputFlags.pitchDecrease = 0; break;
    default: break;
    }
}

void onSpecialKey(int key, int, int)
{
    if (!passesFilters(KeyEventKind::SpecialKey, key)) return;
    const int state = gameSession.gameState;
    if (state == StartMenu || state == Menu) {
        if (key == GLUT_KEY_UP && gameSession.menuChoice > kMenuPlay) gameSession.menuChoice -= 1;
        if (key == GLUT_KEY_DOWN && gameSession.menuChoice < kMenuHelp) gameSession.menuChoice += 1;
        return;
    }
    if (state != Playing) return;
    switch (key) {
    case GLUT_KEY_LEFT:
        if (!gardener.falling) inputFlags.turnLeft = 1;
        break;
    case GLUT_KEY_RIGHT:
        if (!gardener.falling) inputFlags.turnRight = 1;
        break;
    case GLUT_KEY_UP:
        if (!gardener.busy && !gardener.falling) {
            inputFlags.moveForward = 1;
            actionFlags.walking = 1;
        }
        break;
    case GLUT_KEY_DOWN: startStrike(); break;
    case GLUT_KEY_PAGE_UP: startWatering(); break;
    case GLUT_KEY_HOME: startSpraying(); break;
    default: break;
    }
}

void onSpecialKeyUp(int key, int, int)
{
    if (!passesFilters(KeyEventKind::SpecialKeyUp, key)) return;
    if (gameSession.gameState != Playing) return;
    switch (key) {
    case GLUT_KEY_LEFT: inputFlags.turnLeft = 0; break;
    case GLUT_KEY_RIGHT: inputFlags.turnRight = 0; break;
    case GLUT_KEY_UP:
        if (!actionFlags.spraying && !actionFlags.watering) endWalk();
        break;
    default: break;
    }
}
