#pragma once
// Playing and drawing a character: each of legs and torso advances its own
// animation on the animation clock, meshes are blended between the current
// and the next key frame, and the torso is drawn in the frame of the legs'
// tag, itself blended by spherical interpolation.
#include "character/character_model.h"

#include <array>
#include <cstdint>

struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};

// By name, ignoring case: makes the animation current and starts it at its
// first frame. An unknown name changes nothing.
void setLegsAnimation(CharacterModel& character, const char* name);
void setTorsoAnimation(CharacterModel& character, const char* name);

// Chooses the next frame (looping inside the current animation) and
// advances the time.
void updateModel(MeshModel& model);
// Advances the current frame when its duration has passed on the animation
// clock (at most one frame per call) and sets the blend factor.
void advanceAnimationTime(MeshModel& model);
// The same at the given animation-clock reading.
void advanceAnimationTime(MeshModel& model, std::uint32_t nowMilliseconds);

// The animation clock: the tick count in milliseconds (the virtual clock
// under a fixed tick length). Differences are taken modulo 2^32, so they stay
// exact however long the system has been running.
std::uint32_t animationClockMilliseconds();

// Updates and draws legs and torso in the current matrix.
void drawCharacter(CharacterModel& character, bool useVertexArrays, bool wireframe);
void drawLinkedModel(CharacterModel& character, MeshModel& model, bool useVertexArrays, bool wireframe);
void renderModel(CharacterModel& character, MeshModel& model, bool useVertexArrays, bool wireframe);

// A frame number kept to the key frames the model (or object) holds.
std::int32_t clampedFrame(std::int32_t frame, std::int32_t keyFrames);

// The blended transform of tag i of model (column-major, tag position in 12..14).
std::array<float, 16> blendedTagMatrix(const MeshModel& model, std::size_t tag);

// From a 3 x 3 (size 3) or 4 x 4 (size 4) matrix; other sizes or no matrix leave q as it is.
void quaternionFromMatrix(Quaternion& q, const float* matrix, int size);
// Spherical interpolation; q2 is turned round when the two lie more than a
// quarter turn apart.
Quaternion slerp(const Quaternion& q1, Quaternion& q2, float t);
void matrixFromQuaternion(const Quaternion& q, float* matrix);
