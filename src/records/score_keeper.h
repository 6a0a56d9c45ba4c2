#pragma once
// Follows the game for the end of each game (a lost round, or escape from a
// round) and enters it into the score table; keeps what the lost-round
// screen shows of the table.
#include "records/score_table.h"

#include <array>
#include <filesystem>

class ReplayRecorder;

struct ScoreOverlayRow {
    std::array<char, 16> rank{};
    std::array<char, 16> score{};
    std::array<char, 24> level{};
    std::array<char, 12> date{};
    bool marked = false;  // this game's entry
};

// The table as the lost-round screen shows it, formatted once when the game
// is entered, so that drawing it formats nothing.
struct ScoreOverlay {
    bool ready = false;  // the table of the game just lost
    int rowCount = 0;
    std::array<ScoreOverlayRow, kScoreTableSize> rows{};
    std::array<char, 112> note{};  // a line below the rows, or empty
};

// Turns score keeping on, with the table at tablePath; with a recorder, the
// replays of games that make the table are kept beside it.
void enableScoreKeeping(const std::filesystem::path& tablePath, ReplayRecorder* recorder);

// At every key event and after every tick: notes when a game ends.
void followGameForScores();

// At the end of every frame and at exit: enters the game that ended, if any.
void enterEndedGame();

const ScoreOverlay& scoreOverlay();

// --scores: prints the table; the process's exit status.
int printScoreTable();
