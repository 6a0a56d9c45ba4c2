#include "assets/model_3ds.h"

#include "assets/mesh_surface.h"
#include "platform/bit_cast.h"
#include "platform/bulk_buffer.h"
#include "platform/message_box.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <unordered_map>

namespace {

// Chunk ids the reader understands; everything else is skipped by its length.
constexpr std::uint16_t kPrimaryChunk = 0x4D4D;
constexpr std::uint16_t kFileVersion = 0x0002;
constexpr std::uint16_t kSceneBlock = 0x3D3D;
constexpr std::uint16_t kMaterialBlock = 0xAFFF;
constexpr std::uint16_t kObjectBlock = 0x4000;
constexpr std::uint16_t kMaterialName = 0xA000;
constexpr std::uint16_t kDiffuseColour = 0xA020;
constexpr std::uint16_t kTextureMap = 0xA200;
constexpr std::uint16_t kTextureFileName = 0xA300;
constexpr std::uint16_t kTriangleMesh = 0x4100;
constexpr std::uint16_t kVertexList = 0x4110;
constexpr std::uint16_t kFaceList = 0x4120;
constexpr std::uint16_t kFaceMaterialList = 0x4130;
constexpr std::uint16_t kTextureCoordinates = 0x4140;
constexpr std::uint16_t kFloatColour = 0x0010;
constexpr std::uint16_t kLinearFloatColour = 0x0013;

constexpr std::uint32_t kChunkHeaderSize = 6;
constexpr std::uint32_t kVertexRecordSize = 12;       // x, y, z floats
constexpr std::uint32_t kFaceRecordSize = 8;          // three indices and a flags word
constexpr std::uint32_t kTextureCoordinateSize = 8;   // u, v floats
constexpr std::uint32_t kNewestKnownVersion = 3;
// Containers inside containers (scene blocks, meshes, texture maps) nest
// no deeper than this; deeper content is skipped so a hostile file cannot
// exhaust the stack.
constexpr int kMaxChunkDepth = 32;
constexpr std::size_t kMaxNameLength = kMeshNameCapacity - 1;
constexpr Vector3 kUnusedVertexNormal{0.0f, 1.0f, 0.0f};

std::uint16_t u16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t u32At(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

float f32At(const std::uint8_t* p) { return bitCast<float>(u32At(p)); }

struct ChunkHeader {
    std::uint16_t id = 0;
    std::uint32_t length = 0;    // whole chunk including its header
    std::uint32_t consumed = 0;  // bytes taken so far, counted from the header's start

    std::uint32_t remaining() const { return length > consumed ? length - consumed : 0; }
};

// Walks the chunk tree of a 3DS file held in memory. Every read is bounded
// by the chunk being read and by the data; a child chunk never reaches past
// its parent, so each pass of a level's loop takes at least one header and
// the walk always ends.
class ChunkWalker {
public:
    ChunkWalker(const std::uint8_t* data, std::size_t size, MeshModel& model)
        : data_(data), size_(size), model_(model)
    {
    }

    // Reads the primary chunk's header; false when the data does not start
    // with one. declaredLength is the length the header claims.
    bool openPrimary(ChunkHeader& primary, std::uint32_t& declaredLength)
    {
        if (size_ < kChunkHeaderSize || u16At(data_) != kPrimaryChunk) return false;
        primary.id = kPrimaryChunk;
        declaredLength = u32At(data_ + 2);
        primary.consumed = kChunkHeaderSize;
        pos_ = kChunkHeaderSize;
        primary.length = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(declaredLength, std::min<std::uint64_t>(size_, UINT32_MAX)));
        return true;
    }

    void processMain(ChunkHeader& parent, int depth)
    {
        if (depth > kMaxChunkDepth) return skipRest(parent);
        ChunkHeader child;
        while (parent.consumed < parent.length && nextChild(parent, child)) {
            switch (child.id) {
            case kFileVersion: readVersion(child); break;
            case kSceneBlock: {
                // The first sub-chunk is the mesh version; it is taken and dropped unseen.
                ChunkHeader meshVersion;
                if (nextChild(child, meshVersion)) {
                    skipRest(meshVersion);
                    child.consumed += meshVersion.consumed;
                }
                processMain(child, depth + 1);
                break;
            }
            case kMaterialBlock:
                model_.materials.emplace_back();
                materialsByName_[std::string{}].insert(model_.materials.size() - 1);
                processMaterial(child, model_.materials.size() - 1, depth + 1);
                break;
            case kObjectBlock:
                model_.objects.emplace_back();
                model_.objects.back().name = readZeroTerminated(child);
                processObject(child, model_.objects.size() - 1, depth + 1);
                break;
            default: skipRest(child); break;
            }
            parent.consumed += child.consumed;
        }
    }

private:
    void processMaterial(ChunkHeader& parent, std::size_t index, int depth)
    {
        if (depth > kMaxChunkDepth) return skipRest(parent);
        ChunkHeader child;
        while (parent.consumed < parent.length && nextChild(parent, child)) {
            MeshMaterial& material = model_.materials[index];
            switch (child.id) {
            case kMaterialName: renameMaterial(index, readRestAsName(child)); break;
            case kDiffuseColour: {
                // Only the first colour sub-chunk is read; any further ones are
                // met at this level as siblings and skipped.
                ChunkHeader colour;
                if (nextChild(child, colour)) {
                    readColour(colour, material.colour);
                    child.consumed += colour.consumed;
                }
                break;
            }
            case kTextureMap: processMaterial(child, index, depth + 1); break;
            case kTextureFileName: material.textureFileName = readRestAsName(child); break;
            default: skipRest(child); break;
            }
            parent.consumed += child.consumed;
        }
    }

    void processObject(ChunkHeader& parent, std::size_t index, int depth)
    {
        if (depth > kMaxChunkDepth) return skipRest(parent);
        ChunkHeader child;
        while (parent.consumed < parent.length && nextChild(parent, child)) {
            MeshObject& object = model_.objects[index];
            switch (child.id) {
            case kTriangleMesh: processObject(child, index, depth + 1); break;
            case kVertexList: readVertices(child, object); break;
            case kFaceList: readFaces(child, object); break;  // nested chunks follow as siblings
            case kFaceMaterialList: readFaceMaterial(child, object); break;
            case kTextureCoordinates: readTextureCoordinates(child, object); break;
            default: skipRest(child); break;
            }
            parent.consumed += child.consumed;
        }
    }

    // The next chunk header inside parent. False ends the parent's level:
    // no room for a header (the stray bytes are skipped), the data ended, or
    // a length too small to hold its own header (the rest is skipped). A
    // length reaching past the parent is clipped to the parent.
    bool nextChild(ChunkHeader& parent, ChunkHeader& child)
    {
        const std::uint32_t room = parent.remaining();
        if (room < kChunkHeaderSize || size_ - pos_ < kChunkHeaderSize) {
            skipRest(parent);
            return false;
        }
        child.id = u16At(data_ + pos_);
        child.length = u32At(data_ + pos_ + 2);
        child.consumed = kChunkHeaderSize;
        pos_ += kChunkHeaderSize;
        if (child.length < kChunkHeaderSize) {
            parent.consumed += kChunkHeaderSize;
            skipRest(parent);
            return false;
        }
        child.length = std::min(child.length, room);
        return true;
    }

    // Pointer to up to want bytes of chunk's content; sets got to what is there.
    const std::uint8_t* take(ChunkHeader& chunk, std::size_t want, std::size_t& got)
    {
        got = std::min<std::size_t>({want, chunk.remaining(), size_ - pos_});
        const std::uint8_t* p = data_ + pos_;
        pos_ += got;
        chunk.consumed += static_cast<std::uint32_t>(got);
        return p;
    }

    void skipRest(ChunkHeader& chunk)
    {
        std::size_t got = 0;
        take(chunk, chunk.remaining(), got);
    }

    bool readU16(ChunkHeader& chunk, std::uint16_t& value)
    {
        std::size_t got = 0;
        const std::uint8_t* p = take(chunk, 2, got);
        if (got < 2) return false;
        value = u16At(p);
        return true;
    }

    // Text up to a zero byte (taken with it); clipped at the chunk's end and
    // to the longest name the record keeps.
    std::string readZeroTerminated(ChunkHeader& chunk)
    {
        const std::size_t limit = std::min<std::size_t>(chunk.remaining(), size_ - pos_);
        const std::uint8_t* begin = data_ + pos_;
        const std::uint8_t* zero = std::find(begin, begin + limit, std::uint8_t{0});
        const std::size_t length = static_cast<std::size_t>(zero - begin);
        std::size_t got = 0;
        take(chunk, zero == begin + limit ? length : length + 1, got);
        return {reinterpret_cast<const char*>(begin), std::min(length, kMaxNameLength)};
    }

    // The rest of the chunk as a name: text up to the first zero, clipped.
    std::string readRestAsName(ChunkHeader& chunk)
    {
        std::size_t got = 0;
        const std::uint8_t* p = take(chunk, chunk.remaining(), got);
        const std::size_t length = static_cast<std::size_t>(std::find(p, p + got, std::uint8_t{0}) - p);
        return {reinterpret_cast<const char*>(p), std::min(length, kMaxNameLength)};
    }

    void readVersion(ChunkHeader& chunk)
    {
        std::size_t got = 0;
        const std::uint8_t* p = take(chunk, 4, got);
        // One warning per file, however many version chunks a damaged file holds.
        if (got == 4 && u32At(p) > kNewestKnownVersion && !warnedVersion_) {
            warnedVersion_ = true;
            showMessageBox("Warning", "This 3DS file is over version 3 so it may load incorrectly");
        }
        skipRest(chunk);
    }

    // A 24-bit colour gives its bytes; a float colour is scaled to bytes.
    void readColour(ChunkHeader& chunk, std::array<std::uint8_t, 3>& colour)
    {
        std::size_t got = 0;
        const bool floats = chunk.id == kFloatColour || chunk.id == kLinearFloatColour;
        const std::uint8_t* p = take(chunk, floats ? 12 : 3, got);
        if (floats && got == 12) {
            for (std::size_t i = 0; i < 3; ++i) {
                const float f = f32At(p + 4 * i);
                colour[i] = std::isfinite(f) ? static_cast<std::uint8_t>(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f)
                                             : std::uint8_t{0};
            }
        } else if (!floats) {
            std::copy(p, p + got, colour.begin());
        }
        skipRest(chunk);
    }

    // Counts are clipped to the records the chunk really holds.
    std::size_t clippedCount(ChunkHeader& chunk, std::uint32_t recordSize, bool& ok)
    {
        std::uint16_t count = 0;
        ok = readU16(chunk, count);
        return ok ? std::min<std::size_t>(count, chunk.remaining() / recordSize) : 0;
    }

    void readVertices(ChunkHeader& chunk, MeshObject& object)
    {
        bool ok = false;
        const std::size_t count = clippedCount(chunk, kVertexRecordSize, ok);
        if (ok) {
            std::size_t got = 0;
            const std::uint8_t* p = take(chunk, count * kVertexRecordSize, got);
            object.vertices.assign(count, Vector3{});
            for (std::size_t i = 0; i < count; ++i, p += kVertexRecordSize) {
                // File axes (x, y, z) with z up become game axes (x, z, -y).
                object.vertices[i] = {f32At(p), f32At(p + 8), -f32At(p + 4)};
            }
            object.vertexCount = static_cast<std::int32_t>(count);
        }
        skipRest(chunk);
    }

    void readFaces(ChunkHeader& chunk, MeshObject& object)
    {
        bool ok = false;
        const std::size_t count = clippedCount(chunk, kFaceRecordSize, ok);
        if (!ok) return;
        std::size_t got = 0;
        const std::uint8_t* p = take(chunk, count * kFaceRecordSize, got);
        object.faces.assign(count, MeshFace{});
        for (std::size_t i = 0; i < count; ++i, p += kFaceRecordSize) {
            for (std::size_t corner = 0; corner < 3; ++corner) {
                object.faces[i].vertexIndex[corner] = u16At(p + 2 * corner);
            }
        }
        object.faceCount = static_cast<std::int32_t>(count);
    }

    // Only the last face material list of an object counts; textured, once set, stays.
    // A name no material read so far carries gives -1.
    void readFaceMaterial(ChunkHeader& chunk, MeshObject& object)
    {
        const std::string name = readZeroTerminated(chunk);
        const auto found = materialsByName_.find(name);
        if (found == materialsByName_.end() || found->second.empty()) {
            object.materialIndex = -1;
        } else {
            const std::size_t first = *found->second.begin();
            object.materialIndex = static_cast<std::int32_t>(first);
            if (!model_.materials[first].textureFileName.empty()) object.textured = true;
        }
        skipRest(chunk);
    }

    // Keeps the name index in step with the materials' names, so that a face
    // material list finds the first material of its name without comparing
    // against every material (files with thousands of both stay fast).
    void renameMaterial(std::size_t index, std::string name)
    {
        MeshMaterial& material = model_.materials[index];
        if (const auto old = materialsByName_.find(material.name); old != materialsByName_.end()) {
            old->second.erase(index);
        }
        material.name = std::move(name);
        materialsByName_[material.name].insert(index);
    }

    void readTextureCoordinates(ChunkHeader& chunk, MeshObject& object)
    {
        bool ok = false;
        const std::size_t count = clippedCount(chunk, kTextureCoordinateSize, ok);
        if (ok) {
            std::size_t got = 0;
            const std::uint8_t* p = take(chunk, count * kTextureCoordinateSize, got);
            object.textureCoordinates.assign(count, Vector2{});
            for (std::size_t i = 0; i < count; ++i, p += kTextureCoordinateSize) {
                object.textureCoordinates[i] = {f32At(p), f32At(p + 4)};  // v is kept as stored
            }
            object.textureCoordinateCount = static_cast<std::int32_t>(count);
        }
        skipRest(chunk);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    MeshModel& model_;
    bool warnedVersion_ = false;
    // Every material's index under its current name, in file order.
    std::unordered_map<std::string, std::set<std::size_t>> materialsByName_;
};

Vector3 finishNormal(Vector3 sum, std::int32_t count)
{
    if (count == 0) return kUnusedVertexNormal;
    // Dividing by the negative count turns the summed (P - R) x (R - Q)
    // around. Normalised in double so that very small or very large sums
    // still come out unit length; a vanishing or overflowing sum has no
    // direction and gets the default.
    const double x = sum.x / -static_cast<double>(count);
    const double y = sum.y / -static_cast<double>(count);
    const double z = sum.z / -static_cast<double>(count);
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return kUnusedVertexNormal;
    return {static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length)};
}

Vector3 faceNormal(const MeshObject& object, const MeshFace& face)
{
    const Vector3& p = object.vertices[static_cast<std::size_t>(face.vertexIndex[0])];
    const Vector3& q = object.vertices[static_cast<std::size_t>(face.vertexIndex[1])];
    const Vector3& r = object.vertices[static_cast<std::size_t>(face.vertexIndex[2])];
    return Cross(Subtract(p, r), Subtract(r, q));
}

bool faceFits(const MeshFace& face, std::size_t vertexCount)
{
    return std::all_of(face.vertexIndex.begin(), face.vertexIndex.end(), [&](std::int32_t k) {
        return k >= 0 && static_cast<std::size_t>(k) < vertexCount;
    });
}

// Makes an object safe to draw: faces naming a vertex the object does not
// have are dropped, a short texture-coordinate list is padded with (0, 0) to
// the vertex count, counts match the arrays, normals and element indices are built.
void finishObject(MeshObject& object)
{
    const std::size_t vertexCount = object.vertices.size();
    std::erase_if(object.faces, [&](const MeshFace& face) { return !faceFits(face, vertexCount); });
    if (!object.textureCoordinates.empty() && object.textureCoordinates.size() < vertexCount) {
        object.textureCoordinates.resize(vertexCount, Vector2{});
    }
    object.vertexCount = static_cast<std::int32_t>(vertexCount);
    object.faceCount = static_cast<std::int32_t>(object.faces.size());
    object.textureCoordinateCount = static_cast<std::int32_t>(object.textureCoordinates.size());
    computeVertexNormals(object);
    object.elementIndices.clear();
    object.elementIndices.reserve(object.faces.size() * 3);
    for (const MeshFace& face : object.faces) {
        for (std::int32_t k : face.vertexIndex) object.elementIndices.push_back(static_cast<std::uint32_t>(k));
    }
}

void clearModel(MeshModel& model)
{
    model.materials.clear();
    model.objects.clear();
    model.materialCount = 0;
    model.objectCount = 0;
}

}  // namespace

