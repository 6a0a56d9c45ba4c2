#include "parsing/key_names.h"

#include <GL/freeglut.h>

#include <array>

namespace {

struct NamedKey {
    const char* name;
    KeyCode key;
};

constexpr int kFunctionKeys = 12;  // f1 to f12
constexpr char kFirstNamedCharacter = '!';
constexpr char kLastNamedCharacter = '~';

constexpr std::array<NamedKey, 9> kNamedKeys{{
    {"space", {false, ' '}},
    {"escape", {false, 27}},
    {"left", {true, GLUT_KEY_LEFT}},
    {"right", {true, GLUT_KEY_RIGHT}},
    {"up", {true, GLUT_KEY_UP}},
    {"down", {true, GLUT_KEY_DOWN}},
    {"pageup", {true, GLUT_KEY_PAGE_UP}},
    {"pagedown", {true, GLUT_KEY_PAGE_DOWN}},
    {"home", {true, GLUT_KEY_HOME}},
}};

}  // namespace

std::optional<KeyCode> keyFromName(std::string_view name)
{
    for (const NamedKey& named : kNamedKeys) {
        if (name == named.name) return named.key;
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f') {
        for (int number = 1; number <= kFunctionKeys; ++number) {
            if (name.substr(1) == std::to_string(number)) return KeyCode{true, GLUT_KEY_F1 + number - 1};
        }
    }
    if (name.size() == 1 && name[0] >= kFirstNamedCharacter && name[0] <= kLastNamedCharacter) {
        return KeyCode{false, static_cast<unsigned char>(name[0])};
    }
    return std::nullopt;
}

std::string keyName(KeyCode key)
{
    for (const NamedKey& named : kNamedKeys) {
        if (named.key == key) return named.name;
    }
    if (key.special && key.code >= GLUT_KEY_F1 && key.code < GLUT_KEY_F1 + kFunctionKeys) {
        return "f" + std::to_string(key.code - GLUT_KEY_F1 + 1);
    }
    if (!key.special && key.code >= kFirstNamedCharacter && key.code <= kLastNamedCharacter) {
        return std::string(1, static_cast<char>(key.code));
    }
    return {};
}
