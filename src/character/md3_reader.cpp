#include "character/md3_reader.h"

#include "assets/mesh_surface.h"
#include "platform/bit_cast.h"
#include "platform/bulk_buffer.h"
#include "platform/message_box.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <utility>

namespace {

constexpr std::size_t kHeaderSize = 108;
constexpr std::size_t kFrameRecordSize = 56;
constexpr std::size_t kTagRecordSize = 112;
constexpr std::size_t kMeshHeaderSize = 108;
constexpr std::size_t kSkinRecordSize = 68;
constexpr std::size_t kTriangleRecordSize = 12;
constexpr std::size_t kTexCoordRecordSize = 8;
constexpr std::size_t kVertexRecordSize = 8;
constexpr std::size_t kMeshNameOffset = 4;
constexpr std::size_t kMeshNameSize = 68;
constexpr std::size_t kTagNameSize = 64;
constexpr std::int32_t kSupportedVersion = 15;
constexpr float kCoordinateUnit = 64.0f;  // vertex coordinates are stored in 1/64 units

std::uint32_t u32At(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t i32At(const std::uint8_t* p) { return static_cast<std::int32_t>(u32At(p)); }
[[maybe_unused]] std::int16_t i16At(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }
float f32At(const std::uint8_t* p) { return bitCast<float>(u32At(p)); }

// A zero-terminated name inside a fixed field; a field without its zero
// ends at the field's end.
std::string fixedName(const std::uint8_t* p, std::size_t field)
{
    const void* zero = std::memchr(p, 0, field);
    const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - p) : field;
    return std::string(reinterpret_cast<const char*>(p), length);
}

// Count times record bytes starting at offset lie within [0, limit)?
// All in 64 bits: counts and record sizes are bounded far below overflow.
bool fits(std::uint64_t offset, std::uint64_t count, std::uint64_t record, std::uint64_t limit)
{
    return offset <= limit && count * record <= limit - offset;
}

// Positions of all key frames: three 16-bit coordinates in 1/64 units per
// record. The bulk of a file, so read without per-element bounds work (the
// caller has checked the whole range).
void readVertices(const std::uint8_t* p, std::size_t count, std::vector<Vector3>& out)
{
    out.clear();
    out.reserve(count);
    prepareForFilling(out.data(), count * sizeof(Vector3));  // megabytes, filled here at once
    out.resize(count);
    Vector3* to = out.data();
    constexpr float kUnitScale = 1.0f / kCoordinateUnit;  // exact: a power of two
    for (std::size_t v = 0; v < count; ++v, p += kVertexRecordSize) {
        std::int16_t xyz[3];
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(xyz, p, sizeof xyz);
        } else {
            xyz[0] = i16At(p), xyz[1] = i16At(p + 2), xyz[2] = i16At(p + 4);
        }
        to[v] = {xyz[0] * kUnitScale, xyz[1] * kUnitScale, xyz[2] * kUnitScale};
    }
}

struct MeshHeader {
    std::string name;
    std::int32_t keyFrames = 0;
    std::int32_t skins = 0;
    std::int32_t vertices = 0;
    std::int32_t triangles = 0;
    std::int32_t trianglesAt = 0;
    std::int32_t texCoordsAt = 0;
    std::int32_t verticesAt = 0;
    std::int32_t size = 0;
};

MeshHeader readMeshHeader(const std::uint8_t* p)
{
    MeshHeader h;
    h.name = fixedName(p + kMeshNameOffset, kMeshNameSize);
    h.keyFrames = i32At(p + 72);
    h.skins = i32At(p + 76);
    h.vertices = i32At(p + 80);
    h.triangles = i32At(p + 84);
    h.trianglesAt = i32At(p + 88);
    h.texCoordsAt = i32At(p + 96);
    h.verticesAt = i32At(p + 100);
    h.size = i32At(p + 104);
    return h;
}

// Vertex normals from key frame 0: the face vectors (p0 - p2) x (p2 - p1) of
// the faces using a vertex are summed (a face once even when it names the
// vertex twice), divided by minus their number and normalised. A vertex no
// face uses, or whose sum vanishes, keeps the zero vector.
void computeMd3Normals(MeshObject& object)
{
    const auto vertexCount = static_cast<std::size_t>(object.vertexCount);
    std::vector<Vector3> sums(vertexCount);
    std::vector<std::int32_t> uses(vertexCount, 0);
    for (const MeshFace& face : object.faces) {
        const auto& k = face.vertexIndex;
        const Vector3 p0 = object.vertices[static_cast<std::size_t>(k[0])];
        const Vector3 p1 = object.vertices[static_cast<std::size_t>(k[1])];
        const Vector3 p2 = object.vertices[static_cast<std::size_t>(k[2])];
        const Vector3 n = Cross(Subtract(p0, p2), Subtract(p2, p1));
        for (std::size_t corner = 0; corner < 3; ++corner) {
            if ((corner > 0 && k[corner] == k[0]) || (corner == 2 && k[2] == k[1])) continue;
            const auto j = static_cast<std::size_t>(k[corner]);
            sums[j] = Add(sums[j], n);
            ++uses[j];
        }
    }
    object.normals.assign(vertexCount, Vector3{});
    for (std::size_t j = 0; j < vertexCount; ++j) {
        if (uses[j] == 0) continue;
        const Vector3 s = DivideByScalar(sums[j], -static_cast<float>(uses[j]));
        if (Dot(s, s) > 0.0f) object.normals[j] = Normalize(s);
    }
}

}  // namespace

