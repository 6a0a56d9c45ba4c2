#include "assets/mesh_surface.h"

#include <algorithm>
#include <bit>
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
    return static_cast<double>(a.x) * (static_cast<double>(b.y) * c.z - static_cast<double>(b.z) * c.y) -
           static_cast<double>(a.y) * (static_cast<double>(b.x) * c.z - static_cast<double>(b.z) * c.x) +
           static_cast<double>(a.z) * (static_cast<double>(b.x) * c.y - static_cast<double>(b.y) * c.x);
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
        for (std::size_t frame = 0; frame < keyFrames; ++frame) {
            const Vector3* at = object.vertices.data() + frame * vertexCount;
            if (!samePlace(at[a], at[b])) return false;
        }
        return true;
    };
    std::vector<std::uint64_t> pathHash(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        std::uint64_t hash = 1469598103934665603ull;
        for (std::size_t frame = 0; frame < keyFrames; ++frame) {
            const Vector3& p = object.vertices[frame * vertexCount + v];
            for (const float c : {p.x, p.y, p.z}) {
                hash = (hash ^ std::bit_cast<std::uint32_t>(c == 0.0f ? 0.0f : c)) * 1099511628211ull;
            }
        }
        pathHash[v] = hash;
    }
    std::vector<std::uint32_t> order(vertexCount);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const Vector3& pa = object.vertices[a];
        const Vector3& pb = object.vertices[b];
        if (!samePlace(pa, pb)) return before(pa, pb);
        return pathHash[a] < pathHash[b];
    });
    std::vector<std::uint32_t> corner(vertexCount);
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < vertexCount; ++i) {
        if (i > 0 && !(pathHash[order[i]] == pathHash[order[i - 1]] && samePath(order[i], order[i - 1]))) ++next;
        corner[order[i]] = next;
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
    edges.reserve(faceCount * 3);
    std::vector<std::size_t> areaFaces;
    areaFaces.reserve(faceCount);
    for (std::size_t f = 0; f < faceCount; ++f) {
        std::uint32_t c[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const std::int32_t index = object.faces[f].vertexIndex[k];
            if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) return false;
            c[k] = corner[static_cast<std::size_t>(index)];
        }
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        areaFaces.push_back(f);
        for (std::size_t k = 0; k < 3; ++k) edges.emplace_back(c[k], c[(k + 1) % 3]);
    }
    if (edges.empty()) return false;
    std::sort(edges.begin(), edges.end());
    if (std::adjacent_find(edges.begin(), edges.end()) != edges.end()) return false;
    for (const auto& [from, to] : edges) {
        if (!std::binary_search(edges.begin(), edges.end(), std::make_pair(to, from))) return false;
    }

    // Outward: the volume the faces enclose is positive in every key frame
    // but those that shrink the whole object to one point (a hidden part).
    for (std::size_t frame = 0; frame < keyFrames; ++frame) {
        const Vector3* at = object.vertices.data() + frame * vertexCount;
        if (std::all_of(at, at + vertexCount, [&](const Vector3& p) { return samePlace(p, at[0]); })) continue;
        double volume = 0.0;
        for (std::size_t f : areaFaces) {
            const auto& index = object.faces[f].vertexIndex;
            volume += tripleProduct(at[index[0]], at[index[1]], at[index[2]]);
        }
        if (!(volume > 0.0)) return false;
    }
    return true;
}

void markClosedSurfaces(MeshModel& model)
{
    for (MeshObject& object : model.objects) object.closed = isClosedSurface(object);
}
