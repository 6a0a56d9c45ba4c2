#include "garden/flower_bed.h"

#include "assets/model_3ds.h"
#include "assets/model_draw.h"
#include "effects/geometry.h"
#include "math/portable_math.h"
#include "platform/random.h"

#include <algorithm>
#include <cmath>
#include <utility>

std::array<Flower, kFlowerCount> flowerBed;
std::uint64_t flowerUpdateCount = 0;
std::array<MeshModel, kFlowerModelCount> flowerModels;
std::array<TextureNames<1>, kFlowerTextureCount> flowerTextures{};

namespace {

constexpr int kDryStates = 4;      // Healthy, Dry1, Dry2, Dry3 have models
constexpr int kEatenStages = 3;    // 0 whole, 1 and 2 bitten
constexpr int kRandomModulus = 100000;
constexpr int kTroubleKinds = 2;   // next trouble: randomInt mod 2

// Model files by (state, eaten stage).
constexpr std::array<std::array<const char*, kEatenStages>, kDryStates> kModelFiles{{
    {"modelle/blumen_gesund.3ds", "modelle/blumen_mampf1.3ds", "modelle/blumen_mampf2g.3ds"},
    {"modelle/blumen_trocken1.3ds", "modelle/blumen_mampft1.3ds", "modelle/blumen_mampf2t1.3ds"},
    {"modelle/blumen_trocken2.3ds", "modelle/blumen_mampft2.3ds", "modelle/blumen_mampf2t2.3ds"},
    {"modelle/blumen_trocken3.3ds", "modelle/blumen_mampft3.3ds", "modelle/blumen_mampf2t3.3ds"},
}};

// Textures by state Healthy .. Lice.
constexpr std::array<const char*, kFlowerTextureCount> kTextureFiles{
    "bilder/blume_1.bmp", "bilder/blume_trocken1.bmp", "bilder/blume_trocken2.bmp",
    "bilder/blume_trocken3.bmp", "bilder/blume_laus1.bmp"};

// (state, eaten stage) of every shared model, in load and list order.
constexpr std::array<std::pair<FlowerState, int>, kFlowerModelCount> kModelCells{{
    {FlowerState::Healthy, 0},
    {FlowerState::Dry1, 0},
    {FlowerState::Dry2, 0},
    {FlowerState::Dry3, 0},
    {FlowerState::Healthy, 1},
    {FlowerState::Healthy, 2},
    {FlowerState::Dry1, 1},
    {FlowerState::Dry1, 2},
    {FlowerState::Dry2, 1},
    {FlowerState::Dry2, 2},
    {FlowerState::Dry3, 1},
    {FlowerState::Dry3, 2},
}};

std::array<GLuint, kFlowerModelCount> flowerLists{};

bool hasModelForm(FlowerState state)
{
    return state >= FlowerState::Healthy && state <= FlowerState::Dry3;
}

// Vertices of a model's first object, or nullptr for an empty model.
std::vector<Vector3>* firstObjectVertices(MeshModel& model)
{
    return model.objects.empty() ? nullptr : &model.objects.front().vertices;
}

float countdownValue(double factor, int level)
{
    return static_cast<float>(kFlowerCountdownBase * portable::pow(factor, level));
}

// Takes elapsed / r (r a fresh randomInt) off the countdown. r = 0 ends the
// countdown at once; it is left at 0 rather than minus infinity.
void applyRandomDecrement(float& countdown, float elapsed)
{
    const int r = randomInt() % kRandomModulus;
    if (r == 0) {
        countdown = 0.0f;
        return;
    }
    countdown -= elapsed / static_cast<float>(r);
}

const GLuint* stateTexture(FlowerState state)
{
    const int index = static_cast<int>(state);
    if (index < 0 || index >= kFlowerTextureCount) return nullptr;
    return flowerTextures[static_cast<std::size_t>(index)].data();
}

void drawOwnModel(const Flower& flower, bool useArrays, bool wireframe)
{
    if (const GLuint* texture = stateTexture(flower.state))
        drawModel(flower.placement, flower.model, texture, 1, useArrays, wireframe);
}

// One frame of a running change of form: moves every vertex by its step.
void stepChangeOfForm(Flower& flower)
{
    std::vector<Vector3>* vertices = firstObjectVertices(flower.model);
    if (!vertices || !flower.stepsCreated) return;
    const std::size_t count = std::min(vertices->size(), flower.steps.size());
    for (std::size_t k = 0; k < count; ++k)
        (*vertices)[k] = Subtract((*vertices)[k], flower.steps[k]);
}

}  // namespace

std::string_view flowerStateName(FlowerState state)
{
    switch (state) {
    case FlowerState::Healthy: return "Healthy";
    case FlowerState::Dry1: return "Dry1";
    case FlowerState::Dry2: return "Dry2";
    case FlowerState::Dry3: return "Dry3";
    case FlowerState::Lice: return "Lice";
    case FlowerState::Gone: return "Gone";
    }
    return "Unknown";
}

