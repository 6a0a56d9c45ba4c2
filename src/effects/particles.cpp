#include "effects/particles.h"

#include "assets/texture.h"
#include "math/portable_math.h"
#include "platform/random.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

std::array<Particle, kSprayParticleCount> sprayParticles{};
std::array<Particle, kWaterParticleCount> waterParticles{};
std::array<Particle, kFlyCount> flyParticles{};

namespace {

constexpr int kSpraySlot = 0;
constexpr int kFlySlot = 1;
constexpr int kWaterSlot = 2;
constexpr const char* kSpraySprite = "bilder/Particle.tga";
constexpr const char* kFlySprite = "bilder/fliege2.tga";
constexpr const char* kWaterSprite = "bilder/Tropfen.tga";

constexpr int kQuadVertexCount = 4;
// Strip order: top right, top left, bottom right, bottom left.
constexpr GLfloat kQuadTextureCoordinates[kQuadVertexCount * 2] = {1, 1, 0, 1, 1, 0, 0, 0};
constexpr GLfloat kQuadNormals[kQuadVertexCount * 3] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};

// Shared by spray and water.
constexpr int kFadeSpread = 100;
constexpr float kFadeScale = 1000.0f;
constexpr float kMinimumFade = 0.003f;

constexpr float kSprayStartSize = 0.5f;
constexpr float kSprayStartSlowdown = -2.0f;
constexpr float kSprayGrowth = 0.02f;
constexpr float kSpraySlowdownStep = 0.01f;
constexpr float kSpraySideDamping = 5.0f;   // x and y
constexpr float kSprayDepthDamping = 2.0f;  // z

constexpr Vector3 kWaterEmitter{0.0f, 5.0f, 0.0f};
constexpr Vector3 kWaterGravity{1.5f, 0.5f, 0.5f};
constexpr float kWaterStartRise = 5.0f;
constexpr float kWaterSlowdown = -3.0f;
constexpr float kWaterSize = 0.3f;
constexpr float kWaterPull = 20.0f;

constexpr float kFlyFullCircle = 360.0f;
constexpr float kFlyHalfSize = 0.6f;
constexpr float kFlyBobRate = 5.0f;
constexpr int kFlyPhaseSpread = 359;

float newFade() { return static_cast<float>(randomInt() % kFadeSpread) / kFadeScale + kMinimumFade; }
float randomOffset(int spread, int offset) { return static_cast<float>(randomInt() % spread + offset); }
float newFlyRadius() { return randomOffset(10, 5); }

// A start loads the sprite again; the texture of the last start is released
// first so that repeated starts do not pile up texture objects.
void reloadSprite(const char* path, int slot)
{
    releaseTexture(particleTextures.data(), particleTextures.size(), slot);
    loadTgaTexture(particleTextures, path, slot);
}

void drawQuad(Vector3 centre, float halfSize, bool useArrays)
{
    const float s = halfSize;
    const GLfloat corners[kQuadVertexCount * 3] = {
        centre.x + s, centre.y + s, centre.z, centre.x - s, centre.y + s, centre.z,
        centre.x + s, centre.y - s, centre.z, centre.x - s, centre.y - s, centre.z,
    };
    if (useArrays) {
        // The normal array is enabled for the whole run, so it gets a table too.
        glVertexPointer(3, GL_FLOAT, 0, corners);
        glNormalPointer(GL_FLOAT, 0, kQuadNormals);
        glTexCoordPointer(2, GL_FLOAT, 0, kQuadTextureCoordinates);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, kQuadVertexCount);
        return;
    }
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLE_STRIP);
    for (int k = 0; k < kQuadVertexCount; ++k) {
        glTexCoord2fv(&kQuadTextureCoordinates[k * 2]);
        glVertex3fv(&corners[k * 3]);
    }
    glEnd();
}

// The quad turned by angle degrees about the vertical through its own centre.
void drawTurnedQuad(Vector3 centre, float halfSize, float angle, bool useArrays)
{
    glPushMatrix();
    glTranslatef(centre.x, centre.y, centre.z);
    glRotatef(angle, 0.0f, 1.0f, 0.0f);
    glTranslatef(-centre.x, -centre.y, -centre.z);
    drawQuad(centre, halfSize, useArrays);
    glPopMatrix();
}

