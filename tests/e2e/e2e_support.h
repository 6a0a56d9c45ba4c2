#pragma once
// Running the real game under the test display with a key script, reading
// its trace and screenshots.
#include "test_support.h"

#include <string>
#include <vector>

namespace e2e {

struct GameRun {
    int exitStatus = -1;
    std::string output;               // standard output and error
    std::vector<std::string> trace;   // one JSON line per tick
};

// Runs the game with --windowed --no-dialogs --no-vsync, the given script and
// extra options, and a trace in dir; a game that ends enters a score table in dir.
GameRun runGame(const testsupport::TempDir& dir, const std::string& script, const std::string& extraOptions);

// The text of a string field or the number of a numeric field: the first
// occurrence of "key" in the line.
// The non-empty lines of a trace file the game wrote.
std::vector<std::string> traceLines(const std::string& path);

std::string stringField(const std::string& line, const std::string& key);
double numberField(const std::string& line, const std::string& key);

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    bool valid() const { return width > 0; }
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

Picture loadPng(const std::string& path);

}  // namespace e2e
