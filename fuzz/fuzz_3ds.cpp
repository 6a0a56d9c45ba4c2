// The 3DS reader: whatever the bytes, the model it leaves is one drawing can
// trust: counts match the arrays, every element index names a vertex, texture
// coordinates cover the vertices, material indices are -1 or in range, names
// fit the record, normals are finite unit vectors, and the whole model stays
// in proportion to the file.
#include "assets/model_3ds.h"
#include "fuzz_check.h"
#include "platform/message_box.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {
// Each material and object takes a chunk header of six bytes at least.
constexpr std::size_t kMostRecordsPerInputByte = 1;
constexpr std::size_t kVertexBytes = 12;
constexpr std::size_t kFaceBytes = 8;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setDialogsEnabled(false);
    fuzzsupport::silenceReaderMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MeshModel model;
    const bool loaded = Model3dsReader{}.importFromMemory(model, data, size, "fuzz.3ds");
    if (!loaded) {
        FUZZ_CHECK(model.objects.empty() && model.materials.empty());
        FUZZ_CHECK(model.objectCount == 0 && model.materialCount == 0);
        return 0;
    }
    FUZZ_CHECK(model.objectCount == static_cast<std::int32_t>(model.objects.size()));
    FUZZ_CHECK(model.materialCount == static_cast<std::int32_t>(model.materials.size()));
    FUZZ_CHECK(model.objects.size() + model.materials.size() <= kMostRecordsPerInputByte * size);
    for (const MeshMaterial& material : model.materials) {
        FUZZ_CHECK(material.name.size() < kMeshNameCapacity);
        FUZZ_CHECK(material.textureFileName.size() < kMeshNameCapacity);
    }
    std::size_t vertices = 0;
    std::size_t faces = 0;
    for (const MeshObject& object : model.objects) {
        FUZZ_CHECK(object.name.size() < kMeshNameCapacity);
        FUZZ_CHECK(object.vertexCount == static_cast<std::int32_t>(object.vertices.size()));
        FUZZ_CHECK(object.normals.size() == object.vertices.size());
        FUZZ_CHECK(object.faceCount == static_cast<std::int32_t>(object.faces.size()));
        FUZZ_CHECK(object.textureCoordinateCount == static_cast<std::int32_t>(object.textureCoordinates.size()));
        FUZZ_CHECK(object.textureCoordinates.empty() || object.textureCoordinates.size() >= object.vertices.size());
        FUZZ_CHECK(object.elementIndices.size() == object.faces.size() * 3);
        for (std::uint32_t index : object.elementIndices) FUZZ_CHECK(index < object.vertices.size());
        for (const MeshFace& face : object.faces)
            for (std::int32_t index : face.vertexIndex)
                FUZZ_CHECK(index >= 0 && static_cast<std::size_t>(index) < object.vertices.size());
        // -1, a material that exists, or the default 0 of an object that names none.
        FUZZ_CHECK(object.materialIndex == -1 || object.materialIndex == 0 ||
                   (object.materialIndex > 0 && object.materialIndex < model.materialCount));
        for (const Vector3& n : object.normals) {
            FUZZ_CHECK(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
            FUZZ_CHECK(std::fabs(n.x * n.x + n.y * n.y + n.z * n.z - 1.0f) < 1e-3f);
        }
        FUZZ_CHECK(object.frameVertices.empty());
        vertices += object.vertices.size();
        faces += object.faces.size();
    }
    // Every vertex and face is read from bytes of its own.
    FUZZ_CHECK(vertices * kVertexBytes + faces * kFaceBytes <= size);
    return 0;
}
