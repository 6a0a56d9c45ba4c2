#include "writer_md3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace contentgen {

namespace {

constexpr float kTwoPi = 6.28318530718f;
constexpr float kAngleSteps = 256.0f;
constexpr float kTagAxisTolerance = 1e-3f;

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t value) { out_.push_back(value); }
    void i16(std::int16_t value)
    {
        const auto bits = static_cast<std::uint16_t>(value);
        u8(static_cast<std::uint8_t>(bits & 0xFF));
        u8(static_cast<std::uint8_t>(bits >> 8));
    }
    void u16(std::uint16_t value) { i16(static_cast<std::int16_t>(value)); }
    void i32(std::int32_t value)
    {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) u8(static_cast<std::uint8_t>((bits >> shift) & 0xFF));
    }
    void f32(float value)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        i32(static_cast<std::int32_t>(bits));
    }
    void vec(Vector3 v)
    {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }
    // A zero-padded fixed-size name field; the caller has checked the length.
    void name(const std::string& text, std::size_t bytes)
    {
        for (std::size_t i = 0; i < bytes; ++i) u8(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
    std::size_t size() const { return out_.size(); }
    void patchI32(std::size_t at, std::int32_t value)
    {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int k = 0; k < 4; ++k) out_[at + k] = static_cast<std::uint8_t>((bits >> (8 * k)) & 0xFF);
    }

private:
    std::vector<std::uint8_t>& out_;
};

