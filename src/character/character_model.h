#pragma once
// An animated character: legs, torso and head models from one folder, their
// skins, the textures they share and the animation table; the torso hangs
// at the legs' "tag_torso".
#include "assets/mesh_model.h"
#include "assets/texture.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kCharacterTextureSlots = 100;
// Longest path, skin texture name and animation name kept (255-byte fields
// with their terminating zero); longer ones are refused.
constexpr std::size_t kCharacterNameLimit = 254;
// Frame numbers and counts of the animation table stay below this, so no
// frame arithmetic can overflow.
constexpr int kAnimationFrameLimit = 1'000'000;
// Most materials the skin files may give one model: each line may name every
// mesh, so a long damaged file would otherwise grow the list out of all
// proportion to what any model can use.
constexpr std::size_t kMaxSkinMaterials = 4096;

struct CharacterModel {
    TextureNames<kCharacterTextureSlots> textureNames{};
    std::vector<std::string> textureFiles;  // entry k: the file whose texture is in slot k
    MeshModel head;
    MeshModel upper;
    MeshModel lower;

    CharacterModel() = default;
    // Copies keep their own links: a link to one of the source's models
    // becomes a link to the copy's model of the same part.
    CharacterModel(const CharacterModel& other);
    CharacterModel& operator=(const CharacterModel& other);
};

// 0 lower, 1 upper, anything else head.
MeshModel& characterPart(CharacterModel& character, int part);
const MeshModel& characterPart(const CharacterModel& character, int part);

// Loads "<folder>/<base>_lower.md3" and the rest of the set; false at the
// first step that fails (the model messages are shown by the reader).
bool loadCharacter(CharacterModel& character, const char* folder, const char* base);

// Applies one skin file: every line naming a mesh gives it a material whose
// texture is the line's text after its last "/". False when the file cannot
// be read (said in the "Error" box). A line whose texture name is too long
// is ignored with a message, so are lines beyond kMaxSkinMaterials
// materials; a mesh no line names is said too.
bool loadSkin(MeshModel* model, const char* path);
// The same from the file's text (CR LF or LF line ends).
bool applySkin(MeshModel& model, std::string_view text);

// Creates the textures of the model's materials, each distinct file once.
// False when a name would need a 101st slot or its path is too long; those
// materials keep texture index 0 and are drawn untextured.
bool loadCharacterTextures(CharacterModel& character, MeshModel& model, const char* folder);

// Reads the animation configuration into the lower and upper models. A
// missing file, ignored lines and a file without any animation are said.
bool loadAnimations(CharacterModel& character, const char* path);
// The same from the file's text. Lines with too few numbers, frame values
// out of range or an over-long name are skipped (the count is returned);
// the rest is read.
int readAnimations(CharacterModel& character, std::string_view text);

// Attaches attached at model's first tag (of key frame 0) named tagName, any case.
void linkModel(MeshModel* model, MeshModel* attached, const char* tagName);

// Case-insensitive equality of two names.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);
