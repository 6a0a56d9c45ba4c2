#include "assets/mesh_surface.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

namespace {

bool samePlace(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool before(const Vector3& a, const Vector3& b)
{
    if (a.x != b.x) return a.x < b.x;
    if (a.y != b.y) return a.y < b.y;
    return a.z < b.z;
}

double tripleProduct(const Vector3& a, const Vector3& b, const Vector3& c)
{
    return a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
}

}  // namespace

bool isClosedSurface(const MeshObject& object)
{
    if (object.vertexCount <= 0 || object.faceCount <= 0) return false;
    const auto vertexCount = static_cast<std::size_t>(object.vertexCount);
    const std::size_t faceCount = std::min(static_cast<std::size_t>(object.faceCount), object.faces.size());
    if (object.vertices.size() < vertexCount || faceCount == 0) return false;
    const std::size_t keyFrames = object.vertices.size() / vertexCount;

    // One corner number per path: vertices that stay at one place through
    // every key frame (a texture seam repeats them) are one corner; two that
    // only meet in some frames (separate parts touching) are not.
    const auto samePath = [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t frame = 1; frame < keyFrames; ++frame) {
            const Vector3* at = object.vertices.data() + frame * vertexCount;
            if (!samePlace(at[a], at[b])) return false;
        }
        return true;
    };
    std::vector<std::uint32_t> order(vertexCount);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return before(object.vertices[a], object.vertices[b]); });
    std::vector<std::uint32_t> corner(vertexCount);
    std::vector<std::uint32_t> firstOfCorner;  // of the corners at the current place
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const std::uint32_t v = order[i];
        if (i == 0 || !samePlace(object.vertices[v], object.vertices[order[i - 1]])) firstOfCorner.clear();
        const auto same = std::find_if(firstOfCorner.begin(), firstOfCorner.end(),
                                       [&](std::uint32_t first) { return samePath(v, first); });
        if (same != firstOfCorner.end()) {
            corner[v] = corner[*same];
        } else {
            corner[v] = next++;
            firstOfCorner.push_back(v);
        }
    }

    // Every edge, as its two corners (lower first) and its direction: each
    // must be run exactly once each way.
    std::vector<std::uint64_t> edges;
    edges.reserve(faceCount * 3);
    std::vector<std::array<std::uint32_t, 3>> areaFaces;
    areaFaces.reserve(faceCount);
    for (std::size_t f = 0; f < faceCount; ++f) {
        std::array<std::uint32_t, 3> c{};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::int32_t index = object.faces[f].vertexIndex[k];
            if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) return false;
            c[k] = corner[static_cast<std::size_t>(index)];
        }
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        const auto& index = object.faces[f].vertexIndex;
        areaFaces.push_back({static_cast<std::uint32_t>(index[0]), static_cast<std::uint32_t>(index[1]),
                             static_cast<std::uint32_t>(index[2])});
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t from = c[k];
            const std::uint32_t to = c[(k + 1) % 3];
            const std::uint64_t low = std::min(from, to);
            const std::uint64_t high = std::max(from, to);
            edges.push_back((low << 33) | (high << 1) | (from < to ? 1u : 0u));
        }
    }
    if (edges.empty() || edges.size() % 2 != 0) return false;
    std::sort(edges.begin(), edges.end());
    for (std::size_t i = 0; i < edges.size(); i += 2) {
        if ((edges[i] | 1u) != edges[i + 1] || (edges[i] & 1u) != 0) return false;
        if (i + 2 < edges.size() && (edges[i + 2] >> 1) == (edges[i] >> 1)) return false;
    }

    // Outward: the volume the faces enclose is positive in every key frame
    // but those that shrink the whole object to one point (a hidden part).
    for (std::size_t frame = 0; frame < keyFrames; ++frame) {
        const Vector3* at = object.vertices.data() + frame * vertexCount;
        if (std::all_of(at, at + vertexCount, [&](const Vector3& p) { return samePlace(p, at[0]); })) continue;
        double volume = 0.0;
        for (const auto& face : areaFaces) volume += tripleProduct(at[face[0]], at[face[1]], at[face[2]]);
        if (!(volume > 0.0)) return false;
    }
    return true;
}

void markClosedSurfaces(MeshModel& model)
{
    for (MeshObject& object : model.objects) object.closed = isClosedSurface(object);
}
