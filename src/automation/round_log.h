#pragma once
// The log of the rounds played in a run: for each round its level, how it
// ended, the score, the seconds it lasted, the moles beaten, the flowers
// lost, the rakes set off and the memory it left behind. Fed after every
// tick; printed as text lines and written as JSON.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class RoundResult { Won, Lost, Abandoned, Unfinished };

// "won", "lost", "abandoned" (left with escape), "unfinished" (the run ended first).
const char* roundResultName(RoundResult result);

struct RoundRecord {
    int level = 0;
    RoundResult result = RoundResult::Unfinished;
    int score = 0;
    double seconds = 0.0;  // of play, summed tick lengths
    int molesBeaten = 0;
    int flowersLost = 0;
    int rakesSetOff = 0;
    // Memory after the round: taken when the next round has been set up, so
    // every round is measured in the same state of the game (a fresh bed,
    // fresh moles, the gardener idle); at the round's end while none has
    // followed.
    std::int64_t residentBytes = 0;
    std::int64_t heapBytes = 0;  // of them, handed out by the heap
    bool memoryAtNextSetUp = false;
};

class RoundLog {
public:
    RoundLog();
    // Called before memory is measured: the GL driver holds its binning
    // memory until the frames sent are drawn, so the game passes glFinish.
    void setBeforeMeasuring(void (*settle)()) { settle_ = settle; }
    // After every tick: notes round starts and ends and counts what happened.
    void observeTick();
    // The rounds that have ended.
    const std::vector<RoundRecord>& rounds() const { return rounds_; }
    int finishedRounds() const { return static_cast<int>(rounds_.size()); }
    // The last ended round's memory was taken at the next round's set-up.
    bool lastRoundMeasuredAtNextSetUp() const { return !rounds_.empty() && rounds_.back().memoryAtNextSetUp; }
    // The ended rounds and, if one is running, that one as unfinished.
    std::vector<RoundRecord> roundsSoFar() const;

private:
    std::vector<RoundRecord> rounds_;
    RoundRecord current_;
    bool inRound_ = false;
    int lastState_ = 0;
    std::vector<bool> rakeSwinging_;
    void (*settle_)() = nullptr;
    void measureMemory(RoundRecord& round) const;
};

// One text line per round.
std::string formatRoundLine(int number, const RoundRecord& round);
// The rounds as one JSON array, one record per line.
std::string formatRoundsJson(const std::vector<RoundRecord>& rounds);
