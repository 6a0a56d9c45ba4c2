#include "automation/autopilot.h"

#include "app/camera.h"
#include "app/keyboard.h"
#include "app/tick.h"
#include "effects/geometry.h"
#include "math/portable_math.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kInfinity = std::numeric_limits<float>::infinity();
const Vector3 kUp{0.0f, 1.0f, 0.0f};

// Where the body's centre is planned to go: the fence keeps it
// kFenceBodyRadius from the walls, and the plan keeps a little more.
constexpr float kWallMargin = 4.0f;
constexpr float kWalkableHalfSize = kFenceHalfSize - kFenceBodyRadius - kWallMargin;
// Extra room kept round obstacles by the planning grid and by the straight-line test.
constexpr float kGridMargin = 8.0f;
constexpr float kLineMargin = 3.0f;
// How far ahead a walk is checked against the rakes' tines.
constexpr float kRakeLookahead = 24.0f;
// Beyond this heading error the gardener stops and turns on the spot.
constexpr float kTurnOnSpotDegrees = 40.0f;
constexpr float kTerminalTurnOnSpotDegrees = 30.0f;
// Close enough to steer straight at the thing instead of following the grid.
constexpr float kTerminalDistance = 90.0f;
// Moles are met where they will be: at most this far ahead in time.
constexpr float kLeadSecondsLimit = 2.5f;
// Goal cells round a mole and round a flower.
constexpr float kMoleReach = 32.0f;
constexpr float kFlowerReach = 58.0f;
// Standing still this long while meaning to walk counts as stuck.
constexpr long kStuckTicks = 40;
constexpr float kProgressDistance = 3.0f;
constexpr long kDetourTicks = 45;
constexpr float kDetourDegrees = 70.0f;
// An unreachable mole is left alone for this many ticks.
constexpr long kUnreachableTicks = 100;
// A new objective must be this much cheaper to replace the current one.
constexpr float kObjectiveStickiness = 0.75f;
// Ticks spent on a result banner before space.
constexpr long kBannerTicks = 10;
// Flower objectives are encoded above the mole ids.
constexpr int kFlowerObjectiveBase = 1000;
// How much a flower's trouble weighs against a mole, by state (lower is more urgent).
constexpr float kLiceWeight = 0.5f;
constexpr float kDry3Weight = 0.5f;
constexpr float kDry2Weight = 0.9f;
constexpr float kDry1Weight = 1.4f;
constexpr float kEatingMoleWeight = 2.0f;
constexpr float kEatingMoleDelay = 2.0f;

float wrapDegrees(float a)
{
    while (a > 180.0f) a -= 360.0f;
    while (a <= -180.0f) a += 360.0f;
    return a;
}

// The heading whose walking direction is (dx, dz): heading 0 walks toward -z,
// heading 90 toward -x.
float headingToward(float dx, float dz) { return portable::atan2(-dx, -dz) * 180.0f / kPi; }

Vector3 forwardOf(float heading)
{
    return RotateAroundAxis({0.0f, 0.0f, -1.0f}, kUp, heading * kDegreesToRadians);
}

Vector3 turned(Vector3 offset, float heading) { return RotateAroundAxis(offset, kUp, heading * kDegreesToRadians); }

// The bearing of a tool point relative to the heading (left positive).
float toolBearing(Vector3 offset) { return headingToward(offset.x, offset.z); }

float planarDistance(Vector3 a, Vector3 b) { return portable::hypot(a.x - b.x, a.z - b.z); }

// The horizontal distance at which two spheres with these radii, this far
// apart in height, touch.
float contactRadius(float radiusA, float radiusB, float heightGap)
{
    const float sum = radiusA + radiusB;
    const float squared = sum * sum - heightGap * heightGap;
    return squared > 0.0f ? std::sqrt(squared) : 0.0f;
}

bool canBeStruck(const ViewedMole& mole)
{
    return !mole.struck && (mole.state == MoleState::Walking || mole.state == MoleState::Paused);
}

bool needsWater(const ViewedFlower& flower)
{
    return (flower.state == FlowerState::Dry1 || flower.state == FlowerState::Dry2 ||
            flower.state == FlowerState::Dry3) &&
           !flower.beingWatered;
}

bool needsSpray(const ViewedFlower& flower) { return flower.state == FlowerState::Lice && !flower.beingSprayed; }

