#pragma once
// Where a drawn actor (flower, mole, rake) stands and the sphere that bounds it.
#include "math/vector.h"

#include <array>

struct Placement {
    Vector3 position;
    float heading = 0.0f;  // degrees about the vertical axis
    Vector3 centreOffset;  // from the position to the bounding sphere's centre
    float radius = 0.0f;

    void setPosition(float x, float y, float z) { position = {x, y, z}; }
    Vector3 getPosition() const { return position; }
    void setHeading(float degrees) { heading = degrees; }
    // Centre (position + centre offset) and radius.
    std::array<float, 4> boundingSphere() const
    {
        return {position.x + centreOffset.x, position.y + centreOffset.y,
                position.z + centreOffset.z, radius};
    }
    Vector3 sphereCentre() const { return Add(position, centreOffset); }
};
