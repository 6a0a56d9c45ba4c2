#pragma once
// Small helpers for building the static models: a triangle mesh in the game's
// axes (y up) with one texture coordinate per vertex, grids and rings laid
// out by functions, and the mapping from picture pixels to texture
// coordinates (the game uploads BMP rows bottom-up, so v = 0 is the bottom).
#include "math/vector.h"
#include "writer_3ds.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace contentgen {

constexpr float kPi = 3.14159265358979f;

class MeshBuilder {
public:
    std::uint16_t vertex(Vector3 position, Vector2 uv);
    // Counter-clockwise seen from the side the face looks to.
    void triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c);
    void quad(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);

    // A (rows x columns) grid of vertices from place(row, column) and
    // uv(row, column); faces between neighbouring rows and columns. With
    // wrapColumns the last column joins the first (a tube). Returns the
    // index of the first vertex; vertex (r, c) is first + r * columns + c.
    std::uint16_t grid(int rows, int columns, bool wrapColumns,
                       const std::function<Vector3(int, int)>& place,
                       const std::function<Vector2(int, int)>& uv);
    // A fan from one apex vertex to a closed ring of vertices already made
    // (ringFirst .. ringFirst + count - 1).
    void fan(std::uint16_t apex, std::uint16_t ringFirst, int count, bool reverse);

    std::size_t vertexCount() const { return positions_.size(); }
    std::size_t faceCount() const { return faces_.size(); }
    const std::vector<Vector3>& positions() const { return positions_; }
    const std::vector<std::array<std::uint16_t, 3>>& faces() const { return faces_; }

    Object3ds toObject(std::string name, std::string materialName) const;

private:
    std::vector<Vector3> positions_;
    std::vector<Vector2> uvs_;
    std::vector<std::array<std::uint16_t, 3>> faces_;
};

// A rectangle of a picture, in pixels (y down from the top row).
struct PictureRegion {
    float x0, y0, x1, y1;
};

// Texture coordinates of the point (u, v) of a region of a picture:
// u = 0 left .. 1 right, v = 0 bottom .. 1 top of the region.
Vector2 regionUv(const PictureRegion& region, float u, float v, int pictureWidth, int pictureHeight);

// An ellipsoid with semi-axes along the right-handed frame (a, b, c), each
// scaled to its semi-axis length: rings run from the -c pole to the +c pole,
// columns round from a toward b; faces look outward. The region's u runs
// round, v from the -c pole to the +c pole.
void addEllipsoid(MeshBuilder& mesh, Vector3 centre, Vector3 a, Vector3 b, Vector3 c, int rings,
                  int sides, const PictureRegion& region, int pictureWidth, int pictureHeight);

// A six-sided block from its eight corners: bottom face p[0..3] and top face
// p[4..7], each counter-clockwise seen from above (p[4+i] above p[i]). Every
// side has its own four vertices, so the block shades flat; each side shows
// the whole region.
void addBlock(MeshBuilder& mesh, const std::array<Vector3, 8>& corners, const PictureRegion& region,
              int pictureWidth, int pictureHeight);

// Texture coordinates of a picture pixel position (x to the right, y down
// from the top row) in a picture of the given size.
Vector2 pictureUv(float x, float y, int width, int height);

// Small vector helpers for modelling.
Vector3 v3(float x, float y, float z);
Vector3 lerp(Vector3 a, Vector3 b, float t);
float lerpf(float a, float b, float t);
float length(Vector3 a);
// Unit vector, or fallback when a is (almost) zero.
Vector3 unitOr(Vector3 a, Vector3 fallback);

}  // namespace contentgen
