#pragma once
// The replay file: a plain-text record of everything a game read from
// outside, so that the game can be played again tick for tick.
//
//   burrik-replay 2
//   video window "800x600:32@60"      (or video fullscreen "MODE")
//   vsync on                          (or off)
//   seed clock                        (or the --seed number)
//   clock real                        (or "clock fixed SECONDS")
//   render lists=0 arrays=1 wireframe=0 mipmap=1 filter=0 fps=1
//   sound music=1 volume=10           the player's sound levels at the start
//   begin
//   FRAME ITEM ITEM ...               one line per frame that read or received something
//   end TICKS                         the number of ticks the game ran
//
// The video mode is the game-mode string the game ran by, whatever the first
// line of burrik.ini held (blanks, '#', nothing at all), in quotes, with a
// backslash before a quote or a backslash and \xHH for a byte outside
// printable ASCII.
// Version 1 wrote it bare and could only hold digits, 'x', ':' and '@'; its
// files still play. Versions 1 and 2 have no sound line: their replays start
// from the sound levels of the player who watches them, so that the trace's
// sound levels (and a recorded F2, which switches the music from where it
// was) follow those of the watcher rather than those of the game.
//
// Items, in the order they happened within the frame:
//   kN uN      onKey / onKeyUp with character code N
//   KN UN      onSpecialKey / onSpecialKeyUp with key code N
//   oK=V       another input event of kind K with value V
//   fD cD      counter frequency, counter reading (D: change since the last of its kind)
//   pD         process milliseconds (D as above)
//   tD         tick-count milliseconds (D as above)
//   sD         calendar seconds (D as above)
//   rN         the random source was seeded with state N
// A frame's items may continue on a further line with the same frame number.
//
// Reading keeps nothing per item: parseReplay checks the whole file in one
// pass and notes where its frame lines lie, and a ReplayFrameReader then
// reads the items frame by frame from the same bytes. A replay costs no
// more memory than its file.
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>
#include <array>
#include <optional>
#include <string>
#include <string_view>

constexpr int kReplayFormatVersion = 3;
constexpr int kReplayFirstSoundVersion = 3;  // the sound line
constexpr int kReplayOldestVersion = 1;  // the bare video mode
constexpr const char* kReplayMagic = "burrik-replay";
// A file longer than this is refused rather than read into memory.
constexpr std::size_t kReplayMaxFileBytes = 256u * 1024u * 1024u;
constexpr std::size_t kReplayMaxLineBytes = 65536;
constexpr int kReplayMaxCharacterKey = 255;
constexpr int kReplayMaxSpecialKey = 1023;
constexpr int kReplayMaxOtherInputKind = 255;
constexpr std::int64_t kReplayMaxFrequency = 1'000'000'000'000;  // counts per second
constexpr std::int64_t kReplayMaxCalendarSeconds = 253'402'300'799;  // the end of year 9999
constexpr std::size_t kReplayMaxVideoModeLength = 29;  // as long as burrik.ini's line may be
// The longest step of the fixed clock, in seconds (also the limit of --fixed-dt).
constexpr double kReplayMaxFixedDt = kMaxFixedStepSeconds;
constexpr int kReplayMaxSoundVolume = 10;  // the sound controls' steps

enum class ReplayItemKind : std::uint8_t {
    Key,
    KeyUp,
    SpecialKey,
    SpecialKeyUp,
    OtherInput,
    CounterFrequency,
    Counter,
    ProcessMilliseconds,
    TickCountMilliseconds,
    CalendarSeconds,
    Seed,
};
constexpr std::size_t kReplayItemKindCount = 11;

// Keys and other input events: what the game receives rather than reads.
constexpr bool isReplayInput(ReplayItemKind kind) { return kind <= ReplayItemKind::OtherInput; }
// The clock readings, written as changes from the previous reading of the same kind.
constexpr bool isReplayReading(ReplayItemKind kind)
{
    return kind >= ReplayItemKind::CounterFrequency && kind <= ReplayItemKind::CalendarSeconds;
}

// The letter of an item in the file, and its name in messages ("counter reading", ...).
char replayItemLetter(ReplayItemKind kind);
const char* replayItemName(ReplayItemKind kind);

struct ReplayItem {
    std::int64_t value = 0;   // key code, other input's value, the reading itself (not its change), seed
    std::uint32_t line = 0;   // of the file, for messages
    std::int16_t detail = 0;  // the other input's kind
    ReplayItemKind kind = ReplayItemKind::Key;
};

struct ReplayRenderOptions {
    int useDisplayLists = 0;
    int useVertexArrays = 1;
    int wireframe = 0;
    int mipmapping = 1;
    int filterMode = 0;
    int showFps = 1;
};

struct ReplaySoundLevels {
    bool music = true;
    int volume = kReplayMaxSoundVolume;
};

struct ReplayHeader {
    bool windowed = true;
    std::string videoMode = "800x600:32@60";
    bool vsync = true;
    std::optional<std::uint32_t> seed;  // none: seeded from the calendar clock
    std::optional<double> fixedDt;      // none: the real clocks
    ReplayRenderOptions render;
    std::optional<ReplaySoundLevels> sound;  // none in versions 1 and 2
};

// What parseReplay found: the header, and where the frame lines lie in the
// bytes it was given, with their counts.
struct ReplayData {
    ReplayHeader header;
    std::size_t framesBegin = 0;      // offset of the first frame line
    std::size_t framesEnd = 0;        // offset just past the last whole frame line
    std::uint32_t firstFrameLine = 0; // the line number at framesBegin
    std::size_t frameCount = 0;       // frames with items (continued lines count once)
    std::size_t itemCount = 0;
    long lastFrame = 0;               // the last frame with items; 0 when there is none
    std::optional<long> endTicks;     // from the end line; none when the game was stopped
    std::uint32_t endLine = 0;
    bool cutShort = false;            // the last line had no line end and was left out
    std::uint32_t cutLine = 0;
};

struct ReplayParseResult {
    bool ok = false;
    ReplayData data;
    std::string error;  // "line N: what was wrong"
};

// Checks a whole replay file. Every field is checked; a damaged line or an
// unknown version is refused with its line number.
ReplayParseResult parseReplay(const std::uint8_t* bytes, std::size_t size);

// Reads the items of a replay that parseReplay took, frame by frame, from the
// same bytes (which must outlive it). Every offset is checked against size:
// bytes that are not the ones parsed end the frames, never read beyond them.
class ReplayFrameReader {
public:
    ReplayFrameReader(const std::uint8_t* bytes, std::size_t size, const ReplayData& data);

    // The next frame to come and its first line, passing over what is left
    // of the frame being read; false when no frame is left.
    bool upcomingFrame(long& frame, std::uint32_t& line);
    // Starts reading the upcoming frame; false when no frame is left.
    bool enterFrame();
    // The next item of the frame being read (its line continued on further
    // lines); false when the frame has no more.
    bool nextItem(ReplayItem& item);

private:
    bool startLine();

    std::string_view text_;    // the frame lines
    std::size_t at_ = 0;       // within the line being read, or the start of the next
    std::size_t lineEnd_ = 0;  // of the line being read
    std::uint32_t line_ = 0;   // its number
    bool inLine_ = false;      // at_ lies within a line whose frame number is read
    long lineFrame_ = 0;       // that line's frame number
    bool inFrame_ = false;
    long frame_ = 0;           // the frame being read
    std::array<std::int64_t, kReplayItemKindCount> lastReading_{};
};

// The header's lines, "begin" included.
std::string formatReplayHeader(const ReplayHeader& header);