bool Md3Reader::fail(const std::string& text)
{
    lastError_ = text;
    showMessageBox("Error", text);
    return false;
}

bool Md3Reader::import(MeshModel& model, const std::string& path)
{
    std::error_code error;
    BulkBuffer bytes;
    if (!std::filesystem::is_regular_file(path, error) || !readFileBytes(path, bytes, kMaxModelFileBytes)) {
        return fail("Unable to find the file: " + path + "!");
    }
    return importFromMemory(model, bytes.data(), bytes.size(), path);
}

bool Md3Reader::importFromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size,
                                 const std::string& path)
{
    lastError_.clear();
    if (data == nullptr) size = 0;
    const auto refuse = [&](const std::string& what) { return fail("Invalid MD3 file (" + what + "): " + path + "!"); };

    if (size < kHeaderSize) {
        if (size >= 4 && std::memcmp(data, "IDP3", 4) != 0) {
            return fail("Invalid file format (Version not 15): " + path + "!");
        }
        return refuse("shorter than its header");
    }
    if (std::memcmp(data, "IDP3", 4) != 0 || i32At(data + 4) != kSupportedVersion) {
        return fail("Invalid file format (Version not 15): " + path + "!");
    }
    const std::int32_t keyFrames = i32At(data + 76);
    const std::int32_t tagCount = i32At(data + 80);
    const std::int32_t meshCount = i32At(data + 84);
    if (keyFrames < 0 || keyFrames > kMd3MaxKeyFrames) return refuse("key-frame count " + std::to_string(keyFrames));
    if (tagCount < 0 || tagCount > kMd3MaxTags) return refuse("tag count " + std::to_string(tagCount));
    if (meshCount < 0 || meshCount > kMd3MaxMeshes) return refuse("mesh count " + std::to_string(meshCount));

    // Frame records are skipped; the tags follow them.
    const std::uint64_t tagsAt = kHeaderSize + static_cast<std::uint64_t>(keyFrames) * kFrameRecordSize;
    const std::uint64_t tagRecords = static_cast<std::uint64_t>(keyFrames) * static_cast<std::uint64_t>(tagCount);
    if (!fits(kHeaderSize, static_cast<std::uint64_t>(keyFrames), kFrameRecordSize, size)) {
        return refuse("frame records run past the end");
    }
    if (!fits(tagsAt, tagRecords, kTagRecordSize, size)) return refuse("tags run past the end");

    std::vector<Md3Tag> tags(static_cast<std::size_t>(tagRecords));
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const std::uint8_t* p = data + tagsAt + i * kTagRecordSize;
        Md3Tag& tag = tags[i];
        std::memcpy(tag.name.data(), p, kTagNameSize);
        tag.name[kTagNameSize - 1] = '\0';
        tag.position = {f32At(p + 64), f32At(p + 68), f32At(p + 72)};
        for (std::size_t k = 0; k < tag.rotation.size(); ++k) tag.rotation[k] = f32At(p + 76 + 4 * k);
    }

    std::vector<MeshObject> objects;
    objects.reserve(static_cast<std::size_t>(meshCount));
    std::uint64_t meshStart = tagsAt + tagRecords * kTagRecordSize;
    for (std::int32_t m = 0; m < meshCount; ++m) {
        const std::string which = "mesh " + std::to_string(m);
        if (!fits(meshStart, 1, kMeshHeaderSize, size)) return refuse(which + " header runs past the end");
        const MeshHeader h = readMeshHeader(data + meshStart);
        // Each mesh must hold at least its header and lie inside the file,
        // so the walk always moves forward and ends.
        if (h.size < static_cast<std::int32_t>(kMeshHeaderSize) || !fits(meshStart, 1, static_cast<std::uint64_t>(h.size), size)) {
            return refuse(which + " size " + std::to_string(h.size));
        }
        const auto meshSize = static_cast<std::uint64_t>(h.size);
        if (h.vertices < 0 || h.vertices > kMd3MaxVertices) return refuse(which + " vertex count " + std::to_string(h.vertices));
        if (h.triangles < 0 || h.triangles > kMd3MaxTriangles) {
            return refuse(which + " triangle count " + std::to_string(h.triangles));
        }
        if (h.skins < 0 || h.skins > kMd3MaxSkins) return refuse(which + " skin count " + std::to_string(h.skins));
        if (h.keyFrames < 0 || h.keyFrames > kMd3MaxKeyFrames || (h.keyFrames == 0 && h.vertices > 0)) {
            return refuse(which + " key-frame count " + std::to_string(h.keyFrames));
        }
        const auto vertexCount = static_cast<std::uint64_t>(h.vertices);
        const auto triangleCount = static_cast<std::uint64_t>(h.triangles);
        const std::uint64_t frameVertices = static_cast<std::uint64_t>(h.keyFrames) * vertexCount;
        // Skin records follow the header; every section lies inside the mesh.
        if (!fits(kMeshHeaderSize, static_cast<std::uint64_t>(h.skins), kSkinRecordSize, meshSize)) {
            return refuse(which + " skins run past the mesh");
        }
        if (h.trianglesAt < 0 || !fits(static_cast<std::uint64_t>(h.trianglesAt), triangleCount, kTriangleRecordSize, meshSize)) {
            return refuse(which + " triangles run past the mesh");
        }
        if (h.texCoordsAt < 0 || !fits(static_cast<std::uint64_t>(h.texCoordsAt), vertexCount, kTexCoordRecordSize, meshSize)) {
            return refuse(which + " texture coordinates run past the mesh");
        }
        if (h.verticesAt < 0 || !fits(static_cast<std::uint64_t>(h.verticesAt), frameVertices, kVertexRecordSize, meshSize)) {
            return refuse(which + " vertices run past the mesh");
        }

        MeshObject object;
        object.name = h.name;
        object.vertexCount = h.vertices;
        object.textureCoordinateCount = h.vertices;
        object.faceCount = h.triangles;
        object.faces.resize(static_cast<std::size_t>(triangleCount));
        const std::uint8_t* triangles = data + meshStart + static_cast<std::uint64_t>(h.trianglesAt);
        for (std::size_t f = 0; f < object.faces.size(); ++f) {
            MeshFace& face = object.faces[f];
            for (std::size_t c = 0; c < 3; ++c) {
                const std::int32_t index = i32At(triangles + f * kTriangleRecordSize + 4 * c);
                if (index < 0 || index >= h.vertices) {
                    return refuse(which + " triangle " + std::to_string(f) + " names vertex " + std::to_string(index) +
                                  " of " + std::to_string(h.vertices));
                }
                face.vertexIndex[c] = index;
                face.textureCoordinateIndex[c] = index;
            }
        }
        object.textureCoordinates.resize(static_cast<std::size_t>(vertexCount));
        const std::uint8_t* texCoords = data + meshStart + static_cast<std::uint64_t>(h.texCoordsAt);
        for (std::size_t v = 0; v < object.textureCoordinates.size(); ++v) {
            const std::uint8_t* p = texCoords + v * kTexCoordRecordSize;
            object.textureCoordinates[v] = {f32At(p), -f32At(p + 4)};
        }
        readVertices(data + meshStart + static_cast<std::uint64_t>(h.verticesAt), static_cast<std::size_t>(frameVertices),
                     object.vertices);
        objects.push_back(std::move(object));
        meshStart += meshSize;
    }

    for (MeshObject& object : objects) {
        computeMd3Normals(object);
        object.elementIndices.clear();
        object.elementIndices.reserve(object.faces.size() * 3);
        for (const MeshFace& face : object.faces) {
            for (std::int32_t k : face.vertexIndex) object.elementIndices.push_back(static_cast<std::uint32_t>(k));
        }
        object.frameVertices.assign(static_cast<std::size_t>(object.vertexCount), Vector3{});
        object.closed = isClosedSurface(object);
    }

    model.objects.insert(model.objects.end(), std::make_move_iterator(objects.begin()),
                         std::make_move_iterator(objects.end()));
    model.objectCount = static_cast<std::int32_t>(model.objects.size());
    model.tags = std::move(tags);
    model.tagCount = tagCount;
    model.links.assign(static_cast<std::size_t>(tagCount), nullptr);
    return true;
}

bool importMd3(MeshModel& model, const std::string& path) { return Md3Reader{}.import(model, path); }

bool importMd3FromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size, const std::string& path)
{
    return Md3Reader{}.importFromMemory(model, data, size, path);
}

std::int32_t keyFrameCount(const MeshObject& object)
{
    if (object.vertexCount <= 0) return 0;
    return static_cast<std::int32_t>(object.vertices.size() / static_cast<std::size_t>(object.vertexCount));
}

std::int32_t keyFrameCount(const MeshModel& model)
{
    if (model.tagCount > 0) return static_cast<std::int32_t>(model.tags.size() / static_cast<std::size_t>(model.tagCount));
    return model.objects.empty() ? 0 : keyFrameCount(model.objects.front());
}
