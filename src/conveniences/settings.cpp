#include "conveniences/settings.h"

#include "app/config_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMusicName = "music";
constexpr std::string_view kSoundVolumeName = "sound-volume";
constexpr int kMostDamagedCopies = 100;

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
    if (text.empty() || text.size() > 2) return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kSoundVolumeSteps) return false;
    out = value;
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

// The first free name of PATH.damaged, PATH.damaged.2, ...; empty when all are taken.
std::string damagedCopyName(const std::string& path)
{
    std::error_code error;
    for (int copy = 1; copy <= kMostDamagedCopies; ++copy) {
        std::string name = path + ".damaged";
        if (copy > 1) name += "." + std::to_string(copy);
        if (!fs::exists(fs::symlink_status(name, error))) return name;
    }
    return {};
}

bool writeAll(int descriptor, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

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
    const std::string aside = damagedCopyName(path);
    std::error_code error;
    if (!aside.empty()) fs::rename(path, aside, error);
    if (aside.empty() || error) {
        std::fprintf(stderr,
                     "burrik: the settings file %s is damaged (%s) and cannot be kept aside (%s); using the default "
                     "settings, and this run leaves the file as it is\n",
                     path.c_str(), parsed.error.c_str(), aside.empty() ? "too many damaged copies" : error.message().c_str());
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
    // A name of this process's own in the same folder, so the rename is atomic.
    const std::string text = formatSettings(file);
    // The game must be able to read back what it writes.
    if (text.size() > kSettingsMaxBytes) return fail("it would be longer than " + std::to_string(kSettingsMaxBytes) + " bytes");
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) return fail(systemError(errno));
    bool written = writeAll(descriptor, text);
    int writeError = written ? 0 : errno;
    // On disk before the rename, so a crash cannot leave an empty file behind the name.
    if (written && ::fsync(descriptor) != 0) {
        written = false;
        writeError = errno;
    }
    if (::close(descriptor) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return fail(systemError(code != 0 ? code : EIO));
    }
    return true;
}
