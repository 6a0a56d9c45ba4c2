// Captures the toolkit's stroke Roman font as data and writes it as a C++
// source defining kStrokeRomanFont (platform/stroke_font.h), for the builds
// whose toolkit has no stroke font. Needs an X display (xvfb-run at build time).
//
//   strokefont_capture --out FILE.cpp
//
// For every code a char or an unsigned char can hold, the lines that
// glutStrokeCharacter draws come back through GL feedback, and the advance is
// read from the modelview matrix it leaves behind. Lines are joined into one
// strip while each starts where the one before it ended.
//
// The capture is exact to the bit. It draws into a framebuffer object (in a
// window's framebuffer Mesa flips y, and feedback hands y back through a
// subtraction that loses its low bits), with the viewport centred on the
// origin and power-of-two scales, so that every step of the transform is a
// multiplication by a power of two. That is checked, not trusted: each glyph
// is captured at two scales and once with x and y swapped (so that y takes
// x's path), and the three must agree to the bit; the advance must equal
// glutStrokeWidthf and glutStrokeLengthf; and each glyph drawn back from the
// table by the renderer must feed back the toolkit's own lines and matrix.
#define GL_GLEXT_PROTOTYPES

#include "platform/leak_check.h"
#include "platform/stroke_font.h"

#include <GL/freeglut.h>
#include <GL/glext.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kFirstScannedCode = -128;  // a plain char's lowest
constexpr int kLastScannedCode = 255;    // an unsigned char's highest
constexpr double kHalfExtent = 1024.0;   // font units seen on each side of the origin
constexpr double kCheckHalfExtent = 512.0;
constexpr GLsizei kFramebufferSize = 16;  // its pixels are never looked at
constexpr std::size_t kFeedbackFloats = std::size_t{1} << 16;
constexpr GLfloat kFeedbackDepth = 0.5f;  // z = 0 through the default depth range
constexpr GLint kFeedbackLineFloats = 7;  // the token, then x, y, z of both ends
constexpr GLfloat kSwapXY[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr std::array<GLfloat, 16> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr int kAdvanceColumn = 12;  // the x of the matrix's translation

struct Line {
    float x0, y0, x1, y1;
    bool startsStrip;  // the driver's reset token, where it gives one
    bool operator==(const Line&) const = default;
};

struct Capture {
    std::vector<Line> lines;
    std::array<GLfloat, 16> modelview{};
};

// What draw() sends down the pipeline, fed back in font units.
template <typename Draw>
bool feedback(Draw draw, double halfExtent, bool swapped, Capture& capture, std::string& error)
{
    static std::vector<GLfloat> buffer(kFeedbackFloats);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-halfExtent, halfExtent, -halfExtent, halfExtent, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    if (swapped) glLoadMatrixf(kSwapXY);
    else glLoadIdentity();
    const auto size = static_cast<GLsizei>(2.0 * halfExtent);
    glViewport(-size / 2, -size / 2, size, size);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    glGetFloatv(GL_MODELVIEW_MATRIX, capture.modelview.data());
    if (count < 0) {
        error = "the feedback buffer overflowed";
        return false;
    }
    capture.lines.clear();
    for (GLint i = 0; i < count; i += kFeedbackLineFloats) {
        const auto token = static_cast<GLenum>(buffer[static_cast<std::size_t>(i)]);
        if ((token != GL_LINE_TOKEN && token != GL_LINE_RESET_TOKEN) || i + kFeedbackLineFloats > count) {
            error = "the feedback holds something other than lines (token " + std::to_string(token) + ")";
            return false;
        }
        const GLfloat* v = &buffer[static_cast<std::size_t>(i) + 1];
        if (v[2] != kFeedbackDepth || v[5] != kFeedbackDepth) {
            error = "a line leaves the z = 0 plane";
            return false;
        }
        const bool reset = token == GL_LINE_RESET_TOKEN;
        capture.lines.push_back(swapped ? Line{v[1], v[0], v[4], v[3], reset} : Line{v[0], v[1], v[3], v[4], reset});
    }
    return true;
}

struct CapturedGlyph {
    std::vector<std::vector<float>> strips;  // x, y of each point
    float advance = 0.0f;
};

bool captureGlyph(int code, CapturedGlyph& glyph, std::string& error)
{
    const auto toolkit = [code] { glutStrokeCharacter(GLUT_STROKE_ROMAN, code); };
    Capture straight;
    Capture swapped;
    Capture smaller;
    if (!feedback(toolkit, kHalfExtent, false, straight, error) || !feedback(toolkit, kHalfExtent, true, swapped, error) ||
        !feedback(toolkit, kCheckHalfExtent, false, smaller, error)) {
        return false;
    }
    if (straight.lines != swapped.lines || straight.lines != smaller.lines) {
        error = "the lines differ between scales or with x and y swapped, so they are not exact";
        return false;
    }
    std::array<GLfloat, 16> moved = kIdentity;
    moved[kAdvanceColumn] = straight.modelview[kAdvanceColumn];
    if (straight.modelview != moved) {
        error = "the toolkit leaves the matrix changed beyond a move along x";
        return false;
    }
    glyph.advance = moved[kAdvanceColumn];
    if (glutStrokeWidthf(GLUT_STROKE_ROMAN, code) != glyph.advance) {
        error = "the advance differs from glutStrokeWidthf";
        return false;
    }
    if (code >= 0) {
        const unsigned char text[2] = {static_cast<unsigned char>(code), 0};
        if (glutStrokeLengthf(GLUT_STROKE_ROMAN, text) != glyph.advance) {
            error = "the advance differs from glutStrokeLengthf";
            return false;
        }
    }
    glyph.strips.clear();
    for (const Line& line : straight.lines) {
        std::vector<float>* strip = glyph.strips.empty() ? nullptr : &glyph.strips.back();
        const std::size_t size = strip == nullptr ? 0 : strip->size();
        const bool joins = strip != nullptr && !line.startsStrip && (*strip)[size - 2] == line.x0 &&
                           (*strip)[size - 1] == line.y0;
        if (!joins) strip = &glyph.strips.emplace_back(std::vector<float>{line.x0, line.y0});
        strip->insert(strip->end(), {line.x1, line.y1});
    }
    return true;
}

struct FontData {
    int firstCode = 0;
    std::vector<StrokeGlyph> glyphs;
    std::vector<std::uint16_t> stripSizes;
    std::vector<float> points;

    StrokeFont view() const
    {
        return {firstCode, static_cast<int>(glyphs.size()), glyphs.data(), stripSizes.data(), points.data()};
    }
};

bool hasContent(const CapturedGlyph& glyph) { return !glyph.strips.empty() || glyph.advance != 0.0f; }

bool captureFont(FontData& font, std::string& error)
{
    std::vector<CapturedGlyph> scanned(kLastScannedCode - kFirstScannedCode + 1);
    int first = kLastScannedCode + 1;
    int last = kFirstScannedCode - 1;
    for (int code = kFirstScannedCode; code <= kLastScannedCode; ++code) {
        CapturedGlyph& glyph = scanned[static_cast<std::size_t>(code - kFirstScannedCode)];
        if (!captureGlyph(code, glyph, error)) {
            error = "character " + std::to_string(code) + ": " + error;
            return false;
        }
        if (hasContent(glyph)) {
            if (code < first) first = code;
            last = code;
        }
    }
    if (first > last) {
        error = "the toolkit's stroke font draws nothing for any character";
        return false;
    }
    font.firstCode = first;
    for (int code = first; code <= last; ++code) {
        const CapturedGlyph& glyph = scanned[static_cast<std::size_t>(code - kFirstScannedCode)];
        font.glyphs.push_back({static_cast<std::uint32_t>(font.stripSizes.size()),
                               static_cast<std::uint32_t>(glyph.strips.size()),
                               static_cast<std::uint32_t>(font.points.size() / 2), glyph.advance});
        for (const std::vector<float>& strip : glyph.strips) {
            if (strip.size() / 2 > std::numeric_limits<std::uint16_t>::max()) {
                error = "character " + std::to_string(code) + " has a strip too long for the table";
                return false;
            }
            font.stripSizes.push_back(static_cast<std::uint16_t>(strip.size() / 2));
            font.points.insert(font.points.end(), strip.begin(), strip.end());
        }
    }
    return true;
}

// Every glyph drawn from the table must feed back what the toolkit draws.
bool checkDrawnBack(const StrokeFont& font, std::string& error)
{
    for (int code = kFirstScannedCode; code <= kLastScannedCode; ++code) {
        Capture toolkit;
        Capture table;
        if (!feedback([code] { glutStrokeCharacter(GLUT_STROKE_ROMAN, code); }, kHalfExtent, false, toolkit, error) ||
            !feedback([&font, code] { drawStrokeGlyph(font, code); }, kHalfExtent, false, table, error)) {
            return false;
        }
        if (toolkit.lines != table.lines || toolkit.modelview != table.modelview) {
            error = "character " + std::to_string(code) + " drawn from the table differs from the toolkit's";
            return false;
        }
    }
    return true;
}

// The shortest text that reads back as the same float.
bool floatLiteral(float value, std::string& literal)
{
    if (!std::isfinite(value)) return false;
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    if (written.ec != std::errc{}) return false;
    float back = 0.0f;
    const auto read = std::from_chars(text.data(), written.ptr, back);
    if (read.ec != std::errc{} || back != value) return false;
    literal.assign(text.data(), written.ptr);
    if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
    literal += 'f';
    return true;
}

std::string glyphName(int code)
{
    std::string name = std::to_string(code);
    if (code >= ' ' && code <= '~') name += std::string(" '") + static_cast<char>(code) + "'";
    return name;
}

bool tableSource(const FontData& font, std::string& source, std::string& error)
{
    const int version = glutGet(GLUT_VERSION);
    source = "// The toolkit's stroke Roman font as data, captured from freeglut " + std::to_string(version / 10000) +
             "." + std::to_string(version / 100 % 100) + "." + std::to_string(version % 100) +
             " by strokefont_capture (tools/strokefont). Generated: do not edit.\n"
             "#include \"platform/stroke_font.h\"\n\nnamespace {\n\n"
             "// x, y of every strip's points in font units, glyph after glyph.\n"
             "constexpr float kPoints[] = {\n";
    std::string literal;
    std::size_t strip = 0;
    for (std::size_t g = 0; g < font.glyphs.size(); ++g) {
        const StrokeGlyph& glyph = font.glyphs[g];
        if (glyph.stripCount > 0) source += "    // " + glyphName(font.firstCode + static_cast<int>(g)) + "\n";
        std::size_t point = glyph.firstPoint;
        for (std::uint32_t s = 0; s < glyph.stripCount; ++s, ++strip) {
            source += "   ";
            for (std::uint16_t i = 0; i < font.stripSizes[strip]; ++i, ++point) {
                for (int axis = 0; axis < 2; ++axis) {
                    if (!floatLiteral(font.points[2 * point + static_cast<std::size_t>(axis)], literal)) {
                        error = "a point of character " + glyphName(font.firstCode + static_cast<int>(g)) +
                                " is not a finite number";
                        return false;
                    }
                    source += " " + literal + ",";
                }
            }
            source += "\n";
        }
    }
    source += "};\n\n// Points in each strip.\nconstexpr std::uint16_t kStripSizes[] = {";
    for (std::size_t s = 0; s < font.stripSizes.size(); ++s) {
        source += (s % 20 == 0 ? "\n    " : " ") + std::to_string(font.stripSizes[s]) + ",";
    }
    source += "\n};\n\n// First strip, strips, first point, advance.\nconstexpr StrokeGlyph kGlyphs[] = {\n";
    for (std::size_t g = 0; g < font.glyphs.size(); ++g) {
        const StrokeGlyph& glyph = font.glyphs[g];
        if (!floatLiteral(glyph.advance, literal)) {
            error = "the advance of character " + glyphName(font.firstCode + static_cast<int>(g)) + " is not a finite number";
            return false;
        }
        source += "    {" + std::to_string(glyph.firstStrip) + ", " + std::to_string(glyph.stripCount) + ", " +
                  std::to_string(glyph.firstPoint) + ", " + literal + "},  // " +
                  glyphName(font.firstCode + static_cast<int>(g)) + "\n";
    }
    source += "};\n\n}  // namespace\n\nextern const StrokeFont kStrokeRomanFont{" + std::to_string(font.firstCode) +
              ", " + std::to_string(font.glyphs.size()) + ", kGlyphs, kStripSizes, kPoints};\n";
    return true;
}

// Through a temporary file, so that a failed run leaves no half-written table behind.
bool writeFile(const std::filesystem::path& path, const std::string& text, std::string& error)
{
    std::error_code code;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), code);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = "cannot move " + temporary.string() + " to " + path.string() + ": " + code.message();
        std::filesystem::remove(temporary, code);
        return false;
    }
    return true;
}

