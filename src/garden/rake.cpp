#include "garden/rake.h"

#include "assets/model_3ds.h"
#include "assets/model_draw.h"
#include "assets/texture.h"
#include "effects/geometry.h"
#include "platform/random.h"

#include <algorithm>

std::array<Rake, kRakeCount> rakes;
MeshModel rakeModel;
std::vector<GLuint> rakeTextures;

namespace {

constexpr const char* kRakeModelFile = "modelle/rechen_zacken.3ds";
constexpr Vector3 kUpAxis{0.0f, 1.0f, 0.0f};
constexpr Vector3 kSwingAxis{0.0f, 0.0f, 1.0f};

GLuint rakeList = 0;

Vector3 turned(const Rake& rake, Vector3 ownFrame)
{
    return RotateAroundAxis(ownFrame, kUpAxis, rake.placement.heading * kDegreesToRadians);
}

// One drawn frame of the handle's swing; true while the rake is lifted and turned.
bool advanceSwing(Rake& rake)
{
    if (rake.swinging) {
        rake.swingAngle += kRakeSwingStep;
        if (rake.swingAngle > kRakeSwingTop) rake.swinging = false;
        return true;
    }
    if (rake.swingAngle > 0.0f) {
        rake.swingAngle -= kRakeSwingStep;
        return true;
    }
    return false;
}

}  // namespace

GLuint rakeListName() { return rakeList; }

bool loadRakeAssets()
{
    releaseRakeAssets();
    Model3dsReader reader;
    const bool imported = reader.import(rakeModel, kRakeModelFile);
    rakeTextures.assign(std::max<std::size_t>(rakeModel.materials.size(), 1), 0);
    loadModelTextures(rakeModel, rakeTextures.data(), rakeTextures.size());
    rakeList = glGenLists(1);
    if (rakeList != 0) {
        glNewList(rakeList, GL_COMPILE);
        drawFirstObject(rakeModel, rakeTextures.data(), rakeTextures.size());
        glEndList();
    }
    return imported;
}

void releaseRakeAssets()
{
    if (rakeList != 0) glDeleteLists(rakeList, 1);
    rakeList = 0;
    for (std::size_t slot = 0; slot < rakeTextures.size(); ++slot)
        releaseTexture(rakeTextures.data(), rakeTextures.size(), static_cast<int>(slot));
    rakeTextures.clear();
    rakeModel = MeshModel{};
}

void setRakeSpheres(Rake& rake)
{
    for (int k = 0; k < kTineCount; ++k) {
        rake.tineOffsets[static_cast<std::size_t>(k)] = turned(rake, kTineOffsets[static_cast<std::size_t>(k)]);
        rake.tineRadii[static_cast<std::size_t>(k)] = kTineRadius;
    }
}

void setRakeBounds(Rake& rake)
{
    rake.placement.centreOffset = turned(rake, kRakeCentreOffset);
    rake.placement.radius = kRakeRadius;
}

void placeRake(Rake& rake)
{
    const int forX = randomInt();
    const int forZ = randomInt();
    const int forHeading = randomInt();
    rake.placement.setHeading(static_cast<float>(forHeading % kRakeHeadingRange));
    rake.placement.setPosition(kRakePlacementEdge - static_cast<float>(forX % kRakePlacementRange), 0.0f,
                               kRakePlacementEdge - static_cast<float>(forZ % kRakePlacementRange));
    setRakeSpheres(rake);
    setRakeBounds(rake);
}

void placeRakes()
{
    for (Rake& rake : rakes) placeRake(rake);
}

std::array<float, 4> tineSphere(const Rake& rake, int k)
{
    const auto index = static_cast<std::size_t>(std::clamp(k, 1, kTineCount) - 1);
    const Vector3 centre = Add(rake.placement.position, rake.tineOffsets[index]);
    return {centre.x, centre.y, centre.z, rake.tineRadii[index]};
}

Vector3 tineDirection(const Rake& rake) { return turned(rake, kTineDirection); }

bool stepsOnTines(const Rake& rake, Vector3 step)
{
    // A standing gardener has no direction; normalising would give NaN.
    if (Dot(step, step) == 0.0f) return false;
    return !(Dot(Normalize(step), tineDirection(rake)) > 0.0f);
}

bool firstTineHit(const Rake& rake, Vector3 centre, float radius, Vector3 move, float& distanceOut)
{
    for (int k = 1; k <= kTineCount; ++k) {
        const auto sphere = tineSphere(rake, k);
        float distance = 0.0f;
        if (sweptSphereHit(centre, radius, Vector3{sphere[0], sphere[1], sphere[2]}, sphere[3], move,
                           Vector3{}, distance) != 0.0f) {
            distanceOut = distance;
            return true;
        }
    }
    return false;
}

void triggerRake(Rake& rake) { rake.swinging = true; }

void drawRake(Rake& rake, bool useLists, bool useArrays, bool wireframe)
{
    const Vector3 position = rake.placement.position;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rake.placement.heading, kUpAxis.x, kUpAxis.y, kUpAxis.z);
    if (advanceSwing(rake)) {
        glTranslatef(0.0f, kRakeSwingLift, 0.0f);
        glRotatef(rake.swingAngle, kSwingAxis.x, kSwingAxis.y, kSwingAxis.z);
    }
    if (useLists) {
        const Vector3 centre = rake.placement.sphereCentre();
        if (rakeList != 0 && sphereInFrustum(centre.x, centre.y, centre.z, kRakeRadius)) glCallList(rakeList);
    } else {
        drawModel(rake.placement, rakeModel, rakeTextures.data(), rakeTextures.size(), useArrays, wireframe);
    }
    glPopMatrix();
}