float troubleWeight(FlowerState state)
{
    switch (state) {
    case FlowerState::Lice: return kLiceWeight;
    case FlowerState::Dry3: return kDry3Weight;
    case FlowerState::Dry2: return kDry2Weight;
    default: return kDry1Weight;
    }
}

Vector3 bodyCentre(const GameView& view) { return Add(view.gardenerPosition, view.bodyOffset); }

Vector3 toolCentre(const GameView& view, Vector3 offset)
{
    return Add(view.gardenerPosition, turned(offset, view.gardenerHeading));
}

// The game's own tests, on the gardener as it stands now.
bool moleInStrike(const GameView& view, const ViewedMole& mole)
{
    return sphereWithinSphere(mole.position, kMoleRadius, toolCentre(view, view.strikeOffset), kStrikeRadius);
}

bool flowerInTool(const GameView& view, const ViewedFlower& flower, Vector3 offset)
{
    return sphereWithinSphere(flower.centre, flower.radius, toolCentre(view, offset), kEffectRadius);
}

int cellOf(float coordinate)
{
    const int cell = static_cast<int>(std::floor((coordinate + kFenceHalfSize) / kPlanCellSize));
    return std::clamp(cell, 0, kPlanCells - 1);
}

float cellCentre(int cell) { return -kFenceHalfSize + (static_cast<float>(cell) + 0.5f) * kPlanCellSize; }

// True when the segment from a to b comes closer than the circle's radius
// plus margin to its centre.
bool segmentMeetsCircle(Vector3 a, Vector3 b, const PlanCircle& circle, float margin)
{
    const float abx = b.x - a.x, abz = b.z - a.z;
    const float acx = circle.x - a.x, acz = circle.z - a.z;
    const float lengthSquared = abx * abx + abz * abz;
    float t = lengthSquared > 0.0f ? (acx * abx + acz * abz) / lengthSquared : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = a.x + abx * t - circle.x, dz = a.z + abz * t - circle.z;
    const float reach = circle.radius + margin;
    return dx * dx + dz * dz < reach * reach;
}

constexpr std::array<std::array<int, 2>, 8> kNeighbours{{
    {{1, 0}}, {{-1, 0}}, {{0, 1}}, {{0, -1}}, {{1, 1}}, {{1, -1}}, {{-1, 1}}, {{-1, -1}},
}};
constexpr float kDiagonalCost = 1.41421356f;

}  // namespace

void readGameView(GameView& view)
{
    view.gameState = gameSession.gameState;
    view.menuChoice = gameSession.menuChoice;
    view.level = gameSession.level;
    view.gardenerPosition = gardener.position;
    view.gardenerHeading = gardener.heading;
    view.busy = gardener.busy != 0;
    view.falling = gardener.falling != 0;
    view.walking = actionFlags.walking != 0;
    view.acting = actionFlags.striking != 0 || actionFlags.watering != 0 || actionFlags.spraying != 0;
    view.turnLeft = inputFlags.turnLeft != 0;
    view.turnRight = inputFlags.turnRight != 0;
    view.bodyOffset = gardener.bodyOffset;
    view.bodyRadius = gardener.bodyRadius;
    view.strikeOffset = gardener.strikeOffset;
    view.waterOffset = gardener.waterOffset;
    view.sprayOffset = gardener.sprayOffset;
    for (int i = 0; i < kFlowerCount; ++i) {
        const Flower& flower = flowerBed[i];
        ViewedFlower& seen = view.flowers[i];
        seen.state = flowerState(flower);
        seen.centre = flowerSphereCentre(flower);
        seen.radius = flower.placement.radius;
        seen.beingWatered = flower.beingWatered;
        seen.beingSprayed = flower.beingSprayed;
    }
    view.rakes = rakes;
    view.moleCount = 0;
    for (const Mole* mole = moleList.get(); mole && view.moleCount < kAutopilotMaxMoles; mole = mole->next.get()) {
        ViewedMole& seen = view.moles[view.moleCount++];
        seen.id = mole->id;
        seen.state = moleState(*mole);
        seen.position = moleSphereCentre(*mole);
        seen.direction = mole->direction;
        seen.struck = mole == actionFlags.struckMole;
    }
    view.cameraYaw = chaseCamera.yaw;
    view.cameraPitch = chaseCamera.pitch;
    view.tickSeconds = frameSeconds > 0.0 ? static_cast<float>(frameSeconds) : view.tickSeconds;
}

