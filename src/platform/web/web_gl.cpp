// The web GL layer (see web_gl.h): what emscripten's fixed-function
// emulation lacks, filled for the calls the game makes. Built with
// BURRIK_WEB_GL_LAYER, so the gl* names here are the emulation's own.
#include "platform/web/web_gl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/web/toolkit_web.h"

namespace {

constexpr int kMaxLights = 8;
constexpr int kAttribStackDepth = 16;  // GL's own minimum
constexpr GLuint kLargestShortIndex = 0xFFFF;

struct Rgba {
    std::array<float, 4> v{};
    bool operator==(const Rgba&) const = default;
};

struct Material {
    Rgba ambient{{0.2f, 0.2f, 0.2f, 1.0f}};
    Rgba diffuse{{0.8f, 0.8f, 0.8f, 1.0f}};
    Rgba specular{{0.0f, 0.0f, 0.0f, 1.0f}};
    float shininess = 0.0f;
};

struct Light {
    Rgba ambient{{0.0f, 0.0f, 0.0f, 1.0f}};
    Rgba diffuse{{0.0f, 0.0f, 0.0f, 1.0f}};
    Rgba specular{{0.0f, 0.0f, 0.0f, 1.0f}};
    Rgba eyePosition{{0.0f, 0.0f, 1.0f, 0.0f}};  // in eye space, as GL keeps it
};

// The capabilities the layer keeps (the emulation ignores some of them, and
// cannot say whether others are on), with the attribute groups they belong to.
struct TrackedCap {
    GLenum cap;
    GLbitfield groups;
};
constexpr std::array<TrackedCap, 20> kTrackedCaps{{
    {GL_DEPTH_TEST, GL_DEPTH_BUFFER_BIT},
    {GL_LIGHTING, GL_LIGHTING_BIT},
    {GL_LIGHT0, GL_LIGHTING_BIT},
    {GL_LIGHT1, GL_LIGHTING_BIT},
    {GL_LIGHT2, GL_LIGHTING_BIT},
    {GL_LIGHT3, GL_LIGHTING_BIT},
    {GL_LIGHT4, GL_LIGHTING_BIT},
    {GL_LIGHT5, GL_LIGHTING_BIT},
    {GL_LIGHT6, GL_LIGHTING_BIT},
    {GL_LIGHT7, GL_LIGHTING_BIT},
    {GL_COLOR_MATERIAL, GL_LIGHTING_BIT},
    {GL_BLEND, GL_COLOR_BUFFER_BIT},
    {GL_ALPHA_TEST, GL_COLOR_BUFFER_BIT},
    {GL_TEXTURE_2D, GL_TEXTURE_BIT},
    {GL_LINE_SMOOTH, GL_LINE_BIT},
    {GL_POINT_SMOOTH, GL_POINT_BIT},
    {GL_CULL_FACE, GL_POLYGON_BIT},
    {GL_FOG, GL_FOG_BIT},
    {GL_NORMALIZE, GL_TRANSFORM_BIT},
    {GL_SCISSOR_TEST, GL_SCISSOR_BIT},
}};

int trackedIndex(GLenum cap)
{
    for (std::size_t i = 0; i < kTrackedCaps.size(); ++i)
        if (kTrackedCaps[i].cap == cap) return static_cast<int>(i);
    return -1;
}

// The state the layer keeps, all of it restorable by the attribute stack.
struct State {
    std::array<bool, kTrackedCaps.size()> enabled{};
    // current
    Rgba colour{{1.0f, 1.0f, 1.0f, 1.0f}};
    std::array<float, 3> normal{0.0f, 0.0f, 1.0f};
    std::array<float, 2> texCoord{0.0f, 0.0f};
    // colour buffer
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    std::array<GLboolean, 4> colourMask{GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    // depth buffer
    GLboolean depthMask = GL_TRUE;
    // line, polygon
    float lineWidth = 1.0f;
    GLenum polygonFront = GL_FILL;
    GLenum polygonBack = GL_FILL;
    // texture
    GLuint texture = 0;
    // lighting
    GLenum shadeModel = GL_SMOOTH;
    Material front;
    Material back;
    std::array<Light, kMaxLights> lights{};
    Rgba modelAmbient{{0.2f, 0.2f, 0.2f, 1.0f}};
    bool localViewer = false;
    bool twoSide = false;
};

struct AttribFrame {
    GLbitfield mask = 0;
    State state;
};

// Client arrays, for putting them back after a display list's replay.
struct ClientArray {
    bool on = false;
    GLint size = 0;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const GLvoid* pointer = nullptr;
};

// A display list: state commands and vertex batches, in order. A batch's
// vertices are interleaved (position, normal, texture coordinates), the
// emulation's fast path for arrays.
enum class Op : std::uint8_t { Enable, Disable, Colour, BindTexture, Batch };
struct Command {
    Op op;
    GLenum value = 0;  // the cap, or the batch's index
    GLuint name = 0;
    Rgba colour{};
};
constexpr int kBatchStride = 8;  // floats per vertex
// A wide line's vertex: position, normal, texture coordinates, colour.
constexpr int kLineVertexFloats = 12;
constexpr int kLineNormal = 3;
constexpr int kLineTexCoord = 6;
constexpr int kLineColour = 8;
struct Batch {
    GLenum mode = GL_TRIANGLES;
    std::vector<float> vertices;
    bool hasNormals = false;
    bool hasTexCoords = false;
    std::array<float, 3> lastNormal{};
    std::array<float, 2> lastTexCoord{};
};
struct DisplayList {
    bool live = false;
    std::vector<Command> commands;
    std::vector<Batch> batches;
};

struct Layer {
    State state;
    std::array<AttribFrame, kAttribStackDepth> stack{};
    int depth = 0;
    ClientArray vertexArray{true, 3, GL_FLOAT, 0, nullptr};  // the emulation's defaults
    ClientArray normalArray{false, 3, GL_FLOAT, 0, nullptr};
    ClientArray texCoordArray{false, 2, GL_FLOAT, 0, nullptr};
    // immediate mode
    bool inBegin = false;
    bool normalInBatch = false;
    bool colourInBatch = false;
    bool emitCurrentNormal = false;
    int verticesInBatch = 0;
    // wide lines: the batch's vertices, drawn as quads at glEnd
    GLenum lineMode = 0;
    std::vector<float> lineVertices;
    bool lineTexCoords = false;
    // display lists: name n is lists[n - 1]
    std::vector<DisplayList> lists;
    GLuint compiling = 0;
    GLenum compileMode = GL_COMPILE;
    std::array<float, 3> normalBeforeList{};  // compiling changes no current value
    std::array<float, 2> texCoordBeforeList{};
    Batch recording;
    bool recordingBatch = false;
    // scratch, grown as needed and kept
    std::vector<GLushort> shortIndices;
    std::vector<std::uint8_t> pixels;
};

Layer layer;

// Each message once: the game's own code never takes these paths.
void reportOnce(bool& reported, const char* what)
{
    if (reported) return;
    reported = true;
    std::fprintf(stderr, "burrik: web GL layer: %s\n", what);
}

bool enabled(GLenum cap)
{
    const int i = trackedIndex(cap);
    return i >= 0 && layer.state.enabled[static_cast<std::size_t>(i)];
}

bool compilingList() { return layer.compiling != 0; }

// Told only when it changes: the shaders made before are then made anew.
void tellShadersTheLightModel()
{
    static int toldLocalViewer = -1;
    static int toldTwoSide = -1;
    const int localViewer = layer.state.localViewer ? 1 : 0;
    const int twoSide = layer.state.twoSide ? 1 : 0;
    if (localViewer == toldLocalViewer && twoSide == toldTwoSide) return;
    toldLocalViewer = localViewer;
    toldTwoSide = twoSide;
    burrik_web_gl_light_model(localViewer, twoSide);
}

void notKeptInList(const char* call)
{
    static bool reported = false;
    if (compilingList()) reportOnce(reported, call);
}

// GL_POLYGON and GL_QUAD_STRIP, which the emulation does not draw, as the
// primitives that give the same triangles (the game's polygons are convex).
GLenum drawableMode(GLenum mode)
{
    if (mode == GL_POLYGON) return GL_TRIANGLE_FAN;
    if (mode == GL_QUAD_STRIP) return GL_TRIANGLE_STRIP;
    return mode;
}

void setCap(GLenum cap, bool on)
{
    const int i = trackedIndex(cap);
    if (i >= 0) layer.state.enabled[static_cast<std::size_t>(i)] = on;
    if (on) glEnable(cap);
    else glDisable(cap);
}

void uploadMaterial(const Material& material)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient.v.data());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse.v.data());
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular.v.data());
    glMaterialfv(GL_FRONT, GL_SHININESS, &material.shininess);
}

