#pragma once
// Writer of 3DS model files in the subset the game reads: one primary chunk
// holding the version, a scene block (mesh version first), the materials
// (name, diffuse colour, texture map) and the triangle-mesh objects (vertex
// list, face list with its face material list, texture coordinates).
//
// Meshes are built in the game's axes (y up) and turned into file axes on
// writing: the game reads a file vertex (x, y, z) as (x, z, -y).
#include "math/vector.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

// Chunk ids written by the writer.
namespace chunk3ds {
constexpr std::uint16_t kPrimary = 0x4D4D;
constexpr std::uint16_t kVersion = 0x0002;
constexpr std::uint16_t kScene = 0x3D3D;
constexpr std::uint16_t kMeshVersion = 0x3D3E;
constexpr std::uint16_t kMaterial = 0xAFFF;
constexpr std::uint16_t kMaterialName = 0xA000;
constexpr std::uint16_t kDiffuse = 0xA020;
constexpr std::uint16_t kColour24 = 0x0011;
constexpr std::uint16_t kTextureMap = 0xA200;
constexpr std::uint16_t kTextureFile = 0xA300;
constexpr std::uint16_t kObject = 0x4000;
constexpr std::uint16_t kTriangleMesh = 0x4100;
constexpr std::uint16_t kVertexList = 0x4110;
constexpr std::uint16_t kFaceList = 0x4120;
constexpr std::uint16_t kFaceMaterials = 0x4130;
constexpr std::uint16_t kTextureCoordinates = 0x4140;
}  // namespace chunk3ds

constexpr std::uint32_t kFileVersion3ds = 3;
constexpr std::uint32_t kMeshVersion3ds = 3;
// Counts are 16-bit in the format.
constexpr std::size_t kMaxElements3ds = 0xFFFF;

struct Material3ds {
    std::string name;
    std::array<std::uint8_t, 3> diffuse{255, 255, 255};
    std::string textureFile;  // relative to the data folder; empty: no texture map
};

struct Object3ds {
    std::string name;
    std::vector<Vector3> vertices;  // game axes; turned into file axes on writing
    std::vector<Vector2> textureCoordinates;  // one per vertex, or none
    std::vector<std::array<std::uint16_t, 3>> faces;  // counter-clockwise seen from outside
    std::string materialName;  // every face uses this material
};

struct Model3ds {
    std::vector<Material3ds> materials;
    std::vector<Object3ds> objects;
};

// Game axes to file axes: the inverse of the reader's (x, y, z) -> (x, z, -y).
Vector3 gameToFileAxes(Vector3 game);

// The file's bytes. A model that breaks the format's limits (more than 65535
// vertices or faces, texture coordinates not one per vertex, a face index out
// of range) gives an empty vector; callers treat that as a generator fault.
std::vector<std::uint8_t> write3ds(const Model3ds& model);

}  // namespace contentgen