Autopilot::Autopilot()
{
    obstacles_.reserve(kFlowerCount + kRakeCount * kTineCount + kAutopilotMaxMoles);
    blocked_.assign(static_cast<std::size_t>(kPlanCells) * kPlanCells, 0);
    field_.assign(blocked_.size(), kInfinity);
    heap_.reserve(blocked_.size() * 8);
}

void Autopilot::resetRound()
{
    objective_ = -1;
    ticksSinceProgress_ = 0;
    detourTicks_ = 0;
    fieldGoalCell_ = -1;
    fieldValid_ = false;
    obstacleStamp_ = -1;
    ++roundSerial_;
    unreachableUntil_.fill(0);
}

KeyIntent Autopilot::decide(const GameView& view)
{
    ++tick_;
    KeyIntent keys;
    if (view.gameState != lastState_) {
        // Escape during a round is a person taking over: leave the menu to them.
        if (lastState_ == Playing && view.gameState == Menu) stopped_ = true;
        if (view.gameState == Playing) resetRound();
        lastState_ = view.gameState;
        ticksInState_ = 0;
    }
    ++ticksInState_;
    if (stopped_ && view.gameState != Playing) return keys;
    stopped_ = false;

    switch (view.gameState) {
    case StartMenu:
    case Menu:
        // Back to "play" if someone moved the choice, then start a game.
        if (ticksInState_ % 2 == 0) {
            if (view.menuChoice != kMenuPlay) keys.menuUp = true;
            else keys.confirm = true;
        }
        return keys;
    case IntroScreen:
    case HelpScreen:
        if (ticksInState_ % 2 == 0) keys.confirm = true;
        return keys;
    case RoundWon:
    case RoundLost:
        // Next level after a win, the menu (and from there a new game) after a loss.
        if (ticksInState_ >= kBannerTicks && ticksInState_ % 2 == 0) keys.confirm = true;
        return keys;
    case Playing: break;
    default: return keys;
    }

    if (view.falling) return keys;  // nothing answers while falling

    // The busy flag clears with the torso's last frame, which may come a tick
    // before the legs end the strike: starting anything then would tangle the
    // actions, so a good player waits until every action has ended.
    const bool occupied = view.busy || view.acting;

    // A blow that will land: the strike test runs on the pose of this frame,
    // so stop walking and turning and strike.
    if (!occupied) {
        for (int i = 0; i < view.moleCount; ++i) {
            if (canBeStruck(view.moles[i]) && moleInStrike(view, view.moles[i])) {
                keys.strike = true;
                return keys;
            }
        }
        // A flower in trouble within the can or the sprayer: care for it.
        for (const ViewedFlower& flower : view.flowers) {
            if (needsSpray(flower) && flowerInTool(view, flower, view.sprayOffset)) {
                keys.spray = true;
                return keys;
            }
            if (needsWater(flower) && flowerInTool(view, flower, view.waterOffset)) {
                keys.water = true;
                return keys;
            }
        }
    }

    objective_ = chooseObjective(view);
    if (objective_ < 0) return keys;
    const Goal goal = goalFor(view, objective_);
    if (!goal.valid) return keys;
    steerTo(view, goal, keys);
    if (occupied) keys.holdUp = false;  // a press would be lost or tangle; turning still works
    return keys;
}

int Autopilot::chooseObjective(const GameView& view)
{
    const Vector3 position = view.gardenerPosition;
    auto travelCost = [&](Vector3 point, float bearingOffset) {
        const float distance = planarDistance(point, position);
        const float turn = std::fabs(wrapDegrees(headingToward(point.x - position.x, point.z - position.z) -
                                                 bearingOffset - view.gardenerHeading));
        return distance / static_cast<float>(kWalkSpeed) + turn / kTurnRate;
    };
    const float strikeBearing = toolBearing(view.strikeOffset);
    int best = -1;
    float bestCost = kInfinity;
    float currentCost = kInfinity;
    auto consider = [&](int objective, float cost) {
        if (objective == objective_) currentCost = cost;
        if (cost < bestCost) {
            bestCost = cost;
            best = objective;
        }
    };
    for (int i = 0; i < view.moleCount; ++i) {
        const ViewedMole& mole = view.moles[i];
        if (mole.id >= 0 && mole.id < kAutopilotMaxMoles && unreachableUntil_[mole.id] > tick_) continue;
        if (canBeStruck(mole)) {
            consider(mole.id, travelCost(mole.position, strikeBearing));
        } else if (mole.state == MoleState::Eating) {
            // Not to be struck while it eats, but it will walk off soon: wait close by.
            consider(mole.id, travelCost(mole.position, strikeBearing) * kEatingMoleWeight + kEatingMoleDelay);
        }
    }
    for (int i = 0; i < kFlowerCount; ++i) {
        const ViewedFlower& flower = view.flowers[i];
        if (needsWater(flower)) {
            consider(kFlowerObjectiveBase + i,
                     travelCost(flower.centre, toolBearing(view.waterOffset)) * troubleWeight(flower.state));
        } else if (needsSpray(flower)) {
            consider(kFlowerObjectiveBase + i,
                     travelCost(flower.centre, toolBearing(view.sprayOffset)) * troubleWeight(flower.state));
        }
    }
    // Keep going for the current one unless another is clearly nearer.
    if (currentCost < kInfinity && bestCost >= currentCost * kObjectiveStickiness) return objective_;
    return best;
}

