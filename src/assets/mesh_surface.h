#pragma once
// Closed surfaces: an object whose every edge joins exactly two faces that run
// it in opposite directions, turned outward in every key frame. From outside
// such a surface its back faces always lie behind its front faces, so the
// drawing may cull them without changing a pixel of the picture.
#include "assets/mesh_model.h"

// True when the object is a closed, outward surface in all of its key frames
// (a frame that shrinks it to one point shows nothing and does not count).
// Vertices that keep one place in every key frame (texture seams repeat
// them) are one corner; faces with two corners at one place have no area and
// are left out.
bool isClosedSurface(const MeshObject& object);

// Sets every object's closed flag.
void markClosedSurfaces(MeshModel& model);
