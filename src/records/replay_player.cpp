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

ReplayPlayer::ReplayPlayer(std::vector<std::uint8_t> bytes, ReplayData data, std::string name, ReplayHooks hooks)
    : bytes_(std::move(bytes)),
      data_(std::move(data)),
      reader_(bytes_.data(), bytes_.size(), data_),
      name_(std::move(name)),
      hooks_(hooks)
{
    if (data_.endTicks) lastFrame_ = *data_.endTicks;
    else lastFrame_ = data_.lastFrame;
    lastReadings_[static_cast<std::size_t>(ReplayItemKind::CounterFrequency)] = 1;  // never a zero rate
}

void ReplayPlayer::advance()
{
    if (hasNext_) lastLine_ = next_.line;
    hasNext_ = frameRecorded_ && reader_.nextItem(next_);
}

void ReplayPlayer::beginFrame(long frame)
{
    if (stopped_) return;
    frame_ = frame;
    frameRecorded_ = hasNext_ = false;
    lastLine_ = 0;
    if (frame > lastFrame_) return finish();
    long upcoming = 0;
    std::uint32_t line = 0;
    const bool more = reader_.upcomingFrame(upcoming, line);
    if (more && upcoming < frame) {
        return outOfStep("frame " + std::to_string(upcoming) + " of line " + std::to_string(line) + " was passed over");
    }
    if (more && upcoming == frame) {
        frameRecorded_ = reader_.enterFrame();
        advance();
    }
    // The input comes first in a frame; readings taken while it is handled
    // are answered in between, and the first reading left over is the tick's.
    while (hasNext_ && isReplayInput(next_.kind)) {
        const ReplayItem item = next_;
        advance();
        delivering_ = true;
        if (item.kind == ReplayItemKind::OtherInput) {
            if (hooks_.deliverOtherInput == nullptr || !hooks_.deliverOtherInput(item.detail, static_cast<int>(item.value))) {
                delivering_ = false;
                next_ = item;  // the message names its line
                hasNext_ = true;
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
    if (hasNext_) return outOfStep("the game took less than the frame's line holds; next would be " + nextItemText());
    if (frame >= lastFrame_) finish();
}

std::int64_t ReplayPlayer::takeReading(ReplayItemKind kind)
{
    std::int64_t& last = lastReadings_[static_cast<std::size_t>(kind)];
    if (stopped_) return last;
    if (hasNext_ && next_.kind == kind) {
        last = next_.value;
        advance();
        return last;
    }
    // The recording stopped inside its last frame (the game ended there).
    if (!hasNext_ && frame_ == lastFrame_) finish();
    else outOfStep(std::string("the game read the ") + replayItemName(kind) + " where the recording holds " + nextItemText());
    return last;
}

void ReplayPlayer::checkSeed(std::uint32_t state)
{
    if (stopped_) return;
    if (hasNext_ && next_.kind == ReplayItemKind::Seed) {
        const std::int64_t recorded = next_.value;
        if (recorded == static_cast<std::int64_t>(state)) {
            advance();
            return;
        }
        return outOfStep("the game seeded its random source with " + std::to_string(state) +
                         " where the recording holds " + std::to_string(recorded));
    }
    if (!hasNext_ && frame_ == lastFrame_) return finish();
    outOfStep("the game seeded its random source where the recording holds " + nextItemText());
}

std::string ReplayPlayer::nextItemText() const
{
    if (hasNext_) return std::string("the ") + replayItemName(next_.kind);
    return "nothing more for this frame";
}

void ReplayPlayer::outOfStep(const std::string& what)
{
    std::string where;
    if (hasNext_) where = "line " + std::to_string(next_.line) + ", ";
    else if (frameRecorded_ && lastLine_ > 0) where = "line " + std::to_string(lastLine_) + ", ";
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