// GL_COLOR_MATERIAL as GL does it by default (front and back, ambient and
// diffuse follow the current colour); the emulation lights with the
// material alone.
void feedColourToMaterial()
{
    if (!enabled(GL_COLOR_MATERIAL)) return;
    State& s = layer.state;
    s.back.ambient = s.back.diffuse = s.colour;
    if (s.front.ambient == s.colour && s.front.diffuse == s.colour) return;
    s.front.ambient = s.front.diffuse = s.colour;
    glMaterialfv(GL_FRONT, GL_AMBIENT, s.colour.v.data());
    glMaterialfv(GL_FRONT, GL_DIFFUSE, s.colour.v.data());
}

void setColour(float red, float green, float blue, float alpha)
{
    if (compilingList()) {
        if (layer.recordingBatch) {
            static bool reported = false;
            reportOnce(reported, "a colour inside glBegin is not kept in a display list");
        }
        Command command{Op::Colour};
        command.colour = Rgba{{red, green, blue, alpha}};
        layer.lists[layer.compiling - 1].commands.push_back(command);
        return;
    }
    layer.state.colour = Rgba{{red, green, blue, alpha}};
    if (layer.inBegin) layer.colourInBatch = true;
    if (layer.inBegin && layer.lineMode != 0) return;  // kept with each vertex
    glColor4f(red, green, blue, alpha);
    feedColourToMaterial();
}

float unitFromByte(GLubyte value) { return static_cast<float>(value) / 255.0f; }

// 4 x 4 column-major matrices.
using Matrix = std::array<float, 16>;

