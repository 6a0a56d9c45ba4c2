#pragma once
// Playing a replay (--replay): each frame's recorded keys and other input
// events go through the same callbacks as live ones, and every clock reading
// the game takes is answered from the file. The replay never runs past its
// data: when the game wants something the file does not hold, it stops and
// says where. A replay never ends the process itself: it reports why it
// stops and asks for the stop, which ends the run at the next frame boundary;
// until then every reading is answered with the last one of its kind.
#include "records/replay_format.h"
#include "platform/clock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Exit status of a replay that went out of step with the game (a recording
// of another version of the game, or one whose readings were changed).
constexpr int kExitReplayOutOfStep = 3;

class ReplayPlayer;

// Answers every reading from the replay.
class ReplayClock final : public ClockSource {
public:
    explicit ReplayClock(ReplayPlayer& player) : player_(&player) {}
    std::int64_t counterFrequency() const override;
    std::int64_t counterReading() const override;
    std::uint32_t processMilliseconds() const override;
    std::uint32_t tickCountMilliseconds() const override;
    std::int64_t calendarSeconds() const override;

private:
    ReplayPlayer* player_;
};

// What the player hands its input events to, and how a replay ends.
struct ReplayHooks {
    void (*deliverKey)(ReplayItemKind kind, int key) = nullptr;
    // False when the game knows no input of that kind.
    bool (*deliverOtherInput)(int kind, int value) = nullptr;
    // Reports the message (standard output for status 0, standard error
    // otherwise) and asks for the run to end with the status at the next
    // frame boundary; returns.
    void (*endRun)(int status, const std::string& message) = nullptr;
};

class ReplayPlayer {
public:
    // Takes the file's bytes and what parseReplay found in them; the items
    // are read from the bytes frame by frame as the game takes them. name is
    // how messages call it.
    ReplayPlayer(std::vector<std::uint8_t> bytes, ReplayData data, std::string name, ReplayHooks hooks);
    // Its clock points back at it.
    ReplayPlayer(const ReplayPlayer&) = delete;
    ReplayPlayer& operator=(const ReplayPlayer&) = delete;

    const ReplayHeader& header() const { return data_.header; }
    ClockSource& clock() { return clock_; }

    // Frame start: delivers the frame's input events, up to its first reading.
    // Ends the run once the recorded frames are over.
    void beginFrame(long frame);
    // Frame end: every item of the frame must have been taken.
    void endFrame(long frame);

    // The game reads a clock.
    std::int64_t takeReading(ReplayItemKind kind);
    // The game seeded its random source.
    void checkSeed(std::uint32_t state);

    // True while the player itself delivers an input event.
    bool delivering() const { return delivering_; }
    // A live escape: the replay ends.
    void stopByEscape();
    // The replay has asked for the run to end.
    bool stopped() const { return stopped_; }

    long lastFrameToPlay() const { return lastFrame_; }

private:
    void outOfStep(const std::string& what);
    void finish();
    void stop(int status, const std::string& message);
    std::string nextItemText() const;
    // The next item of the frame into next_, if it has one.
    void advance();

    const std::vector<std::uint8_t> bytes_;
    const ReplayData data_;
    ReplayFrameReader reader_;
    std::string name_;
    ReplayHooks hooks_;
    ReplayClock clock_{*this};
    long lastFrame_ = 0;        // the last frame that plays
    long frame_ = 0;            // the frame being played
    bool frameRecorded_ = false;  // the file holds items of this frame
    bool hasNext_ = false;      // next_ is the frame's next item, not yet taken
    ReplayItem next_;
    std::uint32_t lastLine_ = 0;  // of the frame's last item taken
    bool delivering_ = false;
    bool stopped_ = false;
    // The last reading of each kind, the answer once stopped.
    std::array<std::int64_t, kReplayItemKindCount> lastReadings_{};
};
