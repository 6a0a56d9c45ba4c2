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
