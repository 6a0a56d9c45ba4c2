#pragma once
// Helpers shared by the garden tests: running inside the generated data
// folder, finding seeds with a known next draw, counting drawn primitives.
#include "assets/mesh_model.h"
#include "assets/model_3ds.h"
#include "effects/geometry.h"
#include "platform/message_box.h"
#include "test_support.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <vector>

namespace gardentest {

// Changes into a folder for the lifetime of the object.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// Works in the generated data folder when the flower files are there, else
// in an empty scratch folder (set-up and placement do not need the models).
class FlowerDataOrScratchFolder {
public:
    FlowerDataOrScratchFolder();

private:
    std::optional<testsupport::TempDir> scratch_;
    std::optional<WorkingDirectory> inFolder_;
};

// A 3DS model imported with the game's reader (empty on failure).
inline MeshModel importModel(const char* path)
{
    MeshModel model;
    Model3dsReader reader;
    reader.import(model, path);
    return model;
}

inline const std::vector<Vector3>& verticesOf(const MeshModel& model) { return model.objects.at(0).vertices; }

// True when the generated data folder holds all these files.
inline bool haveDataFiles(std::initializer_list<const char*> names)
{
    const std::filesystem::path data = testsupport::generatedDataDir();
    for (const char* name : names) {
        if (!std::filesystem::exists(data / name)) return false;
    }
    return true;
}

// The flower bed's twelve models and five pictures.
inline bool haveFlowerData()
{
    return haveDataFiles(
        {"modelle/blumen_gesund.3ds", "modelle/blumen_trocken1.3ds", "modelle/blumen_trocken2.3ds",
         "modelle/blumen_trocken3.3ds", "modelle/blumen_mampf1.3ds", "modelle/blumen_mampf2g.3ds",
         "modelle/blumen_mampft1.3ds", "modelle/blumen_mampf2t1.3ds", "modelle/blumen_mampft2.3ds",
         "modelle/blumen_mampf2t2.3ds", "modelle/blumen_mampft3.3ds", "modelle/blumen_mampf2t3.3ds",
         "bilder/blume_1.bmp", "bilder/blume_trocken1.bmp", "bilder/blume_trocken2.bmp",
         "bilder/blume_trocken3.bmp", "bilder/blume_laus1.bmp"});
}

inline FlowerDataOrScratchFolder::FlowerDataOrScratchFolder()
{
    std::filesystem::path folder = testsupport::generatedDataDir();
    if (!haveFlowerData()) {
        scratch_.emplace();
        folder = scratch_->path();
    }
    inFolder_.emplace(folder);
}

// The rake's model (its texture is named inside it).
inline bool haveRakeData() { return haveDataFiles({"modelle/rechen_zacken.3ds"}); }

// The generator as written down for these tests, independently of the
// game's random module: state * 214013 + 2531011, bits 16 to 30.
inline int referenceDraw(std::uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

// A seed whose next draw is value (there are 2^17 of them for each value).
inline std::uint32_t seedWithNextDraw(int value)
{
    for (std::uint32_t seed = 0;; ++seed) {
        std::uint32_t state = seed;
        if (referenceDraw(state) == value) return seed;
    }
}

// A seed whose next draw is not 0 (so a countdown is not ended by it).
inline std::uint32_t seedWithNonZeroDraw() { return seedWithNextDraw(1234); }

// Number of polygons and lines that reach the rasteriser while draw() runs,
// through GL's feedback mode.
template <typename Draw>
int countDrawnPrimitives(Draw draw)
{
    static std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint values = glRenderMode(GL_RENDER);
    if (values < 0) return -1;  // overflow
    int primitives = 0;
    for (GLint i = 0; i < values;) {
        const auto token = static_cast<GLint>(buffer[static_cast<std::size_t>(i)]);
        if (token == GL_POLYGON_TOKEN) {
            const auto corners = static_cast<GLint>(buffer[static_cast<std::size_t>(i) + 1]);
            i += 2 + corners * 3;
            ++primitives;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 1 + 2 * 3;
            ++primitives;
        } else if (token == GL_POINT_TOKEN) {
            i += 1 + 3;
            ++primitives;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 2;
        } else {
            i += 1;  // bitmap and pixel tokens carry a vertex too; none are expected
        }
    }
    return primitives;
}

// An 800 x 600 perspective camera at eye looking at target, and the view
// frustum taken from it (the game's culling reads that frustum).
inline void lookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ)
{
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, targetX, targetY, targetZ, 0.0, 1.0, 0.0);
    extractFrustum();
}

}  // namespace gardentest
