#pragma once
// Reader of 3DS model files into the shared model record: axes converted to
// the game's (x, z, -y), smooth vertex normals, index arrays for drawing.
// Every count, length and index is checked against the data actually present.
#include "assets/mesh_model.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Model3dsReader {
public:
    // Reads the file at path into model (expected empty). On failure shows the
    // reader's message, leaves the model empty and returns false.
    bool import(MeshModel& model, const std::string& path);

    // The same from bytes already in memory; path is used in messages only.
    // Damaged data is read as far as it makes sense: chunks are clipped to
    // their parent, counts to what their chunk holds, names to 254 bytes;
    // faces naming a vertex the object lacks are dropped; a texture-coordinate
    // list shorter than the vertex list is padded with (0, 0). A missing
    // file, one not starting with the primary chunk and one shorter than its
    // primary chunk says (cut short) fail with their message.
    bool importFromMemory(MeshModel& model, const std::uint8_t* data, std::size_t size,
                          const std::string& path);
};

// Smooth vertex normals of one object: each vertex gets the normalised sum of
// (Q - P) x (R - P) over the faces P, Q, R that use it; (0, 1, 0) where no
// face uses it or the sum vanishes. One pass over the faces.
void computeVertexNormals(MeshObject& object);
// The same by the plain vertex-by-face double loop, the reference that the
// single pass is checked and measured against.
void computeVertexNormalsPairwise(MeshObject& object);
