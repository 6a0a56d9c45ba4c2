#pragma once
// Drawing of static models: culled against the view frustum, with vertex
// arrays or immediate mode, filled or as lines, or compiled into a display list.
#include "assets/mesh_model.h"
#include "assets/placement.h"

#include <GL/gl.h>

#include <cstddef>

// Loads the BMP texture of every material i into textures[i] (slots beyond
// slotCount are not touched) and sets each material's texture index to i.
void loadModelTextures(MeshModel& model, GLuint* textures, std::size_t slotCount);

// Draws every object of model when the placement's bounding sphere is
// visible. The caller sets up and restores the model-view transform. A
// textured object whose material index has no slot binds texture 0; an
// object without texture coordinates draws with the coordinate array off.
void drawModel(const Placement& placement, const MeshModel& model, const GLuint* textures,
               std::size_t slotCount, bool useArrays, bool wireframe);

// Draws the first object in immediate mode with texture slot 0, without
// culling; for compiling display lists. Draws nothing for an empty model.
void drawFirstObject(const MeshModel& model, const GLuint* textures, std::size_t slotCount);