Matrix currentModelView()
{
    Matrix m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

Rgba transform(const Matrix& m, const Rgba& p)
{
    Rgba out;
    for (int row = 0; row < 4; ++row) {
        float sum = 0.0f;
        for (int k = 0; k < 4; ++k) sum += m[static_cast<std::size_t>(k * 4 + row)] * p.v[static_cast<std::size_t>(k)];
        out.v[static_cast<std::size_t>(row)] = sum;
    }
    return out;
}

// The inverse by cofactors; false for a singular matrix.
bool invert(const Matrix& m, Matrix& out)
{
    Matrix inv{};
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const float determinant = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (determinant == 0.0f) return false;
    for (std::size_t i = 0; i < 16; ++i) out[i] = inv[i] / determinant;
    return true;
}

// A light's eye-space position given straight to the emulation, which
// multiplies what it is given by the current modelview matrix.
void uploadLightPosition(int light, const Rgba& eyePosition)
{
    Matrix inverse{};
    if (!invert(currentModelView(), inverse)) return;
    const Rgba objectPosition = transform(inverse, eyePosition);
    glLightfv(static_cast<GLenum>(GL_LIGHT0 + light), GL_POSITION, objectPosition.v.data());
}

void uploadLight(int light, const Light& values)
{
    const auto name = static_cast<GLenum>(GL_LIGHT0 + light);
    glLightfv(name, GL_AMBIENT, values.ambient.v.data());
    glLightfv(name, GL_DIFFUSE, values.diffuse.v.data());
    glLightfv(name, GL_SPECULAR, values.specular.v.data());
    uploadLightPosition(light, values.eyePosition);
}

void setClientArray(GLenum array, ClientArray& kept, bool on)
{
    kept.on = on;
    if (on) glEnableClientState(array);
    else glDisableClientState(array);
}

void restoreClientArrays(const ClientArray& vertex, const ClientArray& normal, const ClientArray& texCoord)
{
    setClientArray(GL_VERTEX_ARRAY, layer.vertexArray, vertex.on);
    setClientArray(GL_NORMAL_ARRAY, layer.normalArray, normal.on);
    setClientArray(GL_TEXTURE_COORD_ARRAY, layer.texCoordArray, texCoord.on);
    layer.vertexArray = vertex;
    layer.normalArray = normal;
    layer.texCoordArray = texCoord;
    glVertexPointer(vertex.size, vertex.type, vertex.stride, vertex.pointer);
    glNormalPointer(normal.type, normal.stride, normal.pointer);
    glTexCoordPointer(texCoord.size, texCoord.type, texCoord.stride, texCoord.pointer);
}

void replayBatch(const Batch& batch)
{
    const GLsizei count = static_cast<GLsizei>(batch.vertices.size() / kBatchStride);
    if (count == 0) return;
    const ClientArray vertex = layer.vertexArray;
    const ClientArray normal = layer.normalArray;
    const ClientArray texCoord = layer.texCoordArray;
    constexpr GLsizei stride = kBatchStride * sizeof(float);
    const float* base = batch.vertices.data();
    setClientArray(GL_VERTEX_ARRAY, layer.vertexArray, true);
    glVertexPointer(3, GL_FLOAT, stride, base);
    setClientArray(GL_NORMAL_ARRAY, layer.normalArray, batch.hasNormals);
    glNormalPointer(GL_FLOAT, stride, base + 3);
    setClientArray(GL_TEXTURE_COORD_ARRAY, layer.texCoordArray, batch.hasTexCoords);
    glTexCoordPointer(2, GL_FLOAT, stride, base + 6);
    glDrawArrays(drawableMode(batch.mode), 0, count);
    restoreClientArrays(vertex, normal, texCoord);
    // As after the batch drawn in immediate mode.
    if (batch.hasNormals) layer.state.normal = batch.lastNormal;
    if (batch.hasTexCoords) layer.state.texCoord = batch.lastTexCoord;
}

void recordVertex(float x, float y, float z)
{
    const State& s = layer.state;
    Batch& batch = layer.recording;
    const float vertex[kBatchStride] = {x, y, z, s.normal[0], s.normal[1], s.normal[2], s.texCoord[0], s.texCoord[1]};
    batch.vertices.insert(batch.vertices.end(), vertex, vertex + kBatchStride);
    batch.lastNormal = s.normal;
    batch.lastTexCoord = s.texCoord;
}

void vertex(float x, float y, float z)
{
    if (layer.recordingBatch) {
        recordVertex(x, y, z);
        return;
    }
    if (!layer.inBegin) return;  // GL ignores a vertex outside glBegin
    if (layer.lineMode != 0) {
        const State& s = layer.state;
        const float line[kLineVertexFloats] = {x, y, z, s.normal[0], s.normal[1], s.normal[2], s.texCoord[0],
                                               s.texCoord[1], s.colour.v[0], s.colour.v[1], s.colour.v[2], s.colour.v[3]};
        layer.lineVertices.insert(layer.lineVertices.end(), line, line + kLineVertexFloats);
        return;
    }
    // A normal given before glBegin holds for every vertex, as in GL; the
    // emulation takes normals only inside glBegin and glEnd.
    if (layer.verticesInBatch == 0) layer.emitCurrentNormal = enabled(GL_LIGHTING) && !layer.normalInBatch;
    if (layer.emitCurrentNormal) glNormal3f(layer.state.normal[0], layer.state.normal[1], layer.state.normal[2]);
    glVertex3f(x, y, z);
    ++layer.verticesInBatch;
}

bool isLineMode(GLenum mode) { return mode == GL_LINES || mode == GL_LINE_STRIP || mode == GL_LINE_LOOP; }

struct WindowPoint {
    float x, y, z;  // window coordinates; z as the depth in [-1, 1]
    bool inFront;
};

WindowPoint toWindow(const Matrix& modelView, const Matrix& projection, const std::array<GLint, 4>& viewport,
                     const float* v)
{
    const Rgba eye = transform(modelView, Rgba{{v[0], v[1], v[2], 1.0f}});
    const Rgba clip = transform(projection, eye);
    const float w = clip.v[3];
    if (w <= 0.0f) return WindowPoint{0.0f, 0.0f, 0.0f, false};
    return WindowPoint{static_cast<float>(viewport[0]) + (clip.v[0] / w + 1.0f) * 0.5f * static_cast<float>(viewport[2]),
                       static_cast<float>(viewport[1]) + (clip.v[1] / w + 1.0f) * 0.5f * static_cast<float>(viewport[3]),
                       clip.v[2] / w, true};
}

// The pixels a smooth line touches: GL smooths them over about one pixel
// more than the line's width.
float drawnLineWidth()
{
    return layer.state.lineWidth + (enabled(GL_LINE_SMOOTH) ? 1.0f : 0.0f);
}

// What a wide line's quads carry besides their corners: the eye-space
// normal where lighting is on (the quads are drawn with an identity
// modelview matrix), the texture coordinates where the line had them.
struct LineAttributes {
    bool normals = false;
    bool texCoords = false;
    Matrix modelView{};
};

void quadVertex(const LineAttributes& with, const float* v, float x, float y, float z, float coverage)
{
    if (with.texCoords) glTexCoord2f(v[kLineTexCoord], v[kLineTexCoord + 1]);
    if (with.normals) {
        const Matrix& m = with.modelView;
        const float* n = v + kLineNormal;
        glNormal3f(m[0] * n[0] + m[4] * n[1] + m[8] * n[2], m[1] * n[0] + m[5] * n[1] + m[9] * n[2],
                   m[2] * n[0] + m[6] * n[1] + m[10] * n[2]);
    }
    const float* colour = v + kLineColour;
    glColor4f(colour[0], colour[1], colour[2], colour[3] * coverage);
    glVertex3f(x, y, -z);  // the orthographic projection below turns -z back into the depth
}

// A band along a segment, from offset `from` to offset `to` across it (in
// pixels, along the unit normal nx, ny), its alpha scaled from coverageFrom
// to coverageTo: two triangles.
void drawBand(const LineAttributes& with, const WindowPoint& a, const float* va, const WindowPoint& b,
              const float* vb, float nx, float ny, float from, float to, float coverageFrom, float coverageTo)
{
    quadVertex(with, va, a.x + nx * from, a.y + ny * from, a.z, coverageFrom);
    quadVertex(with, vb, b.x + nx * from, b.y + ny * from, b.z, coverageFrom);
    quadVertex(with, vb, b.x + nx * to, b.y + ny * to, b.z, coverageTo);
    quadVertex(with, va, a.x + nx * from, a.y + ny * from, a.z, coverageFrom);
    quadVertex(with, vb, b.x + nx * to, b.y + ny * to, b.z, coverageTo);
    quadVertex(with, va, a.x + nx * to, a.y + ny * to, a.z, coverageTo);
}

// One segment in window coordinates, as GL rasterises it: a smooth line is a
// rectangle across the segment, an aliased one (as GL draws wide aliased
// lines) the segment moved up and down, or left and right, by half the
// width. A smooth line blended (covered) shows its coverage: a pixel's share
// of it falls from full to nothing over the last pixel at each side, so it is
// drawn as three bands across, the outer two fading out to the edges.
void drawWideSegment(const LineAttributes& with, const WindowPoint& a, const float* va, const WindowPoint& b,
                     const float* vb, float width, bool smooth, bool covered)
{
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    float nx = 0.0f;
    float ny = 0.0f;
    if (smooth) {
        const float length = std::sqrt(dx * dx + dy * dy);
        if (length == 0.0f) return;
        nx = -dy / length;
        ny = dx / length;
    } else if (std::fabs(dx) >= std::fabs(dy)) {
        ny = 1.0f;
    } else {
        nx = 1.0f;
    }
    const float half = width / 2.0f;
    if (!covered) {
        drawBand(with, a, va, b, vb, nx, ny, -half, half, 1.0f, 1.0f);
        return;
    }
    const float inner = std::max(half - 1.0f, 0.0f);
    const float peak = std::min(half, 1.0f);
    drawBand(with, a, va, b, vb, nx, ny, -half, -inner, 0.0f, peak);
    if (inner > 0.0f) drawBand(with, a, va, b, vb, nx, ny, -inner, inner, peak, peak);
    drawBand(with, a, va, b, vb, nx, ny, inner, half, peak, 0.0f);
}

// WebGL draws lines one pixel wide: wider ones (and smooth ones, which GL
// draws wider) are drawn as quads, in window coordinates.
void drawWideLines(GLenum mode, bool texCoords)
{
    const std::vector<float>& v = layer.lineVertices;
    const std::size_t count = v.size() / kLineVertexFloats;
    if (count < 2) return;
    const Matrix modelView = currentModelView();
    LineAttributes with;
    with.normals = enabled(GL_LIGHTING);
    with.texCoords = texCoords;
    with.modelView = modelView;
    Matrix projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const float width = drawnLineWidth();
    const bool smooth = enabled(GL_LINE_SMOOTH);
    // The alpha of a smooth line shows only where it is blended; lit, the
    // emulation takes the alpha from the material, not the vertices.
    const bool covered = smooth && enabled(GL_BLEND) && !with.normals;
    glBegin(GL_TRIANGLES);
    auto segment = [&](std::size_t i, std::size_t j) {
        const float* p = &v[i * kLineVertexFloats];
        const float* q = &v[j * kLineVertexFloats];
        const WindowPoint a = toWindow(modelView, projection, viewport, p);
        const WindowPoint b = toWindow(modelView, projection, viewport, q);
        if (a.inFront && b.inFront) drawWideSegment(with, a, p, b, q, width, smooth, covered);
    };
    if (mode == GL_LINES) {
        for (std::size_t i = 0; i + 1 < count; i += 2) segment(i, i + 1);
    } else {
        for (std::size_t i = 0; i + 1 < count; ++i) segment(i, i + 1);
        if (mode == GL_LINE_LOOP) segment(count - 1, 0);
    }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
    const Rgba& c = layer.state.colour;
    glColor4f(c.v[0], c.v[1], c.v[2], c.v[3]);
}

float arrayFloat(const ClientArray& array, std::size_t vertex, int component)
{
    const std::size_t stride =
        array.stride != 0 ? static_cast<std::size_t>(array.stride) : static_cast<std::size_t>(array.size) * sizeof(float);
    const auto* base = static_cast<const std::uint8_t*>(array.pointer) + vertex * stride;
    float value = 0.0f;
    std::memcpy(&value, base + static_cast<std::size_t>(component) * sizeof(float), sizeof value);
    return value;
}

// Lines from the client arrays, drawn wide: the arrays' vertices gathered
// as immediate mode would have given them. Float arrays only (the game's).
template <class Index>
void drawWideArrayLines(GLenum mode, std::size_t count, Index indexAt)
{
    const ClientArray& vertex = layer.vertexArray;
    if (!vertex.on || vertex.pointer == nullptr || vertex.type != GL_FLOAT || vertex.size < 2) return;
    const bool normals = layer.normalArray.on && layer.normalArray.pointer != nullptr;
    const bool texCoords = layer.texCoordArray.on && layer.texCoordArray.pointer != nullptr;
    const State& s = layer.state;
    layer.lineVertices.clear();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = indexAt(k);
        const float line[kLineVertexFloats] = {
            arrayFloat(vertex, i, 0), arrayFloat(vertex, i, 1), vertex.size > 2 ? arrayFloat(vertex, i, 2) : 0.0f,
            normals ? arrayFloat(layer.normalArray, i, 0) : s.normal[0],
            normals ? arrayFloat(layer.normalArray, i, 1) : s.normal[1],
            normals ? arrayFloat(layer.normalArray, i, 2) : s.normal[2],
            texCoords ? arrayFloat(layer.texCoordArray, i, 0) : s.texCoord[0],
            texCoords ? arrayFloat(layer.texCoordArray, i, 1) : s.texCoord[1],
            s.colour.v[0], s.colour.v[1], s.colour.v[2], s.colour.v[3]};
        layer.lineVertices.insert(layer.lineVertices.end(), line, line + kLineVertexFloats);
    }
    drawWideLines(mode, texCoords);
}

