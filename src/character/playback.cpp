#include "character/playback.h"

#include "character/md3_reader.h"
#include "math/portable_math.h"
#include "platform/clock.h"

#include <GL/gl.h>

#include <cmath>

namespace {

constexpr float kTrivialTrace = 0.00000001f;
constexpr float kLinearBlendLimit = 0.1f;  // below this angle distance plain linear weights are used
constexpr float kMillisecondsPerSecond = 1000.0f;

void setAnimation(MeshModel& model, const char* name)
{
    if (name == nullptr) return;
    for (std::size_t i = 0; i < model.animations.size(); ++i) {
        if (sameNameIgnoringCase(model.animations[i].name, name)) {
            model.currentAnimation = static_cast<std::int32_t>(i);
            model.currentFrame = model.animations[i].firstFrame;
            return;
        }
    }
}

const AnimationInfo* currentAnimation(const MeshModel& model)
{
    if (model.animations.empty() || model.currentAnimation < 0 ||
        static_cast<std::size_t>(model.currentAnimation) >= model.animations.size()) {
        return nullptr;
    }
    return &model.animations[static_cast<std::size_t>(model.currentAnimation)];
}

Vector3 blend(Vector3 a, Vector3 b, float t) { return Add(a, Scale(Subtract(b, a), t)); }

}  // namespace

void setLegsAnimation(CharacterModel& character, const char* name) { setAnimation(character.lower, name); }

void setTorsoAnimation(CharacterModel& character, const char* name) { setAnimation(character.upper, name); }

std::uint32_t animationClockMilliseconds() { return gameClock().tickCountMilliseconds(); }

void updateModel(MeshModel& model)
{
    std::int32_t first = 0;
    std::int32_t end = 1;
    if (model.animationCount != 0) {
        if (const AnimationInfo* animation = currentAnimation(model)) {
            first = animation->firstFrame;
            end = animation->endFrame;
        }
    }
    if (end < 1) end = 1;  // an empty animation shows its first frame
    // Frames stay far below the integer limit (the table's limit), and a
    // negative frame left by damaged data counts from 0.
    const std::int32_t current = model.currentFrame < 0 ? 0 : model.currentFrame;
    std::int32_t next = static_cast<std::int32_t>((static_cast<std::int64_t>(current) + 1) % end);
    if (next == 0) next = first;
    model.nextFrame = next;
    advanceAnimationTime(model);
}

void advanceAnimationTime(MeshModel& model) { advanceAnimationTime(model, animationClockMilliseconds()); }

void advanceAnimationTime(MeshModel& model, std::uint32_t nowMilliseconds)
{
    const AnimationInfo* animation = currentAnimation(model);
    if (animation == nullptr) return;
    const auto elapsed = static_cast<float>(nowMilliseconds - model.lastFrameTime);
    // No rate: the frame stands still.
    if (animation->framesPerSecond <= 0) {
        model.interpolation = 0.0f;
        return;
    }
    const float duration = kMillisecondsPerSecond / static_cast<float>(animation->framesPerSecond);
    const float t = elapsed / duration;
    if (elapsed >= duration) {
        model.currentFrame = model.nextFrame;
        model.lastFrameTime = nowMilliseconds;
    }
    model.interpolation = t;
}

std::int32_t clampedFrame(std::int32_t frame, std::int32_t keyFrames)
{
    if (keyFrames <= 0 || frame < 0) return 0;
    return frame < keyFrames ? frame : keyFrames - 1;
}

void drawCharacter(CharacterModel& character, bool useVertexArrays, bool wireframe)
{
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    updateModel(character.lower);
    updateModel(character.upper);
    drawLinkedModel(character, character.lower, useVertexArrays, wireframe);
}

