#include "automation/round_log.h"

#include "app/game_state.h"
#include "app/hud.h"
#include "app/tick.h"
#include "garden/flower_bed.h"
#include "garden/rake.h"
#include "platform/process.h"

#include <algorithm>

namespace {

// Rounds kept before the record list grows again.
constexpr std::size_t kReservedRounds = 4096;

int flowersGone()
{
    return static_cast<int>(std::count_if(flowerBed.begin(), flowerBed.end(), [](const Flower& flower) {
        return flowerState(flower) == FlowerState::Gone;
    }));
}

}  // namespace

void RoundLog::measureMemory(RoundRecord& round) const
{
    if (settle_) settle_();
    // Once the heap has handed back what is free: a peak of the GL driver's
    // threads is not memory kept.
    releaseFreeHeap();
    round.residentBytes = residentMemoryBytes();
    round.heapBytes = heapBytesInUse();
}

const char* roundResultName(RoundResult result)
{
    switch (result) {
    case RoundResult::Won: return "won";
    case RoundResult::Lost: return "lost";
    case RoundResult::Abandoned: return "abandoned";
    case RoundResult::Unfinished: return "unfinished";
    }
    return "unfinished";
}

RoundLog::RoundLog()
{
    rounds_.reserve(kReservedRounds);
    rakeSwinging_.assign(kRakeCount, false);
}

void RoundLog::observeTick()
{
    const int state = gameSession.gameState;
    // A round starts whenever play begins: from a menu, or after a win.
    if (state == Playing && lastState_ != Playing) {
        if (!rounds_.empty() && !rounds_.back().memoryAtNextSetUp) {
            measureMemory(rounds_.back());
            rounds_.back().memoryAtNextSetUp = true;
        }
        current_ = RoundRecord{};
        current_.level = gameSession.level;
        inRound_ = true;
        for (int i = 0; i < kRakeCount; ++i) rakeSwinging_[i] = rakes[i].swinging;
    }
    if (inRound_) {
        if (state == Playing || lastState_ == Playing) current_.seconds += frameSeconds;
        // A rake set off starts its swing.
        for (int i = 0; i < kRakeCount; ++i) {
            if (rakes[i].swinging && !rakeSwinging_[i]) current_.rakesSetOff += 1;
            rakeSwinging_[i] = rakes[i].swinging;
        }
        current_.score = hud.score;
        current_.molesBeaten = gameSession.moleCount - gameSession.molesLeft;
        current_.flowersLost = flowersGone();
        if (state != Playing) {
            current_.result = state == RoundWon    ? RoundResult::Won
                              : state == RoundLost ? RoundResult::Lost
                                                   : RoundResult::Abandoned;
            measureMemory(current_);
            rounds_.push_back(current_);
            inRound_ = false;
        }
    }
    lastState_ = state;
}

std::vector<RoundRecord> RoundLog::roundsSoFar() const
{
    std::vector<RoundRecord> all = rounds_;
    if (inRound_) {
        RoundRecord running = current_;
        running.result = RoundResult::Unfinished;
        measureMemory(running);
        all.push_back(running);
    }
    return all;
}

std::string formatRoundLine(int number, const RoundRecord& round)
{
    char line[256];
    std::snprintf(line, sizeof line,
                  "round %d: level %d, %s, score %d, %.2f s, moles beaten %d, flowers lost %d, rakes set off %d",
                  number, round.level, roundResultName(round.result), round.score, round.seconds, round.molesBeaten,
                  round.flowersLost, round.rakesSetOff);
    return line;
}

std::string formatRoundsJson(const std::vector<RoundRecord>& rounds)
{
    std::string text = "[";
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        const RoundRecord& round = rounds[i];
        char line[384];
        std::snprintf(line, sizeof line,
                      "%s\n{\"round\":%zu,\"level\":%d,\"result\":\"%s\",\"score\":%d,\"seconds\":%.3f,"
                      "\"molesBeaten\":%d,\"flowersLost\":%d,\"rakesSetOff\":%d,\"residentBytes\":%lld,\"heapBytes\":%lld,"
                      "\"memoryAt\":\"%s\"}",
                      i ? "," : "", i + 1, round.level, roundResultName(round.result), round.score, round.seconds,
                      round.molesBeaten, round.flowersLost, round.rakesSetOff,
                      static_cast<long long>(round.residentBytes), static_cast<long long>(round.heapBytes),
                      round.memoryAtNextSetUp ? "nextSetUp" : "roundEnd");
        text += line;
    }
    text += "\n]\n";
    return text;
}
