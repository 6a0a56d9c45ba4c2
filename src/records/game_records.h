#pragma once
// Records of real games beyond the rules: the replay being recorded
// (--record) or played (--replay), and the table of the best scores. They
// meet the game only at its seams: the gate of the keyboard callbacks, the
// other-input seam, the clock in force, the seeding of the random source,
// and the run driver's frame.
#include "command_line/options.h"

#include <string>

// From the command line, after the clock and the seed are set up and before
// the window opens. A replay that cannot be read or is refused, or a
// recording that cannot be written, ends the process as a bad command line
// does. A replay's header sets the window (options.windowed).
void setUpGameRecords(Options& options, const std::string& startFolder);

// The video mode of the run: a replay's own, else the configured one, which
// a recording notes in its header.
std::string settleVideoMode(const std::string& configured, bool windowed);

// Recording and replaying draw every tick in the run driver, so that a
// frame's readings always come in the same order.
bool gameRecordsDrawEveryTick();

// Around each frame of the run driver: at its start (the frame number just
// counted), after the game tick, and at its end (after drawing).
void gameRecordsFrameStart(long frame);
void gameRecordsAfterTick();
void gameRecordsFrameEnd(long frame);

// --scores: prints the table; the exit status.
int printScores();
