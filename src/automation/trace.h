#pragma once
// The trace of an automated run: one JSON object per tick (JSON Lines) with
// the state of the game after that tick.
#include <cstdio>
#include <string>

class TraceWriter {
public:
    TraceWriter() = default;
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // False when the file cannot be created.
    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    // Writes the line of one tick.
    void writeTick(long frame);
    void close();

private:
    std::FILE* file_ = nullptr;
    std::string line_;  // reused for every line
};

// The JSON object of the current game state for the given frame (no newline).
void formatTraceLine(long frame, std::string& out);
