#pragma once
// The in-memory model record shared by static (3DS) and animated (MD3)
// meshes. Arrays are owned by the record (std::vector), so a model releases
// its data when it goes away and a replaced model is released with it.
#include "math/vector.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Longest name the readers keep, including the terminating zero of the file format.
constexpr std::size_t kMeshNameCapacity = 255;
// Largest model file read into memory (far beyond any model the game draws).
constexpr std::uintmax_t kMaxModelFileBytes = std::uintmax_t{1} << 30;

struct MeshMaterial {
    std::string name;             // at most kMeshNameCapacity - 1 bytes
    std::string textureFileName;  // empty when the material has no texture map
    std::array<std::uint8_t, 3> colour{};  // diffuse red, green, blue
    std::int32_t textureIndex = 0;         // slot of the model's texture-name array
};

struct MeshFace {
    std::array<std::int32_t, 3> vertexIndex{};
    std::array<std::int32_t, 3> textureCoordinateIndex{};
};

struct MeshObject {
    std::int32_t vertexCount = 0;
    std::int32_t faceCount = 0;
    std::int32_t textureCoordinateCount = 0;
    std::int32_t materialIndex = 0;  // -1 when the named material does not exist
    bool textured = false;
    bool closed = false;  // a closed, outward surface: its back faces may be culled (mesh_surface.h)
    std::string name;
    std::vector<Vector3> vertices;  // game axes; animated models: key frames one after another
    std::vector<Vector3> normals;   // one unit normal per vertex
    std::vector<Vector2> textureCoordinates;  // indexed by vertex index
    std::vector<MeshFace> faces;
    std::vector<std::uint32_t> elementIndices;  // faceCount * 3 vertex indices
    std::vector<Vector3> frameVertices;         // animated models: blended positions
};

// One named animation of an animated model.
struct AnimationInfo {
    std::string name;
    std::int32_t firstFrame = 0;
    std::int32_t endFrame = 0;  // one past the last key frame
    std::int32_t loopingFrames = 0;
    std::int32_t framesPerSecond = 0;
};

// An attachment point of an animated model, as stored in the file (112 bytes there).
struct Md3Tag {
    std::array<char, 64> name{};
    Vector3 position;
    std::array<float, 9> rotation{};
};

struct MeshModel {
    std::int32_t objectCount = 0;
    std::int32_t materialCount = 0;
    std::vector<MeshMaterial> materials;
    std::vector<MeshObject> objects;

    // Animated-model fields; a static model leaves them empty.
    std::int32_t animationCount = 0;
    std::int32_t currentAnimation = 0;
    std::int32_t currentFrame = 0;
    std::int32_t nextFrame = 0;
    float interpolation = 0.0f;
    // Animation-clock milliseconds at which the current frame was entered;
    // differences are taken modulo 2^32, so no millisecond is lost however
    // long the system has run.
    std::uint32_t lastFrameTime = 0;
    std::vector<AnimationInfo> animations;
    std::int32_t tagCount = 0;
    std::vector<MeshModel*> links;  // one per tag; nullptr where nothing is attached
    std::vector<Md3Tag> tags;       // keyFrame * tagCount + tag
};
