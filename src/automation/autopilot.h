#pragma once
// The autopilot: a player inside the program. Each tick it reads the game
// (gardener, moles, flowers, rakes, camera), decides which keys a good player
// would hold and press, and delivers them through the same keyboard
// callbacks that real keys reach. It never writes a game record itself.
//
// The decision is a pure function of what it reads and of its own memory, so
// a run stays a function of seed, script and options.
#include "app/game_state.h"
#include "character/gardener.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "math/vector.h"

#include <array>
#include <cstdint>
#include <vector>

// How many moles the view holds; later ones in the list are not seen.
constexpr int kAutopilotMaxMoles = 64;

struct ViewedMole {
    int id = 0;
    MoleState state = MoleState::Walking;
    Vector3 position;
    Vector3 direction;  // walking velocity, units per second
    bool struck = false;  // the running strike's mole, about to fly
};

struct ViewedFlower {
    FlowerState state = FlowerState::Healthy;
    Vector3 centre;  // of the bounding sphere
    float radius = 0.0f;
    bool beingWatered = false;
    bool beingSprayed = false;
};

struct ViewedRake {
    Vector3 position;
    float heading = 0.0f;
};

// A read-only picture of the game, taken after a tick.
struct GameView {
    int gameState = NoState;
    int menuChoice = kMenuPlay;
    int level = 0;
    Vector3 gardenerPosition;
    float gardenerHeading = 0.0f;
    bool busy = false;
    bool falling = false;
    bool walking = false;   // the walk is wanted (up held and accepted)
    bool acting = false;    // a strike, watering or spraying is still running
    bool turnLeft = false;  // the turn flags as the keys left them
    bool turnRight = false;
    Vector3 bodyOffset;     // the gardener's spheres, as its record holds them
    float bodyRadius = 0.0f;
    Vector3 strikeOffset;
    Vector3 waterOffset;
    Vector3 sprayOffset;
    std::array<ViewedFlower, kFlowerCount> flowers{};
    std::array<Rake, kRakeCount> rakes{};  // copies: the tine tests run on them
    std::array<ViewedMole, kAutopilotMaxMoles> moles{};
    int moleCount = 0;
    float cameraYaw = 0.0f;
    float cameraPitch = 0.0f;
    float tickSeconds = 0.02f;  // the length of the last tick
};

// Reads the game's records into a view.
void readGameView(GameView& view);

// What the player does in one frame: the keys it holds and the keys it taps.
struct KeyIntent {
    bool holdUp = false;
    bool holdLeft = false;
    bool holdRight = false;
    bool strike = false;  // tap the down arrow
    bool water = false;   // tap x
    bool spray = false;   // tap y
    bool menuUp = false;  // tap the up arrow in a menu
    bool confirm = false; // tap space
};

// An obstacle for the body's centre on the ground plane; flower is the
// flower's index, or -1.
struct PlanCircle {
    float x = 0.0f;
    float z = 0.0f;
    float radius = 0.0f;
    int flower = -1;
};

// The planning grid over the garden: cells of 10 units.
constexpr int kPlanCells = 100;
constexpr float kPlanCellSize = 10.0f;

// The deciding half: from a view to the keys of this frame.
class Autopilot {
public:
    Autopilot();
    KeyIntent decide(const GameView& view);

    // What it is after (for tests and traces): -1 none, else a mole id or
    // 1000 + flower index.
    int objective() const { return objective_; }

private:
    struct Goal {
        Vector3 point;       // where the thing is
        float approachHeadingOffset = 0.0f;  // the tool's bearing relative to the heading
        float reach = 0.0f;  // goal cells lie within this distance of the point
        bool valid = false;
    };

    void resetRound();
    int chooseObjective(const GameView& view);
    Goal goalFor(const GameView& view, int objective) const;
    void steerTo(const GameView& view, const Goal& goal, KeyIntent& keys);
    void buildObstacles(const GameView& view);
    bool planField(const GameView& view, const Goal& goal);
    bool pathClear(Vector3 from, Vector3 to) const;
    int startCell(const GameView& view) const;
    bool walkIsSafe(const GameView& view, float heading) const;
    float safeHeadingNear(const GameView& view, float heading) const;
    Vector3 nextWaypoint(const GameView& view, const Goal& goal);
    void turnToward(float headingError, KeyIntent& keys) const;

    std::vector<PlanCircle> obstacles_;    // reserved once
    std::vector<std::uint8_t> blocked_;    // kPlanCells^2
    std::vector<float> field_;             // cost to the goal per cell
    std::vector<std::pair<float, int>> heap_;  // reserved once
    int fieldGoalCell_ = -1;
    bool fieldValid_ = false;
    std::int64_t obstacleStamp_ = -1;
    std::int64_t fieldStamp_ = -1;
    long roundSerial_ = 0;

    int objective_ = -1;
    int lastState_ = NoState;
    bool stopped_ = false;  // someone left a round with escape
    long ticksInState_ = 0;
    long ticksSinceProgress_ = 0;
    Vector3 progressMark_;
    long detourTicks_ = 0;
    float detourTurn_ = 0.0f;
    float detourHeading_ = 0.0f;
    std::array<long, kAutopilotMaxMoles> unreachableUntil_{};
    long tick_ = 0;
};

// The delivering half: keeps which keys it holds and presses and releases
// them through the keyboard callbacks, as a person's fingers would.
class AutopilotDriver {
public:
    // Reads the game, decides and delivers the keys of this frame.
    void playFrame();
    const Autopilot& player() const { return player_; }

private:
    void deliver(const KeyIntent& keys, const GameView& view);
    void holdSpecial(int key, bool want, bool& held, bool accepted);

    Autopilot player_;
    GameView view_;
    bool heldUp_ = false;
    bool heldLeft_ = false;
    bool heldRight_ = false;
    // Taps are released in the frame after their press.
    bool tappedDown_ = false;
    bool tappedMenuUp_ = false;
    bool tappedWater_ = false;
    bool tappedSpray_ = false;
    bool tappedSpace_ = false;
};
