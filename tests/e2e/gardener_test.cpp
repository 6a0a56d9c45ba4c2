// End to end: the gardener in the real game, seen in screenshots and
// followed through the trace as it stands, walks, runs into a flower, the
// fence and a rake, strikes, waters, sprays and dies.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using e2e::numberField;
using e2e::Picture;
using e2e::stringField;
using testsupport::TempDir;

constexpr double kDt = 0.02;

bool requireDisplay() { return std::getenv("DISPLAY") != nullptr; }

// A field inside the named object of the trace line (legs, torso, gardener).
std::string partString(const std::string& line, const std::string& part, const std::string& key)
{
    const std::size_t at = line.find("\"" + part + "\":");
    return at == std::string::npos ? std::string() : stringField(line.substr(at), key);
}
double partNumber(const std::string& line, const std::string& part, const std::string& key)
{
    const std::size_t at = line.find("\"" + part + "\":");
    return at == std::string::npos ? std::nan("") : numberField(line.substr(at), key);
}
bool partFlag(const std::string& line, const std::string& key)
{
    return line.find("\"" + key + "\":true") != std::string::npos;
}
double gx(const std::string& line) { return partNumber(line, "gardener", "x"); }
double gz(const std::string& line) { return partNumber(line, "gardener", "z"); }
int busy(const std::string& line) { return static_cast<int>(partNumber(line, "gardener", "busy")); }

// Pixels of the gardener's blue trousers in a box: the lawn, the fence and the
// flowers around him have no such colour.
int trouserPixels(const Picture& p, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const unsigned char* c = p.at(x, y);
            if (c[2] > c[0] + 20 && c[2] > c[1] + 8) ++count;
        }
    }
    return count;
}

// Pixels of a box that differ between two pictures by more than 2 % in some channel.
int changedPixels(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = a.at(x, y);
            const unsigned char* q = b.at(x, y);
            if (std::abs(p[0] - q[0]) > 5 || std::abs(p[1] - q[1]) > 5 || std::abs(p[2] - q[2]) > 5) ++count;
        }
    }
    return count;
}

TEST(Gardener, StandsInTheFirstFrameAndWalksAt75UnitsASecondToTheFence)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    // Seed 8: no mole comes into his way to the fence.
    const e2e::GameRun run = e2e::runGame(dir, "2 press space\n10 press up\n",
                                          "--seed 8 --fixed-dt 0.02 --frames 360 --screenshot 2:first.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 360u);
    const std::string& first = run.trace[1];
    EXPECT_EQ(partString(first, "legs", "animation"), "LEGS_IDLE");
    EXPECT_EQ(partString(first, "torso", "animation"), "TORSO_IDLE");
    const Picture shot = e2e::loadPng((dir / "first.png").string());
    ASSERT_TRUE(shot.valid());
    EXPECT_GT(trouserPixels(shot, 330, 330, 470, 520), 3000);  // where he stands, seen from behind
    EXPECT_LT(trouserPixels(shot, 0, 330, 150, 520), 50);      // lawn beside him

    // Once the walk is under way he moves 75 units a second along -z.
    int moving = 0;
    for (std::size_t i = 11; i < 300; ++i) {
        const double step = gz(run.trace[i - 1]) - gz(run.trace[i]);
        if (partFlag(run.trace[i - 1], "stepAllowed")) {
            EXPECT_NEAR(step, 75 * kDt, 1e-3) << i;
            ++moving;
        } else {
            EXPECT_EQ(step, 0.0) << i;
        }
        EXPECT_EQ(partString(run.trace[i], "legs", "animation"), "BOTH_WALK") << i;
    }
    EXPECT_GT(moving, 280);
    // The fence stops him 28 units before it (his body sphere's centre line).
    EXPECT_NEAR(gz(run.trace[359]), -472.0, 0.01);
    EXPECT_EQ(gz(run.trace[359]), gz(run.trace[340]));
}

TEST(Gardener, AFlowerStopsHim)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    // 26 ticks of turning left: heading 41.6, facing the flower at (-100, -100).
    const e2e::GameRun run =
        e2e::runGame(dir, "2 press space\n5 press left\n31 release left\n35 press up\n", "--seed 7 --fixed-dt 0.02 --frames 200");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 200u);
    EXPECT_NEAR(numberField(run.trace[40], "heading"), 41.6, 0.01);
    const std::string& last = run.trace[199];
    EXPECT_EQ(gx(last), gx(run.trace[170]));
    EXPECT_EQ(gz(last), gz(run.trace[170]));
    EXPECT_EQ(numberField(last, "walking"), 1);
    // Stopped at contact: body sphere (radius 15, 35 below his origin) against
    // the flower's sphere (centre offset (4, 7, -9), radius 35).
    const double dx = gx(last) - (-100 + 4), dy = (24 - 35) - 7, dz = gz(last) - (-100 - 9);
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 50.0, 0.5);
    EXPECT_LT(gz(last), -50.0);  // he did walk there
}

struct Point {
    double x = 0, z = 0;
};

