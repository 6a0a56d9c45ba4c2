#pragma once
// Runs driven by the command line rather than a person: the script's keys
// and pad events, the frame limit, screenshots, the trace, and the autopilot
// with its round log and summary. The game's rules never see them: keys
// reach the game through the keyboard callbacks, time through the clock
// module, and each piece below is plugged into one of the game's seams by
// the composition root.
#include "command_line/options.h"

#include <string>

// Reads the script (a bad one ends the process as a bad command line does).
// Before the sound controls and the pad start.
void loadScript(const Options& options);

// With pad events in the script: attaches the virtual controller (after the
// gamepad started); without one the run cannot go on.
void attachScriptedPadWhenUsed(const Options& options);

// The screenshots, the trace, the autopilot and its summary. Output paths are
// taken relative to startFolder. A bad value ends the process with
// kExitBadOptions.
void setUpRunOutputs(const Options& options, const std::string& startFolder);

// The main loop's frame observers.
void stopAtFrameLimit(long lastFrame);    // before a frame: --frames reached
void deliverScriptFrame(long frame);      // at frame start: the script's events
void playAutopilotFrame(long frame);      // at frame start, after the script and the pad
void writeTraceTick(long frame);          // after the tick
void followAutopilotRounds(long frame);   // after the tick: round log, summary, --rounds

// The before-present handler: the screenshots asked for this frame.
void takeScreenshots();

// Exit steps: the autopilot's rounds on standard output and in the summary;
// the trace's last line to the disk.
void writeAutopilotSummary();
void closeTrace();