Autopilot::Goal Autopilot::goalFor(const GameView& view, int objective) const
{
    Goal goal;
    if (objective >= kFlowerObjectiveBase) {
        const ViewedFlower& flower = view.flowers[objective - kFlowerObjectiveBase];
        goal.point = flower.centre;
        goal.approachHeadingOffset =
            toolBearing(flower.state == FlowerState::Lice ? view.sprayOffset : view.waterOffset);
        goal.reach = kFlowerReach;
        goal.valid = true;
        return goal;
    }
    for (int i = 0; i < view.moleCount; ++i) {
        const ViewedMole& mole = view.moles[i];
        if (mole.id != objective) continue;
        Vector3 point = mole.position;
        // A walking mole is met where it will be when the gardener gets there.
        if (mole.state == MoleState::Walking) {
            float lead = planarDistance(point, view.gardenerPosition) / static_cast<float>(kWalkSpeed);
            lead = std::min(lead, kLeadSecondsLimit);
            if (planarDistance(point, view.gardenerPosition) < kTerminalDistance) lead = 0.0f;
            point = Add(point, Scale(mole.direction, lead));
            const float limit = kFenceHalfSize - kMoleRadius;
            point.x = std::clamp(point.x, -limit, limit);
            point.z = std::clamp(point.z, -limit, limit);
        }
        goal.point = point;
        goal.approachHeadingOffset = toolBearing(view.strikeOffset);
        goal.reach = kMoleReach;
        goal.valid = true;
        return goal;
    }
    return goal;
}

void Autopilot::turnToward(float headingError, KeyIntent& keys) const
{
    // One tick turns 80 * dt degrees: a smaller error is left alone.
    constexpr float kDeadBand = 1.0f;
    if (headingError > kDeadBand) keys.holdLeft = true;
    else if (headingError < -kDeadBand) keys.holdRight = true;
}

void Autopilot::steerTo(const GameView& view, const Goal& goal, KeyIntent& keys)
{
    buildObstacles(view);
    const Vector3 position = view.gardenerPosition;
    const float distance = planarDistance(goal.point, position);
    const int targetFlower = objective_ >= kFlowerObjectiveBase ? objective_ - kFlowerObjectiveBase : -1;

    // Being stuck against something the plan does not know (a mole, the
    // fence's clip): turn away and walk a little.
    if (view.walking && distance > kMoleReach + 4.0f) {
        if (planarDistance(position, progressMark_) > kProgressDistance) {
            progressMark_ = position;
            ticksSinceProgress_ = 0;
        } else if (++ticksSinceProgress_ > kStuckTicks) {
            ticksSinceProgress_ = 0;
            detourTicks_ = kDetourTicks;
            detourTurn_ = detourTurn_ > 0.0f ? -kDetourDegrees : kDetourDegrees;
            detourHeading_ = view.gardenerHeading + detourTurn_;
        }
    } else {
        progressMark_ = position;
        ticksSinceProgress_ = 0;
    }
    if (detourTicks_ > 0) {
        --detourTicks_;
        const float error = wrapDegrees(detourHeading_ - view.gardenerHeading);
        turnToward(error, keys);
        keys.holdUp = std::fabs(error) < kTurnOnSpotDegrees && walkIsSafe(view, view.gardenerHeading);
        return;
    }

    bool terminal = false;
    if (distance < kTerminalDistance) {
        terminal = true;
        for (const PlanCircle& circle : obstacles_) {
            if (circle.flower == targetFlower && targetFlower >= 0) continue;
            if (segmentMeetsCircle(position, goal.point, circle, kLineMargin)) {
                terminal = false;
                break;
            }
        }
    }
    float desired = 0.0f;
    if (terminal) {
        desired = headingToward(goal.point.x - position.x, goal.point.z - position.z) - goal.approachHeadingOffset;
    } else {
        if (!planField(view, goal)) {
            if (objective_ >= 0 && objective_ < kAutopilotMaxMoles) unreachableUntil_[objective_] = tick_ + kUnreachableTicks;
            return;
        }
        const Vector3 waypoint = nextWaypoint(view, goal);
        desired = headingToward(waypoint.x - position.x, waypoint.z - position.z);
    }
    // The way the plan points may lead over a rake's tines (standing close to
    // one, the plan's first cells lie in its margin): then the nearest heading
    // that is free of tines.
    if (!walkIsSafe(view, desired)) desired = safeHeadingNear(view, desired);
    const float error = wrapDegrees(desired - view.gardenerHeading);
    turnToward(error, keys);
    const float onSpot = terminal ? kTerminalTurnOnSpotDegrees : kTurnOnSpotDegrees;
    keys.holdUp = std::fabs(error) < onSpot && walkIsSafe(view, view.gardenerHeading);
}

