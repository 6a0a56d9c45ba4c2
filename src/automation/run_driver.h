#pragma once
// The driver around the game's own tick for every run: frame pacing, scripted
// keys, the autopilot, the trace, screenshots and the frame and round limits.
// The game's rules never see it: keys reach the game through the keyboard
// callbacks, time through the clock module.
#include "command_line/options.h"

// Takes the parsed command line: the seed, the clock, the script, the trace,
// the screenshot paths and the autopilot. Output paths are taken relative to
// startFolder. A bad value ends the process with kExitBadOptions.
void setUpRunDriver(const Options& options, const std::string& startFolder);

// The options in force.
const Options& runOptions();

// Automated runs draw every tick themselves instead of waiting for the
// toolkit's redraw (which skips a covered window).
bool drawsEveryTick();

// A run driven by a script, a frame limit, screenshots, the autopilot or a
// replay: it must not depend on the windows of the screen.
bool automatedRun();

// The idle callback: pacing, the script's and autopilot's keys, the tick,
// the trace, the limits and (in automated runs) the frame.
void runIdle();

// The display callback.
void runDisplay();

// Shows the drawn frame, writing the screenshots asked for this frame first.
void presentWithScreenshots();

// The window's size, for screenshots.
void noteWindowSize(int width, int height);

// The tick-rate cap (0: none).
void setTickRateCap(int ticksPerSecond);

// Ends the process with the bad-command-line status after the message.
[[noreturn]] void badCommandLine(const std::string& message);
