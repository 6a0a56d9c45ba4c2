#pragma once
// Scripted input for automated runs, by frame, '#' comments:
//   FRAME press|release KEY        a key, through the keyboard callbacks
//   FRAME pad press|release BUTTON a button of the virtual controller
//   FRAME pad axis AXIS VALUE      an axis of it, VALUE from -32768 to 32767
//   FRAME pad unplug|plug          the virtual controller goes and comes back
// Buttons and axes have SDL's names (a, b, x, y, back, start, dpup, ...,
// leftx, lefty, rightx, righty, ...). Events of frame F are delivered before
// tick F; the pad's reach the game through SDL in the same frame, after the
// keys of that frame.
#include <cstdint>
#include <string>
#include <vector>

enum class ScriptEventKind : std::uint8_t { Key, PadButton, PadAxis, PadPlug, PadUnplug };

struct ScriptEvent {
    long frame = 0;
    ScriptEventKind kind = ScriptEventKind::Key;
    bool press = true;     // key or button
    bool special = false;  // a GLUT special key (arrows, page up, F1, ...)
    int key = 0;           // character code, GLUT special-key code, or SDL button or axis
    int value = 0;         // axis value
};

struct ScriptParseResult {
    bool ok = false;
    std::vector<ScriptEvent> events;  // in frame order, file order within a frame
    std::string error;
};

ScriptParseResult parseScript(const std::string& text);

// True when the script has pad events (the run then attaches the virtual controller).
bool scriptUsesPad(const std::vector<ScriptEvent>& events);

// Delivers every event of the given frame: keys through the keyboard
// callbacks, pad events to the virtual controller. cursor keeps the position
// in the event list between calls.
void deliverScriptEvents(const std::vector<ScriptEvent>& events, std::size_t& cursor, long frame);
