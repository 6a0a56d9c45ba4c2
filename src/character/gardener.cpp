#include "character/gardener.h"

#include "character/playback.h"
#include "effects/particles.h"

#include <GL/gl.h>

#include <cstdio>

Gardener gardener;

namespace {
const Vector3 kUpAxis{0.0f, 1.0f, 0.0f};

// The animations the game plays by name; a damaged table that lacks one
// leaves the gardener standing through it, which the player is told.
constexpr const char* kAnimationsPlayedByName[] = {
    "LEGS_IDLE", "TORSO_IDLE", "TORSO_GIESSEN", "TORSO_SPRAY", "BOTH_FALL",
    "BOTH_DANCE_BEGIN", "BOTH_DEAD", "BOTH_REALLY_DEAD",
};

bool hasAnimation(const MeshModel& model, const char* name)
{
    for (const AnimationInfo& animation : model.animations)
        if (sameNameIgnoringCase(animation.name, name)) return true;
    return false;
}

void reportMissingAnimations(const CharacterModel& character)
{
    // Nothing to add when the table did not load at all: its loader has said why.
    if (character.lower.animations.empty() && character.upper.animations.empty()) return;
    for (const char* name : kAnimationsPlayedByName) {
        if (!hasAnimation(character.lower, name) && !hasAnimation(character.upper, name))
            std::fprintf(stderr, "%s/%s_animation.cfg: no animation %s; the gardener does not show it\n",
                         kGardenerFolder, kGardenerBaseName, name);
    }
}
constexpr float kSpecular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr float kShininess = 5.0f;
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// Where the spray can's nozzle and the watering can's rose are, relative to
// the gardener's origin before his heading (the water also turns 65 degrees more).
constexpr Vector3 kSprayEmitter{-21.0f, -1.0f, -19.5f};
constexpr Vector3 kWaterEmitter{20.5f, -20.5f, -2.7f};
constexpr float kWaterExtraTurn = 65.0f;

// Turns the matrix by degrees about the vertical through the gardener, then
// moves to the emitter point (in the world frame of his unturned position).
void placeEffect(const Gardener& g, float degrees, Vector3 emitter)
{
    glPushMatrix();
    glTranslatef(g.position.x, g.position.y, g.position.z);
    glRotatef(degrees, 0.0f, 1.0f, 0.0f);
    glTranslatef(-g.position.x, -g.position.y, -g.position.z);
    glPushMatrix();
    glTranslatef(g.position.x + emitter.x, g.position.y + emitter.y, g.position.z + emitter.z);
}

void endEffect()
{
    glPopMatrix();
    glPopMatrix();
}

const AnimationInfo* entry(const MeshModel& model, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= model.animations.size()) return nullptr;
    return &model.animations[static_cast<std::size_t>(index)];
}

Vector3 turnedWithGardener(const Gardener& g, Vector3 offset)
{
    return RotateAroundAxis(offset, kUpAxis, g.heading * kDegreesToRadians);
}
}  // namespace

void resetGardenerPlacement(Gardener& g)
{
    g.position = kGardenerStartPosition;
    g.heading = 0.0f;
    g.bodyOffset = kBodyOffset;
    g.bodyRadius = kBodyRadius;
    g.strikeOffset = kStrikeOffset;
    g.waterOffset = kWaterOffset;
    g.sprayOffset = kSprayOffset;
    g.busy = 0;
}

void moveGardener(Gardener& g, Vector3 step) { g.position = Add(g.position, step); }

Sphere bodySphere(const Gardener& g) { return {Add(g.position, g.bodyOffset), g.bodyRadius}; }

Sphere strikeSphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.strikeOffset)), kStrikeRadius};
}

Sphere waterSphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.waterOffset)), kEffectRadius};
}

Sphere spraySphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.sprayOffset)), kEffectRadius};
}

void setUpGardener(Gardener& g, int loadModel)
{
    g.position = kGardenerStartPosition;
    g.heading = 0.0f;
    // The game goes on with whatever loaded; the steps cope with missing entries.
    if (loadModel == 1) {
        loadCharacter(g.character, kGardenerFolder, kGardenerBaseName);
        reportMissingAnimations(g.character);
    }
    setTorsoAnimation(g.character, "TORSO_IDLE");
    setLegsAnimation(g.character, "LEGS_IDLE");
    resetGardenerPlacement(g);
    g.waterEffect = false;
    g.sprayEffect = false;
    g.stepAllowed = false;
    g.dying = false;
    g.falling = 0;
    g.effectFinished = false;
    g.effectVisible = false;
}

void drawGardener(Gardener& g, float pitch, float yaw, Vector3 eye, bool useVertexArrays, bool wireframe,
                  double frameSeconds)
{
    drawGardenerFigure(g, useVertexArrays, wireframe);
    drawGardenerEffects(g, pitch, yaw, eye, useVertexArrays, frameSeconds);
}