// A framebuffer object to draw into, for y that feedback gives back unflipped.
class Framebuffer {
public:
    Framebuffer()
    {
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kFramebufferSize, kFramebufferSize);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    }
    ~Framebuffer()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &colour_);
        glDeleteFramebuffers(1, &framebuffer_);
    }
    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;
    bool complete() const { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }

private:
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
};

bool run(const std::filesystem::path& out, std::string& error)
{
    FontData font;
    {
        Framebuffer framebuffer;
        if (!framebuffer.complete()) {
            error = "the GL driver offers no framebuffer object to capture into";
            return false;
        }
        if (!captureFont(font, error) || !checkDrawnBack(font.view(), error)) return false;
    }
    std::string source;
    if (!tableSource(font, source, error) || !writeFile(out, source, error)) return false;
    const std::size_t bytes = font.points.size() * sizeof(float) + font.stripSizes.size() * sizeof(std::uint16_t) +
                              font.glyphs.size() * sizeof(StrokeGlyph);
    std::printf("strokefont_capture: %zu glyphs (%d..%d), %zu strips, %zu points, %zu bytes of data: %s\n",
                font.glyphs.size(), font.firstCode, font.firstCode + static_cast<int>(font.glyphs.size()) - 1,
                font.stripSizes.size(), font.points.size() / 2, bytes, out.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::string(argv[1]) != "--out" || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: strokefont_capture --out FILE.cpp\n");
        return 2;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fprintf(stderr, "strokefont_capture: no X display (DISPLAY is not set); run it under xvfb-run\n");
        return 1;
    }
    int glutArgc = 1;
    char* glutArgv[] = {argv[0], nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGB);
    glutInitWindowSize(kFramebufferSize, kFramebufferSize);
    const int window = glutCreateWindow("strokefont_capture");
    checkLeaksBeforeTheGlDriverUnloads();
    std::string error;
    const bool captured = run(argv[2], error);
    glutDestroyWindow(window);
    if (!captured) {
        std::fprintf(stderr, "strokefont_capture: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