int flowerModelIndex(FlowerState state, int eatenStage)
{
    if (!hasModelForm(state) || eatenStage < 0 || eatenStage >= kEatenStages) return -1;
    const int row = static_cast<int>(state);
    if (eatenStage == 0) return row;
    return kDryStates + row * (kEatenStages - 1) + (eatenStage - 1);
}

const char* flowerModelPath(FlowerState state, int eatenStage)
{
    if (flowerModelIndex(state, eatenStage) < 0) return nullptr;
    return kModelFiles[static_cast<std::size_t>(state)][static_cast<std::size_t>(eatenStage)];
}

GLuint flowerListName(int modelIndex)
{
    if (modelIndex < 0 || modelIndex >= kFlowerModelCount) return 0;
    return flowerLists[static_cast<std::size_t>(modelIndex)];
}

bool loadFlowerAssets()
{
    releaseFlowerAssets();

    bool allImported = true;
    for (int i = 0; i < kFlowerModelCount; ++i) {
        const auto [state, eaten] = kModelCells[static_cast<std::size_t>(i)];
        Model3dsReader reader;
        if (!reader.import(flowerModels[static_cast<std::size_t>(i)], flowerModelPath(state, eaten)))
            allImported = false;
    }

    for (int i = 0; i < kFlowerTextureCount; ++i)
        loadBmpTexture(flowerTextures[static_cast<std::size_t>(i)], kTextureFiles[static_cast<std::size_t>(i)], 0);

    for (int i = 0; i < kFlowerModelCount; ++i) {
        const auto [state, eaten] = kModelCells[static_cast<std::size_t>(i)];
        (void)eaten;
        const GLuint list = glGenLists(1);
        flowerLists[static_cast<std::size_t>(i)] = list;
        if (list == 0) continue;
        glNewList(list, GL_COMPILE);
        drawFirstObject(flowerModels[static_cast<std::size_t>(i)], stateTexture(state), 1);
        glEndList();
    }
    return allImported;
}

void releaseFlowerAssets()
{
    for (GLuint& list : flowerLists) {
        if (list != 0) glDeleteLists(list, 1);
        list = 0;
    }
    for (auto& texture : flowerTextures) releaseTexture(texture.data(), texture.size(), 0);
    for (MeshModel& model : flowerModels) model = MeshModel{};
}

void resetFlower(Flower& flower, int level)
{
    flower.changing = false;
    flower.state = FlowerState::Healthy;
    flower.stepCounter = 0;
    flower.steps.clear();  // capacity kept: the next change of form need not allocate
    flower.stepsCreated = false;
    flower.eatenStage = 0;
    flower.wateringCountdown = 0.0f;
    flower.nextTrouble = 1;
    flower.sprayingCountdown = kSprayingUpdates;
    flower.lost = 0;
    const float start = countdownValue(kFlowerStartFactor, level);
    flower.drynessCountdown = start;
    flower.liceCountdown = start;
    flower.calmCountdown = start;
}

void reloadFlowerModel(Flower& flower)
{
    const char* path = flowerModelPath(flower.state, flower.eatenStage);
    if (!path) return;
    MeshModel fresh;
    Model3dsReader reader;
    reader.import(fresh, path);  // a failure leaves it empty; the reader reports it
    flower.model = std::move(fresh);  // the replaced model is released here
    if (const auto* vertices = firstObjectVertices(flower.model))
        flower.steps.reserve(vertices->size());
}

void setFlowerBounds(Flower& flower)
{
    flower.placement.centreOffset = kFlowerCentreOffset;
    flower.placement.radius = kFlowerRadius;
}

void setUpFlowerBed(int level)
{
    for (int row = 0; row < kFlowerRows; ++row) {
        for (int column = 0; column < kFlowerColumns; ++column) {
            Flower& flower = flowerBed[static_cast<std::size_t>(row * kFlowerColumns + column)];
            resetFlower(flower, level);
            reloadFlowerModel(flower);
            flower.placement.setPosition(kFlowerGridStart + kFlowerGridSpacing * static_cast<float>(row), 0.0f,
                                         kFlowerGridStart + kFlowerGridSpacing * static_cast<float>(column));
            setFlowerBounds(flower);
        }
    }
}

void startSpraying(Flower& flower)
{
    flower.beingSprayed = true;
    flower.sprayingCountdown = kSprayingUpdates;
}

void startWatering(Flower& flower)
{
    flower.beingWatered = true;
    flower.wateringCountdown = kWateringSeconds;
}

