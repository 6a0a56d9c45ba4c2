#pragma once
// The replay file: a plain-text record of everything a game read from
// outside, so that the game can be played again tick for tick.
//
//   burrik-replay 1
//   video window 800x600:32@60        (or "video fullscreen MODE")
//   vsync on                          (or off)
//   seed clock                        (or the --seed number)
//   clock real                        (or "clock fixed SECONDS")
//   render lists=0 arrays=1 wireframe=0 mipmap=1 filter=0 fps=1
//   begin
//   FRAME ITEM ITEM ...               one line per frame that read or received something
//   end TICKS                         the number of ticks the game ran
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
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int kReplayFormatVersion = 1;
constexpr const char* kReplayMagic = "burrik-replay";
// A file longer than this is refused rather than read into memory.
constexpr std::size_t kReplayMaxFileBytes = 256u * 1024u * 1024u;
constexpr std::size_t kReplayMaxLineBytes = 65536;
constexpr int kReplayMaxCharacterKey = 255;
constexpr int kReplayMaxSpecialKey = 1023;
constexpr int kReplayMaxOtherInputKind = 255;
constexpr std::int64_t kReplayMaxFrequency = 1'000'000'000'000;  // counts per second
constexpr std::int64_t kReplayMaxCalendarSeconds = 253'402'300'799;  // the end of year 9999
constexpr std::size_t kReplayMaxVideoModeLength = 29;

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

struct ReplayFrame {
    long frame = 0;
    std::uint32_t firstItem = 0;
    std::uint32_t itemCount = 0;
    std::uint32_t line = 0;  // the frame's first line
};

struct ReplayRenderOptions {
    int useDisplayLists = 0;
    int useVertexArrays = 1;
    int wireframe = 0;
    int mipmapping = 1;
    int filterMode = 0;
    int showFps = 1;
};

struct ReplayHeader {
    bool windowed = true;
    std::string videoMode = "800x600:32@60";
    bool vsync = true;
    std::optional<std::uint32_t> seed;  // none: seeded from the calendar clock
    std::optional<double> fixedDt;      // none: the real clocks
    ReplayRenderOptions render;
};

struct ReplayData {
    ReplayHeader header;
    std::vector<ReplayItem> items;
    std::vector<ReplayFrame> frames;  // rising frame numbers
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

// Reads a whole replay file. Every field is checked; a damaged line or an
// unknown version is refused with its line number.
ReplayParseResult parseReplay(const std::uint8_t* bytes, std::size_t size);

// The header's lines, "begin" included.
std::string formatReplayHeader(const ReplayHeader& header);
