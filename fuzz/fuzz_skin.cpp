// The skin reader, applied to a model with the torso's mesh names and a few
// short ones that random lines hit: every textured mesh names a material
// that exists, every material has a texture name within the limit, and the
// materials stay in proportion to the file.
#include "character/character_model.h"
#include "fuzz_check.h"
#include "platform/message_box.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
// At most this many materials per byte of the skin file: a line of one
// character and its line end may name every mesh of the model.
constexpr std::size_t kMostMaterialsPerByte = 16;

MeshModel meshesToSkin()
{
    MeshModel model;
    for (const char* name : {"u_body", "u_wateringcan", "u_spraycan", "u_spade", "tag_head", "a", "b", "x"}) {
        MeshObject object;
        object.name = name;
        model.objects.push_back(object);
    }
    model.objectCount = static_cast<std::int32_t>(model.objects.size());
    return model;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setDialogsEnabled(false);
    fuzzsupport::silenceReaderMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MeshModel model = meshesToSkin();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(applySkin(model, text));
    FUZZ_CHECK(model.materialCount == static_cast<std::int32_t>(model.materials.size()));
    FUZZ_CHECK(model.materials.size() <= kMostMaterialsPerByte * size);
    FUZZ_CHECK(model.materials.size() <= kMaxSkinMaterials);
    for (const MeshMaterial& material : model.materials) {
        FUZZ_CHECK(!material.textureFileName.empty() || size > 0);
        FUZZ_CHECK(material.textureFileName.size() <= kCharacterNameLimit);
        FUZZ_CHECK(material.textureFileName.find('\n') == std::string::npos);
    }
    for (const MeshObject& object : model.objects) {
        if (!object.textured) continue;
        FUZZ_CHECK(object.materialIndex >= 0 && object.materialIndex < model.materialCount);
    }
    return 0;
}