void computeVertexNormals(MeshObject& object)
{
    const std::size_t vertexCount = object.vertices.size();
    std::vector<Vector3> sums(vertexCount);
    std::vector<std::int32_t> counts(vertexCount, 0);
    for (const MeshFace& face : object.faces) {
        if (!faceFits(face, vertexCount)) continue;
        const Vector3 n = faceNormal(object, face);
        const auto& k = face.vertexIndex;
        // A face counts once for each distinct vertex it uses.
        for (std::size_t corner = 0; corner < 3; ++corner) {
            if ((corner > 0 && k[corner] == k[0]) || (corner == 2 && k[2] == k[1])) continue;
            const auto j = static_cast<std::size_t>(k[corner]);
            sums[j] = Add(sums[j], n);
            ++counts[j];
        }
    }
    object.normals.resize(vertexCount);
    for (std::size_t j = 0; j < vertexCount; ++j) object.normals[j] = finishNormal(sums[j], counts[j]);
}

void computeVertexNormalsPairwise(MeshObject& object)
{
    const std::size_t vertexCount = object.vertices.size();
    std::vector<Vector3> faceNormals;
    faceNormals.reserve(object.faces.size());
    for (const MeshFace& face : object.faces) {
        faceNormals.push_back(faceFits(face, vertexCount) ? faceNormal(object, face) : Vector3{});
    }
    object.normals.resize(vertexCount);
    for (std::size_t j = 0; j < vertexCount; ++j) {
        Vector3 sum{};
        std::int32_t count = 0;
        for (std::size_t f = 0; f < object.faces.size(); ++f) {
            const auto& k = object.faces[f].vertexIndex;
            if (!faceFits(object.faces[f], vertexCount)) continue;
            const auto index = static_cast<std::int32_t>(j);
            if (k[0] == index || k[1] == index || k[2] == index) {
                sum = Add(sum, faceNormals[f]);
                ++count;
            }
        }
        object.normals[j] = finishNormal(sum, count);
    }
}

