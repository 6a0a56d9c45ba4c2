#pragma once
// The gardener's animations: one pose per key frame and the lines of the
// animation configuration that name them.
#include "character_rig.h"

#include <string>
#include <vector>

namespace contentgen::pell {

struct AnimationLine {
    int first = 0;
    int count = 0;
    int looping = 0;
    int fps = 0;
    std::string name;
};

struct Choreography {
    std::vector<Pose> poses;           // key frame 0 first
    std::vector<AnimationLine> lines;  // in the order of the configuration file
    std::vector<std::string> warnings; // props that could not be put where the game shows their effect
};

Choreography choreograph(const Body& body);

}  // namespace contentgen::pell
