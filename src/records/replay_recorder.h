#pragma once
// Recording a game (--record): the items of each frame gather in a fixed
// line buffer and go to the file with one write when the frame ends, so a
// game that is killed keeps its replay up to its last frame, and recording
// allocates nothing while the game runs.
#include "records/replay_format.h"
#include "platform/clock.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// Room for the items of one line; a frame with more continues on another line.
constexpr std::size_t kRecorderLineCapacity = 8192;

class ReplayRecorder {
public:
    ReplayRecorder() = default;
    ~ReplayRecorder();
    ReplayRecorder(const ReplayRecorder&) = delete;
    ReplayRecorder& operator=(const ReplayRecorder&) = delete;

    // Creates the file; false with the reason when it cannot be written.
    bool open(const std::string& path, const ReplayHeader& header, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    // The video mode of the run, when it is known (before the first frame).
    void setVideoMode(bool windowed, const std::string& mode);
    // The player's sound levels at the start, before the header is written.
    void setSoundLevels(bool music, int volume);
    // Writes the header unless it is written already.
    void writeHeader();

    void noteInput(ReplayItemKind kind, int detail, std::int64_t value);
    void noteReading(ReplayItemKind kind, std::int64_t value);
    void noteSeed(std::uint32_t state);
    void noteTickStart() { ++ticks_; }

    // The frame is over: its line goes to the file, if it has items.
    void endFrame();
    long currentFrame() const { return frame_; }

    // At exit: the items of the unfinished frame and the end line.
    void finish();

    // The recording so far, closed with an end line, written atomically to
    // target. Refused (false, with the reason) once a write has failed, as the
    // file then lacks frames or ends inside a line, and when the file does not
    // read back as written.
    bool copyTo(const std::string& target, std::string& error) const;

    std::uint64_t bytesWritten() const { return bytes_; }
    // A write failed: the file stops at cutFrame(), perhaps inside a line.
    bool cut() const { return cut_; }
    long cutFrame() const { return cutFrame_; }

private:
    void append(char letter, std::int64_t number);
    void appendNumber(std::int64_t number);
    void startLineIfEmpty();
    void writeLine();
    void writeBytes(const char* data, std::size_t size);

    std::FILE* file_ = nullptr;
    std::string path_;
    ReplayHeader header_;
    bool headerWritten_ = false;
    bool finished_ = false;
    bool cut_ = false;
    long cutFrame_ = 0;
    std::array<char, kRecorderLineCapacity> line_{};
    std::size_t length_ = 0;
    long frame_ = 1;  // the frame the gathered items belong to
    long ticks_ = 0;  // ticks started
    std::array<std::int64_t, kReplayItemKindCount> lastReading_{};
    std::uint64_t bytes_ = 0;
};

// Passes every reading of the clock beneath it on to the game and to the recorder.
class RecordingClock final : public ClockSource {
public:
    RecordingClock(ClockSource& inner, ReplayRecorder& recorder) : inner_(&inner), recorder_(&recorder) {}
    std::int64_t counterFrequency() const override;
    std::int64_t counterReading() const override;
    std::uint32_t processMilliseconds() const override;
    std::uint32_t tickCountMilliseconds() const override;
    std::int64_t calendarSeconds() const override;
    void advanceTick() override;

private:
    ClockSource* inner_;
    ReplayRecorder* recorder_;
};
