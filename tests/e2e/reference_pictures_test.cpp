// The picture a frame shows, pixel for pixel: one seeded game on the virtual
// clock, played in this process through the game's own key callbacks, tick
// and frame (as the executable's run driver does), is compared at fixed
// frames with the pictures in tests/e2e/references/. Those were taken before
// the drawing was made cheaper; a change of the drawing that moves a pixel
// fails here, unless the scene's allowance below names the pixels and why.
//
// The software rasteriser draws the same pixels for the same program and
// input, but another driver or another Mesa may not: the references name the
// renderer they were taken with, and another renderer skips the comparison.
// BURRIK_UPDATE_REFERENCES=1 writes the current pictures as the references.
#include "e2e_support.h"

#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/startup.h"
#include "app/tick.h"
#include "automation/script.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/screenshot.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A quarter of the 800 x 600 window keeps the references small; the frame
// is the same view (the same aspect), drawn by the same code.
constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr std::uint32_t kSeed = 7;
constexpr double kTick = 0.02;

// The keys of the film, as a key script: the game starts at frame 3; a
// strike; the camera swung to the gardener's side for the spray and the
// water; the FPS text off; the camera tilted up to the clouds; wireframe on
// and off again; the camera tilted down and swung round to the gate; the
// gardener walks up to the fence, which holds the camera at it, and the
// camera swings along the fence.
constexpr const char* kScript =
    "3 press space\n"
    "10 press down\n11 release down\n"
    "50 press a\n100 release a\n"
    "110 press y\n"
    "240 press x\n"
    "330 press p\n"
    "340 press w\n430 release w\n"
    "431 press g\n433 press g\n"
    "434 press s\n480 release s\n"
    "482 press a\n545 release a\n"
    "551 press up\n880 release up\n"
    "881 press d\n925 release d\n";

struct Scene {
    long frame;
    const char* name;
    // Pixels that may differ from the reference, each allowance explained
    // where the scenes are listed.
    int allowedPixels;
};

// Frames 1 to 925 as scripted; then level 8 from a won round (frame 926),
// its twelve moles walking while the camera swings round; then one-second
// ticks until its clock runs out.
constexpr long kLevelEightFrame = 926;
constexpr const char* kLevelEightScript = "930 press d\n1020 release d\n";
constexpr long kLastLevelEightFrame = 1025;
const std::vector<Scene> kScenes = {
    {2, "menu", 0},
    {6, "garden_start", 0},
    {45, "strike", 0},
    // The spray and the water as their new, brighter sprites show them; the
    // way they are drawn is the same.
    {180, "spray", 0},
    {300, "water", 0},
    {430, "clouds", 0},
    {432, "wireframe", 0},
    {550, "gate", 0},
    {880, "at_the_fence", 0},
    {925, "along_the_fence", 0},
    // One pixel at the edge of the hat's thin brim, seen nearly edge on: only a
    // back face of the brim covered it (which side a face so nearly edge-on
    // shows is decided on rounded screen positions), and since back faces of
    // closed surfaces are culled, the fence behind it shows there.
    {935, "level8_start", 1},
    {1025, "level8_moles", 0},
    {0, "round_lost", 0},  // taken on the first RoundLost frame
};

fs::path referenceFolder() { return fs::path(testsupport::sourceDir()) / "tests" / "e2e" / "references"; }

std::string rendererName()
{
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return std::string(renderer ? renderer : "?") + " | " + std::string(version ? version : "?");
}

// The differing pixels of two pictures of the same size, and a picture of
// where they are (red on a darkened copy of the reference).
struct Difference {
    int pixels = 0;
    int largestChannelStep = 0;
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    std::vector<unsigned char> map;
};

Difference compare(const e2e::Picture& reference, const e2e::Picture& actual)
{
    Difference d;
    d.map.resize(reference.rgb.size());
    for (int y = 0; y < reference.height; ++y) {
        for (int x = 0; x < reference.width; ++x) {
            const unsigned char* r = reference.at(x, y);
            const unsigned char* a = actual.at(x, y);
            unsigned char* m = &d.map[(static_cast<std::size_t>(y) * reference.width + x) * 3];
            int step = 0;
            for (int c = 0; c < 3; ++c) step = std::max(step, std::abs(r[c] - a[c]));
            if (step == 0) {
                for (int c = 0; c < 3; ++c) m[c] = static_cast<unsigned char>(r[c] / 3);
                continue;
            }
            m[0] = 255, m[1] = 0, m[2] = 0;
            ++d.pixels;
            d.largestChannelStep = std::max(d.largestChannelStep, step);
            d.left = std::min(d.left, x), d.right = std::max(d.right, x);
            d.top = std::min(d.top, y), d.bottom = std::max(d.bottom, y);
        }
    }
    return d;
}

class ReferencePictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
        startFolder_ = fs::current_path();
        update_ = std::getenv("BURRIK_UPDATE_REFERENCES") != nullptr;
        const std::string renderer = rendererName();
        if (update_) {
            fs::create_directories(referenceFolder());
            testsupport::writeFileText(referenceFolder() / "renderer.txt", renderer + "\n");
        } else {
            const std::string expected = testsupport::readFileText(referenceFolder() / "renderer.txt");
            if (expected != renderer + "\n")
                GTEST_SKIP() << "the references were drawn by " << expected << "this is " << renderer;
        }
        outputFolder_ = startFolder_ / "reference-pictures";
        fs::create_directories(outputFolder_);
        setDialogsEnabled(false);
        fs::current_path(testsupport::generatedDataDir());
        setFixedSeed(kSeed);
        useFixedStepClock(kTick);
        setPresentHandler(nullptr);
        registerCallbacks();
        onReshape(kWidth, kHeight);
        gameSession.gameState = StartMenu;
        const ScriptParseResult script = parseScript(kScript);
        ASSERT_TRUE(script.ok) << script.error;
        events_ = script.events;
    }
    void TearDown() override
    {
        useRealClock();
        setFixedSeed(std::nullopt);
        if (!startFolder_.empty()) fs::current_path(startFolder_);
    }

    // One frame as the run driver plays it: the script's keys, the clock's
    // step, the tick and the drawn frame.
    void playFrame()
    {
        ++frame_;
        deliverScriptEvents(events_, cursor_, frame_);
        gameClock().advanceTick();
        gameTick();
        drawFrame();
    }
    void playTo(long frame)
    {
        while (frame_ < frame) playFrame();
    }

    void check(const Scene& scene)
    {
        SCOPED_TRACE(std::string(scene.name) + " at frame " + std::to_string(frame_));
        glFinish();
        const fs::path actualPath = outputFolder_ / (std::string(scene.name) + ".png");
        ASSERT_TRUE(writeScreenshotPng(actualPath.string(), kWidth, kHeight));
        const fs::path referencePath = referenceFolder() / (std::string(scene.name) + ".png");
        if (update_) {
            fs::copy_file(actualPath, referencePath, fs::copy_options::overwrite_existing);
            return;
        }
        const e2e::Picture reference = e2e::loadPng(referencePath.string());
        const e2e::Picture actual = e2e::loadPng(actualPath.string());
        ASSERT_TRUE(reference.valid()) << referencePath;
        ASSERT_TRUE(actual.valid());
        ASSERT_EQ(reference.width, actual.width);
        ASSERT_EQ(reference.height, actual.height);
        const Difference d = compare(reference, actual);
        if (d.pixels > 0) {
            const fs::path mapPath = outputFolder_ / (std::string(scene.name) + "_difference.png");
            stbi_write_png(mapPath.string().c_str(), kWidth, kHeight, 3, d.map.data(), kWidth * 3);
        }
        EXPECT_LE(d.pixels, scene.allowedPixels)
            << d.pixels << " pixels differ (largest channel step " << d.largestChannelStep << ") in columns "
            << d.left << " to " << d.right << ", rows " << d.top << " to " << d.bottom << "; see " << actualPath;
    }

    bool update_ = false;
    fs::path startFolder_;
    fs::path outputFolder_;
    std::vector<ScriptEvent> events_;
    std::size_t cursor_ = 0;
    long frame_ = 0;
};

TEST_F(ReferencePictures, EveryScenePixelForPixel)
{
    for (const Scene& scene : kScenes) {
        if (scene.frame == 0) continue;
        if (scene.frame >= kLevelEightFrame && frame_ < kLevelEightFrame) {
            playTo(kLevelEightFrame - 1);
            ASSERT_EQ(gameSession.gameState, Playing);
            // Seven rounds won: space after the last one sets up level 8.
            gameSession.gameState = RoundWon;
            gameSession.level = 7;
            ++frame_;
            onKey(kKeySpace, 0, 0);
            gameClock().advanceTick();
            gameTick();
            drawFrame();
            ASSERT_EQ(gameSession.level, 8);
            ASSERT_EQ(gameSession.moleCount, 12);
            const ScriptParseResult script = parseScript(kLevelEightScript);
            ASSERT_TRUE(script.ok) << script.error;
            events_.insert(events_.end(), script.events.begin(), script.events.end());
        }
        playTo(scene.frame);
        check(scene);
    }
    // The round clock runs out on one-second ticks (the new clock starts
    // earlier than the round did, so it takes a little over 200 of them).
    ASSERT_EQ(frame_, kLastLevelEightFrame);
    useFixedStepClock(1.0);
    for (int tick = 0; tick < 400 && gameSession.gameState == Playing; ++tick) playFrame();
    ASSERT_EQ(gameSession.gameState, RoundLost);
    check(kScenes.back());
}

}  // namespace
