// The character's skin and animation files when they are missing or
// damaged: each case is said with the file's name, and no file can make a
// model's material list grow without bound.
#include "character/character_model.h"
#include "platform/message_box.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::TempDir;

struct Said {
    bool result = false;
    std::string text;  // standard error
};

template <typename Load>
Said capture(Load load)
{
    setDialogsEnabled(false);
    testing::internal::CaptureStderr();
    Said said;
    said.result = load();
    said.text = testing::internal::GetCapturedStderr();
    return said;
}

bool says(const Said& said, const std::string& part) { return said.text.find(part) != std::string::npos; }

MeshModel twoMeshes()
{
    MeshModel model;
    model.objects.resize(2);
    model.objects[0].name = "u_body";
    model.objects[1].name = "u_spade";
    return model;
}

TEST(DamagedCharacterFiles, SkinsSayWhatIsMissing)
{
    TempDir dir;
    const std::string missing = (dir / "gone.skin").string();
    MeshModel model = twoMeshes();
    const Said gone = capture([&] { return loadSkin(&model, missing.c_str()); });
    EXPECT_FALSE(gone.result);
    EXPECT_TRUE(says(gone, "Unable to find the file: " + missing + "!")) << gone.text;

    const std::string half = (dir / "half.skin").string();
    testsupport::writeFileText(half, "u_body,Pell/pell_upper.bmp\nu_sp");
    const Said cut = capture([&] { return loadSkin(&model, half.c_str()); });
    EXPECT_TRUE(cut.result);
    EXPECT_TRUE(model.objects[0].textured);
    EXPECT_TRUE(says(cut, half + ": no line names the mesh u_spade; it is drawn untextured")) << cut.text;
    EXPECT_FALSE(says(cut, "mesh u_body")) << cut.text;
}

TEST(DamagedCharacterFiles, SkinMaterialsStopAtTheirLimit)
{
    MeshModel model = twoMeshes();
    std::string text;
    for (std::size_t line = 0; line < kMaxSkinMaterials; ++line) text += "u_body u_spade,x.bmp\n";
    const Said said = capture([&] { return applySkin(model, text); });
    EXPECT_TRUE(said.result);
    EXPECT_EQ(model.materials.size(), kMaxSkinMaterials);  // two a line, so half the lines fill it
    EXPECT_EQ(model.materialCount, static_cast<std::int32_t>(kMaxSkinMaterials));
    EXPECT_TRUE(says(said, "more than 4096 materials")) << said.text;
    for (const MeshObject& object : model.objects) EXPECT_LT(object.materialIndex, model.materialCount);
}

TEST(DamagedCharacterFiles, AnimationTablesSayWhatIsWrong)
{
    TempDir dir;
    const struct {
        const char* name;
        const char* text;  // nullptr: no file
        bool loaded;
        std::string said;
    } cases[] = {
        {"gone.cfg", nullptr, false, "Unable to find the file: "},
        {"noise.cfg", "x\x01\x7f garbage\n\xff\xfe\n", true, "No animation in the file: "},
        {"half.cfg", "1 16 16 24 // BOTH_WALK\n41 40 0\n", true, ": 1 lines ignored"},
    };
    for (const auto& c : cases) {
        const std::string path = (dir / c.name).string();
        if (c.text != nullptr) testsupport::writeFileText(path, c.text);
        CharacterModel character;
        const Said said = capture([&] { return loadAnimations(character, path.c_str()); });
        EXPECT_EQ(said.result, c.loaded) << c.name;
        EXPECT_TRUE(says(said, c.said)) << c.name << ": " << said.text;
        EXPECT_TRUE(says(said, path)) << c.name << ": " << said.text;
    }
}

}  // namespace
