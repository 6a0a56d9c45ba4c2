#pragma once
// The best scores over the lost-round picture, drawn with the stroke font
// below the banner, this game's entry marked. Called once per playing frame
// after the HUD; draws only in RoundLost once the game has been entered.
void drawScoreTableOverlay(int gameState);