void updateFlower(Flower& flower, float elapsed, int level)
{
    ++flowerUpdateCount;
    const float refill = countdownValue(kFlowerRefillFactor, level);

    if (flower.calmCountdown > 0.0f) {
        applyRandomDecrement(flower.calmCountdown, elapsed);
        return;
    }

    if (flower.nextTrouble == 0) {  // lice
        if (flower.beingSprayed) {
            flower.sprayingCountdown = static_cast<std::int32_t>(
                std::trunc(static_cast<float>(flower.sprayingCountdown) - elapsed));
            flower.liceCountdown = refill;
            if (flower.sprayingCountdown <= 0) {
                flower.sprayingCountdown = 0;
                flower.beingSprayed = false;
                flower.state = FlowerState::Healthy;
                flower.nextTrouble = randomInt() % kTroubleKinds;
                flower.calmCountdown = refill;
            }
            return;
        }
        if (flower.liceCountdown <= 0.0f) {
            flower.state = FlowerState::Gone;
            flower.lost = 1;
            return;
        }
        if (flower.state == FlowerState::Healthy) flower.state = FlowerState::Lice;
        applyRandomDecrement(flower.liceCountdown, elapsed);
        return;
    }

    // drying
    if (flower.beingWatered) {
        flower.wateringCountdown -= elapsed;
        flower.drynessCountdown = refill;
        if (flower.wateringCountdown <= 0.0f) {
            flower.wateringCountdown = 0.0f;
            flower.beingWatered = false;
            changeFlowerState(flower, FlowerState::Healthy);
            flower.nextTrouble = randomInt() % kTroubleKinds;
            flower.calmCountdown = refill;
        }
        return;
    }
    if (flower.drynessCountdown > 0.0f) {
        applyRandomDecrement(flower.drynessCountdown, elapsed);
        return;
    }
    if (flower.state == FlowerState::Gone) return;
    flower.drynessCountdown = refill;
    switch (flower.state) {
    case FlowerState::Healthy: changeFlowerState(flower, FlowerState::Dry1); break;
    case FlowerState::Dry1: changeFlowerState(flower, FlowerState::Dry2); break;
    case FlowerState::Dry2: changeFlowerState(flower, FlowerState::Dry3); break;
    case FlowerState::Dry3:
        flower.state = FlowerState::Gone;
        flower.lost = 1;
        break;
    case FlowerState::Lice:
    case FlowerState::Gone: break;
    }
}

void changeFlowerState(Flower& flower, FlowerState newState)
{
    if (flower.changing || flower.beingWatered) return;

    std::vector<Vector3>* own = firstObjectVertices(flower.model);
    if (!flower.stepsCreated) {
        flower.steps.assign(own ? own->size() : 0, Vector3{});
        flower.stepsCreated = true;
    }
    if (newState == flower.state || flower.state == FlowerState::Gone) return;

    flower.state = newState;
    const int targetIndex = flowerModelIndex(newState, flower.eatenStage);
    if (targetIndex < 0) return;  // Lice and Gone: no change of form

    // Vertices are paired by index; where either model runs out (the files are
    // required to match) the vertex stays where it is.
    const std::vector<Vector3>* target = firstObjectVertices(flowerModels[static_cast<std::size_t>(targetIndex)]);
    const std::size_t ownCount = own ? own->size() : 0;
    const std::size_t targetCount = target ? target->size() : 0;
    for (std::size_t k = 0; k < flower.steps.size(); ++k) {
        if (k < ownCount && k < targetCount)
            flower.steps[k] = DivideByScalar(Subtract((*own)[k], (*target)[k]),
                                             static_cast<float>(kChangeOfFormSteps));
        else
            flower.steps[k] = Vector3{};
    }
    flower.changing = true;
}

void biteFlower(Flower& flower)
{
    switch (flower.eatenStage) {
    case 0:
    case 1:
        ++flower.eatenStage;
        reloadFlowerModel(flower);
        break;
    default: changeFlowerState(flower, FlowerState::Gone); break;
    }
}

FlowerState flowerState(const Flower& flower) { return flower.state; }

void drawFlower(Flower& flower, bool useLists, bool useArrays, bool wireframe)
{
    const Vector3 position = flower.placement.position;
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(flower.placement.heading, 0.0f, 1.0f, 0.0f);

    if (flower.changing && flower.stepCounter < kChangeOfFormSteps) {
        stepChangeOfForm(flower);
        if (hasModelForm(flower.state)) drawOwnModel(flower, useArrays, wireframe);
        ++flower.stepCounter;
        glPopMatrix();
        return;
    }
    if (flower.changing) {  // the tenth step was drawn last frame: settle now
        flower.changing = false;
        flower.stepCounter = 0;
    }

    if (hasModelForm(flower.state)) {
        if (useLists) {
            const Vector3 centre = flower.placement.sphereCentre();
            const GLuint list = flowerListName(flowerModelIndex(flower.state, flower.eatenStage));
            if (list != 0 && sphereInFrustum(centre.x, centre.y, centre.z, kFlowerRadius))
                glCallList(list);
        } else {
            drawOwnModel(flower, useArrays, wireframe);
        }
    } else if (flower.state == FlowerState::Lice) {
        drawOwnModel(flower, useArrays, wireframe);
    }
    glPopMatrix();
}