std::array<float, 16> blendedTagMatrix(const MeshModel& model, std::size_t tag)
{
    std::array<float, 16> matrix{};
    matrix[0] = matrix[5] = matrix[10] = matrix[15] = 1.0f;
    const auto tagCount = static_cast<std::size_t>(model.tagCount);
    const std::int32_t keyFrames = keyFrameCount(model);
    if (tag >= tagCount || keyFrames <= 0) return matrix;
    const auto f0 = static_cast<std::size_t>(clampedFrame(model.currentFrame, keyFrames));
    const auto f1 = static_cast<std::size_t>(clampedFrame(model.nextFrame, keyFrames));
    const Md3Tag& t0 = model.tags[f0 * tagCount + tag];
    const Md3Tag& t1 = model.tags[f1 * tagCount + tag];
    const float t = model.interpolation;
    const Vector3 position = blend(t0.position, t1.position, t);
    Quaternion q1;
    Quaternion q2;
    quaternionFromMatrix(q1, t0.rotation.data(), 3);
    quaternionFromMatrix(q2, t1.rotation.data(), 3);
    const Quaternion q = slerp(q1, q2, t);
    matrixFromQuaternion(q, matrix.data());
    matrix[12] = position.x;
    matrix[13] = position.y;
    matrix[14] = position.z;
    return matrix;
}

void drawLinkedModel(CharacterModel& character, MeshModel& model, bool useVertexArrays, bool wireframe)
{
    renderModel(character, model, useVertexArrays, wireframe);
    for (std::size_t i = 0; i < static_cast<std::size_t>(model.tagCount) && i < model.links.size(); ++i) {
        MeshModel* linked = model.links[i];
        // A model linked to itself would never end; links only hang models below.
        if (linked == nullptr || linked == &model) continue;
        const std::array<float, 16> matrix = blendedTagMatrix(model, i);
        glPushMatrix();
        glMultMatrixf(matrix.data());
        drawLinkedModel(character, *linked, useVertexArrays, wireframe);
        glPopMatrix();
    }
}

void renderModel(CharacterModel& character, MeshModel& model, bool useVertexArrays, bool wireframe)
{
    if (model.objects.empty()) return;
    const GLenum primitive = wireframe ? GL_LINES : GL_TRIANGLES;
    glLineWidth(1.0f);
    const float t = model.interpolation;
    for (MeshObject& object : model.objects) {
        const std::int32_t keyFrames = keyFrameCount(object);
        if (keyFrames <= 0 || object.faces.empty()) continue;
        const auto vertexCount = static_cast<std::size_t>(object.vertexCount);
        const std::size_t f0 = static_cast<std::size_t>(clampedFrame(model.currentFrame, keyFrames)) * vertexCount;
        const std::size_t f1 = static_cast<std::size_t>(clampedFrame(model.nextFrame, keyFrames)) * vertexCount;

        bool textured = false;
        if (object.textured && object.materialIndex >= 0 &&
            static_cast<std::size_t>(object.materialIndex) < model.materials.size()) {
            const std::int32_t slot = model.materials[static_cast<std::size_t>(object.materialIndex)].textureIndex;
            if (slot >= 0 && static_cast<std::size_t>(slot) < character.textureNames.size() &&
                character.textureNames[static_cast<std::size_t>(slot)] != 0) {
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, character.textureNames[static_cast<std::size_t>(slot)]);
                textured = true;
            }
        }
        if (!textured) glDisable(GL_TEXTURE_2D);

        const bool hasTextureCoordinates = object.textureCoordinates.size() >= vertexCount;
        // A closed surface's back faces lie behind its front faces: not drawn.
        if (object.closed) glEnable(GL_CULL_FACE);
        if (useVertexArrays) {
            for (std::size_t j = 0; j < vertexCount; ++j) {
                object.frameVertices[j] = blend(object.vertices[f0 + j], object.vertices[f1 + j], t);
            }
            glVertexPointer(3, GL_FLOAT, 0, object.frameVertices.data());
            glNormalPointer(GL_FLOAT, 0, object.normals.data());
            glTexCoordPointer(2, GL_FLOAT, 0, object.textureCoordinates.data());
            glDrawElements(primitive, static_cast<GLsizei>(object.elementIndices.size()), GL_UNSIGNED_INT,
                           object.elementIndices.data());
        } else {
            glBegin(primitive);
            for (const MeshFace& face : object.faces) {
                for (std::int32_t index : face.vertexIndex) {
                    const auto d = static_cast<std::size_t>(index);
                    glNormal3f(object.normals[d].x, object.normals[d].y, object.normals[d].z);
                    if (hasTextureCoordinates) {
                        glTexCoord2f(object.textureCoordinates[d].x, object.textureCoordinates[d].y);
                    }
                    const Vector3 v = blend(object.vertices[f0 + d], object.vertices[f1 + d], t);
                    glVertex3f(v.x, v.y, v.z);
                }
            }
            glEnd();
        }
        if (object.closed) glDisable(GL_CULL_FACE);
    }
}

