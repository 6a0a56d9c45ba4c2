#include "records/replay_format.h"

#include "parsing/numbers.h"
#include "parsing/words.h"

#include <array>
#include <cstdio>
#include <limits>
#include <string_view>

namespace {

struct ItemKindInfo {
    char letter;
    const char* name;
};

constexpr std::array<ItemKindInfo, kReplayItemKindCount> kItemKinds{{
    {'k', "key press"},
    {'u', "key release"},
    {'K', "special key press"},
    {'U', "special key release"},
    {'o', "other input event"},
    {'f', "counter frequency"},
    {'c', "counter reading"},
    {'p', "process milliseconds"},
    {'t', "tick-count milliseconds"},
    {'s', "calendar seconds"},
    {'r', "seeding of the random source"},
}};

std::string lineError(std::uint32_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// "name=N" with N in [0, most].
bool namedSetting(std::string_view word, std::string_view name, int most, int& out)
{
    if (word.size() <= name.size() + 1 || word.substr(0, name.size()) != name || word[name.size()] != '=')
        return false;
    const std::optional<std::int64_t> value = readWholeNumber(word.substr(name.size() + 1), 0, most);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

// The bare game-mode string of version 1.
bool plainVideoMode(std::string_view mode)
{
    if (mode.empty() || mode.size() > kReplayMaxVideoModeLength) return false;
    for (char c : mode) {
        if (!((c >= '0' && c <= '9') || c == 'x' || c == ':' || c == '@')) return false;
    }
    return true;
}

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7e;

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The game-mode string in quotes, filling the text; a line end or a zero
// byte, which no first line of burrik.ini holds, is refused.
bool quotedVideoMode(std::string_view text, std::string& mode)
{
    mode.clear();
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    const std::string_view inside = text.substr(1, text.size() - 2);
    for (std::size_t i = 0; i < inside.size(); ++i) {
        const auto c = static_cast<unsigned char>(inside[i]);
        unsigned char byte = c;
        if (c == '"' || c < kFirstPrintable || c > kLastPrintable) return false;
        if (c == '\\') {
            if (i + 1 >= inside.size()) return false;
            const char escaped = inside[++i];
            if (escaped == 'x') {
                if (i + 2 >= inside.size()) return false;
                const int high = hexValue(inside[i + 1]);
                const int low = hexValue(inside[i + 2]);
                if (high < 0 || low < 0) return false;
                byte = static_cast<unsigned char>(high * 16 + low);
                i += 2;
            } else if (escaped == '"' || escaped == '\\') {
                byte = static_cast<unsigned char>(escaped);
            } else {
                return false;
            }
        }
        if (byte == '\0' || byte == '\n' || mode.size() == kReplayMaxVideoModeLength) return false;
        mode += static_cast<char>(byte);
    }
    return true;
}

void appendQuotedVideoMode(std::string& out, std::string_view mode)
{
    out += '"';
    for (char c : mode) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= kFirstPrintable && byte <= kLastPrintable) {
            out += c;
        } else {
            out += "\\x";
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xf];
        }
    }
    out += '"';
}

// What can be wrong with an item of a frame line.
enum class ItemFault : std::uint8_t {
    None,
    Gap,
    UnknownLetter,
    NoNumber,
    NoCharacterCode,
    NoKeyCode,
    OtherInputForm,
    OtherInputValue,
    Beyond32Bits,
    Overflows,
    OutOfRange,
    RunsOn,
};

using Readings = std::array<std::int64_t, kReplayItemKindCount>;

int kindIndexOf(char letter)
{
    for (std::size_t i = 0; i < kItemKinds.size(); ++i) {
        if (kItemKinds[i].letter == letter) return static_cast<int>(i);
    }
    return -1;
}

// The frame number at the start of a frame line; p past it.
std::optional<std::int64_t> frameNumberAt(std::string_view line, std::size_t& p)
{
    const std::optional<std::int64_t> frame = scanWholeNumber(line, p, false);
    if (!frame || *frame < 1 || *frame > std::numeric_limits<long>::max() - 1) return std::nullopt;
    return frame;
}