void restoreEnables(const State& saved, GLbitfield mask)
{
    for (std::size_t i = 0; i < kTrackedCaps.size(); ++i) {
        const bool inMask = (mask & GL_ENABLE_BIT) != 0 || (mask & kTrackedCaps[i].groups) != 0;
        if (inMask && layer.state.enabled[i] != saved.enabled[i]) setCap(kTrackedCaps[i].cap, saved.enabled[i]);
    }
}

void restore(const State& saved, GLbitfield mask)
{
    State& s = layer.state;
    restoreEnables(saved, mask);
    if ((mask & GL_CURRENT_BIT) != 0) {
        s.colour = saved.colour;
        s.normal = saved.normal;
        s.texCoord = saved.texCoord;
        glColor4f(s.colour.v[0], s.colour.v[1], s.colour.v[2], s.colour.v[3]);
    }
    if ((mask & GL_COLOR_BUFFER_BIT) != 0) {
        s.blendSource = saved.blendSource;
        s.blendDestination = saved.blendDestination;
        s.colourMask = saved.colourMask;
        glBlendFunc(s.blendSource, s.blendDestination);
        glColorMask(s.colourMask[0], s.colourMask[1], s.colourMask[2], s.colourMask[3]);
    }
    if ((mask & GL_DEPTH_BUFFER_BIT) != 0) {
        s.depthMask = saved.depthMask;
        glDepthMask(s.depthMask);
    }
    if ((mask & GL_LINE_BIT) != 0) {
        s.lineWidth = saved.lineWidth;
        glLineWidth(s.lineWidth);
    }
    if ((mask & GL_POLYGON_BIT) != 0) {
        s.polygonFront = saved.polygonFront;
        s.polygonBack = saved.polygonBack;
    }
    if ((mask & GL_TEXTURE_BIT) != 0) {
        s.texture = saved.texture;
        glBindTexture(GL_TEXTURE_2D, s.texture);
    }
    if ((mask & GL_LIGHTING_BIT) != 0) {
        s.shadeModel = saved.shadeModel;
        s.front = saved.front;
        s.back = saved.back;
        uploadMaterial(s.front);
        for (int light = 0; light < kMaxLights; ++light) {
            const auto i = static_cast<std::size_t>(light);
            if (s.lights[i].ambient == saved.lights[i].ambient && s.lights[i].diffuse == saved.lights[i].diffuse &&
                s.lights[i].specular == saved.lights[i].specular &&
                s.lights[i].eyePosition == saved.lights[i].eyePosition)
                continue;
            s.lights[i] = saved.lights[i];
            uploadLight(light, s.lights[i]);
        }
        s.modelAmbient = saved.modelAmbient;
        s.localViewer = saved.localViewer;
        s.twoSide = saved.twoSide;
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, s.modelAmbient.v.data());
        glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, s.twoSide ? 1.0f : 0.0f);
        tellShadersTheLightModel();
    }
}

