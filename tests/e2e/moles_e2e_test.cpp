// End to end with moles: the real executable, seeded and on a virtual clock,
// judged by its trace and its screenshots.
#include "e2e_support.h"

#include "app/camera.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "automation/script.h"
#include "app/startup.h"
#include "app/tick.h"
#include "character/gardener.h"
#include "garden/mole.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
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

Projected projectFromCamera(const ChaseCamera& camera, Vector3 point)
{
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
    return projectFromCamera(camera, point);
}

// In the frame and clear of the gardener, who stands in the middle below the
// HUD's line of icons.
bool inClearView(const Projected& p)
{
    const bool onGardener = p.column > 280 && p.column < 520 && p.row > 130;
    return p.inFront && p.column > 10 && p.column < 790 && p.row > 110 && p.row < 590 && !onGardener;
}

// The game run inside the test as the executable runs it (keys, clock step,
// tick, frame), with a player that watches the state and presses keys. What
// it pressed becomes the script for the real executable.
class Player {
public:
    Player(std::uint32_t seed, double dt)
    {
        setDialogsEnabled(false);
        std::filesystem::current_path(testsupport::generatedDataDir());
        setFixedSeed(seed);
        useFixedStepClock(dt);
        registerCallbacks();
        onReshape(800, 600);
        gameSession.gameState = StartMenu;
    }
    void hold(const std::string& key, bool down)
    {
        if (held_[key] == down) return;
        held_[key] = down;
        const std::string line = std::to_string(frame_ + 1) + (down ? " press " : " release ") + key + "\n";
        const ScriptParseResult event = parseScript(line);
        std::size_t cursor = 0;
        deliverScriptEvents(event.events, cursor, frame_ + 1);
        script += line;
    }
    void tick()
    {
        ++frame_;
        gameClock().advanceTick();
        gameTick();
        drawFrame();
    }
    long frame() const { return frame_; }

    // One frame of play: go for the nearest mole that can be struck, with the
    // strike sphere (ahead and to the left) pointed at it; strike in reach.
    void play()
    {
        hold("down", false);
        const bool free = gameSession.gameState == Playing && !gardener.busy && !gardener.falling;
        const Mole* target = nullptr;
        float nearest = 1e9f;
        for (const Mole* mole = moleList.get(); mole && free; mole = mole->next.get()) {
            const bool open = mole->state == MoleState::Walking || mole->state == MoleState::Paused;
            const float distance = Distance(mole->placement.position, gardener.position);
            if (open && mole != actionFlags.struckMole && distance < nearest) {
                target = mole;
                nearest = distance;
            }
        }
        if (target == nullptr) {
            for (const char* key : {"up", "left", "right"}) hold(key, false);
            return;
        }
        const Sphere strike = strikeSphere(gardener);
        const Vector3 at = target->placement.position;
        if (std::hypot(strike.centre.x - at.x, strike.centre.z - at.z) < 11.5f) {
            for (const char* key : {"up", "left", "right"}) hold(key, false);
            hold("down", true);
            strikes.push_back(frame_ + 1);
            return;
        }
        auto bearing = [this](Vector3 p) { return std::atan2(p.x - gardener.position.x, p.z - gardener.position.z); };
        float error = (bearing(at) - bearing(strike.centre)) * 180.0f / 3.14159265f;
        error = std::remainder(error, 360.0f);
        // Blocked for a while (a flower, a rake): turn away and walk on.
        if (Distance(gardener.position, lastPlace_) > 3.0f || !held_["up"]) {
            lastPlace_ = gardener.position;
            lastMove_ = frame_;
        }
        if (frame_ - lastMove_ > 40) detour_ = 60;
        if (detour_ > 0) error = --detour_ > 30 ? -90.0f : 0.0f;
        hold("left", error > 6.0f);
        hold("right", error < -6.0f);
        if (held_["up"] && !inputFlags.moveForward) hold("up", false);  // stopped by a rake: press again
        else hold("up", std::fabs(error) < 30.0f);
    }

    std::string script;
    std::vector<long> strikes;  // frames of the strike key

private:
    long frame_ = 0;
    std::map<std::string, bool> held_;
    Vector3 lastPlace_;
    long lastMove_ = 0;
    int detour_ = 0;
};