// Largest distance first: a quicksort with the last element as pivot. It
// recurses into the smaller part and loops on the larger, so the stack stays
// shallow even when every distance is the same (right after a start).
void sortFarToNear(Particle* particles, int low, int high)
{
    while (low < high) {
        const float pivot = particles[high].distance;
        int store = low;
        for (int k = low; k < high; ++k) {
            if (particles[k].distance > pivot) {
                std::swap(particles[k], particles[store]);
                ++store;
            }
        }
        std::swap(particles[store], particles[high]);
        if (store - low < high - store) {
            sortFarToNear(particles, low, store - 1);
            low = store + 1;
        } else {
            sortFarToNear(particles, store + 1, high);
            high = store - 1;
        }
    }
}

void bornSpray(Particle& p)
{
    p.life = 1.0f;
    p.fade = newFade();
    p.velocity.x = randomOffset(120, -60);
    p.velocity.y = randomOffset(100, -50);
    p.velocity.z = randomOffset(60, 30);
    p.size = kSprayStartSize;
    p.slowdown = kSprayStartSlowdown;
    p.distance = 0.0f;
    p.position = Vector3{};
}

void advanceSpray(Particle& p, float frameSeconds)
{
    p.position.x += p.velocity.x / (p.slowdown * kSpraySideDamping / frameSeconds);
    p.position.y += p.velocity.y / (p.slowdown * kSpraySideDamping / frameSeconds);
    p.position.z += p.velocity.z / (p.slowdown * kSprayDepthDamping / frameSeconds);
    p.velocity.y += p.gravity.y;
    p.life -= p.fade;
    p.size += kSprayGrowth;
    p.slowdown -= kSpraySlowdownStep;
}

void advanceWater(Particle& p, float frameSeconds)
{
    p.position.x += p.velocity.x / (p.slowdown / frameSeconds);
    p.position.y += p.velocity.y / (p.slowdown / frameSeconds);
    p.position.z += p.velocity.z / (p.slowdown / frameSeconds);
    p.velocity.y += kWaterPull * (p.life - p.life * p.life);
    p.life -= p.fade;
}

// Reborn drops fall from rest (the first ones rise a little).
void rebornWater(Particle& p)
{
    p.life = 1.0f;
    p.fade = newFade();
    p.position = kWaterEmitter;
    p.velocity.x = randomOffset(40, -20);
    p.velocity.y = 0.0f;
    p.velocity.z = randomOffset(60, 30);
    p.gravity = kWaterGravity;
    p.slowdown = kWaterSlowdown;
}

// True when the minimum corner of b's box lies inside a's box on all three axes.
bool minimumCornerInside(const Particle& a, const Particle& b)
{
    const float sa = a.flyHalfSize;
    const float sb = b.flyHalfSize;
    const Vector3 pa = a.flyPosition;
    const Vector3 cb{b.flyPosition.x - sb, b.flyPosition.y - sb, b.flyPosition.z - sb};
    return pa.x - sa <= cb.x && cb.x <= pa.x + sa && pa.y - sa <= cb.y && cb.y <= pa.y + sa &&
           pa.z - sa <= cb.z && cb.z <= pa.z + sa;
}

template <std::size_t N>
int countLive(const std::array<Particle, N>& particles)
{
    int live = 0;
    for (const Particle& p : particles)
        if (p.active && p.life > 0.0f) ++live;
    return live;
}

}  // namespace