void setMaterial(Material& material, GLenum name, const GLfloat* values, bool upload)
{
    // Under GL_COLOR_MATERIAL the ambient and diffuse colours follow the
    // current colour; the driver the desktop game runs on ignores material
    // calls for them meanwhile, and so does the layer.
    const bool followsColour = enabled(GL_COLOR_MATERIAL);
    switch (name) {
    case GL_AMBIENT:
        if (followsColour) return;
        std::copy(values, values + 4, material.ambient.v.begin());
        break;
    case GL_DIFFUSE:
        if (followsColour) return;
        std::copy(values, values + 4, material.diffuse.v.begin());
        break;
    case GL_AMBIENT_AND_DIFFUSE:
        if (followsColour) return;
        std::copy(values, values + 4, material.ambient.v.begin());
        std::copy(values, values + 4, material.diffuse.v.begin());
        if (upload) {
            glMaterialfv(GL_FRONT, GL_AMBIENT, values);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, values);
        }
        return;
    case GL_SPECULAR: std::copy(values, values + 4, material.specular.v.begin()); break;
    case GL_SHININESS: material.shininess = values[0]; break;
    default: {
        static bool reported = false;
        reportOnce(reported, "a material property other than ambient, diffuse, specular and shininess is ignored");
        return;
    }
    }
    if (upload) glMaterialfv(GL_FRONT, name, values);
}

int componentsOf(GLenum format)
{
    switch (format) {
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    case GL_LUMINANCE:
    case GL_ALPHA: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 0;
    }
}

std::size_t alignedRow(std::size_t bytes, GLint alignment)
{
    const auto a = static_cast<std::size_t>(std::max(alignment, 1));
    return (bytes + a - 1) / a * a;
}

GLint alignment(GLenum which)
{
    GLint value = 4;
    glGetIntegerv(which, &value);
    return value;
}

// Each target pixel the mean of the source area it covers, parts of pixels
// weighed by the part covered.
void scaleImage(int components, int widthIn, int heightIn, const std::uint8_t* in, std::size_t rowIn, int widthOut,
                int heightOut, std::uint8_t* out, std::size_t rowOut)
{
    const double sx = static_cast<double>(widthIn) / widthOut;
    const double sy = static_cast<double>(heightIn) / heightOut;
    for (int y = 0; y < heightOut; ++y) {
        const double y0 = y * sy;
        const double y1 = y0 + sy;
        for (int x = 0; x < widthOut; ++x) {
            const double x0 = x * sx;
            const double x1 = x0 + sx;
            std::array<double, 4> sum{};
            double area = 0.0;
            for (int j = static_cast<int>(y0); j < heightIn && j < y1; ++j) {
                const double h = std::min<double>(j + 1, y1) - std::max<double>(j, y0);
                for (int i = static_cast<int>(x0); i < widthIn && i < x1; ++i) {
                    const double w = (std::min<double>(i + 1, x1) - std::max<double>(i, x0)) * h;
                    const std::uint8_t* p = in + static_cast<std::size_t>(j) * rowIn +
                                            static_cast<std::size_t>(i) * static_cast<std::size_t>(components);
                    for (int c = 0; c < components; ++c) sum[static_cast<std::size_t>(c)] += w * p[c];
                    area += w;
                }
            }
            std::uint8_t* q =
                out + static_cast<std::size_t>(y) * rowOut + static_cast<std::size_t>(x) * static_cast<std::size_t>(components);
            for (int c = 0; c < components; ++c)
                q[c] = static_cast<std::uint8_t>(std::lround(area > 0.0 ? sum[static_cast<std::size_t>(c)] / area : 0.0));
        }
    }
}

// GLU's power of two for a side: the nearest (the top two bits decide).
int powerOfTwoSide(int side)
{
    int power = 1;
    for (unsigned value = static_cast<unsigned>(side); value > 1; value >>= 1, power *= 2)
        if (value == 3) return power * 4;
    return power;
}

}  // namespace

