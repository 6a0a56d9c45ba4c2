#include "conveniences/settings.h"

#include "app/config_file.h"
#include "parsing/numbers.h"
#include "player_files/atomic_file.h"
#include "player_files/damaged_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMusicName = "music";
constexpr std::string_view kSoundVolumeName = "sound-volume";
// The digits of the loudest volume: "07" is read, "007" is not.
constexpr std::size_t kMostVolumeDigits = 2;

bool isNameCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A whole number from 0 to kSoundVolumeSteps, digits only.
bool parseVolume(std::string_view text, int& out)
{
    if (text.size() > kMostVolumeDigits) return false;
    const std::optional<std::int64_t> value = readWholeNumber(text, 0, kSoundVolumeSteps);
    if (!value) return false;
    out = static_cast<int>(*value);
    return true;
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t kShownLength = 40;
    std::string shown(text.substr(0, kShownLength));
    if (text.size() > kShownLength) shown += "...";
    return "'" + shown + "'";
}

std::string systemError(int code) { return std::strerror(code); }

}  // namespace

SettingsParseResult parseSettings(const std::uint8_t* bytes, std::size_t size)
{
    SettingsParseResult result;
    auto fail = [&](const std::string& what) {
        result.ok = false;
        result.file = SettingsFile{};
        result.error = what;
        return result;
    };
    if (size > kSettingsMaxBytes) return fail("longer than " + std::to_string(kSettingsMaxBytes) + " bytes");
    if (size > 0 && bytes == nullptr) return fail("no data");
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    bool haveMusic = false;
    bool haveVolume = false;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++lineNumber;
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\t') || byte == 0x7F) return fail(where + "a control character");
        }
        line = trimmed(line);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail(where + "expected name=value, got " + quoted(line));
        const std::string_view name = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (name.empty()) return fail(where + "a value without a name");
        for (const char c : name) {
            if (!isNameCharacter(c)) return fail(where + "a name is made of a-z, 0-9 and -, not " + quoted(name));
        }
        Settings& settings = result.file.settings;
        if (name == kMusicName) {
            if (haveMusic) return fail(where + "music is given twice");
            haveMusic = true;
            if (value == "on") settings.musicOn = true;
            else if (value == "off") settings.musicOn = false;
            else return fail(where + "music is on or off, not " + quoted(value));
        } else if (name == kSoundVolumeName) {
            if (haveVolume) return fail(where + "sound-volume is given twice");
            haveVolume = true;
            if (!parseVolume(value, settings.soundVolume))
                return fail(where + "sound-volume is a whole number from 0 to " + std::to_string(kSoundVolumeSteps) +
                            ", not " + quoted(value));
        } else {
            result.file.otherLines.emplace_back(line);
        }
    }
    result.ok = true;
    return result;
}

std::string formatSettings(const SettingsFile& file)
{
    std::string text = "# Burrik's settings, written by the game (music on|off, sound-volume 0 to " +
                       std::to_string(kSoundVolumeSteps) + ")\n";
    text += std::string(kMusicName) + "=" + (file.settings.musicOn ? "on" : "off") + "\n";
    text += std::string(kSoundVolumeName) + "=" + std::to_string(file.settings.soundVolume) + "\n";
    for (const std::string& line : file.otherLines) text += line + "\n";
    return text;
}

std::string userSettingsPath(const char* xdgConfigHome, const char* home)
{
    const std::string configPath = userConfigPath(xdgConfigHome, home);
    if (configPath.empty()) return {};
    return fs::path(configPath).replace_filename(kSettingsFileName).string();
}

LoadedSettings loadSettingsFile(const std::string& path)
{
    LoadedSettings loaded;
    if (path.empty()) return loaded;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT) return loaded;  // not written yet
        std::fprintf(stderr, "burrik: cannot read the settings file %s (%s); using the default settings\n",
                     path.c_str(), systemError(errno).c_str());
        loaded.mayWrite = false;
        return loaded;
    }
    // One byte more than a good file may hold, so an overlong one is seen.
    std::vector<std::uint8_t> bytes(kSettingsMaxBytes + 1);
    std::size_t size = 0;
    int readError = 0;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) readError = EISDIR;
    while (readError == 0 && size < bytes.size()) {
        const ssize_t got = ::read(descriptor, bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) readError = errno;
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(descriptor);
    if (readError != 0) {
        std::fprintf(stderr, "burrik: cannot read the settings file %s (%s); using the default settings\n",
                     path.c_str(), readError == EISDIR ? "not a file" : systemError(readError).c_str());
        loaded.mayWrite = false;
        return loaded;
    }
    const SettingsParseResult parsed = parseSettings(bytes.data(), size);
    if (parsed.ok) {
        loaded.file = parsed.file;
        return loaded;
    }
    fs::path aside;
    std::string keepError;
    if (!keepDamagedFile(path, path + ".damaged", aside, keepError)) {
        std::fprintf(stderr,
                     "burrik: the settings file %s is damaged (%s) and cannot be kept aside (%s); using the default "
                     "settings, and this run leaves the file as it is\n",
                     path.c_str(), parsed.error.c_str(), keepError.c_str());
        loaded.mayWrite = false;
        return loaded;
    }
    std::fprintf(stderr, "burrik: the settings file %s is damaged (%s); it is kept as %s and the default settings are used\n",
                 path.c_str(), parsed.error.c_str(), aside.c_str());
    return loaded;
}

bool saveSettingsFile(const std::string& path, const SettingsFile& file)
{
    if (path.empty()) return false;
    auto fail = [&](const std::string& what) {
        std::fprintf(stderr, "burrik: cannot write the settings file %s (%s)\n", path.c_str(), what.c_str());
        return false;
    };
    std::error_code error;
    const fs::path folder = fs::path(path).parent_path();
    fs::create_directories(folder, error);
    if (error) return fail(error.message());
    const std::string text = formatSettings(file);
    // The game must be able to read back what it writes.
    if (text.size() > kSettingsMaxBytes) return fail("it would be longer than " + std::to_string(kSettingsMaxBytes) + " bytes");
    std::string writeError;
    if (!writeFileAtomically(path, text, writeError)) return fail(writeError);
    return true;
}