// One item of a frame line with the single space before it, from line[p];
// p past it. Readings are written as changes: previous holds the last of
// each kind and takes this one. item.kind is set once the letter is known.
ItemFault readItem(std::string_view line, std::size_t& p, Readings& previous, ReplayItem& item)
{
    if (p >= line.size() || line[p] != ' ' || p + 1 >= line.size() || line[p + 1] == ' ') return ItemFault::Gap;
    ++p;
    const int kindIndex = kindIndexOf(line[p]);
    if (kindIndex < 0) return ItemFault::UnknownLetter;
    ++p;
    const auto kind = static_cast<ReplayItemKind>(kindIndex);
    item.kind = kind;
    item.detail = 0;
    const std::optional<std::int64_t> number =
        scanWholeNumber(line, p, isReplayReading(kind) || kind == ReplayItemKind::OtherInput);
    if (!number) return ItemFault::NoNumber;
    switch (kind) {
    case ReplayItemKind::Key:
    case ReplayItemKind::KeyUp:
        if (*number < 0 || *number > kReplayMaxCharacterKey) return ItemFault::NoCharacterCode;
        item.value = *number;
        break;
    case ReplayItemKind::SpecialKey:
    case ReplayItemKind::SpecialKeyUp:
        if (*number < 0 || *number > kReplayMaxSpecialKey) return ItemFault::NoKeyCode;
        item.value = *number;
        break;
    case ReplayItemKind::OtherInput: {
        if (*number < 0 || *number > kReplayMaxOtherInputKind || p >= line.size() || line[p] != '=')
            return ItemFault::OtherInputForm;
        ++p;
        const std::optional<std::int64_t> value = scanWholeNumber(line, p, true);
        if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
            *value > std::numeric_limits<std::int32_t>::max())
            return ItemFault::OtherInputValue;
        item.detail = static_cast<std::int16_t>(*number);
        item.value = *value;
        break;
    }
    case ReplayItemKind::Seed:
        if (*number < 0 || *number > std::numeric_limits<std::uint32_t>::max()) return ItemFault::Beyond32Bits;
        item.value = *number;
        break;
    default: {
        // A reading: the change from the previous reading of its kind.
        std::int64_t& last = previous[static_cast<std::size_t>(kind)];
        std::int64_t value = 0;
        if (__builtin_add_overflow(last, *number, &value)) return ItemFault::Overflows;
        std::int64_t least = 0;
        std::int64_t most = std::numeric_limits<std::int64_t>::max();
        if (kind == ReplayItemKind::CounterFrequency) {
            least = 1;
            most = kReplayMaxFrequency;
        } else if (kind == ReplayItemKind::Counter) {
            least = std::numeric_limits<std::int64_t>::min();
        } else if (kind == ReplayItemKind::CalendarSeconds) {
            most = kReplayMaxCalendarSeconds;
        } else {
            most = std::numeric_limits<std::uint32_t>::max();
        }
        if (value < least || value > most) return ItemFault::OutOfRange;
        last = value;
        item.value = value;
        break;
    }
    }
    if (p < line.size() && line[p] != ' ') return ItemFault::RunsOn;
    return ItemFault::None;
}

// The message of an item's fault; at is where its space stood.
std::string itemFaultText(ItemFault fault, std::string_view line, std::size_t at, ReplayItemKind kind)
{
    if (fault == ItemFault::Gap) return "items are separated by single spaces (at column " + std::to_string(at + 1) + ")";
    const std::size_t column = at + 2;
    if (fault == ItemFault::UnknownLetter) {
        const char letter = line[at + 1];
        const bool printable = letter > ' ' && letter < 127;
        return std::string("unknown item ") +
               (printable ? std::string("'") + letter + "'" : std::string("(an unprintable byte)")) + " at column " +
               std::to_string(column);
    }
    const char* what = "";
    switch (fault) {
    case ItemFault::NoNumber: what = " has no number"; break;
    case ItemFault::NoCharacterCode: what = " is no character code"; break;
    case ItemFault::NoKeyCode: what = " is no key code"; break;
    case ItemFault::OtherInputForm: what = " must read 'oKIND=VALUE'"; break;
    case ItemFault::OtherInputValue: what = " has no value of 32 bits"; break;
    case ItemFault::Beyond32Bits: what = " is beyond 32 bits"; break;
    case ItemFault::Overflows: what = " overflows"; break;
    case ItemFault::OutOfRange: what = " is out of range"; break;
    case ItemFault::RunsOn: what = " runs on"; break;
    default: break;
    }
    return std::string("the ") + replayItemName(kind) + " at column " + std::to_string(column) + what;
}

class Parser {
public:
    Parser(const std::uint8_t* bytes, std::size_t size)
        : text_(reinterpret_cast<const char*>(bytes), bytes == nullptr ? 0 : size)
    {
    }