void Autopilot::buildObstacles(const GameView& view)
{
    obstacles_.clear();
    const Vector3 body = bodyCentre(view);
    std::int64_t stamp = roundSerial_ << 24;
    for (int i = 0; i < kFlowerCount; ++i) {
        const ViewedFlower& flower = view.flowers[i];
        if (flower.state == FlowerState::Gone) {
            stamp |= std::int64_t{1} << i;
            continue;
        }
        obstacles_.push_back({flower.centre.x, flower.centre.z,
                              contactRadius(view.bodyRadius, flower.radius, flower.centre.y - body.y), i});
    }
    for (const Rake& rake : view.rakes) {
        for (int k = 1; k <= kTineCount; ++k) {
            const auto tine = tineSphere(rake, k);
            obstacles_.push_back({tine[0], tine[2], contactRadius(kGardenerTineRadius, tine[3], tine[1] - body.y), -1});
        }
    }
    int fallen = 0;
    for (int i = 0; i < view.moleCount; ++i) {
        const ViewedMole& mole = view.moles[i];
        if (mole.state != MoleState::Fallen) continue;
        ++fallen;
        obstacles_.push_back({mole.position.x, mole.position.z,
                              contactRadius(view.bodyRadius, kMoleRadius, mole.position.y - body.y), -1});
    }
    stamp |= static_cast<std::int64_t>(fallen) << 16;
    if (stamp == obstacleStamp_) return;
    obstacleStamp_ = stamp;

    for (int j = 0; j < kPlanCells; ++j) {
        for (int i = 0; i < kPlanCells; ++i) {
            const bool outside = std::fabs(cellCentre(i)) > kWalkableHalfSize || std::fabs(cellCentre(j)) > kWalkableHalfSize;
            blocked_[static_cast<std::size_t>(j * kPlanCells + i)] = outside ? 1 : 0;
        }
    }
    for (const PlanCircle& circle : obstacles_) {
        const float reach = circle.radius + kGridMargin;
        for (int j = cellOf(circle.z - reach); j <= cellOf(circle.z + reach); ++j) {
            for (int i = cellOf(circle.x - reach); i <= cellOf(circle.x + reach); ++i) {
                const float dx = cellCentre(i) - circle.x, dz = cellCentre(j) - circle.z;
                if (dx * dx + dz * dz < reach * reach) blocked_[static_cast<std::size_t>(j * kPlanCells + i)] = 1;
            }
        }
    }
}

