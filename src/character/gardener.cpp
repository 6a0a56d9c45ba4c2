#include "character/gardener.h"

Gardener gardener;

namespace {
const Vector3 kUpAxis{0.0f, 1.0f, 0.0f};

Vector3 turnedWithGardener(const Gardener& g, Vector3 offset)
{
    return RotateAroundAxis(offset, kUpAxis, g.heading * kDegreesToRadians);
}
}  // namespace

void resetGardenerPlacement(Gardener& g)
{
    g.position = kGardenerStartPosition;
    g.heading = 0.0f;
    g.bodyOffset = kBodyOffset;
    g.bodyRadius = kBodyRadius;
    g.strikeOffset = kStrikeOffset;
    g.waterOffset = kWaterOffset;
    g.sprayOffset = kSprayOffset;
    g.busy = 0;
}

void moveGardener(Gardener& g, Vector3 step) { g.position = Add(g.position, step); }

Sphere bodySphere(const Gardener& g) { return {Add(g.position, g.bodyOffset), g.bodyRadius}; }

Sphere strikeSphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.strikeOffset)), kStrikeRadius};
}

Sphere waterSphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.waterOffset)), kEffectRadius};
}

Sphere spraySphere(const Gardener& g)
{
    return {Add(g.position, turnedWithGardener(g, g.sprayOffset)), kEffectRadius};
}
