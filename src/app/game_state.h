#pragma once
// The game's state machine variables, the held-key flags and the rendering
// options that the option keys switch.
#include <cstdint>

enum GameState : int {
    NoState = 0,
    StartMenu = 1,
    Menu = 2,
    Playing = 3,
    RoundWon = 4,
    RoundLost = 5,
    IntroScreen = 6,
    HelpScreen = 7,
};

// Menu entries.
constexpr int kMenuPlay = 1;
constexpr int kMenuIntro = 2;
constexpr int kMenuHelp = 3;

struct GameSession {
    int gameState = NoState;
    int rememberedState = StartMenu;  // menu to return to from the intro and help pages
    int menuChoice = kMenuPlay;
    int firstStart = 1;  // cleared once the first game has started
    int level = 0;
    int moleCount = 0;
    int molesLeft = 0;
    int carriedScore = 0;
    std::uint8_t roundActive = 0;
};

struct InputFlags {
    std::uint8_t moveForward = 0;
    std::uint8_t turnLeft = 0;
    std::uint8_t turnRight = 0;
    std::uint8_t yawIncrease = 0;
    std::uint8_t yawDecrease = 0;
    std::uint8_t pitchIncrease = 0;
    std::uint8_t pitchDecrease = 0;
    std::uint8_t strikeTestPending = 0;
};

struct RenderOptions {
    int useDisplayLists = 0;
    int useVertexArrays = 1;
    int wireframe = 0;
    int mipmapping = 1;
    int filterMode = 0;  // ground filter: 0 nearest, 1 linear, 2 trilinear
    int showFps = 1;
};

constexpr int kFilterModeCount = 3;

extern GameSession gameSession;
extern InputFlags inputFlags;
extern RenderOptions renderOptions;

// The state's name as the trace writes it ("Playing", ...).
const char* gameStateName(int state);

// True in the three states in which the world moves.
inline bool isPlayingState(int state)
{
    return state == Playing || state == RoundWon || state == RoundLost;
}