float length(Vector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// Area-weighted vertex normals of one frame; an unused or collapsed vertex
// gets straight up.
std::vector<Vector3> frameNormals(const Md3SurfaceData& surface, const std::vector<Vector3>& positions)
{
    std::vector<Vector3> sums(positions.size());
    for (const auto& tri : surface.triangles) {
        const Vector3 a = positions[static_cast<std::size_t>(tri[0])];
        const Vector3 b = positions[static_cast<std::size_t>(tri[1])];
        const Vector3 c = positions[static_cast<std::size_t>(tri[2])];
        const Vector3 n = Cross(Subtract(b, a), Subtract(c, a));
        for (int k = 0; k < 3; ++k) {
            Vector3& s = sums[static_cast<std::size_t>(tri[k])];
            s = Add(s, n);
        }
    }
    for (Vector3& s : sums) {
        const float len = length(s);
        s = len > 1e-12f ? Scale(s, 1.0f / len) : Vector3{0, 0, 1};
    }
    return sums;
}

std::int16_t quantise(float coordinate)
{
    return static_cast<std::int16_t>(std::lround(coordinate * kMd3VertexScale));
}

bool checkName(const std::string& text, std::size_t bytes, const char* what, std::string& error)
{
    if (text.size() >= bytes) {
        error = std::string(what) + " name too long: " + text;
        return false;
    }
    return true;
}

bool validTagAxis(const std::array<float, 9>& axis)
{
    for (int row = 0; row < 3; ++row) {
        for (int other = 0; other < 3; ++other) {
            float dot = 0.0f;
            for (int k = 0; k < 3; ++k) dot += axis[row * 3 + k] * axis[other * 3 + k];
            const float expected = row == other ? 1.0f : 0.0f;
            if (std::fabs(dot - expected) > kTagAxisTolerance) return false;
        }
    }
    // A proper rotation: readers turn the axes into a quaternion.
    const float det = axis[0] * (axis[4] * axis[8] - axis[5] * axis[7]) -
                      axis[1] * (axis[3] * axis[8] - axis[5] * axis[6]) +
                      axis[2] * (axis[3] * axis[7] - axis[4] * axis[6]);
    return det > 0.0f;
}

bool validate(const Md3ModelData& model, std::string& error)
{
    if (!checkName(model.name, kMd3NameBytes, "model", error)) return false;
    if (model.frameCount < 1 || model.frameCount > kMd3MaxFrames) {
        error = "frame count out of range";
        return false;
    }
    if (!model.frameNames.empty() && model.frameNames.size() != static_cast<std::size_t>(model.frameCount)) {
        error = "frame names do not match the frame count";
        return false;
    }
    for (const std::string& frameName : model.frameNames) {
        if (!checkName(frameName, kMd3FrameNameBytes, "frame", error)) return false;
    }
    if (model.tags.size() != static_cast<std::size_t>(model.frameCount)) {
        error = "tag frames do not match the frame count";
        return false;
    }
    const std::size_t tagCount = model.tags.front().size();
    if (tagCount > static_cast<std::size_t>(kMd3MaxTags)) {
        error = "too many tags";
        return false;
    }
    for (const auto& frameTags : model.tags) {
        if (frameTags.size() != tagCount) {
            error = "every frame needs the same tags";
            return false;
        }
        for (std::size_t i = 0; i < tagCount; ++i) {
            if (frameTags[i].name != model.tags.front()[i].name) {
                error = "tag order differs between frames";
                return false;
            }
            if (!checkName(frameTags[i].name, kMd3NameBytes, "tag", error)) return false;
            if (!validTagAxis(frameTags[i].axis)) {
                error = "tag axes not orthonormal: " + frameTags[i].name;
                return false;
            }
        }
    }
    if (model.surfaces.size() > static_cast<std::size_t>(kMd3MaxSurfaces)) {
        error = "too many surfaces";
        return false;
    }
    for (const Md3SurfaceData& surface : model.surfaces) {
        if (!checkName(surface.name, kMd3NameBytes, "surface", error)) return false;
        if (!checkName(surface.shader, kMd3NameBytes, "shader", error)) return false;
        const std::size_t vertexCount = surface.texCoords.size();
        if (vertexCount == 0 || vertexCount > static_cast<std::size_t>(kMd3MaxVertices)) {
            error = "vertex count out of range in " + surface.name;
            return false;
        }
        if (surface.triangles.empty() || surface.triangles.size() > static_cast<std::size_t>(kMd3MaxTriangles)) {
            error = "triangle count out of range in " + surface.name;
            return false;
        }
        if (surface.frames.size() != static_cast<std::size_t>(model.frameCount)) {
            error = "surface frames do not match the frame count in " + surface.name;
            return false;
        }
        for (const auto& positions : surface.frames) {
            if (positions.size() != vertexCount) {
                error = "vertex count differs between frames in " + surface.name;
                return false;
            }
            for (const Vector3& p : positions) {
                if (!(std::fabs(p.x) <= kMd3MaxCoordinate && std::fabs(p.y) <= kMd3MaxCoordinate &&
                      std::fabs(p.z) <= kMd3MaxCoordinate)) {
                    error = "vertex out of the format's range in " + surface.name;
                    return false;
                }
            }
        }
        for (const auto& tri : surface.triangles) {
            for (std::int32_t index : tri) {
                if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) {
                    error = "triangle index out of range in " + surface.name;
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

std::uint16_t packMd3Normal(Vector3 normal)
{
    int polar = 0;
    int azimuth = 0;
    if (std::fabs(normal.x) < 1e-6f && std::fabs(normal.y) < 1e-6f) {
        polar = normal.z >= 0.0f ? 0 : static_cast<int>(kAngleSteps / 2);
    } else {
        const float z = std::clamp(normal.z, -1.0f, 1.0f);
        polar = static_cast<int>(std::lround(std::acos(z) * kAngleSteps / kTwoPi)) & 0xFF;
        float angle = std::atan2(normal.y, normal.x);
        if (angle < 0.0f) angle += kTwoPi;
        azimuth = static_cast<int>(std::lround(angle * kAngleSteps / kTwoPi)) & 0xFF;
    }
    return static_cast<std::uint16_t>((azimuth << 8) | polar);
}

Vector3 unpackMd3Normal(std::uint16_t packed)
{
    const float azimuth = static_cast<float>(packed >> 8) * kTwoPi / kAngleSteps;
    const float polar = static_cast<float>(packed & 0xFF) * kTwoPi / kAngleSteps;
    return {std::cos(azimuth) * std::sin(polar), std::sin(azimuth) * std::sin(polar), std::cos(polar)};
}

bool writeMd3(const Md3ModelData& model, std::vector<std::uint8_t>& out, std::string& error)
{
    out.clear();
    if (!validate(model, error)) return false;

    const std::size_t frameCount = static_cast<std::size_t>(model.frameCount);
    const std::size_t tagCount = model.tags.front().size();
    const std::size_t framesOffset = kMd3HeaderBytes;
    const std::size_t tagsOffset = framesOffset + frameCount * kMd3FrameBytes;
    const std::size_t surfacesOffset = tagsOffset + frameCount * tagCount * kMd3TagBytes;

    ByteWriter w(out);
    w.name("IDP3", 4);
    w.i32(kMd3Version);
    w.name(model.name, kMd3NameBytes);
    w.i32(0);  // flags
    w.i32(static_cast<std::int32_t>(frameCount));
    w.i32(static_cast<std::int32_t>(tagCount));
    w.i32(static_cast<std::int32_t>(model.surfaces.size()));
    w.i32(0);  // skins
    w.i32(static_cast<std::int32_t>(framesOffset));
    w.i32(static_cast<std::int32_t>(tagsOffset));
    w.i32(static_cast<std::int32_t>(surfacesOffset));
    const std::size_t endField = w.size();
    w.i32(0);  // end offset, patched below

    // Frame records: bounds, origin and radius over every surface.
    for (std::size_t f = 0; f < frameCount; ++f) {
        Vector3 lo{0, 0, 0};
        Vector3 hi{0, 0, 0};
        float radius = 0.0f;
        bool first = true;
        for (const Md3SurfaceData& surface : model.surfaces) {
            for (const Vector3& p : surface.frames[f]) {
                if (first) {
                    lo = hi = p;
                    first = false;
                }
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
                radius = std::max(radius, length(p));
            }
        }
        w.vec(lo);
        w.vec(hi);
        w.vec({0, 0, 0});
        w.f32(radius);
        w.name(model.frameNames.empty() ? "frame" : model.frameNames[f], kMd3FrameNameBytes);
    }

    for (const auto& frameTags : model.tags) {
        for (const Md3TagPose& tag : frameTags) {
            w.name(tag.name, kMd3NameBytes);
            w.vec(tag.origin);
            for (float value : tag.axis) w.f32(value);
        }
    }

    for (const Md3SurfaceData& surface : model.surfaces) {
        const std::size_t start = w.size();
        const std::size_t vertexCount = surface.texCoords.size();
        const std::size_t shaderCount = surface.shader.empty() ? 0 : 1;
        const std::size_t shadersOffset = kMd3SurfaceHeaderBytes;
        const std::size_t trianglesOffset = shadersOffset + shaderCount * kMd3ShaderBytes;
        const std::size_t texCoordsOffset = trianglesOffset + surface.triangles.size() * kMd3TriangleBytes;
        const std::size_t verticesOffset = texCoordsOffset + vertexCount * kMd3TexCoordBytes;
        const std::size_t endOffset = verticesOffset + frameCount * vertexCount * kMd3VertexBytes;

        w.name("IDP3", 4);
        w.name(surface.name, kMd3NameBytes);
        w.i32(0);  // flags
        w.i32(static_cast<std::int32_t>(frameCount));
        w.i32(static_cast<std::int32_t>(shaderCount));
        w.i32(static_cast<std::int32_t>(vertexCount));
        w.i32(static_cast<std::int32_t>(surface.triangles.size()));
        w.i32(static_cast<std::int32_t>(trianglesOffset));
        w.i32(static_cast<std::int32_t>(shadersOffset));
        w.i32(static_cast<std::int32_t>(texCoordsOffset));
        w.i32(static_cast<std::int32_t>(verticesOffset));
        w.i32(static_cast<std::int32_t>(endOffset));
        if (shaderCount != 0) {
            w.name(surface.shader, kMd3NameBytes);
            w.i32(0);
        }
        for (const auto& tri : surface.triangles) {
            for (std::int32_t index : tri) w.i32(index);
        }
        for (const auto& st : surface.texCoords) {
            w.f32(st[0]);
            w.f32(st[1]);
        }
        for (const auto& positions : surface.frames) {
            const std::vector<Vector3> normals = frameNormals(surface, positions);
            for (std::size_t v = 0; v < vertexCount; ++v) {
                w.i16(quantise(positions[v].x));
                w.i16(quantise(positions[v].y));
                w.i16(quantise(positions[v].z));
                w.u16(packMd3Normal(normals[v]));
            }
        }
        if (w.size() - start != endOffset) {
            error = "internal size mismatch in " + surface.name;
            out.clear();
            return false;
        }
    }
    w.patchI32(endField, static_cast<std::int32_t>(w.size()));
    return true;
}

}  // namespace contentgen
