#pragma once
// Scripted keyboard input for automated runs: "FRAME press|release KEY"
// lines, '#' comments. Events of frame F are delivered before tick F.
#include <string>
#include <vector>

struct ScriptEvent {
    long frame = 0;
    bool press = true;
    bool special = false;  // a GLUT special key (arrows, page up, ...)
    int key = 0;           // character code or GLUT special-key code
};

struct ScriptParseResult {
    bool ok = false;
    std::vector<ScriptEvent> events;  // in frame order, file order within a frame
    std::string error;
};

ScriptParseResult parseScript(const std::string& text);

// Delivers every event of the given frame through the keyboard callbacks.
// cursor keeps the position in the event list between calls.
void deliverScriptEvents(const std::vector<ScriptEvent>& events, std::size_t& cursor, long frame);
