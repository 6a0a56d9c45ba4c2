#include "model_builder.h"

#include <cmath>

namespace contentgen {

std::uint16_t MeshBuilder::vertex(Vector3 position, Vector2 uv)
{
    positions_.push_back(position);
    uvs_.push_back(uv);
    return static_cast<std::uint16_t>(positions_.size() - 1);
}

void MeshBuilder::triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    faces_.push_back({a, b, c});
}

void MeshBuilder::quad(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d)
{
    triangle(a, b, c);
    triangle(a, c, d);
}

std::uint16_t MeshBuilder::grid(int rows, int columns, bool wrapColumns,
                                const std::function<Vector3(int, int)>& place,
                                const std::function<Vector2(int, int)>& uv)
{
    const auto first = static_cast<std::uint16_t>(positions_.size());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) vertex(place(r, c), uv(r, c));
    const auto at = [&](int r, int c) {
        return static_cast<std::uint16_t>(first + r * columns + c);
    };
    const int columnSpans = wrapColumns ? columns : columns - 1;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c < columnSpans; ++c) {
            const int next = (c + 1) % columns;
            quad(at(r, c), at(r, next), at(r + 1, next), at(r + 1, c));
        }
    }
    return first;
}

void MeshBuilder::fan(std::uint16_t apex, std::uint16_t ringFirst, int count, bool reverse)
{
    for (int i = 0; i < count; ++i) {
        const auto a = static_cast<std::uint16_t>(ringFirst + i);
        const auto b = static_cast<std::uint16_t>(ringFirst + (i + 1) % count);
        if (reverse)
            triangle(apex, b, a);
        else
            triangle(apex, a, b);
    }
}

Object3ds MeshBuilder::toObject(std::string name, std::string materialName) const
{
    Object3ds object;
    object.name = std::move(name);
    object.vertices = positions_;
    object.textureCoordinates = uvs_;
    object.faces = faces_;
    object.materialName = std::move(materialName);
    return object;
}

Vector2 pictureUv(float x, float y, int width, int height)
{
    return {x / static_cast<float>(width), 1.0f - y / static_cast<float>(height)};
}

Vector2 regionUv(const PictureRegion& region, float u, float v, int pictureWidth, int pictureHeight)
{
    return pictureUv(lerpf(region.x0, region.x1, u), lerpf(region.y1, region.y0, v), pictureWidth,
                     pictureHeight);
}

void addEllipsoid(MeshBuilder& mesh, Vector3 centre, Vector3 a, Vector3 b, Vector3 c, int rings,
                  int sides, const PictureRegion& region, int pictureWidth, int pictureHeight)
{
    // One column more than the sides: the texture seam gets its own vertices.
    mesh.grid(
        rings, sides + 1, false,
        [&](int r, int col) {
            const float phi = kPi * (static_cast<float>(r) / static_cast<float>(rings - 1) - 0.5f);
            const float theta = 2.0f * kPi * static_cast<float>(col) / static_cast<float>(sides);
            const Vector3 round = Add(Scale(a, std::cos(theta)), Scale(b, std::sin(theta)));
            return Add(Add(centre, Scale(round, std::cos(phi))), Scale(c, std::sin(phi)));
        },
        [&](int r, int col) {
            return regionUv(region, static_cast<float>(col) / static_cast<float>(sides),
                            static_cast<float>(r) / static_cast<float>(rings - 1), pictureWidth,
                            pictureHeight);
        });
}

void addBlock(MeshBuilder& mesh, const std::array<Vector3, 8>& p, const PictureRegion& region,
              int pictureWidth, int pictureHeight)
{
    const auto side = [&](Vector3 q0, Vector3 q1, Vector3 q2, Vector3 q3) {
        const std::uint16_t i0 = mesh.vertex(q0, regionUv(region, 0, 0, pictureWidth, pictureHeight));
        const std::uint16_t i1 = mesh.vertex(q1, regionUv(region, 1, 0, pictureWidth, pictureHeight));
        const std::uint16_t i2 = mesh.vertex(q2, regionUv(region, 1, 1, pictureWidth, pictureHeight));
        const std::uint16_t i3 = mesh.vertex(q3, regionUv(region, 0, 1, pictureWidth, pictureHeight));
        mesh.quad(i0, i1, i2, i3);
    };
    side(p[3], p[2], p[1], p[0]);  // bottom, looking down
    side(p[4], p[5], p[6], p[7]);  // top, looking up
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        side(p[i], p[j], p[4 + j], p[4 + i]);
    }
}

Vector3 v3(float x, float y, float z) { return {x, y, z}; }

Vector3 lerp(Vector3 a, Vector3 b, float t) { return Add(a, Scale(Subtract(b, a), t)); }

float lerpf(float a, float b, float t) { return a + (b - a) * t; }

float length(Vector3 a) { return std::sqrt(Dot(a, a)); }

Vector3 unitOr(Vector3 a, Vector3 fallback)
{
    const float m = length(a);
    if (m < 1e-6f) return fallback;
    return Scale(a, 1.0f / m);
}

}  // namespace contentgen