    ReplayParseResult run()
    {
        if (text_.size() > kReplayMaxFileBytes) return fail("the file is larger than any replay (more than 256 MiB)");
        if (!parseHeader()) return result_;
        if (!parseFrames()) return result_;
        result_.ok = true;
        return result_;
    }

private:
    // The next line without its line end; false at the end of the text.
    // ended tells whether a line end followed.
    bool nextLine(std::string_view& line, bool& ended)
    {
        if (position_ >= text_.size()) return false;
        ++lineNumber_;
        const std::size_t newline = text_.find('\n', position_);
        ended = newline != std::string_view::npos;
        const std::size_t end = ended ? newline : text_.size();
        line = text_.substr(position_, end - position_);
        position_ = ended ? end + 1 : end;
        return true;
    }

    ReplayParseResult fail(const std::string& what)
    {
        result_.ok = false;
        result_.error = what;
        result_.data = ReplayData{};
        return result_;
    }
    bool failAtLine(const std::string& what)
    {
        fail(lineError(lineNumber_, what));
        return false;
    }

    // One header line, whole: false (with the error set) when the file ends first.
    bool headerLine(std::string_view& line)
    {
        bool ended = false;
        const bool any = nextLine(line, ended);
        if (!any || !ended) {
            fail(lineError(any ? lineNumber_ : lineNumber_ + 1, "the file ends inside its header"));
            return false;
        }
        if (line.size() > kReplayMaxLineBytes) return failAtLine("the line is too long");
        return true;
    }

    bool parseVideoLine(std::string_view line, std::int64_t version)
    {
        ReplayHeader& header = result_.data.header;
        if (version == kReplayOldestVersion) {
            std::array<std::string_view, 3> words{};
            const std::size_t count = splitWords(line, WordGap::OneSpace, words);
            if (count != 3 || words[0] != "video" || (words[1] != "window" && words[1] != "fullscreen") ||
                !plainVideoMode(words[2]))
                return failAtLine(
                    "expected 'video window|fullscreen MODE' with a game-mode string such as 800x600:32@60");
            header.windowed = words[1] == "window";
            header.videoMode = std::string(words[2]);
            return true;
        }
        constexpr std::string_view kWindow = "video window ";
        constexpr std::string_view kFullscreen = "video fullscreen ";
        const bool windowed = line.starts_with(kWindow);
        const bool fullscreen = line.starts_with(kFullscreen);
        std::string mode;
        if ((!windowed && !fullscreen) ||
            !quotedVideoMode(line.substr(windowed ? kWindow.size() : kFullscreen.size()), mode)) {
            return failAtLine("expected 'video window|fullscreen \"MODE\"' with the game-mode string in quotes, at "
                              "most " +
                              std::to_string(kReplayMaxVideoModeLength) +
                              " characters (\\\" a quote, \\\\ a backslash, \\xHH another byte)");
        }
        header.windowed = windowed;
        header.videoMode = std::move(mode);
        return true;
    }

