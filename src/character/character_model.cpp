#include "character/character_model.h"

#include "character/md3_reader.h"
#include "platform/message_box.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

std::optional<std::string> readText(const char* path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return std::nullopt;
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "<folder>/<name>", or nothing when it would not fit the name limit.
std::optional<std::string> pathIn(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append("/").append(name);
    if (path.size() > kCharacterNameLimit) {
        std::fprintf(stderr, "Path too long (over %zu characters): %s\n", kCharacterNameLimit, path.c_str());
        return std::nullopt;
    }
    return path;
}

MeshModel* remapped(MeshModel* link, const CharacterModel& from, CharacterModel& to)
{
    if (link == &from.head) return &to.head;
    if (link == &from.upper) return &to.upper;
    if (link == &from.lower) return &to.lower;
    return link;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Words of the animation configuration, with their line.
class WordScanner {
public:
    explicit WordScanner(std::string_view text) : text_(text) {}

    // The next word on any line; empty at the end.
    std::string_view next()
    {
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isBlank(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }
    // The next word if it stands on the current line; empty otherwise.
    std::string_view nextOnLine()
    {
        while (pos_ < text_.size() && isBlank(text_[pos_]) && text_[pos_] != '\n') ++pos_;
        if (pos_ >= text_.size() || text_[pos_] == '\n') return {};
        return next();
    }
    void skipLine()
    {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
    }
    int line() const { return line_ + 1; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 0;
};

// A whole word as a number in [low, high].
std::optional<int> wholeNumber(std::string_view word, int low, int high)
{
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size() || value < low || value > high) return std::nullopt;
    return value;
}

void distribute(CharacterModel& character, const AnimationInfo& animation)
{
    if (animation.name.find("BOTH") != std::string::npos) {
        character.upper.animations.push_back(animation);
        character.lower.animations.push_back(animation);
    } else if (animation.name.find("TORSO") != std::string::npos) {
        character.upper.animations.push_back(animation);
    } else if (animation.name.find("LEGS") != std::string::npos) {
        character.lower.animations.push_back(animation);
    }
}

}  // namespace

CharacterModel::CharacterModel(const CharacterModel& other)
    : textureNames(other.textureNames), textureFiles(other.textureFiles), head(other.head), upper(other.upper),
      lower(other.lower)
{
    for (MeshModel* model : {&head, &upper, &lower}) {
        for (MeshModel*& link : model->links) link = remapped(link, other, *this);
    }
}

CharacterModel& CharacterModel::operator=(const CharacterModel& other)
{
    if (this == &other) return *this;
    textureNames = other.textureNames;
    textureFiles = other.textureFiles;
    head = other.head;
    upper = other.upper;
    lower = other.lower;
    for (MeshModel* model : {&head, &upper, &lower}) {
        for (MeshModel*& link : model->links) link = remapped(link, other, *this);
    }
    return *this;
}

MeshModel& characterPart(CharacterModel& character, int part)
{
    if (part == 0) return character.lower;
    if (part == 1) return character.upper;
    return character.head;
}

const MeshModel& characterPart(const CharacterModel& character, int part)
{
    return characterPart(const_cast<CharacterModel&>(character), part);
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

bool loadCharacter(CharacterModel& character, const char* folder, const char* base)
{
    if (folder == nullptr || base == nullptr) return false;
    const std::string b = base;
    const auto lowerMd3 = pathIn(folder, b + "_lower.md3");
    const auto upperMd3 = pathIn(folder, b + "_upper.md3");
    const auto headMd3 = pathIn(folder, b + "_head.md3");
    const auto lowerSkin = pathIn(folder, b + "_lower.skin");
    const auto upperSkin = pathIn(folder, b + "_upper.skin");
    const auto headSkin = pathIn(folder, b + "_head.skin");
    const auto animations = pathIn(folder, b + "_animation.cfg");
    if (!lowerMd3 || !upperMd3 || !headMd3 || !lowerSkin || !upperSkin || !headSkin || !animations) return false;

    if (!importMd3(character.head, *headMd3) || !importMd3(character.upper, *upperMd3) ||
        !importMd3(character.lower, *lowerMd3)) {
        return false;
    }
    if (!loadSkin(&character.lower, lowerSkin->c_str()) || !loadSkin(&character.upper, upperSkin->c_str()) ||
        !loadSkin(&character.head, headSkin->c_str())) {
        return false;
    }
    // A texture that does not fit leaves its meshes untextured; the rest loads.
    loadCharacterTextures(character, character.lower, folder);
    loadCharacterTextures(character, character.upper, folder);
    loadCharacterTextures(character, character.head, folder);
    if (!loadAnimations(character, animations->c_str())) return false;
    linkModel(&character.lower, &character.upper, "tag_torso");
    return true;
}

bool loadSkin(MeshModel* model, const char* path)
{
    if (model == nullptr || path == nullptr) return false;
    const std::optional<std::string> text = readText(path);
    if (!text) {
        showMessageBox("Error", std::string("Unable to find the file: ") + path + "!");
        return false;
    }
    const bool applied = applySkin(*model, *text);
    // A damaged skin file names no texture for some meshes; they would be
    // drawn untextured without a word.
    for (const MeshObject& object : model->objects) {
        if (!object.textured && !object.name.empty())
            std::fprintf(stderr, "%s: no line names the mesh %s; it is drawn untextured\n", path, object.name.c_str());
    }
    return applied;
}

bool applySkin(MeshModel& model, std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        // The file name is the text after the last "/" (one in the first
        // place does not count), else the whole line.
        const std::size_t slash = line.rfind('/');
        const std::string_view file = (slash == std::string_view::npos || slash == 0) ? line : line.substr(slash + 1);
        for (MeshObject& object : model.objects) {
            if (object.name.empty() || line.find(object.name) == std::string_view::npos) continue;
            if (model.materials.size() >= kMaxSkinMaterials) {
                std::fprintf(stderr, "Skin gives its model more than %zu materials; the rest of it is ignored\n",
                             kMaxSkinMaterials);
                return true;
            }
            if (file.size() > kCharacterNameLimit) {
                std::fprintf(stderr, "Skin texture name too long (over %zu characters) for mesh %s; line ignored\n",
                             kCharacterNameLimit, object.name.c_str());
                break;
            }
            MeshMaterial material;
            material.textureFileName = std::string(file);
            model.materials.push_back(std::move(material));
            object.materialIndex = model.materialCount;
            object.textured = true;
            model.materialCount += 1;
        }
    }
    return true;
}

bool loadCharacterTextures(CharacterModel& character, MeshModel& model, const char* folder)
{
    if (folder == nullptr) return false;
    bool allLoaded = true;
    for (MeshMaterial& material : model.materials) {
        if (material.textureFileName.empty()) continue;
        bool known = false;
        for (std::size_t j = 0; j < character.textureFiles.size(); ++j) {
            if (character.textureFiles[j] == material.textureFileName) {
                material.textureIndex = static_cast<std::int32_t>(j);
                known = true;
                break;
            }
        }
        if (known) continue;
        const std::size_t slot = character.textureFiles.size();
        const std::optional<std::string> path = pathIn(folder, material.textureFileName);
        if (slot >= kCharacterTextureSlots || !path) {
            if (slot >= kCharacterTextureSlots) {
                std::fprintf(stderr, "More than %zu character textures; %s is not loaded\n", kCharacterTextureSlots,
                             material.textureFileName.c_str());
            }
            material.textureIndex = -1;  // drawn untextured
            allLoaded = false;
            continue;
        }
        loadBmpTexture(character.textureNames, path->c_str(), static_cast<int>(slot));
        material.textureIndex = static_cast<std::int32_t>(slot);
        character.textureFiles.push_back(material.textureFileName);
    }
    return allLoaded;
}

bool loadAnimations(CharacterModel& character, const char* path)
{
    if (path == nullptr) return false;
    const std::optional<std::string> text = readText(path);
    if (!text) {
        showMessageBox("Error", std::string("Unable to find the file: ") + path + "!");
        return false;
    }
    const int ignored = readAnimations(character, *text);
    if (ignored > 0) std::fprintf(stderr, "%s: %d lines ignored\n", path, ignored);
    if (character.lower.animations.empty() && character.upper.animations.empty()) {
        showMessageBox("Error", std::string("No animation in the file: ") + path + "!");
    }
    return true;
}

int readAnimations(CharacterModel& character, std::string_view text)
{
    int ignored = 0;
    WordScanner words(text);
    for (std::string_view word = words.next(); !word.empty(); word = words.next()) {
        if (!std::isdigit(static_cast<unsigned char>(word[0]))) {
            words.skipLine();  // comments and keyword lines
            continue;
        }
        const int line = words.line();
        std::size_t digits = 0;
        while (digits < word.size() && std::isdigit(static_cast<unsigned char>(word[digits]))) ++digits;
        const std::optional<int> first = wholeNumber(word.substr(0, digits), 0, kAnimationFrameLimit);
        const std::optional<int> count = wholeNumber(words.nextOnLine(), 1, kAnimationFrameLimit);
        const std::optional<int> looping = wholeNumber(words.nextOnLine(), -kAnimationFrameLimit, kAnimationFrameLimit);
        const std::optional<int> rate = wholeNumber(words.nextOnLine(), 0, kAnimationFrameLimit);
        const std::string_view marker = words.nextOnLine();
        const std::string_view name = marker.empty() ? std::string_view{} : words.nextOnLine();
        words.skipLine();
        if (!first || !count || !looping || !rate || name.empty() || name.size() > kCharacterNameLimit) {
            std::fprintf(stderr, "Animation configuration line %d: needs first frame, frame count, looping frames, "
                                 "frames per second, a marker and a name within limits; line ignored\n",
                         line);
            ++ignored;
            continue;
        }
        AnimationInfo animation;
        animation.name = std::string(name);
        animation.firstFrame = *first;
        animation.endFrame = *first + *count;
        animation.loopingFrames = *looping;
        animation.framesPerSecond = *rate;
        distribute(character, animation);
    }
    for (MeshModel* model : {&character.lower, &character.upper, &character.head}) {
        model->animationCount = static_cast<std::int32_t>(model->animations.size());
    }
    return ignored;
}

void linkModel(MeshModel* model, MeshModel* attached, const char* tagName)
{
    if (model == nullptr || attached == nullptr || tagName == nullptr) return;
    const auto tagsInFrame = static_cast<std::size_t>(model->tagCount);
    for (std::size_t i = 0; i < tagsInFrame && i < model->tags.size() && i < model->links.size(); ++i) {
        if (sameNameIgnoringCase(model->tags[i].name.data(), tagName)) {
            model->links[i] = attached;
            return;
        }
    }
}
