// Drawing of flowers in a real GL context: the change of form, the display
// lists, the lice look and culling, counted through GL's feedback mode.
#include "garden/flower_bed.h"

#include "assets/model_3ds.h"
#include "garden_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

using gardentest::countDrawnPrimitives;

using gardentest::importModel;
using gardentest::verticesOf;

namespace {


// Largest coordinate difference between two vertex lists of equal length.
float largestDifference(const std::vector<Vector3>& a, const std::vector<Vector3>& b)
{
    float largest = 0.0f;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        largest = std::max({largest, std::fabs(a[k].x - b[k].x), std::fabs(a[k].y - b[k].y),
                            std::fabs(a[k].z - b[k].z)});
    }
    return largest;
}

// A one-object model with the given vertices and no faces.
MeshModel pointModel(std::initializer_list<Vector3> vertices)
{
    MeshModel model;
    MeshObject object;
    object.vertices = vertices;
    object.vertexCount = static_cast<std::int32_t>(object.vertices.size());
    object.normals.assign(object.vertices.size(), Vector3{0.0f, 1.0f, 0.0f});
    model.objects.push_back(std::move(object));
    model.objectCount = 1;
    return model;
}

// The bed of the first round with all flower assets, seen from above flower 0.
class FlowerDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDialogsEnabled(false);
        if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
        if (!gardentest::haveFlowerData()) GTEST_SKIP() << "generated models not there yet";
        inData_.emplace(testsupport::generatedDataDir());
        ASSERT_TRUE(loadFlowerAssets());
        setUpFlowerBed(0);
        const Vector3 at = flowerBed[0].placement.position;
        gardentest::lookAt(at.x, at.y + 150.0f, at.z + 250.0f, at.x, at.y + 20.0f, at.z);
    }
    void TearDown() override
    {
        if (inData_) releaseFlowerAssets();
    }

    int drawn(Flower& flower, bool useLists)
    {
        return countDrawnPrimitives([&] { drawFlower(flower, useLists, true, false); });
    }

private:
    std::optional<gardentest::WorkingDirectory> inData_;
};

}  // namespace

TEST_F(FlowerDrawing, ChangeOfFormTakesTenDrawnFramesAndIgnoresRequestsMeanwhile)
{
    Flower& flower = flowerBed[0];
    const std::vector<Vector3> healthy = verticesOf(flower.model);
    const std::vector<Vector3>& dry = verticesOf(flowerModels[static_cast<std::size_t>(flowerModelIndex(FlowerState::Dry1, 0))]);
    ASSERT_EQ(healthy.size(), dry.size());
    ASSERT_GT(largestDifference(healthy, dry), 1.0f) << "the two looks must differ for this test to mean anything";

    changeFlowerState(flower, FlowerState::Dry1);
    ASSERT_TRUE(flower.changing);
    EXPECT_EQ(flower.state, FlowerState::Dry1);

    for (int frame = 1; frame <= 10; ++frame) {
        EXPECT_GT(drawn(flower, true), 0) << "a changing flower is drawn from its own model, frame " << frame;
        EXPECT_EQ(flower.stepCounter, frame);
        EXPECT_TRUE(flower.changing);
        const std::vector<Vector3>& now = verticesOf(flower.model);
        for (std::size_t k = 0; k < now.size(); k += 7) {
            const float t = static_cast<float>(frame) / 10.0f;
            ASSERT_NEAR(now[k].x, healthy[k].x + (dry[k].x - healthy[k].x) * t, 1e-3f) << "frame " << frame;
            ASSERT_NEAR(now[k].y, healthy[k].y + (dry[k].y - healthy[k].y) * t, 1e-3f) << "frame " << frame;
            ASSERT_NEAR(now[k].z, healthy[k].z + (dry[k].z - healthy[k].z) * t, 1e-3f) << "frame " << frame;
        }
        if (frame == 4) {
            changeFlowerState(flower, FlowerState::Dry2);
            EXPECT_EQ(flower.state, FlowerState::Dry1) << "requests during a change are ignored";
            changeFlowerState(flower, FlowerState::Healthy);
            EXPECT_EQ(flower.state, FlowerState::Dry1);
        }
    }
    EXPECT_LT(largestDifference(verticesOf(flower.model), dry), 1e-3f);

    // The frame after the tenth draws the flower settled, from its list.
    EXPECT_GT(drawn(flower, true), 0);
    EXPECT_FALSE(flower.changing);
    EXPECT_EQ(flower.stepCounter, 0);

    // The change edited the flower's own copy only.
    const MeshModel healthyOnDisk = importModel("modelle/blumen_gesund.3ds");
    EXPECT_EQ(largestDifference(verticesOf(flowerModels[0]), verticesOf(healthyOnDisk)), 0.0f);
    EXPECT_EQ(largestDifference(dry, verticesOf(importModel("modelle/blumen_trocken1.3ds"))), 0.0f);

    // Now a request is taken again.
    changeFlowerState(flower, FlowerState::Dry2);
    EXPECT_EQ(flower.state, FlowerState::Dry2);
    EXPECT_TRUE(flower.changing);
}

