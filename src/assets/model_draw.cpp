#include "assets/model_draw.h"

#include "assets/texture.h"
#include "effects/geometry.h"

#include <algorithm>

namespace {

constexpr GLubyte kWhite = 255;

// The texture of a textured object: its material's slot. An object whose
// material index is -1 (its last face material list named no material) or
// lies beyond the array binds texture 0, the untextured default.
GLuint textureFor(const MeshObject& object, const GLuint* textures, std::size_t slotCount)
{
    const std::int32_t slot = object.materialIndex;
    if (textures == nullptr || slot < 0 || static_cast<std::size_t>(slot) >= slotCount) return 0;
    return textures[slot];
}

// Per-vertex arrays the drawing may index: normals must cover the
// vertices; texture coordinates count only when they cover them too.
bool drawable(const MeshObject& object)
{
    return !object.vertices.empty() && object.normals.size() >= object.vertices.size();
}

bool hasTextureCoordinates(const MeshObject& object)
{
    return object.textureCoordinateCount > 0 && object.textureCoordinates.size() >= object.vertices.size();
}

std::size_t faceLimit(const MeshObject& object)
{
    return std::min(static_cast<std::size_t>(std::max(object.faceCount, 0)), object.faces.size());
}

// The element indices are not checked here, per frame: the reader keeps
// every one below the vertex count.
void drawWithArrays(const MeshObject& object, GLenum mode)
{
    const std::size_t elements = std::min(faceLimit(object) * 3, object.elementIndices.size());
    if (elements == 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, object.vertices.data());
    glNormalPointer(GL_FLOAT, 0, object.normals.data());
    // Without coordinates the texture-coordinate array would point at
    // nothing; it is switched off for this object and restored after.
    const bool coordinates = hasTextureCoordinates(object);
    const GLboolean coordinateArrayWasOn = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    if (coordinates) glTexCoordPointer(2, GL_FLOAT, 0, object.textureCoordinates.data());
    else if (coordinateArrayWasOn) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDrawElements(mode, static_cast<GLsizei>(elements), GL_UNSIGNED_INT, object.elementIndices.data());
    if (!coordinates && coordinateArrayWasOn) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void drawImmediate(const MeshModel& model, const MeshObject& object, GLenum mode)
{
    const bool coordinates = hasTextureCoordinates(object);
    const MeshMaterial* material = nullptr;
    if (!object.textured && object.materialIndex >= 0 &&
        static_cast<std::size_t>(object.materialIndex) < model.materials.size()) {
        material = &model.materials[static_cast<std::size_t>(object.materialIndex)];
    }
    const std::size_t vertexCount = object.vertices.size();
    const std::size_t faces = faceLimit(object);
    glBegin(mode);
    for (std::size_t f = 0; f < faces; ++f) {
        for (std::int32_t k : object.faces[f].vertexIndex) {
            if (k < 0 || static_cast<std::size_t>(k) >= vertexCount) continue;
            const auto j = static_cast<std::size_t>(k);
            const Vector3& n = object.normals[j];
            glNormal3f(n.x, n.y, n.z);
            if (object.textured && coordinates) {
                glTexCoord2f(object.textureCoordinates[j].x, object.textureCoordinates[j].y);
            } else if (material != nullptr) {
                glColor3ub(material->colour[0], material->colour[1], material->colour[2]);
            }
            const Vector3& v = object.vertices[j];
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();
}

}  // namespace

void loadModelTextures(MeshModel& model, GLuint* textures, std::size_t slotCount)
{
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        MeshMaterial& material = model.materials[i];
        if (!material.textureFileName.empty() && textures != nullptr && i < slotCount) {
            loadBmpTexture(textures, slotCount, material.textureFileName.c_str(), static_cast<int>(i));
        }
        material.textureIndex = static_cast<std::int32_t>(i);
    }
}

void drawModel(const Placement& placement, const MeshModel& model, const GLuint* textures,
               std::size_t slotCount, bool useArrays, bool wireframe)
{
    const Vector3 centre = placement.sphereCentre();
    if (!sphereInFrustum(centre.x, centre.y, centre.z, placement.radius)) return;
    const GLenum mode = wireframe ? GL_LINES : GL_TRIANGLES;
    glLineWidth(1.0f);
    const std::size_t objects =
        std::min(static_cast<std::size_t>(std::max(model.objectCount, 0)), model.objects.size());
    for (std::size_t i = 0; i < objects; ++i) {
        const MeshObject& object = model.objects[i];
        if (object.textured) {
            glEnable(GL_TEXTURE_2D);
            glColor3ub(kWhite, kWhite, kWhite);
            glBindTexture(GL_TEXTURE_2D, textureFor(object, textures, slotCount));
        } else {
            glDisable(GL_TEXTURE_2D);
            glColor3ub(kWhite, kWhite, kWhite);
        }
        if (!drawable(object)) continue;
        // A closed surface's back faces lie behind its front faces: not drawn.
        if (object.closed) glEnable(GL_CULL_FACE);
        if (useArrays) drawWithArrays(object, mode);
        else drawImmediate(model, object, mode);
        if (object.closed) glDisable(GL_CULL_FACE);
    }
}

void drawFirstObject(const MeshModel& model, const GLuint* textures, std::size_t slotCount)
{
    if (model.objects.empty()) return;
    const MeshObject& object = model.objects.front();
    glEnable(GL_TEXTURE_2D);
    glColor3ub(kWhite, kWhite, kWhite);
    glBindTexture(GL_TEXTURE_2D, textures != nullptr && slotCount > 0 ? textures[0] : 0);
    if (!drawable(object)) return;
    const bool coordinates = hasTextureCoordinates(object);
    const std::size_t vertexCount = object.vertices.size();
    const std::size_t faces = faceLimit(object);
    if (object.closed) glEnable(GL_CULL_FACE);
    glBegin(GL_TRIANGLES);
    for (std::size_t f = 0; f < faces; ++f) {
        for (std::int32_t k : object.faces[f].vertexIndex) {
            if (k < 0 || static_cast<std::size_t>(k) >= vertexCount) continue;
            const auto j = static_cast<std::size_t>(k);
            glNormal3f(object.normals[j].x, object.normals[j].y, object.normals[j].z);
            if (coordinates) glTexCoord2f(object.textureCoordinates[j].x, object.textureCoordinates[j].y);
            glVertex3f(object.vertices[j].x, object.vertices[j].y, object.vertices[j].z);
        }
    }
    glEnd();
    if (object.closed) glDisable(GL_CULL_FACE);
}