    bool parseHeader()
    {
        ReplayHeader& header = result_.data.header;
        std::string_view line;
        std::array<std::string_view, 8> words{};
        if (!headerLine(line)) {
            if (text_.empty()) fail("line 1: the file is empty, not a Burrik replay");
            return false;
        }
        std::size_t count = splitWords(line, WordGap::OneSpace, words);
        if (count < 1 || words[0] != kReplayMagic)
            return failAtLine("not a Burrik replay (it does not start with \"burrik-replay\")");
        const std::optional<std::int64_t> version =
            count == 2 ? readWholeNumber(words[1], 0, std::numeric_limits<int>::max()) : std::nullopt;
        if (!version) return failAtLine("expected 'burrik-replay VERSION'");
        if (*version < kReplayOldestVersion || *version > kReplayFormatVersion) {
            return failAtLine("unknown replay version " + std::to_string(*version) + " (this game plays versions " +
                              std::to_string(kReplayOldestVersion) + " to " + std::to_string(kReplayFormatVersion) +
                              ")");
        }

        if (!headerLine(line) || !parseVideoLine(line, *version)) return false;

        if (!headerLine(line)) return false;
        if (line != "vsync on" && line != "vsync off") return failAtLine("expected 'vsync on|off'");
        header.vsync = line == "vsync on";

        if (!headerLine(line)) return false;
        count = splitWords(line, WordGap::OneSpace, words);
        const bool clockSeed = count == 2 && words[1] == "clock";
        const std::optional<std::int64_t> seed =
            count == 2 && !clockSeed ? readWholeNumber(words[1], 0, std::numeric_limits<std::uint32_t>::max())
                                     : std::nullopt;
        if (count != 2 || words[0] != "seed" || (!clockSeed && !seed))
            return failAtLine("expected 'seed clock' or 'seed N' with N from 0 to 4294967295");
        if (seed) header.seed = static_cast<std::uint32_t>(*seed);

        if (!headerLine(line)) return false;
        count = splitWords(line, WordGap::OneSpace, words);
        if (count == 2 && words[0] == "clock" && words[1] == "real") {
            header.fixedDt.reset();
        } else if (count == 3 && words[0] == "clock" && words[1] == "fixed") {
            const std::optional<double> seconds = readDecimalNumber(words[2], 0.0, kReplayMaxFixedDt);
            if (!seconds) {
                return failAtLine("the fixed clock's step must be above 0 and at most " +
                                  std::to_string(static_cast<int>(kReplayMaxFixedDt)) + " seconds");
            }
            header.fixedDt = *seconds;
        } else {
            return failAtLine("expected 'clock real' or 'clock fixed SECONDS'");
        }

        if (!headerLine(line)) return false;
        count = splitWords(line, WordGap::OneSpace, words);
        ReplayRenderOptions& render = header.render;
        if (count != 7 || words[0] != "render" || !namedSetting(words[1], "lists", 1, render.useDisplayLists) ||
            !namedSetting(words[2], "arrays", 1, render.useVertexArrays) ||
            !namedSetting(words[3], "wireframe", 1, render.wireframe) ||
            !namedSetting(words[4], "mipmap", 1, render.mipmapping) ||
            !namedSetting(words[5], "filter", 2, render.filterMode) ||
            !namedSetting(words[6], "fps", 1, render.showFps))
            return failAtLine("expected 'render lists=0|1 arrays=0|1 wireframe=0|1 mipmap=0|1 filter=0|1|2 fps=0|1'");

        if (*version >= kReplayFirstSoundVersion) {
            if (!headerLine(line)) return false;
            count = splitWords(line, WordGap::OneSpace, words);
            int music = 0;
            int volume = 0;
            if (count != 3 || words[0] != "sound" || !namedSetting(words[1], "music", 1, music) ||
                !namedSetting(words[2], "volume", kReplayMaxSoundVolume, volume))
                return failAtLine("expected 'sound music=0|1 volume=0..." + std::to_string(kReplayMaxSoundVolume) + "'");
            header.sound = ReplaySoundLevels{music == 1, volume};
        }

        if (!headerLine(line)) return false;
        if (line != "begin") return failAtLine("expected 'begin'");
        return true;
    }

    bool parseFrames()
    {
        ReplayData& data = result_.data;
        data.framesBegin = data.framesEnd = position_;
        data.firstFrameLine = lineNumber_ + 1;
        std::string_view line;
        bool ended = false;
        while (nextLine(line, ended)) {
            if (!ended && data.endTicks) return failAtLine("nothing may follow the end line");
            if (!ended) {
                // Cut short (the game was stopped while writing, or the file
                // was cut): what came before plays, this line does not.
                data.cutShort = true;
                data.cutLine = lineNumber_;
                return true;
            }
            if (line.size() > kReplayMaxLineBytes) return failAtLine("the line is too long");
            if (data.endTicks) return failAtLine("nothing may follow the end line");
            if (line.substr(0, 4) == "end ") {
                const std::optional<std::int64_t> ticks =
                    readWholeNumber(line.substr(4), 0, std::numeric_limits<long>::max() - 1);
                if (!ticks) return failAtLine("expected 'end TICKS'");
                if (data.frameCount > 0 && data.lastFrame > *ticks + 1) {
                    return failAtLine("the end line counts " + std::to_string(*ticks) + " ticks, but frame " +
                                      std::to_string(data.lastFrame) + " was recorded");
                }
                data.endTicks = static_cast<long>(*ticks);
                data.endLine = lineNumber_;
                continue;
            }
            if (!parseFrameLine(line)) return false;
            data.framesEnd = position_;
        }
        return true;
    }

    bool parseFrameLine(std::string_view line)
    {
        ReplayData& data = result_.data;
        std::size_t p = 0;
        const std::optional<std::int64_t> frame = frameNumberAt(line, p);
        if (!frame) return failAtLine("expected a frame number of at least 1 at the start of the line");
        if (p == line.size()) return failAtLine("frame " + std::to_string(*frame) + " has no items");
        if (data.frameCount > 0 && data.lastFrame > *frame) {
            return failAtLine("frame " + std::to_string(*frame) + " comes after frame " +
                              std::to_string(data.lastFrame));
        }
        if (data.frameCount == 0 || data.lastFrame != *frame) {
            ++data.frameCount;
            data.lastFrame = static_cast<long>(*frame);
        }
        ReplayItem item;
        while (p < line.size()) {
            const std::size_t at = p;
            const ItemFault fault = readItem(line, p, lastReading_, item);
            if (fault != ItemFault::None) return failAtLine(itemFaultText(fault, line, at, item.kind));
            ++data.itemCount;
        }
        return true;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    std::uint32_t lineNumber_ = 0;
    Readings lastReading_{};
    ReplayParseResult result_;
};

void appendSetting(std::string& out, const char* name, int value)
{
    out += ' ';
    out += name;
    out += '=';
    out += std::to_string(value);
}

}  // namespace