extern "C" {

// --- display lists -----------------------------------------------------------

GLuint webGlGenLists(GLsizei range)
{
    if (range <= 0) return 0;
    const auto first = static_cast<GLuint>(layer.lists.size() + 1);
    layer.lists.resize(layer.lists.size() + static_cast<std::size_t>(range));
    for (GLsizei i = 0; i < range; ++i) layer.lists[first - 1 + static_cast<GLuint>(i)].live = true;
    return first;
}

void webGlNewList(GLuint list, GLenum mode)
{
    if (list == 0 || list > layer.lists.size() || compilingList()) return;
    DisplayList& target = layer.lists[list - 1];
    target = DisplayList{};
    target.live = true;
    layer.compiling = list;
    layer.compileMode = mode;
    layer.normalBeforeList = layer.state.normal;
    layer.texCoordBeforeList = layer.state.texCoord;
}

void webGlEndList()
{
    if (!compilingList()) return;
    const GLuint list = layer.compiling;
    layer.compiling = 0;
    layer.recordingBatch = false;
    layer.state.normal = layer.normalBeforeList;
    layer.state.texCoord = layer.texCoordBeforeList;
    if (layer.compileMode == GL_COMPILE_AND_EXECUTE) webGlCallList(list);
}

void webGlCallList(GLuint list)
{
    if (list == 0 || list > layer.lists.size() || !layer.lists[list - 1].live) return;
    const DisplayList& commands = layer.lists[list - 1];
    for (const Command& command : commands.commands) {
        switch (command.op) {
        case Op::Enable: webGlEnable(command.value); break;
        case Op::Disable: webGlDisable(command.value); break;
        case Op::Colour:
            setColour(command.colour.v[0], command.colour.v[1], command.colour.v[2], command.colour.v[3]);
            break;
        case Op::BindTexture: webGlBindTexture(GL_TEXTURE_2D, command.name); break;
        case Op::Batch: replayBatch(commands.batches[command.value]); break;
        }
    }
}

void webGlDeleteLists(GLuint list, GLsizei range)
{
    for (GLsizei i = 0; i < range; ++i) {
        const GLuint name = list + static_cast<GLuint>(i);
        if (name == 0 || name > layer.lists.size()) continue;
        layer.lists[name - 1] = DisplayList{};
    }
}

// --- attribute stack -----------------------------------------------------------

void webGlPushAttrib(GLbitfield mask)
{
    notKeptInList("glPushAttrib is not kept in a display list");
    if (layer.depth >= kAttribStackDepth) {
        static bool reported = false;
        reportOnce(reported, "attribute stack overflow");
        return;
    }
    layer.stack[static_cast<std::size_t>(layer.depth++)] = AttribFrame{mask, layer.state};
}

void webGlPopAttrib()
{
    notKeptInList("glPopAttrib is not kept in a display list");
    if (layer.depth == 0) {
        static bool reported = false;
        reportOnce(reported, "attribute stack underflow");
        return;
    }
    const AttribFrame& frame = layer.stack[static_cast<std::size_t>(--layer.depth)];
    restore(frame.state, frame.mask);
}

// --- kept state --------------------------------------------------------------

void webGlEnable(GLenum cap)
{
    if (compilingList()) {
        layer.lists[layer.compiling - 1].commands.push_back(Command{Op::Enable, cap});
        return;
    }
    setCap(cap, true);
    if (cap == GL_COLOR_MATERIAL) feedColourToMaterial();
}

void webGlDisable(GLenum cap)
{
    if (compilingList()) {
        layer.lists[layer.compiling - 1].commands.push_back(Command{Op::Disable, cap});
        return;
    }
    setCap(cap, false);
}

GLboolean webGlIsEnabled(GLenum cap)
{
    switch (cap) {
    case GL_VERTEX_ARRAY: return layer.vertexArray.on ? GL_TRUE : GL_FALSE;
    case GL_NORMAL_ARRAY: return layer.normalArray.on ? GL_TRUE : GL_FALSE;
    case GL_TEXTURE_COORD_ARRAY: return layer.texCoordArray.on ? GL_TRUE : GL_FALSE;
    default: break;
    }
    if (trackedIndex(cap) >= 0) return enabled(cap) ? GL_TRUE : GL_FALSE;
    return glIsEnabled(cap);
}

void webGlEnableClientState(GLenum array)
{
    switch (array) {
    case GL_VERTEX_ARRAY: layer.vertexArray.on = true; break;
    case GL_NORMAL_ARRAY: layer.normalArray.on = true; break;
    case GL_TEXTURE_COORD_ARRAY: layer.texCoordArray.on = true; break;
    default: break;
    }
    glEnableClientState(array);
}

void webGlDisableClientState(GLenum array)
{
    switch (array) {
    case GL_VERTEX_ARRAY: layer.vertexArray.on = false; break;
    case GL_NORMAL_ARRAY: layer.normalArray.on = false; break;
    case GL_TEXTURE_COORD_ARRAY: layer.texCoordArray.on = false; break;
    default: break;
    }
    glDisableClientState(array);
}

void webGlBlendFunc(GLenum source, GLenum destination)
{
    notKeptInList("glBlendFunc is not kept in a display list");
    layer.state.blendSource = source;
    layer.state.blendDestination = destination;
    glBlendFunc(source, destination);
}

void webGlColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha)
{
    notKeptInList("glColorMask is not kept in a display list");
    layer.state.colourMask = {red, green, blue, alpha};
    glColorMask(red, green, blue, alpha);
}

void webGlDepthMask(GLboolean flag)
{
    notKeptInList("glDepthMask is not kept in a display list");
    layer.state.depthMask = flag;
    glDepthMask(flag);
}

void webGlLineWidth(GLfloat width)
{
    notKeptInList("glLineWidth is not kept in a display list");
    layer.state.lineWidth = width;
    glLineWidth(width);
}

// Kept for the attribute stack; the game only ever asks for filled
// polygons (its wireframe draws lines itself).
void webGlPolygonMode(GLenum face, GLenum mode)
{
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) layer.state.polygonFront = mode;
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) layer.state.polygonBack = mode;
    if (mode != GL_FILL) {
        static bool reported = false;
        reportOnce(reported, "polygons are drawn filled only");
    }
}

// WebGL shades smoothly; the game asks for nothing else.
void webGlShadeModel(GLenum mode) { layer.state.shadeModel = mode; }

void webGlBindTexture(GLenum target, GLuint texture)
{
    if (compilingList()) {
        Command command{Op::BindTexture};
        command.name = texture;
        layer.lists[layer.compiling - 1].commands.push_back(command);
        return;
    }
    if (target == GL_TEXTURE_2D) layer.state.texture = texture;
    glBindTexture(target, texture);
}

// --- lighting ----------------------------------------------------------------

void webGlLightfv(GLenum light, GLenum name, const GLfloat* values)
{
    notKeptInList("glLightfv is not kept in a display list");
    if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kMaxLights) return;
    const int index = static_cast<int>(light - GL_LIGHT0);
    Light& kept = layer.state.lights[static_cast<std::size_t>(index)];
    switch (name) {
    case GL_AMBIENT: std::copy(values, values + 4, kept.ambient.v.begin()); break;
    case GL_DIFFUSE: std::copy(values, values + 4, kept.diffuse.v.begin()); break;
    case GL_SPECULAR: std::copy(values, values + 4, kept.specular.v.begin()); break;
    case GL_POSITION: {
        Rgba position;
        std::copy(values, values + 4, position.v.begin());
        kept.eyePosition = transform(currentModelView(), position);
        break;
    }
    default: {
        static bool reported = false;
        reportOnce(reported, "spot lights and attenuation are not drawn");
        return;
    }
    }
    glLightfv(light, name, values);
}

void webGlLightModeli(GLenum name, GLint value) { webGlLightModelf(name, static_cast<GLfloat>(value)); }

void webGlLightModelf(GLenum name, GLfloat value)
{
    notKeptInList("glLightModel is not kept in a display list");
    if (name == GL_LIGHT_MODEL_TWO_SIDE) {
        layer.state.twoSide = value != 0.0f;
        glLightModelf(name, value);
    } else if (name == GL_LIGHT_MODEL_LOCAL_VIEWER) {
        layer.state.localViewer = value != 0.0f;
    }
    tellShadersTheLightModel();
}

void webGlLightModelfv(GLenum name, const GLfloat* values)
{
    if (name == GL_LIGHT_MODEL_AMBIENT) {
        notKeptInList("glLightModel is not kept in a display list");
        std::copy(values, values + 4, layer.state.modelAmbient.v.begin());
        glLightModelfv(name, values);
    } else {
        webGlLightModelf(name, values[0]);
    }
}

void webGlMaterialf(GLenum face, GLenum name, GLfloat value) { webGlMaterialfv(face, name, &value); }

// The emulation lights front faces alone: the back material is kept for the
// attribute stack only.
void webGlMaterialfv(GLenum face, GLenum name, const GLfloat* values)
{
    notKeptInList("glMaterial is not kept in a display list");
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) setMaterial(layer.state.front, name, values, true);
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) setMaterial(layer.state.back, name, values, false);
}