int Autopilot::startCell(const GameView& view) const
{
    const int ci = cellOf(view.gardenerPosition.x), cj = cellOf(view.gardenerPosition.z);
    const int here = cj * kPlanCells + ci;
    if (!blocked_[static_cast<std::size_t>(here)] && field_[static_cast<std::size_t>(here)] < kInfinity) return here;
    // Standing in an obstacle's margin: start from the best free cell nearby.
    constexpr int kSearch = 3;
    int best = -1;
    float bestCost = kInfinity;
    for (int j = std::max(0, cj - kSearch); j <= std::min(kPlanCells - 1, cj + kSearch); ++j) {
        for (int i = std::max(0, ci - kSearch); i <= std::min(kPlanCells - 1, ci + kSearch); ++i) {
            const int cell = j * kPlanCells + i;
            const float cost = field_[static_cast<std::size_t>(cell)] + portable::hypot(float(i - ci), float(j - cj));
            if (blocked_[static_cast<std::size_t>(cell)] || cost >= bestCost) continue;
            // Only a cell it can step to directly: not one past the obstacle it stands by.
            const Vector3 centre{cellCentre(i), view.gardenerPosition.y, cellCentre(j)};
            bool direct = true;
            for (const PlanCircle& circle : obstacles_) {
                const float dx = view.gardenerPosition.x - circle.x, dz = view.gardenerPosition.z - circle.z;
                if (dx * dx + dz * dz < circle.radius * circle.radius) continue;  // already touching it
                if (segmentMeetsCircle(view.gardenerPosition, centre, circle, 0.0f)) {
                    direct = false;
                    break;
                }
            }
            if (direct) {
                bestCost = cost;
                best = cell;
            }
        }
    }
    return best;
}

bool Autopilot::planField(const GameView& view, const Goal& goal)
{
    const int goalCell = cellOf(goal.point.z) * kPlanCells + cellOf(goal.point.x);
    if (goalCell != fieldGoalCell_ || obstacleStamp_ != fieldStamp_) {
        fieldGoalCell_ = goalCell;
        fieldStamp_ = obstacleStamp_;
        std::fill(field_.begin(), field_.end(), kInfinity);
        heap_.clear();
        const auto byCost = [](const std::pair<float, int>& a, const std::pair<float, int>& b) {
            return a.first > b.first;
        };
        for (int j = cellOf(goal.point.z - goal.reach); j <= cellOf(goal.point.z + goal.reach); ++j) {
            for (int i = cellOf(goal.point.x - goal.reach); i <= cellOf(goal.point.x + goal.reach); ++i) {
                const int cell = j * kPlanCells + i;
                if (blocked_[static_cast<std::size_t>(cell)]) continue;
                if (portable::hypot(cellCentre(i) - goal.point.x, cellCentre(j) - goal.point.z) > goal.reach) continue;
                field_[static_cast<std::size_t>(cell)] = 0.0f;
                heap_.push_back({0.0f, cell});
            }
        }
        std::make_heap(heap_.begin(), heap_.end(), byCost);
        while (!heap_.empty()) {
            std::pop_heap(heap_.begin(), heap_.end(), byCost);
            const auto [cost, cell] = heap_.back();
            heap_.pop_back();
            if (cost > field_[static_cast<std::size_t>(cell)]) continue;
            const int ci = cell % kPlanCells, cj = cell / kPlanCells;
            for (const auto& step : kNeighbours) {
                const int ni = ci + step[0], nj = cj + step[1];
                if (ni < 0 || nj < 0 || ni >= kPlanCells || nj >= kPlanCells) continue;
                const int next = nj * kPlanCells + ni;
                if (blocked_[static_cast<std::size_t>(next)]) continue;
                const bool diagonal = step[0] != 0 && step[1] != 0;
                // No corner cutting past a blocked cell.
                if (diagonal && (blocked_[static_cast<std::size_t>(cj * kPlanCells + ni)] ||
                                 blocked_[static_cast<std::size_t>(nj * kPlanCells + ci)]))
                    continue;
                const float nextCost = cost + (diagonal ? kDiagonalCost : 1.0f);
                if (nextCost < field_[static_cast<std::size_t>(next)] && heap_.size() < heap_.capacity()) {
                    field_[static_cast<std::size_t>(next)] = nextCost;
                    heap_.push_back({nextCost, next});
                    std::push_heap(heap_.begin(), heap_.end(), byCost);
                }
            }
        }
    }
    const int start = startCell(view);
    fieldValid_ = start >= 0 && field_[static_cast<std::size_t>(start)] < kInfinity;
    return fieldValid_;
}

bool Autopilot::pathClear(Vector3 from, Vector3 to) const
{
    for (const PlanCircle& circle : obstacles_) {
        if (segmentMeetsCircle(from, to, circle, kLineMargin)) return false;
    }
    return true;
}