bool Model3dsReader::import(MeshModel& model, const std::string& path)
{
    std::error_code error;
    BulkBuffer bytes;
    if (!std::filesystem::is_regular_file(path, error) || !readFileBytes(path, bytes, kMaxModelFileBytes)) {
        clearModel(model);
        showMessageBox("Error", "Unable to find the file: " + path + "!");
        return false;
    }
    return importFromMemory(model, bytes.data(), bytes.size(), path);
}

bool Model3dsReader::importFromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size,
                                      const std::string& path)
{
    clearModel(model);
    if (data == nullptr) size = 0;
    ChunkHeader primary;
    std::uint32_t declaredLength = 0;
    ChunkWalker walker(data, size, model);
    if (!walker.openPrimary(primary, declaredLength)) {
        showMessageBox("Error", "Unable to load PRIMARY chuck from file: " + path + "!");
        return false;
    }
    // A file cut short would give a model with parts missing; it is refused
    // like one that cannot be read, so that the player learns which it is.
    if (declaredLength > size) {
        showMessageBox("Error", "The file " + path + " is cut short: it holds " + std::to_string(size) + " of its " +
                                    std::to_string(declaredLength) + " bytes!");
        return false;
    }
    walker.processMain(primary, 0);
    for (MeshObject& object : model.objects) finishObject(object);
    markClosedSurfaces(model);
    model.materialCount = static_cast<std::int32_t>(model.materials.size());
    model.objectCount = static_cast<std::int32_t>(model.objects.size());
    return true;
}