// --- immediate mode -------------------------------------------------------------

void webGlBegin(GLenum mode)
{
    if (compilingList()) {
        layer.recording = Batch{};
        layer.recording.mode = mode;
        layer.recordingBatch = true;
        return;
    }
    layer.inBegin = true;
    layer.normalInBatch = false;
    layer.colourInBatch = false;
    layer.verticesInBatch = 0;
    if (isLineMode(mode) && drawnLineWidth() > 1.0f) {
        layer.lineMode = mode;
        layer.lineTexCoords = false;
        layer.lineVertices.clear();
        return;
    }
    layer.lineMode = 0;
    glBegin(drawableMode(mode));
}

void webGlEnd()
{
    if (layer.recordingBatch) {
        DisplayList& list = layer.lists[layer.compiling - 1];
        list.commands.push_back(Command{Op::Batch, static_cast<GLenum>(list.batches.size())});
        list.batches.push_back(std::move(layer.recording));
        layer.recording = Batch{};
        layer.recordingBatch = false;
        return;
    }
    if (!layer.inBegin) return;
    layer.inBegin = false;
    if (layer.lineMode != 0) {
        drawWideLines(layer.lineMode, layer.lineTexCoords);
        layer.lineMode = 0;
        return;
    }
    glEnd();
    // In GL the last colour given inside stays the current one.
    if (layer.colourInBatch) {
        const Rgba& c = layer.state.colour;
        glColor4f(c.v[0], c.v[1], c.v[2], c.v[3]);
    }
}

void webGlVertex2f(GLfloat x, GLfloat y) { vertex(x, y, 0.0f); }
void webGlVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertex(x, y, z); }
void webGlVertex3fv(const GLfloat* v) { vertex(v[0], v[1], v[2]); }

void webGlNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    layer.state.normal = {x, y, z};
    if (layer.recordingBatch) {
        layer.recording.hasNormals = true;
        return;
    }
    if (!layer.inBegin || layer.lineMode != 0) return;  // kept: the emulation takes normals only inside glBegin
    layer.normalInBatch = true;
    glNormal3f(x, y, z);
}

void webGlTexCoord2f(GLfloat s, GLfloat t)
{
    layer.state.texCoord = {s, t};
    if (layer.recordingBatch) {
        layer.recording.hasTexCoords = true;
        return;
    }
    if (layer.inBegin && layer.lineMode != 0) layer.lineTexCoords = true;
    else if (layer.inBegin) glTexCoord2f(s, t);
}

void webGlTexCoord2fv(const GLfloat* v) { webGlTexCoord2f(v[0], v[1]); }

void webGlColor3f(GLfloat red, GLfloat green, GLfloat blue) { setColour(red, green, blue, 1.0f); }
void webGlColor3ub(GLubyte red, GLubyte green, GLubyte blue)
{
    setColour(unitFromByte(red), unitFromByte(green), unitFromByte(blue), 1.0f);
}
void webGlColor3ubv(const GLubyte* v) { webGlColor3ub(v[0], v[1], v[2]); }
void webGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) { setColour(red, green, blue, alpha); }
void webGlColor4fv(const GLfloat* v) { setColour(v[0], v[1], v[2], v[3]); }
void webGlColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha)
{
    setColour(unitFromByte(red), unitFromByte(green), unitFromByte(blue), unitFromByte(alpha));
}
void webGlColor4ubv(const GLubyte* v) { webGlColor4ub(v[0], v[1], v[2], v[3]); }

// --- vertex arrays -------------------------------------------------------------

void webGlVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    layer.vertexArray = ClientArray{layer.vertexArray.on, size, type, stride, pointer};
    glVertexPointer(size, type, stride, pointer);
}

void webGlNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer)
{
    layer.normalArray = ClientArray{layer.normalArray.on, 3, type, stride, pointer};
    glNormalPointer(type, stride, pointer);
}

void webGlTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    layer.texCoordArray = ClientArray{layer.texCoordArray.on, size, type, stride, pointer};
    glTexCoordPointer(size, type, stride, pointer);
}

void webGlDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    notKeptInList("vertex arrays are not kept in a display list");
    if (isLineMode(mode) && drawnLineWidth() > 1.0f) {
        if (first >= 0 && count > 0)
            drawWideArrayLines(mode, static_cast<std::size_t>(count),
                               [first](std::size_t k) { return static_cast<std::size_t>(first) + k; });
        return;
    }
    glDrawArrays(drawableMode(mode), first, count);
}

// WebGL 1 takes 16-bit indices; the emulation reads 32-bit ones as 16-bit.
// The game's models all have fewer than 65536 vertices.
void webGlDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices)
{
    notKeptInList("vertex arrays are not kept in a display list");
    if (isLineMode(mode) && drawnLineWidth() > 1.0f && count > 0) {
        const auto n = static_cast<std::size_t>(count);
        if (type == GL_UNSIGNED_INT) {
            const auto* list = static_cast<const GLuint*>(indices);
            drawWideArrayLines(mode, n, [list](std::size_t k) { return static_cast<std::size_t>(list[k]); });
        } else if (type == GL_UNSIGNED_SHORT) {
            const auto* list = static_cast<const GLushort*>(indices);
            drawWideArrayLines(mode, n, [list](std::size_t k) { return static_cast<std::size_t>(list[k]); });
        }
        return;
    }
    if (type != GL_UNSIGNED_INT || count <= 0) {
        glDrawElements(drawableMode(mode), count, type, indices);
        return;
    }
    const auto* wide = static_cast<const GLuint*>(indices);
    const auto n = static_cast<std::size_t>(count);
    if (layer.shortIndices.size() < n) layer.shortIndices.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (wide[i] > kLargestShortIndex) {
            static bool reported = false;
            reportOnce(reported, "a mesh with more than 65536 vertices is not drawn");
            return;
        }
        layer.shortIndices[i] = static_cast<GLushort>(wide[i]);
    }
    glDrawElements(drawableMode(mode), count, GL_UNSIGNED_SHORT, layer.shortIndices.data());
}

// WebGL knows the mipmap hint alone.
void webGlHint(GLenum target, GLenum mode)
{
    constexpr GLenum kGenerateMipmapHint = 0x8192;
    if (target == kGenerateMipmapHint) glHint(target, mode);
}

// --- pixels ------------------------------------------------------------------

// WebGL reads the one buffer it draws into.
void webGlReadBuffer(GLenum) {}

