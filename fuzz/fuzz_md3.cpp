// The MD3 reader: a refusal leaves the model as it was; a model it reads is
// one playback can trust: counts match the arrays, every face names a vertex
// of its mesh, key frames hold whole vertex sets, tags come in whole frames,
// one link per tag, and the whole stays in proportion to the file.
#include "character/md3_reader.h"
#include "fuzz_check.h"
#include "platform/message_box.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {
constexpr std::size_t kVertexRecordBytes = 8;  // a key-frame position in the file
constexpr std::size_t kTagRecordBytes = 112;
constexpr std::size_t kTriangleRecordBytes = 12;
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
    if (!importMd3FromMemory(model, data, size, "fuzz.md3")) {
        FUZZ_CHECK(model.objects.empty() && model.tags.empty() && model.links.empty());
        FUZZ_CHECK(model.objectCount == 0 && model.tagCount == 0);
        return 0;
    }
    FUZZ_CHECK(model.objectCount == static_cast<std::int32_t>(model.objects.size()));
    FUZZ_CHECK(model.objectCount <= kMd3MaxMeshes);
    FUZZ_CHECK(model.tagCount >= 0 && model.tagCount <= kMd3MaxTags);
    FUZZ_CHECK(model.links.size() == static_cast<std::size_t>(model.tagCount));
    if (model.tagCount > 0) FUZZ_CHECK(model.tags.size() % static_cast<std::size_t>(model.tagCount) == 0);
    else FUZZ_CHECK(model.tags.empty());
    for (const Md3Tag& tag : model.tags) {
        bool terminated = false;
        for (char c : tag.name) terminated = terminated || c == '\0';
        FUZZ_CHECK(terminated);
    }
    std::size_t fileRecords = model.tags.size() * kTagRecordBytes;
    for (const MeshObject& object : model.objects) {
        FUZZ_CHECK(object.vertexCount >= 0 && object.vertexCount <= kMd3MaxVertices);
        FUZZ_CHECK(object.faceCount == static_cast<std::int32_t>(object.faces.size()));
        FUZZ_CHECK(object.faceCount <= kMd3MaxTriangles);
        const auto vertexCount = static_cast<std::size_t>(object.vertexCount);
        if (vertexCount > 0) {
            FUZZ_CHECK(object.vertices.size() % vertexCount == 0);
            FUZZ_CHECK(keyFrameCount(object) >= 1 && keyFrameCount(object) <= kMd3MaxKeyFrames);
        }
        FUZZ_CHECK(object.normals.size() == vertexCount);
        FUZZ_CHECK(object.frameVertices.size() == vertexCount);
        FUZZ_CHECK(object.textureCoordinateCount == static_cast<std::int32_t>(object.textureCoordinates.size()));
        FUZZ_CHECK(object.textureCoordinates.size() == vertexCount);
        FUZZ_CHECK(object.elementIndices.size() == object.faces.size() * 3);
        for (std::uint32_t k : object.elementIndices) FUZZ_CHECK(k < vertexCount);
        for (const MeshFace& face : object.faces)
            for (std::size_t c = 0; c < 3; ++c) {
                FUZZ_CHECK(face.vertexIndex[c] >= 0 && static_cast<std::size_t>(face.vertexIndex[c]) < vertexCount);
                FUZZ_CHECK(face.textureCoordinateIndex[c] >= 0 &&
                           static_cast<std::size_t>(face.textureCoordinateIndex[c]) < object.textureCoordinates.size());
            }
        for (const Vector3& n : object.normals) FUZZ_CHECK(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        fileRecords += object.vertices.size() * kVertexRecordBytes + object.faces.size() * kTriangleRecordBytes;
    }
    // Every position, triangle and tag was read from bytes of its own.
    FUZZ_CHECK(fileRecords <= size);
    return 0;
}