TEST_F(FlowerDrawing, SettledLooksComeFromTheListsAndLiceFromTheOwnModel)
{
    Flower& flower = flowerBed[0];
    const int fromModel = drawn(flower, false);
    EXPECT_GT(fromModel, 0);
    EXPECT_EQ(drawn(flower, true), fromModel) << "list and own model draw the same triangles";

    flower.state = FlowerState::Lice;
    EXPECT_GT(drawn(flower, true), 0) << "lice are drawn on the own model even with lists on";
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), flowerTextures[4][0]);
    EXPECT_NE(flowerTextures[4][0], 0u);

    flower.state = FlowerState::Gone;
    EXPECT_EQ(drawn(flower, true), 0);
    EXPECT_EQ(drawn(flower, false), 0);

    Flower& behind = flowerBed[15];  // at (300, 0, 300), behind the camera looking toward -z
    EXPECT_EQ(drawn(behind, true), 0);
}

TEST(FlowerChangeOfForm, MismatchedVertexCountsNeverReachPastEitherModel)
{
    setDialogsEnabled(false);
    if (!testsupport::ensureGlContext()) GTEST_SKIP() << "no display";
    gardentest::lookAt(0.0f, 100.0f, 300.0f, 0.0f, 0.0f, 0.0f);
    const auto dryIndex = static_cast<std::size_t>(flowerModelIndex(FlowerState::Dry1, 0));

    // Own model longer than the target: the extra vertices stay where they are.
    flowerModels[dryIndex] = pointModel({{10, 0, 0}, {0, 10, 0}});
    Flower longer;
    resetFlower(longer, 0);
    longer.model = pointModel({{0, 0, 0}, {0, 0, 0}, {5, 5, 5}, {7, 7, 7}});
    changeFlowerState(longer, FlowerState::Dry1);
    for (int frame = 0; frame < 10; ++frame) drawFlower(longer, false, false, false);
    const auto& own = verticesOf(longer.model);
    EXPECT_NEAR(own[0].x, 10.0f, 1e-4f);
    EXPECT_NEAR(own[1].y, 10.0f, 1e-4f);
    EXPECT_EQ(own[2].x, 5.0f);
    EXPECT_EQ(own[3].z, 7.0f);

    // Target longer than the own model.
    flowerModels[dryIndex] = pointModel({{10, 0, 0}, {0, 10, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    Flower shorter;
    resetFlower(shorter, 0);
    shorter.model = pointModel({{0, 0, 0}});
    changeFlowerState(shorter, FlowerState::Dry1);
    for (int frame = 0; frame < 11; ++frame) drawFlower(shorter, false, false, false);
    ASSERT_EQ(verticesOf(shorter.model).size(), 1u);
    EXPECT_NEAR(verticesOf(shorter.model)[0].x, 10.0f, 1e-4f);
    EXPECT_FALSE(shorter.changing);

    // An own model that failed to load takes part without harm.
    Flower empty;
    resetFlower(empty, 0);
    changeFlowerState(empty, FlowerState::Dry1);
    for (int frame = 0; frame < 11; ++frame) drawFlower(empty, false, false, false);
    EXPECT_EQ(empty.state, FlowerState::Dry1);
    EXPECT_FALSE(empty.changing);
    flowerModels[dryIndex] = MeshModel{};
}
