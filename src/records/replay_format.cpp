#include "records/replay_format.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

constexpr double kMaxFixedDt = 3600.0;

std::string lineError(std::uint32_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Reads a whole number at p: an optional minus sign when allowed, then 1 to
// 19 digits. Advances p past it.
bool readNumber(std::string_view text, std::size_t& p, bool allowSign, std::int64_t& out)
{
    bool negative = false;
    if (allowSign && p < text.size() && text[p] == '-') {
        negative = true;
        ++p;
    }
    const std::size_t start = p;
    std::int64_t value = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        const int digit = text[p] - '0';
        if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
        ++p;
    }
    if (p == start) return false;
    out = negative ? -value : value;
    return true;
}

// The whole word is a number within [low, high].
bool wholeNumber(std::string_view word, std::int64_t low, std::int64_t high, std::int64_t& out)
{
    std::size_t p = 0;
    if (!readNumber(word, p, low < 0, out) || p != word.size()) return false;
    return out >= low && out <= high;
}

// "name=N" with N in [0, high].
bool namedSetting(std::string_view word, std::string_view name, int high, int& out)
{
    if (word.size() <= name.size() + 1 || word.substr(0, name.size()) != name || word[name.size()] != '=')
        return false;
    std::int64_t value = 0;
    if (!wholeNumber(word.substr(name.size() + 1), 0, high, value)) return false;
    out = static_cast<int>(value);
    return true;
}

// Splits a line at single spaces.
template <std::size_t N>
std::size_t splitWords(std::string_view line, std::array<std::string_view, N>& words)
{
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        if (count == N) return N + 1;  // too many
        words[count++] = line.substr(start, end - start);
        start = end + 1;
    }
    return count;
}