bool isMoleFur(const unsigned char* p) { return p[0] < 150 && p[0] > p[1] && p[1] > p[2] && p[0] - p[2] > 15; }

// Dark brown fur pixels in the 11 x 11 square round a projected point.
int furAround(const Picture& picture, const Projected& at)
{
    int fur = 0;
    for (int dy = -5; dy <= 5; ++dy) {
        for (int dx = -5; dx <= 5; ++dx)
            fur += isMoleFur(picture.at(static_cast<int>(at.column) + dx, static_cast<int>(at.row) + dy)) ? 1 : 0;
    }
    return fur;
}

// ---------------------------------------------------------------------------

TEST(MolesEndToEnd, SeededMolesStandWhereTheDrawsAfterTheRakesSayWalkAndAreSeen)
{
    if (!requireDisplay() || !testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    TempDir dir;
    const e2e::GameRun run =
        e2e::runGame(dir, "2 press space\n", "--seed 7 --fixed-dt 0.02 --frames 100 --screenshot 100:moles.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 100u);
    EXPECT_TRUE(molesOf(run.trace[0]).empty());
    const std::vector<TracedMole> placed = molesOf(run.trace[1]);  // after the first playing tick
    ASSERT_EQ(placed.size(), 4u);
    seedRandom(7);
    for (int draw = 0; draw < 24; ++draw) randomInt();  // the eight rakes
    for (int id = 0; id < 4; ++id) {
        const int r1 = randomInt(), r2 = randomInt(), r3 = randomInt();
        const TracedMole& mole = placed[static_cast<std::size_t>(3 - id)];  // newest first
        EXPECT_EQ(mole.id, id);
        // One tick of walking (0.4 units), unless the first tick bounced it.
        const double x = 475 - r1 % 950, z = 475 - r2 % 950, heading = (r3 % 360) * 3.14159265 / 180.0;
        EXPECT_TRUE(std::hypot(mole.x - x - 0.4 * std::sin(heading), mole.z - z - 0.4 * std::cos(heading)) < 1e-2 ||
                    (mole.x == x && mole.z == z))
            << id;
    }
    // Twenty units a second: 0.4 per tick for a mole walking in both ticks
    // (none in a tick in which it bounced).
    int walkers = 0;
    for (std::size_t frame = 10; frame < 100; ++frame) {
        const auto before = molesOf(run.trace[frame - 1]);
        const auto after = molesOf(run.trace[frame]);
        for (std::size_t i = 0; i < after.size(); ++i) {
            const double step = std::hypot(after[i].x - before[i].x, after[i].z - before[i].z);
            if (before[i].state != "Walking" || after[i].state != "Walking" || step == 0.0) continue;
            EXPECT_NEAR(step, 0.4, 2e-3);  // the trace rounds to thousandths
            ++walkers;
        }
    }
    EXPECT_GT(walkers, 200);
    const Picture picture = e2e::loadPng((dir / "moles.png").string());
    ASSERT_TRUE(picture.valid());
    int seen = 0;
    for (const TracedMole& mole : molesOf(run.trace[99])) {
        const Projected at = projectFromTrace(run.trace[99], {static_cast<float>(mole.x), 5.0f, static_cast<float>(mole.z)});
        if (!inClearView(at)) continue;
        EXPECT_GE(furAround(picture, at), 10) << "mole " << mole.id << " at " << at.column << ", " << at.row;
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

TEST(MolesEndToEnd, StrikesBeatEveryMoleTheRoundIsWonAndTheNextLevelHasOneMore)
{
    if (!requireDisplay() || !testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    TempDir dir;
    const std::filesystem::path start = std::filesystem::current_path();
    Player player(3, 0.04);
    player.hold("space", true);
    player.tick();
    player.hold("space", false);
    std::vector<long> beaten;
    long flightShot = 0;  // a frame with a flying mole in clear view
    while (player.frame() < 9000 && gameSession.gameState == Playing) {
        const int left = gameSession.molesLeft;
        player.play();
        player.tick();
        if (gameSession.molesLeft < left) beaten.push_back(player.frame());
        for (const Mole* mole = moleList.get(); mole && flightShot == 0; mole = mole->next.get()) {
            if (mole->state == MoleState::Flying && inClearView(projectFromCamera(chaseCamera, mole->placement.position)))
                flightShot = player.frame();
        }
    }
    ASSERT_EQ(gameSession.gameState, RoundWon) << "the player did not win; molesLeft " << gameSession.molesLeft;
    const long won = player.frame();
    const int wonScore = hud.score;
    for (int i = 0; i < 50; ++i) player.tick();
    player.hold("space", true);
    player.tick();
    const long nextLevel = player.frame();
    for (int i = 0; i < 20; ++i) player.tick();
    std::filesystem::current_path(start);

    const e2e::GameRun run =
        e2e::runGame(dir, player.script,
                     "--seed 3 --fixed-dt 0.04 --frames " + std::to_string(player.frame()) + " --screenshot " +
                         std::to_string(flightShot) + ":flight.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), static_cast<std::size_t>(player.frame()));
    auto at = [&run](long frame) -> const std::string& { return run.trace[static_cast<std::size_t>(frame - 1)]; };
    // The same game as the one played here.
    EXPECT_EQ(stringField(at(won), "state"), "RoundWon");
    EXPECT_EQ(numberField(at(won), "score"), wonScore);
    // +50 at each strike test, never when the blow lands; the blow beats one
    // mole. The bed ages once per listed mole, fewer as moles leave the list.
    std::size_t fewestListed = 4;
    for (long frame = 3; frame <= won; ++frame) {
        const std::size_t listed = molesOf(at(frame)).size();
        fewestListed = std::min(fewestListed, listed);
        if (livingFlowers(at(frame)) == livingFlowers(at(frame - 1))) {
            ASSERT_EQ(numberField(at(frame), "flowerUpdates") - numberField(at(frame - 1), "flowerUpdates"),
                      static_cast<double>(listed * livingFlowers(at(frame))))
                << frame;
        }
        const double scored = numberField(at(frame), "score") - numberField(at(frame - 1), "score");
        const double beaten = numberField(at(frame - 1), "molesLeft") - numberField(at(frame), "molesLeft");
        const bool struck = std::find(player.strikes.begin(), player.strikes.end(), frame) != player.strikes.end();
        if (struck) {
            EXPECT_TRUE(scored >= 50 && std::fmod(scored, 50.0) == 0.0) << frame << ": " << scored;
        }
        if (beaten > 0) {
            EXPECT_EQ(beaten, 1.0);
            EXPECT_FALSE(struck);
            int flying = 0;
            for (const TracedMole& mole : molesOf(at(frame))) flying += mole.state == "Flying" ? 1 : 0;
            EXPECT_GE(flying, 1) << frame;
        }
    }
    // The round is won with the last mole beaten, and the gardener dances.
    EXPECT_EQ(numberField(at(won), "molesLeft"), 0);
    EXPECT_LT(fewestListed, 4u);
    EXPECT_EQ(numberField(at(won), "dancing"), 1);
    EXPECT_EQ(stringField(at(won - 1), "state"), "Playing");
    // Space: level 1 with five moles and the score carried.
    const std::string& next = run.trace.back();
    EXPECT_EQ(stringField(next, "state"), "Playing");
    EXPECT_EQ(numberField(next, "level"), 1);
    EXPECT_EQ(numberField(next, "molesLeft"), 5);
    EXPECT_EQ(molesOf(next).size(), 5u);
    // The bed now ages five times a tick.
    const std::string& before = run.trace[run.trace.size() - 2];
    if (livingFlowers(next) == livingFlowers(before)) {
        EXPECT_EQ(numberField(next, "flowerUpdates") - numberField(before, "flowerUpdates"), 5.0 * livingFlowers(next));
    }
    EXPECT_EQ(numberField(at(nextLevel), "score"), wonScore);  // carried from the moment of the win

    // The first beaten mole in flight, seen where the trace puts it.
    const Picture flight = e2e::loadPng((dir / "flight.png").string());
    ASSERT_TRUE(flight.valid());
    int seen = 0;
    for (const TracedMole& mole : molesOf(at(flightShot))) {
        const Projected p = projectFromTrace(at(flightShot), {static_cast<float>(mole.x), static_cast<float>(mole.y),
                                                              static_cast<float>(mole.z)});
        if (mole.state == "Flying" && inClearView(p)) seen += furAround(flight, p);
    }
    EXPECT_GE(seen, 10);
}

}  // namespace
