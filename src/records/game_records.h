#pragma once
// Records of real games beyond the rules: the replay being recorded
// (--record) or played (--replay), and the table of the best scores. They
// meet the game only at its seams, where the composition root plugs them in:
// a key filter, the other-input gate, the clock in force, the seeding of the
// random source, the main loop's frame observers and an exit step.
#include "app/keyboard.h"
#include "command_line/options.h"
#include "records/replay_format.h"

#include <optional>
#include <string>

// From the command line, after the clock and the seed are set up and before
// the window opens. A replay that cannot be read or is refused, or a
// recording that cannot be written, ends the process as a bad command line
// does. A replay's header sets the window (options.windowed).
void setUpGameRecords(Options& options, const std::string& startFolder);

// The sound levels a replay starts from (none in the older versions, which
// start from the watcher's), and the levels a recording notes as its own.
std::optional<ReplaySoundLevels> replayedSoundLevels();
void noteRecordedSoundLevels(bool music, int volume);

// The video mode of the run: a replay's own, else the configured one, which
// a recording notes in its header.
std::string settleVideoMode(const std::string& configured, bool windowed);

// Recording and replaying draw every tick in the run driver, so that a
// frame's readings always come in the same order.
bool gameRecordsDrawEveryTick();

// The main loop's frame observers: at its start (a replay's input of the
// frame), after the game tick, and at its end (after drawing).
void gameRecordsFrameStart(long frame);
void gameRecordsAfterTick(long frame);
void gameRecordsFrameEnd(long frame);

// The key filter, first of all: a recording notes every key event, a replay
// lets through only its own (a live escape ends it).
bool passRecordedKeys(KeyEventKind kind, int key);

// The other-input gate: a recording notes the event, a replay drops it.
bool passRecordedOtherInput(int kind, int value);

// The exit step: the recording's last frame and end line, then the game that
// ended (whose kept replay then ends with the same line).
void finishRecords();

// --scores: prints the table; the exit status.
int printScores();