Vector3 Autopilot::nextWaypoint(const GameView& view, const Goal& goal)
{
    const Vector3 position = view.gardenerPosition;
    int cell = startCell(view);
    Vector3 waypoint = goal.point;
    bool found = false;
    constexpr int kLookCells = 60;
    for (int n = 0; n < kLookCells && cell >= 0; ++n) {
        const Vector3 centre{cellCentre(cell % kPlanCells), position.y, cellCentre(cell / kPlanCells)};
        if (field_[static_cast<std::size_t>(cell)] == 0.0f && pathClear(position, goal.point)) return goal.point;
        if (n > 0) {
            if (!pathClear(position, centre)) break;
            waypoint = centre;
            found = true;
        }
        // Downhill to the neighbour nearest the goal.
        const int ci = cell % kPlanCells, cj = cell / kPlanCells;
        int next = -1;
        float nextCost = field_[static_cast<std::size_t>(cell)];
        for (const auto& step : kNeighbours) {
            const int ni = ci + step[0], nj = cj + step[1];
            if (ni < 0 || nj < 0 || ni >= kPlanCells || nj >= kPlanCells) continue;
            const int candidate = nj * kPlanCells + ni;
            if (field_[static_cast<std::size_t>(candidate)] < nextCost) {
                nextCost = field_[static_cast<std::size_t>(candidate)];
                next = candidate;
            }
        }
        if (next < 0) break;
        if (!found && n == 0) {
            // Even the first step is out of sight (inside a margin): take it anyway.
            waypoint = {cellCentre(next % kPlanCells), position.y, cellCentre(next / kPlanCells)};
        }
        cell = next;
    }
    return waypoint;
}

float Autopilot::safeHeadingNear(const GameView& view, float heading) const
{
    constexpr float kStep = 10.0f;
    for (float turn = kStep; turn <= 180.0f; turn += kStep) {
        if (walkIsSafe(view, heading + turn)) return heading + turn;
        if (walkIsSafe(view, heading - turn)) return heading - turn;
    }
    return heading;
}

bool Autopilot::walkIsSafe(const GameView& view, float heading) const
{
    const Vector3 body = bodyCentre(view);
    const Vector3 move = Scale(forwardOf(heading), kRakeLookahead);
    for (const Rake& rake : view.rakes) {
        float distance = 0.0f;
        if (firstTineHit(rake, body, kGardenerTineRadius, move, distance)) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

void AutopilotDriver::playFrame()
{
    readGameView(view_);
    const KeyIntent keys = player_.decide(view_);
    deliver(keys, view_);
}

void AutopilotDriver::holdSpecial(int key, bool want, bool& held, bool accepted)
{
    // A held key whose flag is not set (refused, or cleared by the game) is
    // let go, so that the next press counts.
    if (held && (!want || !accepted)) {
        onSpecialKeyUp(key, 0, 0);
        held = false;
    }
    if (want && !held) {
        onSpecialKey(key, 0, 0);
        held = true;
    }
}

void AutopilotDriver::deliver(const KeyIntent& keys, const GameView& view)
{
    // Taps of the last frame are released first.
    if (tappedDown_) onSpecialKeyUp(GLUT_KEY_DOWN, 0, 0);
    if (tappedMenuUp_) onSpecialKeyUp(GLUT_KEY_UP, 0, 0);
    if (tappedWater_) onKeyUp('x', 0, 0);
    if (tappedSpray_) onKeyUp('y', 0, 0);
    if (tappedSpace_) onKeyUp(kKeySpace, 0, 0);
    tappedDown_ = tappedMenuUp_ = tappedWater_ = tappedSpray_ = tappedSpace_ = false;

    const bool playing = view.gameState == Playing;
    holdSpecial(GLUT_KEY_UP, playing && keys.holdUp, heldUp_, view.walking);
    holdSpecial(GLUT_KEY_LEFT, playing && keys.holdLeft, heldLeft_, view.turnLeft);
    holdSpecial(GLUT_KEY_RIGHT, playing && keys.holdRight, heldRight_, view.turnRight);

    if (keys.strike) {
        onSpecialKey(GLUT_KEY_DOWN, 0, 0);
        tappedDown_ = true;
    }
    if (keys.water) {
        onKey('x', 0, 0);
        tappedWater_ = true;
    }
    if (keys.spray) {
        onKey('y', 0, 0);
        tappedSpray_ = true;
    }
    if (keys.menuUp) {
        onSpecialKey(GLUT_KEY_UP, 0, 0);
        tappedMenuUp_ = true;
    }
    if (keys.confirm) {
        onKey(kKeySpace, 0, 0);
        tappedSpace_ = true;
    }
}