void startSpray()
{
    reloadSprite(kSpraySprite, kSpraySlot);
    glShadeModel(GL_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    for (Particle& p : sprayParticles) {
        p.active = true;
        bornSpray(p);
        p.gravity = Vector3{};
    }
}

void drawSpray(bool stop, float /*pitch*/, float angle, float viewerX, float viewerY, float viewerZ, bool useArrays,
               float frameSeconds)
{
    // Additive: overlapping puffs brighten. Depth writes stay on, hence the sort.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    const Vector3 viewer{viewerX, viewerY, viewerZ};
    for (Particle& p : sprayParticles) p.distance = Distance(viewer, p.position);
    sortFarToNear(sprayParticles.data(), 0, kSprayParticleCount - 1);

    // Textured whatever was drawn just before it.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, particleTextures[kSpraySlot]);
    for (Particle& p : sprayParticles) {
        if (!p.active) continue;
        glColor4f(1.0f, 1.0f, 1.0f, p.life);
        if (p.life > 0.0f) drawTurnedQuad(p.position, p.size, angle, useArrays);
        advanceSpray(p, frameSeconds);
        if (!stop && p.life < 0.0f) bornSpray(p);  // gravity is kept
    }
    glDisable(GL_BLEND);
}

void startWater()
{
    reloadSprite(kWaterSprite, kWaterSlot);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    for (Particle& p : waterParticles) {
        p.active = true;
        p.life = 1.0f;
        p.fade = newFade();
        p.velocity.x = randomOffset(40, -20);
        p.velocity.y = kWaterStartRise;
        p.velocity.z = randomOffset(60, 30);
        p.gravity = kWaterGravity;
        p.position = kWaterEmitter;
        p.slowdown = kWaterSlowdown;
        p.size = kWaterSize;
        p.distance = 0.0f;
    }
}

void drawWater(bool stop, float /*pitch*/, float angle, bool useArrays, float frameSeconds)
{
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, particleTextures[kWaterSlot]);
    for (Particle& p : waterParticles) {
        if (!p.active) continue;
        glColor4f(0.6f, 0.9f, 1.0f, 0.1f);
        if (p.life > 0.0f) drawTurnedQuad(p.position, p.size, angle, useArrays);
        advanceWater(p, frameSeconds);
        if (!stop && p.life < 0.0f) rebornWater(p);
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

void startFlies()
{
    glShadeModel(GL_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    reloadSprite(kFlySprite, kFlySlot);
    seedRandomFromTime();
    for (Particle& fly : flyParticles) {
        fly.active = true;
        fly.life = kFlyFullCircle;  // the circling angle
        fly.fade = newFlyRadius();
        fly.velocity.y = randomOffset(kFlyPhaseSpread, 0);  // the bobbing phase
        fly.flyPosition.x = randomOffset(10, -5);
        fly.flyPosition.y = randomOffset(10, 10);
        fly.flyPosition.z = randomOffset(10, -5);
        fly.flyHalfSize = kFlyHalfSize;
        fly.turnDirection = 1.0f;
    }
}

void drawFlies(int /*flag*/, float /*pitch*/, float angle, bool useArrays, float frameSeconds)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    // Texturing on here, not left to whatever the mole's own drawing did (a
    // mole outside the view draws nothing and leaves the state as it found it).
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, particleTextures[kFlySlot]);
    for (int i = 0; i < kFlyCount; ++i) {
        Particle& fly = flyParticles[static_cast<std::size_t>(i)];
        if (!fly.active) continue;
        // Each neighbour whose box corner touches this fly's box turns it round,
        // so two such neighbours cancel out.
        for (int j = 0; j < kFlyCount; ++j) {
            if (j == i) continue;
            const Particle& other = flyParticles[static_cast<std::size_t>(j)];
            if (minimumCornerInside(fly, other) || minimumCornerInside(other, fly)) fly.turnDirection *= -1.0f;
        }
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        drawTurnedQuad(fly.flyPosition, fly.flyHalfSize, angle, useArrays);

        // Angle and phase go to sin and cos as radians.
        const float radius = fly.fade;
        float& flyAngle = fly.life;
        float& phase = fly.velocity.y;
        fly.flyPosition.x = portable::sin(flyAngle) * radius;
        fly.flyPosition.y = portable::sin(phase);
        fly.flyPosition.z = portable::cos(flyAngle) * radius;
        flyAngle -= static_cast<float>(i + 1) * fly.turnDirection * frameSeconds;
        phase += kFlyBobRate * frameSeconds;
        if (phase >= kFlyFullCircle) phase = 0.0f;
        if (flyAngle == 0.0f || flyAngle == -kFlyFullCircle) {
            flyAngle = kFlyFullCircle;
            fly.fade = newFlyRadius();
        }
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

void stopSprayAndWater()
{
    for (Particle& p : sprayParticles) p.active = false;
    for (Particle& p : waterParticles) p.active = false;
}

int liveSprayParticles() { return countLive(sprayParticles); }
int liveWaterParticles() { return countLive(waterParticles); }

bool fliesActive()
{
    for (const Particle& fly : flyParticles)
        if (fly.active) return true;
    return false;
}
