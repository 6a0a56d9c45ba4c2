// End to end with moles: the real executable, seeded and on a virtual clock,
// judged by its trace and its screenshots.
#include "e2e_support.h"

#include "app/camera.h"
#include "platform/random.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using e2e::numberField;
using e2e::Picture;
using e2e::stringField;
using testsupport::TempDir;

struct TracedMole {
    int id = 0;
    std::string state;
    double x = 0, y = 0, z = 0;
    int hungry = 0;
    int flies = 0;
};

struct TracedFlower {
    std::string state;
    int eaten = 0;
};

// The objects of the array "key":[{...},...] of a trace line, as text.
std::vector<std::string> arrayObjects(const std::string& line, const std::string& key)
{
    std::vector<std::string> objects;
    const std::size_t start = line.find("\"" + key + "\":[");
    if (start == std::string::npos) return objects;
    const std::size_t end = line.find(']', start);
    std::size_t cursor = start;
    while ((cursor = line.find('{', cursor)) != std::string::npos && cursor < end) {
        const std::size_t close = line.find('}', cursor);
        objects.push_back(line.substr(cursor, close - cursor + 1));
        cursor = close;
    }
    return objects;
}

std::vector<TracedMole> molesOf(const std::string& line)
{
    std::vector<TracedMole> moles;
    for (const std::string& object : arrayObjects(line, "moles")) {
        TracedMole mole;
        mole.id = static_cast<int>(numberField(object, "id"));
        mole.state = stringField(object, "state");
        mole.x = numberField(object, "x");
        mole.y = numberField(object, "y");
        mole.z = numberField(object, "z");
        mole.hungry = static_cast<int>(numberField(object, "hungry"));
        mole.flies = static_cast<int>(numberField(object, "flies"));
        moles.push_back(mole);
    }
    return moles;
}

std::vector<TracedFlower> flowersOf(const std::string& line)
{
    std::vector<TracedFlower> flowers;
    for (const std::string& object : arrayObjects(line, "flowers")) {
        flowers.push_back({stringField(object, "state"), static_cast<int>(numberField(object, "eaten"))});
    }
    return flowers;
}

int livingFlowers(const std::string& line)
{
    int living = 0;
    for (const TracedFlower& flower : flowersOf(line)) living += flower.state != "Gone" ? 1 : 0;
    return living;
}

bool requireDisplay() { return std::getenv("DISPLAY") != nullptr; }

// Where a world point lands in an 800 x 600 frame drawn from the chase
// camera of a trace line (the camera follows the gardener as the game does).
struct Projected {
    bool inFront = false;
    double column = 0, row = 0;  // row 0 at the top
};

Projected projectFromTrace(const std::string& line, Vector3 point)
{
    ChaseCamera camera;
    camera.yaw = static_cast<float>(numberField(line, "yaw"));
    camera.pitch = static_cast<float>(numberField(line, "pitch"));
    const std::string gardener = line.substr(line.find("\"gardener\""));
    followGardener(camera,
                   {static_cast<float>(numberField(gardener, "x")), static_cast<float>(numberField(gardener, "y")),
                    static_cast<float>(numberField(gardener, "z"))},
                   kCameraOffset);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, -20.0);  // as the game's reshape
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.eye.x + camera.view.x, camera.eye.y + camera.view.y,
              camera.eye.z + camera.view.z, camera.up.x, camera.up.y, camera.up.z);
    GLdouble modelView[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, 800, 600};
    Projected result;
    GLdouble x = 0, y = 0, z = 0;
    gluProject(point.x, point.y, point.z, modelView, projection, viewport, &x, &y, &z);
    result.inFront = Dot(camera.view, Subtract(point, camera.eye)) > 0.0f;
    result.column = x;
    result.row = 599.0 - y;
    return result;
}

bool isMoleFur(const unsigned char* p) { return p[0] < 150 && p[0] > p[1] && p[1] > p[2] && p[0] - p[2] > 15; }

// ---------------------------------------------------------------------------

TEST(MolesEndToEnd, SeededSetUpPutsTheMolesWhereTheDrawsAfterTheRakesSay)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir, "2 press space\n", "--seed 9 --fixed-dt 0.02 --frames 3");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 3u);
    EXPECT_TRUE(molesOf(run.trace[0]).empty());
    const std::vector<TracedMole> moles = molesOf(run.trace[1]);  // after the first playing tick
    ASSERT_EQ(moles.size(), 4u);
    seedRandom(9);
    for (int draw = 0; draw < 24; ++draw) randomInt();  // the eight rakes
    for (int id = 0; id < 4; ++id) {
        const int r1 = randomInt(), r2 = randomInt(), r3 = randomInt();
        const TracedMole& mole = moles[static_cast<std::size_t>(3 - id)];  // newest first
        EXPECT_EQ(mole.id, id);
        const double heading = (r3 % 360) * 3.14159265 / 180.0;
        // One tick of walking (0.4 units), unless the first tick bounced it.
        const double x = 475 - r1 % 950, z = 475 - r2 % 950;
        const bool walked = std::fabs(mole.x - (x + 0.4 * std::sin(heading))) < 1e-2 &&
                            std::fabs(mole.z - (z + 0.4 * std::cos(heading))) < 1e-2;
        const bool bounced = mole.state == "Paused" && mole.x == x && mole.z == z;
        EXPECT_TRUE(walked || bounced) << id << ": " << mole.x << ", " << mole.z << " from " << x << ", " << z;
        EXPECT_EQ(mole.y, 0.0);
    }
    EXPECT_EQ(numberField(run.trace[1], "molesLeft"), 4);
}

