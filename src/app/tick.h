#pragma once
// The per-frame game tick: frame timing, controls, the gardener's actions,
// the actors' interplay, the clouds and the score from flower changes.
#include "math/vector.h"

#include <array>
#include <cstdint>

struct Mole;

struct ActionFlags {
    int striking = 0;
    int dancing = 0;
    int walking = 0;  // walk animation wanted: the up arrow is held
    int spraying = 0;
    int watering = 0;
    Mole* struckMole = nullptr;  // knocked by the running strike, flies when the blow lands
};

struct FrameTimer {
    std::int64_t frequency = 1;  // counts per second
    std::int64_t previous = 0;
};

struct FpsMeter {
    int fpsFrames = 0;
    int fpsWindow = 1;  // grows to kFpsWindowLimit
    std::uint32_t fpsLastClock = 0;
    double fps = 0.0;
};

constexpr int kFlowerSlots = 16;
constexpr float kTurnRate = 80.0f;   // degrees per second, gardener and camera yaw
constexpr float kPitchRate = 20.0f;  // degrees per second
constexpr float kPitchLimit = 40.0f;
constexpr int kWalkSpeed = 75;  // units per second
constexpr int kFpsWindowLimit = 40;
// The fence keeps the gardener's body centre this far from the walls.
constexpr float kFenceBodyRadius = 28.0f;

extern ActionFlags actionFlags;
extern FrameTimer frameTimer;
extern FpsMeter fpsMeter;
extern double frameSeconds;
extern Vector3 walkDirection;
extern Vector3 gardenerStep;
extern std::array<int, kFlowerSlots> prevFlowerState;

// Reads the counter frequency and the first reading (game start).
void startFrameTimer();

// Seconds since the previous call; keeps the frame-rate measurement.
double nextFrameSeconds();

// Shortens step so that the gardener runs into no flower, rake, mole or fence.
void resolveGardenerStep(Vector3& step, double seconds);

// The strike test of the running strike: every mole in reach is knocked
// away along the walking direction and scores; the last one in list order
// stays the struck mole.
void strikeMolesInReach();
// The strike's blow lands: the struck mole (if any) flies and counts as beaten.
void beatStruckMole();
// The round has ended: the walk ends once (the up arrow's release is not
// read outside Playing), watering and spraying end at once so that the dance
// or the death has the torso. A running strike goes on: it may still beat
// the mole it struck.
void endActionsAtRoundEnd();
// For each listed mole: its contacts, its feeding, the ageing of the bed and
// its update.
void molePass(float dt);

// +20 for every flower whose state number fell since prevFlowerState, -5
// for every one whose number rose.
void scoreFlowerChanges();

// The idle callback's work: one tick of the game.
void gameTick();
