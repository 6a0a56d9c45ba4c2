#include "writer_3ds.h"

#include <bit>
#include <cstring>

namespace contentgen {

namespace {

// Face flags: all three edges visible, as modelling programs write them.
constexpr std::uint16_t kFaceFlagsAllEdges = 0x0007;

// Little-endian byte output with chunk headers whose lengths are filled in
// when the chunk closes.
class ChunkWriter {
public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v & 0xFF));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v & 0xFFFF));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void text(const std::string& s)
    {
        for (char c : s) u8(static_cast<std::uint8_t>(c));
        u8(0);
    }

    // Starts a chunk; returns the offset of its header for close().
    std::size_t open(std::uint16_t id)
    {
        const std::size_t start = bytes_.size();
        u16(id);
        u32(0);
        return start;
    }
    void close(std::size_t start)
    {
        const auto length = static_cast<std::uint32_t>(bytes_.size() - start);
        for (std::size_t i = 0; i < 4; ++i)
            bytes_[start + 2 + i] = static_cast<std::uint8_t>((length >> (8 * i)) & 0xFF);
    }

    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

bool objectIsValid(const Object3ds& object)
{
    if (object.vertices.size() > kMaxElements3ds || object.faces.size() > kMaxElements3ds) return false;
    if (!object.textureCoordinates.empty() && object.textureCoordinates.size() != object.vertices.size())
        return false;
    for (const auto& face : object.faces)
        for (std::uint16_t index : face)
            if (index >= object.vertices.size()) return false;
    return true;
}

void writeMaterial(ChunkWriter& out, const Material3ds& material)
{
    const std::size_t block = out.open(chunk3ds::kMaterial);
    {
        const std::size_t name = out.open(chunk3ds::kMaterialName);
        out.text(material.name);
        out.close(name);
    }
    {
        const std::size_t diffuse = out.open(chunk3ds::kDiffuse);
        const std::size_t colour = out.open(chunk3ds::kColour24);
        for (std::uint8_t c : material.diffuse) out.u8(c);
        out.close(colour);
        out.close(diffuse);
    }
    if (!material.textureFile.empty()) {
        const std::size_t map = out.open(chunk3ds::kTextureMap);
        const std::size_t file = out.open(chunk3ds::kTextureFile);
        out.text(material.textureFile);
        out.close(file);
        out.close(map);
    }
    out.close(block);
}

void writeObject(ChunkWriter& out, const Object3ds& object)
{
    const std::size_t block = out.open(chunk3ds::kObject);
    out.text(object.name);
    const std::size_t mesh = out.open(chunk3ds::kTriangleMesh);
    {
        const std::size_t list = out.open(chunk3ds::kVertexList);
        out.u16(static_cast<std::uint16_t>(object.vertices.size()));
        for (const Vector3& v : object.vertices) {
            const Vector3 f = gameToFileAxes(v);
            out.f32(f.x);
            out.f32(f.y);
            out.f32(f.z);
        }
        out.close(list);
    }
    {
        const std::size_t list = out.open(chunk3ds::kFaceList);
        out.u16(static_cast<std::uint16_t>(object.faces.size()));
        for (const auto& face : object.faces) {
            for (std::uint16_t index : face) out.u16(index);
            out.u16(kFaceFlagsAllEdges);
        }
        if (!object.materialName.empty()) {
            const std::size_t materials = out.open(chunk3ds::kFaceMaterials);
            out.text(object.materialName);
            out.u16(static_cast<std::uint16_t>(object.faces.size()));
            for (std::size_t i = 0; i < object.faces.size(); ++i) out.u16(static_cast<std::uint16_t>(i));
            out.close(materials);
        }
        out.close(list);
    }
    if (!object.textureCoordinates.empty()) {
        const std::size_t list = out.open(chunk3ds::kTextureCoordinates);
        out.u16(static_cast<std::uint16_t>(object.textureCoordinates.size()));
        for (const Vector2& uv : object.textureCoordinates) {
            out.f32(uv.x);
            out.f32(uv.y);
        }
        out.close(list);
    }
    out.close(mesh);
    out.close(block);
}

}  // namespace

Vector3 gameToFileAxes(Vector3 game)
{
    // The reader maps file (x, y, z) to game (x, z, -y).
    return {game.x, -game.z, game.y};
}

std::vector<std::uint8_t> write3ds(const Model3ds& model)
{
    for (const Object3ds& object : model.objects)
        if (!objectIsValid(object)) return {};

    ChunkWriter out;
    const std::size_t primary = out.open(chunk3ds::kPrimary);
    {
        const std::size_t version = out.open(chunk3ds::kVersion);
        out.u32(kFileVersion3ds);
        out.close(version);
    }
    const std::size_t scene = out.open(chunk3ds::kScene);
    {
        const std::size_t meshVersion = out.open(chunk3ds::kMeshVersion);
        out.u32(kMeshVersion3ds);
        out.close(meshVersion);
    }
    for (const Material3ds& material : model.materials) writeMaterial(out, material);
    for (const Object3ds& object : model.objects) writeObject(out, object);
    out.close(scene);
    out.close(primary);
    return out.take();
}

}  // namespace contentgen
