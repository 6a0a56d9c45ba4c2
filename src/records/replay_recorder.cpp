#include "records/replay_recorder.h"

#include "player_files/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// The longest item: a letter, a sign, 19 digits, '=', a sign and 10 digits, and its space.
constexpr std::size_t kLongestItem = 40;
constexpr std::size_t kLongestFrameNumber = 24;

}  // namespace

ReplayRecorder::~ReplayRecorder()
{
    if (file_ != nullptr) std::fclose(file_);
}

bool ReplayRecorder::open(const std::string& path, const ReplayHeader& header, std::string& error)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    path_ = path;
    header_ = header;
    return true;
}

void ReplayRecorder::setVideoMode(bool windowed, const std::string& mode)
{
    header_.windowed = windowed;
    header_.videoMode = mode;
}

void ReplayRecorder::setSoundLevels(bool music, int volume) { header_.sound = ReplaySoundLevels{music, volume}; }

void ReplayRecorder::writeHeader()
{
    if (headerWritten_ || file_ == nullptr) return;
    headerWritten_ = true;
    const std::string text = formatReplayHeader(header_);
    writeBytes(text.data(), text.size());
}

void ReplayRecorder::writeBytes(const char* data, std::size_t size)
{
    if (file_ == nullptr) return;
    if (std::fwrite(data, 1, size, file_) != size || std::fflush(file_) != 0) {
        // Part of the line may be in the file: it is cut, and no copy of it is kept.
        cut_ = true;
        cutFrame_ = frame_;
        std::fprintf(stderr,
                     "burrik: cannot write the replay %s (%s); the recording stops here, at frame %ld, and the "
                     "games from here on keep no replay beside the score table\n",
                     path_.c_str(), std::strerror(errno), frame_);
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    bytes_ += size;
}

void ReplayRecorder::appendNumber(std::int64_t number)
{
    char digits[24];
    std::size_t count = 0;
    // Through the unsigned magnitude, so that the lowest value has one too.
    std::uint64_t magnitude = number < 0 ? 0u - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) line_[length_++] = '-';
    while (count > 0) line_[length_++] = digits[--count];
}

void ReplayRecorder::startLineIfEmpty()
{
    if (length_ + kLongestItem + 1 > line_.size()) writeLine();  // a long frame continues on the next line
    if (length_ == 0) appendNumber(frame_);
}

void ReplayRecorder::append(char letter, std::int64_t number)
{
    if (file_ == nullptr) return;
    startLineIfEmpty();
    line_[length_++] = ' ';
    line_[length_++] = letter;
    appendNumber(number);
}

void ReplayRecorder::writeLine()
{
    if (length_ == 0) return;
    writeHeader();
    line_[length_++] = '\n';
    writeBytes(line_.data(), length_);
    length_ = 0;
}

void ReplayRecorder::noteInput(ReplayItemKind kind, int detail, std::int64_t value)
{
    if (file_ == nullptr) return;
    if (kind == ReplayItemKind::OtherInput) {
        append(replayItemLetter(kind), detail);
        line_[length_++] = '=';
        appendNumber(value);
        return;
    }
    append(replayItemLetter(kind), value);
}

void ReplayRecorder::noteReading(ReplayItemKind kind, std::int64_t value)
{
    const auto index = static_cast<std::size_t>(kind);
    if (file_ == nullptr || index >= lastReading_.size()) return;
    // Readings are written as changes from the last of their kind: short and
    // mostly alike from frame to frame.
    const auto change = static_cast<std::int64_t>(static_cast<std::uint64_t>(value) -
                                                  static_cast<std::uint64_t>(lastReading_[index]));
    lastReading_[index] = value;
    append(replayItemLetter(kind), change);
}

void ReplayRecorder::noteSeed(std::uint32_t state) { append(replayItemLetter(ReplayItemKind::Seed), state); }

void ReplayRecorder::endFrame()
{
    writeLine();
    ++frame_;
}

void ReplayRecorder::finish()
{
    if (finished_) return;
    finished_ = true;
    writeHeader();
    writeLine();
    char end[kLongestFrameNumber + 8];
    const int size = std::snprintf(end, sizeof end, "end %ld\n", ticks_);
    if (size > 0) writeBytes(end, static_cast<std::size_t>(size));
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool ReplayRecorder::copyTo(const std::string& target, std::string& error) const
{
    if (cut_) {
        error = "the recording " + path_ + " was cut at frame " + std::to_string(cutFrame_) +
                " when it could not be written";
        return false;
    }
    std::error_code status;
    if (!std::filesystem::is_regular_file(path_, status)) {
        error = "the recording " + path_ + " is no plain file to copy";
        return false;
    }
    // Exactly what was written, with one byte more to tell a file that grew.
    std::string bytes(static_cast<std::size_t>(bytes_) + 1, '\0');
    std::ifstream in(path_, std::ios::binary);
    if (in) in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in.eof() && !in.good()) {
        error = "cannot read " + path_;
        return false;
    }
    if (static_cast<std::uint64_t>(in.gcount()) != bytes_) {
        error = "the recording " + path_ + " does not read back as it was written";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(bytes_));
    if (!finished_) bytes += "end " + std::to_string(ticks_) + "\n";
    return writeFileAtomically(target, bytes, error);
}

std::int64_t RecordingClock::counterFrequency() const
{
    const std::int64_t value = inner_->counterFrequency();
    recorder_->noteReading(ReplayItemKind::CounterFrequency, value);
    return value;
}

std::int64_t RecordingClock::counterReading() const
{
    const std::int64_t value = inner_->counterReading();
    recorder_->noteReading(ReplayItemKind::Counter, value);
    return value;
}

std::uint32_t RecordingClock::processMilliseconds() const
{
    const std::uint32_t value = inner_->processMilliseconds();
    recorder_->noteReading(ReplayItemKind::ProcessMilliseconds, value);
    return value;
}

std::uint32_t RecordingClock::tickCountMilliseconds() const
{
    const std::uint32_t value = inner_->tickCountMilliseconds();
    recorder_->noteReading(ReplayItemKind::TickCountMilliseconds, value);
    return value;
}

std::int64_t RecordingClock::calendarSeconds() const
{
    const std::int64_t value = inner_->calendarSeconds();
    recorder_->noteReading(ReplayItemKind::CalendarSeconds, value);
    return value;
}

void RecordingClock::advanceTick()
{
    recorder_->noteTickStart();
    inner_->advanceTick();
}
