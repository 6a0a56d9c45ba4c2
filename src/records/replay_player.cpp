#include "records/replay_player.h"

#include <utility>

std::int64_t ReplayClock::counterFrequency() const { return player_->takeReading(ReplayItemKind::CounterFrequency); }
std::int64_t ReplayClock::counterReading() const { return player_->takeReading(ReplayItemKind::Counter); }
std::uint32_t ReplayClock::processMilliseconds() const
{
    return static_cast<std::uint32_t>(player_->takeReading(ReplayItemKind::ProcessMilliseconds));
}
std::uint32_t ReplayClock::tickCountMilliseconds() const
{
    return static_cast<std::uint32_t>(player_->takeReading(ReplayItemKind::TickCountMilliseconds));
}
std::int64_t ReplayClock::calendarSeconds() const { return player_->takeReading(ReplayItemKind::CalendarSeconds); }

ReplayPlayer::ReplayPlayer(ReplayData data, std::string name, ReplayHooks hooks)
    : data_(std::move(data)), name_(std::move(name)), hooks_(hooks)
{
    if (data_.endTicks) lastFrame_ = *data_.endTicks;
    else if (!data_.frames.empty()) lastFrame_ = data_.frames.back().frame;
    lastReadings_[static_cast<std::size_t>(ReplayItemKind::CounterFrequency)] = 1;  // never a zero rate
}

void ReplayPlayer::beginFrame(long frame)
{
    if (stopped_) return;
    frame_ = frame;
    cursor_ = frameEnd_ = 0;
    if (frame > lastFrame_) return finish();
    if (nextFrame_ < data_.frames.size() && data_.frames[nextFrame_].frame < frame) {
        return outOfStep("frame " + std::to_string(data_.frames[nextFrame_].frame) + " of line " +
                         std::to_string(data_.frames[nextFrame_].line) + " was passed over");
    }
    if (nextFrame_ < data_.frames.size() && data_.frames[nextFrame_].frame == frame) {
        const ReplayFrame& entry = data_.frames[nextFrame_++];
        cursor_ = entry.firstItem;
        frameEnd_ = static_cast<std::size_t>(entry.firstItem) + entry.itemCount;
    }
    // The input comes first in a frame; readings taken while it is handled
    // are answered in between, and the first reading left over is the tick's.
    while (cursor_ < frameEnd_ && isReplayInput(data_.items[cursor_].kind)) {
        const ReplayItem item = data_.items[cursor_++];
        delivering_ = true;
        if (item.kind == ReplayItemKind::OtherInput) {
            if (hooks_.deliverOtherInput == nullptr || !hooks_.deliverOtherInput(item.detail, static_cast<int>(item.value))) {
                delivering_ = false;
                cursor_ -= 1;
                return outOfStep("the recording holds an input event of kind " + std::to_string(item.detail) +
                                 ", which this game does not know");
            }
        } else if (hooks_.deliverKey != nullptr) {
            hooks_.deliverKey(item.kind, static_cast<int>(item.value));
        }
        delivering_ = false;
        if (stopped_) return;  // the input ended the replay (escape in a menu)
    }
}

void ReplayPlayer::endFrame(long frame)
{
    if (stopped_) return;
    if (cursor_ < frameEnd_) return outOfStep("the game took less than the frame's line holds; next would be " + nextItemText());
    if (frame >= lastFrame_) finish();
}

std::int64_t ReplayPlayer::takeReading(ReplayItemKind kind)
{
    std::int64_t& last = lastReadings_[static_cast<std::size_t>(kind)];
    if (stopped_) return last;
    if (cursor_ < frameEnd_ && data_.items[cursor_].kind == kind) return last = data_.items[cursor_++].value;
    // The recording stopped inside its last frame (the game ended there).
    if (cursor_ >= frameEnd_ && frame_ == lastFrame_) finish();
    else outOfStep(std::string("the game read the ") + replayItemName(kind) + " where the recording holds " + nextItemText());
    return last;
}

void ReplayPlayer::checkSeed(std::uint32_t state)
{
    if (stopped_) return;
    if (cursor_ < frameEnd_ && data_.items[cursor_].kind == ReplayItemKind::Seed) {
        const std::int64_t recorded = data_.items[cursor_].value;
        if (recorded == static_cast<std::int64_t>(state)) {
            ++cursor_;
            return;
        }
        return outOfStep("the game seeded its random source with " + std::to_string(state) +
                         " where the recording holds " + std::to_string(recorded));
    }
    if (cursor_ >= frameEnd_ && frame_ == lastFrame_) return finish();
    outOfStep("the game seeded its random source where the recording holds " + nextItemText());
}

std::string ReplayPlayer::nextItemText() const
{
    if (cursor_ < frameEnd_) return std::string("the ") + replayItemName(data_.items[cursor_].kind);
    return "nothing more for this frame";
}

void ReplayPlayer::outOfStep(const std::string& what)
{
    std::string where;
    if (cursor_ < frameEnd_) where = "line " + std::to_string(data_.items[cursor_].line) + ", ";
    else if (frameEnd_ > 0) where = "line " + std::to_string(data_.items[frameEnd_ - 1].line) + ", ";
    where += "frame " + std::to_string(frame_);
    stop(kExitReplayOutOfStep, "replay " + name_ + " is out of step with the game at " + where + ": " + what);
}

void ReplayPlayer::finish()
{
    std::string message = "replay " + name_ + ": ";
    const std::string upTo = "frame " + std::to_string(lastFrame_);
    if (data_.endTicks) {
        message += "played to its end (" + upTo + ")";
    } else if (data_.cutShort) {
        message += "the file is cut short at line " + std::to_string(data_.cutLine) + "; played up to " + upTo +
                   ", its last whole line";
    } else {
        message += "the recording stops at " + upTo +
                   " without its end line (the game was stopped there); played up to there";
    }
    stop(0, message);
}

void ReplayPlayer::stopByEscape() { stop(0, "replay " + name_ + ": ended with escape at frame " + std::to_string(frame_)); }

void ReplayPlayer::stop(int status, const std::string& message)
{
    if (stopped_) return;
    stopped_ = true;
    hooks_.endRun(status, message);
}