char replayItemLetter(ReplayItemKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < kItemKinds.size() ? kItemKinds[index].letter : '?';
}

const char* replayItemName(ReplayItemKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < kItemKinds.size() ? kItemKinds[index].name : "unknown item";
}

ReplayParseResult parseReplay(const std::uint8_t* bytes, std::size_t size) { return Parser(bytes, size).run(); }

std::string formatReplayHeader(const ReplayHeader& header)
{
    std::string out = kReplayMagic;
    out += ' ' + std::to_string(kReplayFormatVersion) + '\n';
    out += "video ";
    out += header.windowed ? "window " : "fullscreen ";
    appendQuotedVideoMode(out, header.videoMode);
    out += '\n';
    out += header.vsync ? "vsync on\n" : "vsync off\n";
    out += header.seed ? "seed " + std::to_string(*header.seed) + '\n' : std::string("seed clock\n");
    if (header.fixedDt) {
        char number[40];
        std::snprintf(number, sizeof number, "%.17g", *header.fixedDt);
        out += "clock fixed ";
        out += number;
        out += '\n';
    } else {
        out += "clock real\n";
    }
    out += "render";
    appendSetting(out, "lists", header.render.useDisplayLists);
    appendSetting(out, "arrays", header.render.useVertexArrays);
    appendSetting(out, "wireframe", header.render.wireframe);
    appendSetting(out, "mipmap", header.render.mipmapping);
    appendSetting(out, "filter", header.render.filterMode);
    appendSetting(out, "fps", header.render.showFps);
    // Written as it is now; a header without levels notes the defaults.
    const ReplaySoundLevels sound = header.sound.value_or(ReplaySoundLevels{});
    out += "\nsound";
    appendSetting(out, "music", sound.music ? 1 : 0);
    appendSetting(out, "volume", sound.volume);
    out += "\nbegin\n";
    return out;
}

ReplayFrameReader::ReplayFrameReader(const std::uint8_t* bytes, std::size_t size, const ReplayData& data)
{
    // Offsets that do not fit the bytes give no frames.
    if (bytes == nullptr || data.framesBegin > data.framesEnd || data.framesEnd > size) return;
    text_ = std::string_view(reinterpret_cast<const char*>(bytes) + data.framesBegin, data.framesEnd - data.framesBegin);
    line_ = data.firstFrameLine - 1;
}

bool ReplayFrameReader::startLine()
{
    if (at_ >= text_.size()) return false;
    const std::size_t newline = text_.find('\n', at_);
    lineEnd_ = newline == std::string_view::npos ? text_.size() : newline;
    ++line_;
    const std::optional<std::int64_t> frame = frameNumberAt(text_.substr(0, lineEnd_), at_);
    if (!frame) {
        at_ = text_.size();  // not the bytes that were parsed: no more frames
        return false;
    }
    lineFrame_ = static_cast<long>(*frame);
    inLine_ = true;
    return true;
}

bool ReplayFrameReader::upcomingFrame(long& frame, std::uint32_t& line)
{
    ReplayItem passed;
    while (inFrame_ && nextItem(passed)) {
    }
    if (!inLine_ && !startLine()) return false;
    frame = lineFrame_;
    line = line_;
    return true;
}

bool ReplayFrameReader::enterFrame()
{
    long frame = 0;
    std::uint32_t line = 0;
    if (!upcomingFrame(frame, line)) return false;
    inFrame_ = true;
    frame_ = frame;
    return true;
}

bool ReplayFrameReader::nextItem(ReplayItem& item)
{
    if (!inFrame_) return false;
    for (;;) {
        if (!inLine_ && !startLine()) {
            inFrame_ = false;
            return false;
        }
        if (lineFrame_ != frame_) {
            inFrame_ = false;  // the line starts the next frame
            return false;
        }
        if (at_ < lineEnd_) break;
        at_ = lineEnd_ + 1;  // past the line end
        inLine_ = false;
    }
    if (readItem(text_.substr(0, lineEnd_), at_, lastReading_, item) != ItemFault::None) {
        at_ = text_.size();
        inLine_ = inFrame_ = false;
        return false;
    }
    item.line = line_;
    return true;
}
