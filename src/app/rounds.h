#pragma once
// Rounds: the set-up of a round from its level, and the test that ends it.

constexpr int kMolesAtLevelZero = 4;
constexpr int kRoundSeconds = 200;
constexpr float kGardenExtent = 1000.0f;
constexpr float kMinimapCentreX = 0.85f;
constexpr float kMinimapCentreY = 0.62f;
constexpr int kLowestScore = -50;  // a score below this loses the round
constexpr float kStartPitch = -10.0f;

void setUpRound(int level);
void checkRoundEnd();