double distanceToSegment(Point p, Point a, Point b)
{
    const double vx = b.x - a.x, vz = b.z - a.z;
    const double t = std::clamp(((p.x - a.x) * vx + (p.z - a.z) * vz) / (vx * vx + vz * vz), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * vx, p.z - a.z - t * vz);
}

TEST(Gardener, ARakeSetOffCostsTenPointsAndThrowsHimDown)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    // Where the seed puts the rakes.
    TempDir look;
    const e2e::GameRun placed = e2e::runGame(look, "2 press space\n", "--seed 9 --fixed-dt 0.02 --frames 3");
    ASSERT_EQ(placed.trace.size(), 3u);
    std::vector<Point> heads;
    std::vector<double> tineDirections;
    for (int r = 0; r < 8; ++r) {
        std::size_t at = placed.trace[2].find("\"rakes\":[");
        for (int k = 0; k <= r; ++k) at = placed.trace[2].find("{\"x\":", at + 1);
        const std::string rake = placed.trace[2].substr(at);
        const double heading = numberField(rake, "heading") * 3.14159265 / 180;
        // The tines at (-1, 0, 0) of the rake, turned by its heading.
        heads.push_back({numberField(rake, "x") - std::cos(heading), numberField(rake, "z") + std::sin(heading)});
        tineDirections.push_back(heading);
    }
    // The nearest rake head reached on a straight path clear of the flowers,
    // the other rakes and the tine side.
    const Point start{0, 0};
    int chosen = -1;
    for (int r = 0; r < 8; ++r) {
        bool clear = true;
        for (double fx : {-300.0, -100.0, 100.0, 300.0}) {
            for (double fz : {-300.0, -100.0, 100.0, 300.0}) {
                if (distanceToSegment({fx + 4, fz - 9}, start, heads[static_cast<std::size_t>(r)]) < 60) clear = false;
            }
        }
        for (int o = 0; o < 8; ++o) {
            if (o != r && distanceToSegment(heads[static_cast<std::size_t>(o)], start, heads[static_cast<std::size_t>(r)]) < 60) {
                clear = false;
            }
        }
        const Point h = heads[static_cast<std::size_t>(r)];
        const double tineX = -std::cos(tineDirections[static_cast<std::size_t>(r)]);
        const double tineZ = std::sin(tineDirections[static_cast<std::size_t>(r)]);
        if (h.x * tineX + h.z * tineZ > 0) clear = false;  // walking along the tines does not set it off
        if (clear && (chosen < 0 || std::hypot(h.x, h.z) < std::hypot(heads[static_cast<std::size_t>(chosen)].x,
                                                                    heads[static_cast<std::size_t>(chosen)].z))) {
            chosen = r;
        }
    }
    ASSERT_GE(chosen, 0) << "no rake reachable on a clear path with this seed";
    const Point target = heads[static_cast<std::size_t>(chosen)];
    const double heading = std::atan2(-target.x, -target.z) * 180 / 3.14159265;
    const int ticks = static_cast<int>(std::lround(std::fabs(heading) / (80 * kDt)));
    const std::string turn = heading > 0 ? "left" : "right";
    const std::string script = "2 press space\n5 press " + turn + "\n" + std::to_string(5 + ticks) + " release " + turn +
                               "\n" + std::to_string(8 + ticks) + " press up\n";

    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir, script, "--seed 9 --fixed-dt 0.02 --frames 600");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 600u);
    std::size_t fell = 0;
    for (std::size_t i = 0; i < run.trace.size() && fell == 0; ++i) {
        if (numberField(run.trace[i], "falling") == 1) fell = i;
    }
    ASSERT_GT(fell, 0u) << "rake " << chosen;
    EXPECT_EQ(numberField(run.trace[fell], "score"), -10);
    EXPECT_EQ(numberField(run.trace[fell], "walking"), 0);
    EXPECT_NE(run.trace[fell].find("\"sounds\":[\"sound/rechen2.wav\",\"sound/au.wav\"]"), std::string::npos);
    EXPECT_EQ(partString(run.trace[fell], "legs", "animation"), "BOTH_FALL");
    EXPECT_EQ(partString(run.trace[fell], "torso", "animation"), "BOTH_FALL");
    // The fall plays out, then he stands idle, and the rake had swung up.
    std::size_t up = 0;
    for (std::size_t i = fell; i < run.trace.size() && up == 0; ++i) {
        if (numberField(run.trace[i], "falling") == 0) up = i;
    }
    ASSERT_GT(up, fell + 50) << "the fall is two seconds of animation";
    EXPECT_EQ(partString(run.trace[up], "legs", "animation"), "LEGS_IDLE");
    EXPECT_EQ(partString(run.trace[up], "torso", "animation"), "TORSO_IDLE");
    EXPECT_EQ(numberField(run.trace[599], "score"), -10);  // once only
    EXPECT_EQ(gx(run.trace[599]), gx(run.trace[fell]));  // he lies where he fell
}