TEST(MolesEndToEnd, MolesWalkAndAreSeenWhereTheyStand)
{
    if (!requireDisplay() || !testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run =
        e2e::runGame(dir, "2 press space\n", "--seed 7 --fixed-dt 0.02 --frames 100 --screenshot 100:moles.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 100u);
    // Twenty units a second: 0.4 per tick for a mole that walks in both
    // ticks (none in a tick in which it bounced).
    int walkers = 0;
    for (std::size_t frame = 10; frame < 100; ++frame) {
        const auto before = molesOf(run.trace[frame - 1]);
        const auto after = molesOf(run.trace[frame]);
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (before[i].state != "Walking" || after[i].state != "Walking") continue;
            const double step = std::hypot(after[i].x - before[i].x, after[i].z - before[i].z);
            if (step == 0.0) continue;
            EXPECT_NEAR(step, 0.4, 2e-3);  // the trace rounds to thousandths
            ++walkers;
        }
    }
    EXPECT_GT(walkers, 200);

    const Picture picture = e2e::loadPng((dir / "moles.png").string());
    ASSERT_TRUE(picture.valid());
    int seen = 0;
    for (const TracedMole& mole : molesOf(run.trace[99])) {
        const Projected at =
            projectFromTrace(run.trace[99], {static_cast<float>(mole.x), static_cast<float>(mole.y) + 5.0f,
                                             static_cast<float>(mole.z)});
        if (!at.inFront || at.column < 10 || at.column > 790 || at.row < 120 || at.row > 590) continue;
        int fur = 0;
        for (int dy = -3; dy <= 3; ++dy) {
            for (int dx = -3; dx <= 3; ++dx) {
                fur += isMoleFur(picture.at(static_cast<int>(at.column) + dx, static_cast<int>(at.row) + dy)) ? 1 : 0;
            }
        }
        EXPECT_GE(fur, 10) << "mole " << mole.id << " at column " << at.column << ", row " << at.row;
        ++seen;
    }
    EXPECT_GE(seen, 1);
}

TEST(MolesEndToEnd, ARoundNobodyCaresForAgesBitesAndKeepsEveryMoleInside)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    // 200 seconds of 40 ms ticks.
    const e2e::GameRun run = e2e::runGame(dir, "2 press space\n", "--seed 5 --fixed-dt 0.04 --frames 5010");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 5010u);
    EXPECT_EQ(stringField(run.trace.back(), "state"), "RoundLost");

    bool ill = false, bitten = false, hungry = false, eating = false;
    int bounces = 0;  // visits to the fence: closer than 15, then back beyond 20
    std::vector<bool> atFence(4, false);
    for (std::size_t frame = 2; frame < run.trace.size(); ++frame) {
        const std::string& line = run.trace[frame];
        for (const TracedFlower& flower : flowersOf(line)) {
            ill = ill || (flower.state != "Healthy" && flower.state != "Gone");
            bitten = bitten || flower.eaten > 0;
        }
        const auto moles = molesOf(line);
        ASSERT_EQ(moles.size(), 4u);
        for (std::size_t i = 0; i < moles.size(); ++i) {
            const TracedMole& mole = moles[i];
            hungry = hungry || mole.hungry == 1;
            eating = eating || mole.state == "Eating";
            ASSERT_TRUE(mole.state == "Walking" || mole.state == "Paused" || mole.state == "Eating") << mole.state;
            ASSERT_LT(std::fabs(mole.x), 500.0 - 12.9) << "frame " << frame + 1 << " mole " << mole.id;
            ASSERT_LT(std::fabs(mole.z), 500.0 - 12.9) << "frame " << frame + 1 << " mole " << mole.id;
            const double fromFence = 500.0 - std::max(std::fabs(mole.x), std::fabs(mole.z));
            if (fromFence < 15.0) atFence[i] = true;
            if (fromFence > 20.0 && atFence[i]) {
                atFence[i] = false;
                ++bounces;
            }
        }
        // The bed ages once per listed mole: each living flower four times a tick.
        const double updates = numberField(line, "flowerUpdates") - numberField(run.trace[frame - 1], "flowerUpdates");
        if (livingFlowers(line) == livingFlowers(run.trace[frame - 1])) {
            ASSERT_EQ(updates, 4.0 * livingFlowers(line)) << "frame " << frame + 1;
        }
    }
    EXPECT_TRUE(ill);
    EXPECT_TRUE(bitten);
    EXPECT_TRUE(hungry);
    EXPECT_TRUE(eating);
    EXPECT_GE(bounces, 4);
}

}  // namespace