void quaternionFromMatrix(Quaternion& q, const float* m, int size)
{
    if (m == nullptr || (size != 3 && size != 4)) return;
    float a[16] = {};
    if (size == 3) {
        a[0] = m[0], a[1] = m[1], a[2] = m[2];
        a[4] = m[3], a[5] = m[4], a[6] = m[5];
        a[8] = m[6], a[9] = m[7], a[10] = m[8];
        a[15] = 1.0f;
    } else {
        for (int i = 0; i < 16; ++i) a[i] = m[i];
    }
    const float d = a[0] + a[5] + a[10] + 1.0f;
    if (d > kTrivialTrace) {
        const float s = 2.0f * std::sqrt(d);
        q = {(a[9] - a[6]) / s, (a[2] - a[8]) / s, (a[4] - a[1]) / s, 0.25f * s};
    } else if (a[0] > a[5] && a[0] > a[10]) {
        const float s = 2.0f * std::sqrt(1.0f + a[0] - a[5] - a[10]);
        q = {0.25f * s, (a[4] + a[1]) / s, (a[2] + a[8]) / s, (a[9] - a[6]) / s};
    } else if (a[5] > a[10]) {
        const float s = 2.0f * std::sqrt(1.0f + a[5] - a[0] - a[10]);
        q = {(a[4] + a[1]) / s, 0.25f * s, (a[9] + a[6]) / s, (a[2] - a[8]) / s};
    } else {
        const float s = 2.0f * std::sqrt(1.0f + a[10] - a[0] - a[5]);
        q = {(a[2] + a[8]) / s, (a[9] + a[6]) / s, 0.25f * s, (a[4] - a[1]) / s};
    }
}

Quaternion slerp(const Quaternion& q1, Quaternion& q2, float t)
{
    if (q1.x == q2.x && q1.y == q2.y && q1.z == q2.z && q1.w == q2.w) return q1;
    float cosine = q1.x * q2.x + q1.y * q2.y + q1.z * q2.z + q1.w * q2.w;
    if (cosine < 0.0f) {
        q2 = {-q2.x, -q2.y, -q2.z, -q2.w};
        cosine = -cosine;
    }
    float a = 1.0f - t;
    float b = t;
    if (1.0f - cosine > kLinearBlendLimit) {
        const float theta = portable::acos(cosine);
        const float sinTheta = portable::sin(theta);
        a = portable::sin((1.0f - t) * theta) / sinTheta;
        b = portable::sin(t * theta) / sinTheta;
    }
    return {a * q1.x + b * q2.x, a * q1.y + b * q2.y, a * q1.z + b * q2.z, a * q1.w + b * q2.w};
}

void matrixFromQuaternion(const Quaternion& q, float* m)
{
    if (m == nullptr) return;
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    m[0] = 1.0f - 2.0f * (y * y + z * z), m[1] = 2.0f * (x * y - w * z), m[2] = 2.0f * (x * z + w * y), m[3] = 0.0f;
    m[4] = 2.0f * (x * y + w * z), m[5] = 1.0f - 2.0f * (x * x + z * z), m[6] = 2.0f * (y * z - w * x), m[7] = 0.0f;
    m[8] = 2.0f * (x * z - w * y), m[9] = 2.0f * (y * z + w * x), m[10] = 1.0f - 2.0f * (x * x + y * y), m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}
