#include "automation/script.h"

#include "app/keyboard.h"
#include "conveniences/gamepad.h"
#include "parsing/key_names.h"
#include "parsing/numbers.h"
#include "parsing/words.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <utility>

namespace {

constexpr long kAxisLeast = -32768;
constexpr long kAxisMost = 32767;

bool parseKey(const std::string& word, ScriptEvent& event)
{
    const std::optional<KeyCode> key = keyFromName(word);
    if (!key) return false;
    event.special = key->special;
    event.key = key->code;
    return true;
}

bool parseWholeNumber(const std::string& word, long least, long most, long& out)
{
    const std::optional<std::int64_t> value = readWholeNumber(word, least, most);
    if (value) out = static_cast<long>(*value);
    return value.has_value();
}

// The words after "FRAME pad"; an empty text when they are good, else what is wrong.
std::string parsePadEvent(const std::vector<std::string>& words, ScriptEvent& event)
{
    const std::string expected = "expected 'FRAME pad press|release BUTTON', 'FRAME pad axis AXIS VALUE' or 'FRAME pad unplug|plug'";
    if (words.empty()) return expected;
    const std::string& action = words[0];
    if (action == "plug" || action == "unplug") {
        if (words.size() != 1) return expected;
        event.kind = action == "plug" ? ScriptEventKind::PadPlug : ScriptEventKind::PadUnplug;
        return {};
    }
    if (action == "press" || action == "release") {
        if (words.size() != 2) return expected;
        const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(words[1].c_str());
        if (button == SDL_CONTROLLER_BUTTON_INVALID) return "unknown pad button '" + words[1] + "'";
        event.kind = ScriptEventKind::PadButton;
        event.press = action == "press";
        event.key = button;
        return {};
    }
    if (action == "axis") {
        if (words.size() != 3) return expected;
        const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(words[1].c_str());
        if (axis == SDL_CONTROLLER_AXIS_INVALID) return "unknown pad axis '" + words[1] + "'";
        long value = 0;
        if (!parseWholeNumber(words[2], kAxisLeast, kAxisMost, value))
            return "an axis value is a whole number from -32768 to 32767, got '" + words[2] + "'";
        event.kind = ScriptEventKind::PadAxis;
        event.key = axis;
        event.value = static_cast<int>(value);
        return {};
    }
    return "pad action must be press, release, axis, unplug or plug, got '" + action + "'";
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
        std::vector<std::string> words;
        WordReader wordReader(line, WordGap::Blanks);
        for (std::string_view word; wordReader.next(word);) words.emplace_back(word);
        if (words.empty()) continue;  // blank or comment line
        auto fail = [&](const std::string& what) {
            result.ok = false;
            result.error = "script line " + std::to_string(lineNumber) + ": " + what;
            return result;
        };
        long frame = 0;
        if (!parseWholeNumber(words[0], 1, std::numeric_limits<long>::max(), frame))
            return fail("frame must be a whole number of at least 1");
        ScriptEvent event;
        event.frame = frame;
        if (words.size() >= 2 && words[1] == "pad") {
            const std::string fault = parsePadEvent({words.begin() + 2, words.end()}, event);
            if (!fault.empty()) return fail(fault);
            result.events.push_back(event);
            continue;
        }
        if (words.size() != 3) return fail("expected 'FRAME press|release KEY'");
        const std::string& actionWord = words[1];
        const std::string& keyWord = words[2];
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

bool scriptUsesPad(const std::vector<ScriptEvent>& events)
{
    return std::any_of(events.begin(), events.end(),
                       [](const ScriptEvent& event) { return event.kind != ScriptEventKind::Key; });
}

void deliverScriptEvents(const std::vector<ScriptEvent>& events, std::size_t& cursor, long frame)
{
    while (cursor < events.size() && events[cursor].frame <= frame) {
        const ScriptEvent& event = events[cursor++];
        if (event.frame < frame) continue;  // a frame already passed
        switch (event.kind) {
        case ScriptEventKind::PadButton: setScriptedPadButton(event.key, event.press); continue;
        case ScriptEventKind::PadAxis: setScriptedPadAxis(event.key, event.value); continue;
        case ScriptEventKind::PadUnplug: detachScriptedPad(); continue;
        case ScriptEventKind::PadPlug: {
            std::string error;
            if (!attachScriptedPad(error)) std::fprintf(stderr, "burrik: the script's pad cannot be plugged in: %s\n", error.c_str());
            continue;
        }
        case ScriptEventKind::Key: break;
        }
        // A script's key is one the player pressed: it passes the player's bindings.
        if (event.special) deliverPlayerKeyEvent(event.press ? KeyEventKind::SpecialKey : KeyEventKind::SpecialKeyUp, event.key);
        else deliverPlayerKeyEvent(event.press ? KeyEventKind::Key : KeyEventKind::KeyUp, event.key);
    }
}