void setGardenerMaterial()
{
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, kShininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, kWhite);
    // Colour material is on: the current colour stands for ambient and
    // diffuse, so it must be white too or the last actor's colour tints the skins.
    glColor4fv(kWhite);
}

void drawGardenerFigure(Gardener& g, bool useVertexArrays, bool wireframe)
{
    glPushMatrix();
    glTranslatef(g.position.x, g.position.y, g.position.z);
    glRotatef(g.heading, 0.0f, 1.0f, 0.0f);
    setGardenerMaterial();
    drawCharacter(g.character, useVertexArrays, wireframe);
    glPopMatrix();
}

void drawGardenerEffects(Gardener& g, float pitch, float yaw, Vector3 eye, bool useVertexArrays, double frameSeconds)
{
    const auto seconds = static_cast<float>(frameSeconds);
    if (g.sprayEffect && g.effectVisible) {
        placeEffect(g, g.heading, kSprayEmitter);
        drawSpray(g.effectFinished, pitch, yaw - g.heading, eye.x, eye.y, eye.z, useVertexArrays, seconds);
        endEffect();
    }
    if (g.waterEffect && g.effectVisible) {
        placeEffect(g, g.heading + kWaterExtraTurn, kWaterEmitter);
        drawWater(g.effectFinished, pitch, yaw - g.heading - kWaterExtraTurn, useVertexArrays, seconds);
        endEffect();
    }
}

void playBoth(Gardener& g, const char* name)
{
    setLegsAnimation(g.character, name);
    setTorsoAnimation(g.character, name);
}

void playTorso(Gardener& g, const char* name) { setTorsoAnimation(g.character, name); }

void playIdle(Gardener& g)
{
    setLegsAnimation(g.character, "LEGS_IDLE");
    setTorsoAnimation(g.character, "TORSO_IDLE");
}

void playReallyDead(Gardener& g) { playBoth(g, "BOTH_REALLY_DEAD"); }

bool holdAnimation(Gardener& g, int part, int index)
{
    g.currentPart = part;
    MeshModel& model = characterPart(g.character, part);
    const AnimationInfo* animation = entry(model, index);
    if (animation != nullptr) model.currentAnimation = index;
    if (animation == nullptr || model.currentFrame == animation->endFrame - 1) {
        g.busy = 0;
        return false;
    }
    return true;
}

bool holdWalkAnimation(Gardener& g, int part, int index)
{
    g.currentPart = part;
    MeshModel& model = characterPart(g.character, part);
    if (entry(model, index) != nullptr) model.currentAnimation = index;
    const AnimationInfo* marker = entry(model, kWalkUnderwayMarker);
    return marker == nullptr || model.currentFrame >= marker->endFrame;
}

bool effectWindow(Gardener& g, int index)
{
    const MeshModel& model = characterPart(g.character, g.currentPart);
    const AnimationInfo* start = entry(model, index);
    const AnimationInfo* end = entry(model, index + 1);
    if (start == nullptr || end == nullptr) {
        g.effectFinished = true;
        return false;
    }
    if (model.currentFrame <= start->endFrame) {
        g.effectFinished = false;
        return false;
    }
    if (model.currentFrame <= end->endFrame - 1) return true;
    g.effectFinished = true;
    return false;
}

bool strikeStep(Gardener& g, int& striking)
{
    striking = holdAnimation(g, kLegsPart, kStrikeAnimation) ? 1 : 0;
    holdAnimation(g, kTorsoPart, kStrikeAnimation);
    g.effectVisible = effectWindow(g, kStrikeBlowMarker);
    return g.effectVisible;
}

void walkStep(Gardener& g)
{
    g.stepAllowed = holdWalkAnimation(g, kLegsPart, kWalkAnimation);
    holdWalkAnimation(g, kTorsoPart, kWalkAnimation);
}

void danceStep(Gardener& g, int& dancing)
{
    dancing = holdAnimation(g, kLegsPart, kDanceAnimation) ? 1 : 0;
    holdAnimation(g, kTorsoPart, kDanceAnimation);
}

void fallStep(Gardener& g)
{
    g.falling = holdAnimation(g, kLegsPart, kFallAnimation) ? 1 : 0;
    holdAnimation(g, kTorsoPart, kFallAnimation);
}

void sprayStep(Gardener& g, int& spraying)
{
    spraying = holdAnimation(g, kTorsoPart, kSprayAnimation) ? 1 : 0;
    g.effectVisible = effectWindow(g, kSprayJetMarker);
}

void waterStep(Gardener& g, int& watering)
{
    watering = holdAnimation(g, kTorsoPart, kWaterAnimation) ? 1 : 0;
    g.effectVisible = effectWindow(g, kWaterFlowMarker);
}

void dyingStep(Gardener& g)
{
    g.currentPart = kTorsoPart;
    if (characterPart(g.character, kTorsoPart).currentFrame > kLastDyingFrame) g.dying = false;
}
