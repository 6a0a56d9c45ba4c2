#include "app/game_state.h"

GameSession gameSession;
InputFlags inputFlags;
RenderOptions renderOptions;

const char* gameStateName(int state)
{
    switch (state) {
    case StartMenu: return "StartMenu";
    case Menu: return "Menu";
    case Playing: return "Playing";
    case RoundWon: return "RoundWon";
    case RoundLost: return "RoundLost";
    case IntroScreen: return "IntroScreen";
    case HelpScreen: return "HelpScreen";
    default: return "None";
    }
}