bool validVideoMode(std::string_view mode)
{
    if (mode.empty() || mode.size() > kReplayMaxVideoModeLength) return false;
    for (char c : mode) {
        if (!((c >= '0' && c <= '9') || c == 'x' || c == ':' || c == '@')) return false;
    }
    return true;
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

    bool parseHeader()
    {
        ReplayHeader& header = result_.data.header;
        std::string_view line;
        std::array<std::string_view, 8> words{};
        if (!headerLine(line)) {
            if (text_.empty()) fail("line 1: the file is empty, not a Burrik replay");
            return false;
        }
        std::size_t count = splitWords(line, words);
        if (count < 1 || words[0] != kReplayMagic) return failAtLine("not a Burrik replay (it does not start with \"burrik-replay\")");
        std::int64_t version = 0;
        if (count != 2 || !wholeNumber(words[1], 0, std::numeric_limits<int>::max(), version))
            return failAtLine("expected 'burrik-replay VERSION'");
        if (version != kReplayFormatVersion) {
            return failAtLine("unknown replay version " + std::to_string(version) + " (this game plays version " +
                              std::to_string(kReplayFormatVersion) + ")");
        }

        if (!headerLine(line)) return false;
        count = splitWords(line, words);
        if (count != 3 || words[0] != "video" || (words[1] != "window" && words[1] != "fullscreen") ||
            !validVideoMode(words[2]))
            return failAtLine("expected 'video window|fullscreen MODE' with a game-mode string such as 800x600:32@60");
        header.windowed = words[1] == "window";
        header.videoMode = std::string(words[2]);

        if (!headerLine(line)) return false;
        if (line != "vsync on" && line != "vsync off") return failAtLine("expected 'vsync on|off'");
        header.vsync = line == "vsync on";

        if (!headerLine(line)) return false;
        count = splitWords(line, words);
        std::int64_t seed = 0;
        if (count != 2 || words[0] != "seed" ||
            (words[1] != "clock" && !wholeNumber(words[1], 0, std::numeric_limits<std::uint32_t>::max(), seed)))
            return failAtLine("expected 'seed clock' or 'seed N' with N from 0 to 4294967295");
        if (words[1] != "clock") header.seed = static_cast<std::uint32_t>(seed);

        if (!headerLine(line)) return false;
        count = splitWords(line, words);
        if (count == 2 && words[0] == "clock" && words[1] == "real") {
            header.fixedDt.reset();
        } else if (count == 3 && words[0] == "clock" && words[1] == "fixed" && !words[2].empty() &&
                   words[2].size() < 40) {
            const std::string number(words[2]);
            char* end = nullptr;
            errno = 0;
            const double seconds = std::strtod(number.c_str(), &end);
            if (errno != 0 || end != number.c_str() + number.size() || !std::isfinite(seconds) || seconds <= 0.0 ||
                seconds > kMaxFixedDt)
                return failAtLine("the fixed clock's step must be above 0 and at most 3600 seconds");
            header.fixedDt = seconds;
        } else {
            return failAtLine("expected 'clock real' or 'clock fixed SECONDS'");
        }

        if (!headerLine(line)) return false;
        count = splitWords(line, words);
        ReplayRenderOptions& render = header.render;
        if (count != 7 || words[0] != "render" || !namedSetting(words[1], "lists", 1, render.useDisplayLists) ||
            !namedSetting(words[2], "arrays", 1, render.useVertexArrays) ||
            !namedSetting(words[3], "wireframe", 1, render.wireframe) ||
            !namedSetting(words[4], "mipmap", 1, render.mipmapping) ||
            !namedSetting(words[5], "filter", 2, render.filterMode) ||
            !namedSetting(words[6], "fps", 1, render.showFps))
            return failAtLine("expected 'render lists=0|1 arrays=0|1 wireframe=0|1 mipmap=0|1 filter=0|1|2 fps=0|1'");

        if (!headerLine(line)) return false;
        if (line != "begin") return failAtLine("expected 'begin'");
        return true;
    }

    bool parseFrames()
    {
        ReplayData& data = result_.data;
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
                std::int64_t ticks = 0;
                if (!wholeNumber(line.substr(4), 0, std::numeric_limits<long>::max() - 1, ticks))
                    return failAtLine("expected 'end TICKS'");
                if (!data.frames.empty() && data.frames.back().frame > ticks + 1) {
                    return failAtLine("the end line counts " + std::to_string(ticks) + " ticks, but frame " +
                                      std::to_string(data.frames.back().frame) + " was recorded");
                }
                data.endTicks = static_cast<long>(ticks);
                data.endLine = lineNumber_;
                continue;
            }
            if (!parseFrameLine(line)) return false;
        }
        return true;
    }

    bool parseFrameLine(std::string_view line)
    {
        ReplayData& data = result_.data;
        std::size_t p = 0;
        std::int64_t frame = 0;
        if (!readNumber(line, p, false, frame) || frame < 1 || frame > std::numeric_limits<long>::max() - 1)
            return failAtLine("expected a frame number of at least 1 at the start of the line");
        if (p == line.size()) return failAtLine("frame " + std::to_string(frame) + " has no items");
        const bool continuing = !data.frames.empty() && data.frames.back().frame == frame;
        if (!data.frames.empty() && data.frames.back().frame > frame) {
            return failAtLine("frame " + std::to_string(frame) + " comes after frame " +
                              std::to_string(data.frames.back().frame));
        }
        if (!continuing) {
            ReplayFrame entry;
            entry.frame = static_cast<long>(frame);
            entry.firstItem = static_cast<std::uint32_t>(data.items.size());
            entry.line = lineNumber_;
            data.frames.push_back(entry);
        }
        while (p < line.size()) {
            if (line[p] != ' ' || p + 1 >= line.size() || line[p + 1] == ' ')
                return failAtLine("items are separated by single spaces (at column " + std::to_string(p + 1) + ")");
            ++p;
            if (!parseItem(line, p)) return false;
        }
        data.frames.back().itemCount = static_cast<std::uint32_t>(data.items.size()) - data.frames.back().firstItem;
        return true;
    }

    bool parseItem(std::string_view line, std::size_t& p)
    {
        const std::size_t column = p + 1;
        const char letter = line[p++];
        int kindIndex = -1;
        for (std::size_t i = 0; i < kItemKinds.size(); ++i) {
            if (kItemKinds[i].letter == letter) kindIndex = static_cast<int>(i);
        }
        if (kindIndex < 0) {
            const bool printable = letter > ' ' && letter < 127;
            return failAtLine(std::string("unknown item ") +
                              (printable ? std::string("'") + letter + "'" : std::string("(an unprintable byte)")) +
                              " at column " + std::to_string(column));
        }
        const auto kind = static_cast<ReplayItemKind>(kindIndex);
        const std::string where = std::string(replayItemName(kind)) + " at column " + std::to_string(column);
        ReplayItem item;
        item.kind = kind;
        item.line = lineNumber_;
        std::int64_t number = 0;
        if (!readNumber(line, p, isReplayReading(kind) || kind == ReplayItemKind::OtherInput, number))
            return failAtLine("the " + where + " has no number");
        switch (kind) {
        case ReplayItemKind::Key:
        case ReplayItemKind::KeyUp:
            if (number < 0 || number > kReplayMaxCharacterKey) return failAtLine("the " + where + " is no character code");
            item.value = number;
            break;
        case ReplayItemKind::SpecialKey:
        case ReplayItemKind::SpecialKeyUp:
            if (number < 0 || number > kReplayMaxSpecialKey) return failAtLine("the " + where + " is no key code");
            item.value = number;
            break;
        case ReplayItemKind::OtherInput: {
            if (number < 0 || number > kReplayMaxOtherInputKind || p >= line.size() || line[p] != '=')
                return failAtLine("the " + where + " must read 'oKIND=VALUE'");
            ++p;
            std::int64_t value = 0;
            if (!readNumber(line, p, true, value) || value < std::numeric_limits<std::int32_t>::min() ||
                value > std::numeric_limits<std::int32_t>::max())
                return failAtLine("the " + where + " has no value of 32 bits");
            item.detail = static_cast<std::int16_t>(number);
            item.value = value;
            break;
        }
        case ReplayItemKind::Seed:
            if (number < 0 || number > std::numeric_limits<std::uint32_t>::max())
                return failAtLine("the " + where + " is beyond 32 bits");
            item.value = number;
            break;
        default: {
            // A reading: the change from the previous reading of its kind.
            std::int64_t& previous = lastReading_[static_cast<std::size_t>(kind)];
            std::int64_t value = 0;
            if (__builtin_add_overflow(previous, number, &value)) return failAtLine("the " + where + " overflows");
            std::int64_t low = 0;
            std::int64_t high = std::numeric_limits<std::int64_t>::max();
            if (kind == ReplayItemKind::CounterFrequency) {
                low = 1;
                high = kReplayMaxFrequency;
            } else if (kind == ReplayItemKind::Counter) {
                low = std::numeric_limits<std::int64_t>::min();
            } else if (kind == ReplayItemKind::CalendarSeconds) {
                high = kReplayMaxCalendarSeconds;
            } else {
                high = std::numeric_limits<std::uint32_t>::max();
            }
            if (value < low || value > high) return failAtLine("the " + where + " is out of range");
            previous = value;
            item.value = value;
            break;
        }
        }
        if (p < line.size() && line[p] != ' ') return failAtLine("the " + where + " runs on");
        result_.data.items.push_back(item);
        return true;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    std::uint32_t lineNumber_ = 0;
    std::array<std::int64_t, kReplayItemKindCount> lastReading_{};
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
    out += header.videoMode + '\n';
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
    out += "\nbegin\n";
    return out;
}
