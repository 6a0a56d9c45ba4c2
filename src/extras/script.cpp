#include "extras/script.h"

#include "app/keyboard.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

struct NamedKey {
    const char* name;
    bool special;
    int code;
};

constexpr std::array<NamedKey, 9> kNamedKeys{{
    {"space", false, ' '},
    {"escape", false, 27},
    {"left", true, GLUT_KEY_LEFT},
    {"right", true, GLUT_KEY_RIGHT},
    {"up", true, GLUT_KEY_UP},
    {"down", true, GLUT_KEY_DOWN},
    {"pageup", true, GLUT_KEY_PAGE_UP},
    {"pagedown", true, GLUT_KEY_PAGE_DOWN},
    {"home", true, GLUT_KEY_HOME},
}};

bool parseKey(const std::string& word, ScriptEvent& event)
{
    for (const NamedKey& named : kNamedKeys) {
        if (word == named.name) {
            event.special = named.special;
            event.key = named.code;
            return true;
        }
    }
    if (word.size() == 1 && word[0] > ' ' && word[0] < 127) {
        event.special = false;
        event.key = static_cast<unsigned char>(word[0]);
        return true;
    }
    return false;
}

}  // namespace

ScriptParseResult parseScript(const std::string& text)
{
    ScriptParseResult result;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string frameWord, actionWord, keyWord, extra;
        if (!(words >> frameWord)) continue;  // blank or comment line
        auto fail = [&](const std::string& what) {
            result.ok = false;
            result.error = "script line " + std::to_string(lineNumber) + ": " + what;
            return result;
        };
        if (!(words >> actionWord >> keyWord) || (words >> extra))
            return fail("expected 'FRAME press|release KEY'");
        char* end = nullptr;
        errno = 0;
        const long frame = std::strtol(frameWord.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || frame < 1) return fail("frame must be a whole number of at least 1");
        ScriptEvent event;
        event.frame = frame;
        if (actionWord == "press") event.press = true;
        else if (actionWord == "release") event.press = false;
        else return fail("action must be 'press' or 'release', got '" + actionWord + "'");
        if (!parseKey(keyWord, event)) return fail("unknown key '" + keyWord + "'");
        result.events.push_back(event);
    }
    std::stable_sort(result.events.begin(), result.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    result.ok = true;
    return result;
}

void deliverScriptEvents(const std::vector<ScriptEvent>& events, std::size_t& cursor, long frame)
{
    while (cursor < events.size() && events[cursor].frame <= frame) {
        const ScriptEvent& event = events[cursor++];
        if (event.frame < frame) continue;  // a frame already passed
        if (event.special) {
            if (event.press) onSpecialKey(event.key, 0, 0);
            else onSpecialKeyUp(event.key, 0, 0);
        } else {
            const auto key = static_cast<unsigned char>(event.key);
            if (event.press) onKey(key, 0, 0);
            else onKeyUp(key, 0, 0);
        }
    }
}
