#pragma once
// Reader of MD3 animated meshes into the shared model record: every mesh
// becomes one object holding the positions of all key frames, the file's
// tags are kept per key frame, normals come from key frame 0, and the index
// and scratch arrays for drawing are made here.
//
// Every count, offset and index is checked against the bytes present before
// it is used; a file that fails a check is refused with a message naming
// the path and what was wrong, and the model is left as it was.
#include "assets/mesh_model.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Limits of the format; a file asking for more is refused.
constexpr std::int32_t kMd3MaxKeyFrames = 1024;
constexpr std::int32_t kMd3MaxTags = 16;
constexpr std::int32_t kMd3MaxMeshes = 32;
constexpr std::int32_t kMd3MaxSkins = 256;
constexpr std::int32_t kMd3MaxVertices = 4096;
constexpr std::int32_t kMd3MaxTriangles = 8192;

class Md3Reader {
public:
    // Reads the file at path into model (expected empty). On failure shows
    // the message in the "Error" box and returns false; model is unchanged.
    bool import(MeshModel& model, const std::string& path);

    // The same from bytes in memory; path is used in messages only.
    bool importFromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size,
                          const std::string& path);

    // The text of the last failure (empty after a success).
    const std::string& lastError() const { return lastError_; }

private:
    bool fail(const std::string& text);
    std::string lastError_;
};

bool importMd3(MeshModel& model, const std::string& path);
bool importMd3FromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size, const std::string& path);

// Key frames held by a model: by its tags, or by its first object's vertices.
std::int32_t keyFrameCount(const MeshModel& model);
// Key frames held by one object of an animated model.
std::int32_t keyFrameCount(const MeshObject& object);
