#pragma once
// Writer of animated meshes in the MD3 format (version 15): header, frame
// records, tags per frame, then the meshes with their shader names,
// triangles, texture coordinates and per-frame vertices with packed normals.
#include "math/vector.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

// Limits of the format (and of the engines that read it).
constexpr int kMd3Version = 15;
constexpr int kMd3MaxFrames = 1024;
constexpr int kMd3MaxTags = 16;
constexpr int kMd3MaxSurfaces = 32;
constexpr int kMd3MaxVertices = 4096;
constexpr int kMd3MaxTriangles = 8192;
constexpr std::size_t kMd3NameBytes = 64;
constexpr std::size_t kMd3FrameNameBytes = 16;
// Vertex coordinates are stored as 16-bit integers in units of 1/64.
constexpr float kMd3VertexScale = 64.0f;
constexpr float kMd3MaxCoordinate = 32767.0f / kMd3VertexScale;

// Record sizes in the file.
constexpr std::size_t kMd3HeaderBytes = 108;
constexpr std::size_t kMd3FrameBytes = 56;
constexpr std::size_t kMd3TagBytes = 112;
constexpr std::size_t kMd3SurfaceHeaderBytes = 108;
constexpr std::size_t kMd3ShaderBytes = 68;
constexpr std::size_t kMd3TriangleBytes = 12;
constexpr std::size_t kMd3TexCoordBytes = 8;
constexpr std::size_t kMd3VertexBytes = 8;

// One attachment point in one frame. axis[0..2] is the image of the tag's
// local x axis, axis[3..5] of y, axis[6..8] of z (the usual MD3 layout).
struct Md3TagPose {
    std::string name;
    Vector3 origin;
    std::array<float, 9> axis{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

struct Md3SurfaceData {
    std::string name;
    std::string shader;  // may be empty: the mesh then has no shader record
    std::vector<std::array<std::int32_t, 3>> triangles;
    std::vector<std::array<float, 2>> texCoords;  // s, t per vertex; t runs down the picture
    std::vector<std::vector<Vector3>> frames;     // vertex positions, one list per frame
};

struct Md3ModelData {
    std::string name;
    std::vector<std::string> frameNames;          // optional, one per frame
    std::vector<std::vector<Md3TagPose>> tags;    // per frame, the same tags in the same order
    std::vector<Md3SurfaceData> surfaces;
    int frameCount = 0;
};

// Packs a unit normal into the two bytes of an MD3 vertex (polar angle in
// the low byte, azimuth in the high byte, 256 steps per turn each).
std::uint16_t packMd3Normal(Vector3 normal);
Vector3 unpackMd3Normal(std::uint16_t packed);

// Serialises the model. Returns false (with a reason) when the model breaks
// a limit of the format or is inconsistent (frame counts, indices, sizes).
bool writeMd3(const Md3ModelData& model, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace contentgen