// WebGL reads RGBA bytes only: other formats are packed from them.
void webGlReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels)
{
    const int components = componentsOf(format);
    if ((format == GL_RGBA && type == GL_UNSIGNED_BYTE) || components == 0 || type != GL_UNSIGNED_BYTE ||
        width <= 0 || height <= 0) {
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    const std::size_t rgbaRow = static_cast<std::size_t>(width) * 4;
    const std::size_t bytes = rgbaRow * static_cast<std::size_t>(height);
    if (layer.pixels.size() < bytes) layer.pixels.resize(bytes);
    GLint packAlignment = alignment(GL_PACK_ALIGNMENT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, layer.pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    const std::size_t outRow =
        alignedRow(static_cast<std::size_t>(width) * static_cast<std::size_t>(components), packAlignment);
    auto* out = static_cast<std::uint8_t*>(pixels);
    for (GLsizei row = 0; row < height; ++row) {
        const std::uint8_t* from = layer.pixels.data() + static_cast<std::size_t>(row) * rgbaRow;
        std::uint8_t* to = out + static_cast<std::size_t>(row) * outRow;
        for (GLsizei i = 0; i < width; ++i) {
            const std::uint8_t* p = from + static_cast<std::size_t>(i) * 4;
            std::uint8_t* q = to + static_cast<std::size_t>(i) * static_cast<std::size_t>(components);
            if (format == GL_ALPHA) q[0] = p[3];
            else for (int c = 0; c < components; ++c) q[c] = p[c];
        }
    }
}

// --- GLU ---------------------------------------------------------------------

GLint webGluScaleImage(GLenum format, GLint widthIn, GLint heightIn, GLenum typeIn, const void* dataIn,
                       GLint widthOut, GLint heightOut, GLenum typeOut, GLvoid* dataOut)
{
    const int components = componentsOf(format);
    if (components == 0 || typeIn != GL_UNSIGNED_BYTE || typeOut != GL_UNSIGNED_BYTE) return GLU_INVALID_ENUM;
    if (widthIn <= 0 || heightIn <= 0 || widthOut <= 0 || heightOut <= 0) return GLU_INVALID_VALUE;
    const std::size_t rowIn = alignedRow(static_cast<std::size_t>(widthIn * components), alignment(GL_UNPACK_ALIGNMENT));
    const std::size_t rowOut = alignedRow(static_cast<std::size_t>(widthOut * components), alignment(GL_PACK_ALIGNMENT));
    scaleImage(components, widthIn, heightIn, static_cast<const std::uint8_t*>(dataIn), rowIn, widthOut, heightOut,
               static_cast<std::uint8_t*>(dataOut), rowOut);
    return 0;
}

// Every level from the picture down to 1 x 1, each the rounded mean of 2 x 2
// (or 2 x 1) pixels of the one above; a side that is no power of two is
// first scaled to the nearest one, as GLU does.
GLint webGluBuild2DMipmaps(GLenum target, GLint, GLint width, GLint height, GLenum format, GLenum type,
                           const void* data)
{
    const int components = componentsOf(format);
    if (components == 0 || type != GL_UNSIGNED_BYTE) return GLU_INVALID_ENUM;
    if (width <= 0 || height <= 0) return GLU_INVALID_VALUE;
    const GLint unpackAlignment = alignment(GL_UNPACK_ALIGNMENT);
    const auto c = static_cast<std::size_t>(components);
    int w = powerOfTwoSide(width);
    int h = powerOfTwoSide(height);
    std::vector<std::uint8_t> level(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * c);
    scaleImage(components, width, height, static_cast<const std::uint8_t*>(data),
               alignedRow(static_cast<std::size_t>(width) * c, unpackAlignment), w, h, level.data(),
               static_cast<std::size_t>(w) * c);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<std::uint8_t> next;
    for (GLint n = 0;; ++n) {
        glTexImage2D(target, n, static_cast<GLint>(format), w, h, 0, format, GL_UNSIGNED_BYTE, level.data());
        if (w == 1 && h == 1) break;
        const int nw = std::max(w / 2, 1);
        const int nh = std::max(h / 2, 1);
        next.assign(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh) * c, 0);
        const int dx = w > 1 ? 1 : 0;
        const int dy = h > 1 ? 1 : 0;
        const int samples = (1 + dx) * (1 + dy);
        for (int y = 0; y < nh; ++y) {
            for (int x = 0; x < nw; ++x) {
                for (std::size_t k = 0; k < c; ++k) {
                    int sum = 0;
                    for (int j = 0; j <= dy; ++j)
                        for (int i = 0; i <= dx; ++i)
                            sum += level[(static_cast<std::size_t>(y * (1 + dy) + j) * static_cast<std::size_t>(w) +
                                          static_cast<std::size_t>(x * (1 + dx) + i)) * c + k];
                    next[(static_cast<std::size_t>(y) * static_cast<std::size_t>(nw) + static_cast<std::size_t>(x)) * c +
                         k] = static_cast<std::uint8_t>((sum + samples / 2) / samples);
                }
            }
        }
        level.swap(next);
        w = nw;
        h = nh;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    return 0;
}

// The emulation's gluLookAt does nothing: the same matrix as GLU's.
void webGluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY, GLdouble centreZ,
                  GLdouble upX, GLdouble upY, GLdouble upZ)
{
    double forward[3] = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
    const double forwardLength = std::sqrt(forward[0] * forward[0] + forward[1] * forward[1] + forward[2] * forward[2]);
    if (forwardLength == 0.0) return;
    for (double& f : forward) f /= forwardLength;
    double side[3] = {forward[1] * upZ - forward[2] * upY, forward[2] * upX - forward[0] * upZ,
                      forward[0] * upY - forward[1] * upX};
    const double sideLength = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    if (sideLength == 0.0) return;
    for (double& s : side) s /= sideLength;
    const double up[3] = {side[1] * forward[2] - side[2] * forward[1], side[2] * forward[0] - side[0] * forward[2],
                          side[0] * forward[1] - side[1] * forward[0]};
    const GLdouble m[16] = {side[0], up[0], -forward[0], 0.0, side[1], up[1], -forward[1], 0.0,
                            side[2], up[2], -forward[2], 0.0, 0.0,     0.0,   0.0,         1.0};
    glMultMatrixd(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

// The emulation's gluPerspective replaces the matrix: GLU multiplies it.
void webGluPerspective(GLdouble fovY, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    constexpr double kPi = 3.14159265358979323846;
    const double radians = fovY / 2.0 * kPi / 180.0;
    const double sine = std::sin(radians);
    const double depth = zFar - zNear;
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
    const double cotangent = std::cos(radians) / sine;
    const GLdouble m[16] = {cotangent / aspect, 0.0, 0.0, 0.0, 0.0, cotangent, 0.0, 0.0,
                            0.0, 0.0, -(zFar + zNear) / depth, -1.0, 0.0, 0.0, -2.0 * zNear * zFar / depth, 0.0};
    glMultMatrixd(m);
}

}  // extern "C"