// Each action ends by itself and leaves him free: he walks off afterwards.
// The camera is swung round to his left first, so the drops and the cloud
// in front of him fall on open lawn in the pictures.
TEST(Gardener, StrikeWaterAndSprayEndByThemselves)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir,
                                          "2 press space\n5 press a\n50 release a\n"
                                          "60 press down\n61 release down\n"
                                          "150 press x\n151 release x\n"
                                          "290 press y\n291 release y\n"
                                          "400 press up\n",
                                          "--seed 7 --fixed-dt 0.02 --frames 440 --screenshot 58:still.png "
                                          "--screenshot 210:water.png --screenshot 340:spray.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 440u);
    const auto& t = run.trace;
    auto endOf = [&](std::size_t from, const char* flag) {
        for (std::size_t i = from; i < t.size(); ++i) {
            if (numberField(t[i], flag) == 0) return i;
        }
        return t.size();
    };
    // Strike: the blow lands on the way, then he is idle and free.
    EXPECT_EQ(numberField(t[59], "striking"), 1);
    EXPECT_EQ(busy(t[59]), 1);
    bool blow = false;
    for (std::size_t i = 59; i < 140; ++i) blow = blow || partFlag(t[i], "effectVisible");
    EXPECT_TRUE(blow);
    const std::size_t strikeEnd = endOf(59, "striking");
    EXPECT_LT(strikeEnd, 145u);
    EXPECT_EQ(busy(t[strikeEnd]), 0);
    EXPECT_EQ(partString(t[strikeEnd], "legs", "animation"), "LEGS_IDLE");
    // Watering.
    EXPECT_EQ(partString(t[149], "torso", "animation"), "TORSO_GIESSEN");
    EXPECT_TRUE(partFlag(t[149], "waterEffect"));
    EXPECT_NE(t[149].find("\"sounds\":[\"sound/wasser2.wav\"]"), std::string::npos);
    EXPECT_TRUE(partFlag(t[209], "effectVisible"));
    const std::size_t waterEnd = endOf(149, "watering");
    EXPECT_LT(waterEnd, 285u);
    EXPECT_EQ(busy(t[waterEnd]), 0);
    EXPECT_FALSE(partFlag(t[waterEnd], "waterEffect"));
    EXPECT_EQ(partString(t[waterEnd], "torso", "animation"), "TORSO_IDLE");
    // Spraying.
    EXPECT_EQ(partString(t[289], "torso", "animation"), "TORSO_SPRAY");
    EXPECT_TRUE(partFlag(t[289], "sprayEffect"));
    EXPECT_NE(t[289].find("\"sounds\":[\"sound/spray.wav\"]"), std::string::npos);
    EXPECT_TRUE(partFlag(t[339], "effectVisible"));
    const std::size_t sprayEnd = endOf(289, "spraying");
    EXPECT_LT(sprayEnd, 395u);
    EXPECT_EQ(busy(t[sprayEnd]), 0);
    EXPECT_FALSE(partFlag(t[sprayEnd], "sprayEffect"));
    // Free to walk again.
    EXPECT_LT(gz(t[439]), gz(t[399]) - 30);

    const Picture still = e2e::loadPng((dir / "still.png").string());
    const Picture water = e2e::loadPng((dir / "water.png").string());
    const Picture spray = e2e::loadPng((dir / "spray.png").string());
    ASSERT_TRUE(still.valid() && water.valid() && spray.valid());
    // The faint drops below the can's spout and the cloud before the spray
    // can, each on lawn that is bare in the picture before the actions.
    EXPECT_GT(changedPixels(still, water, 200, 462, 320, 530), 60);
    EXPECT_GT(changedPixels(still, spray, 60, 360, 200, 470), 1000);
}

TEST(Gardener, ARoundLostOnTimePlaysTheDeath)
{
    if (!requireDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run = e2e::runGame(dir, "2 press space\n", "--seed 7 --fixed-dt 0.25 --frames 900");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 900u);
    std::size_t lost = 0;
    for (std::size_t i = 0; i < run.trace.size() && lost == 0; ++i) {
        if (stringField(run.trace[i], "state") == "RoundLost") lost = i;
    }
    ASSERT_GT(lost, 700u);
    EXPECT_LE(numberField(run.trace[lost], "secondsLeft"), 0);
    EXPECT_TRUE(partFlag(run.trace[lost], "dying"));
    EXPECT_NE(run.trace[lost].find("\"sounds\":[\"sound/tot.wav\"]"), std::string::npos);
    EXPECT_EQ(partString(run.trace[lost], "legs", "animation"), "BOTH_DEAD");
    EXPECT_EQ(partString(run.trace[lost], "torso", "animation"), "BOTH_DEAD");
    std::size_t dead = 0;
    for (std::size_t i = lost; i < run.trace.size() && dead == 0; ++i) {
        if (!partFlag(run.trace[i], "dying")) dead = i;
    }
    ASSERT_GT(dead, lost);
    // The death played to its end: the drawing after the last dying tick moved past 211.
    EXPECT_EQ(partNumber(run.trace[dead - 1], "torso", "frame"), 211);
    EXPECT_EQ(partString(run.trace[dead], "legs", "animation"), "BOTH_REALLY_DEAD");
    EXPECT_EQ(partString(run.trace[899], "torso", "animation"), "BOTH_REALLY_DEAD");
    EXPECT_EQ(stringField(run.trace[899], "state"), "RoundLost");
}

}  // namespace
