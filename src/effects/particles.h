#pragma once
// The three particle effects made of textured, blended quads: the spray cloud
// of the spray can, the water drops of the watering can and the flies that
// circle a knocked-out mole. Each effect is a fixed array; its start resets
// every record and loads the sprite again, its draw operation draws and
// advances the effect once per frame inside the owner's model-view transform.
#include "math/vector.h"

#include <array>

// One particle. The flies give some fields other meanings (in brackets).
struct Particle {
    bool active;          // set at start, never cleared
    float life;           // 1 at birth, falls by fade each frame; the spray's alpha (flies: circling angle)
    float fade;           // life lost per frame (flies: circle radius)
    float size;           // half the edge of the quad
    float slowdown;       // divisor of the velocity, negative
    Vector3 position;     // in the owner's frame
    Vector3 velocity;     // (flies: y holds the bobbing phase)
    Vector3 gravity;
    float distance;       // spray: distance to the viewer, the sort key
    Vector3 flyPosition;  // flies only
    float flyHalfSize;    // flies only
    float turnDirection;  // flies only, +1 or -1
};
static_assert(sizeof(Particle) == 20 * 4, "a particle is twenty 32-bit fields");

constexpr int kSprayParticleCount = 200, kWaterParticleCount = 150, kFlyCount = 5;

// Zero at program start, so nothing is drawn before an effect's first start.
extern std::array<Particle, kSprayParticleCount> sprayParticles;
extern std::array<Particle, kWaterParticleCount> waterParticles;
extern std::array<Particle, kFlyCount> flyParticles;

// Loads the spray sprite (releasing the one of the last start) and starts all
// 200 particles at the emitter point.
void startSpray();
// Draws the spray far to near from the viewer point and advances it. With stop
// set, dead particles are not reborn; they move on unseen. pitch is not read;
// angle (degrees) turns every quad about the vertical through its centre.
void drawSpray(bool stop, float pitch, float angle, float viewerX, float viewerY, float viewerZ, bool useArrays,
               float frameSeconds);

// Loads the water-drop sprite and starts all 150 drops.
void startWater();
// Draws the drops in array order and advances them; arguments as for the spray.
void drawWater(bool stop, float pitch, float angle, bool useArrays, float frameSeconds);

// Loads the fly sprite, reseeds the random source with seedRandomFromTime()
// (so --seed applies) and starts the five flies.
void startFlies();
// Draws the flies and moves them round the owner's origin. flag and pitch are
// not read; angle is the camera yaw.
void drawFlies(int flag, float pitch, float angle, bool useArrays, float frameSeconds);

// Ends the spray and the water at once: every record inactive, so nothing of
// an action cut short is drawn in the next round.
void stopSprayAndWater();

// Particles with active && life > 0, for the trace.
int liveSprayParticles();
int liveWaterParticles();
// True once the flies have been started.
bool fliesActive();
