#include "records/score_file.h"

#include "player_files/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFileName = "scores.lock";
constexpr const char* kReplayPrefix = "best-";
constexpr const char* kReplaySuffix = ".replay";
constexpr int kMaxNameTries = 100;

std::tm localTime(std::int64_t seconds)
{
    const auto t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

// A name in folder that does not exist yet: base, else base-2, base-3, ...
fs::path freeName(const fs::path& folder, const std::string& base, const std::string& suffix)
{
    std::error_code error;
    for (int n = 1; n <= kMaxNameTries; ++n) {
        const std::string name = n == 1 ? base + suffix : base + "-" + std::to_string(n) + suffix;
        if (!fs::exists(folder / name, error)) return folder / name;
    }
    return {};
}

// Holds an exclusive lock on the table's folder while a game is entered, so
// two games ending at once both keep their entries.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder)
    {
        fd_ = ::open((folder / kLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~FolderLock()
    {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

fs::path scoreTablePath()
{
    // A relative XDG_DATA_HOME is to be ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return fs::path(dataHome) / "burrik" / kScoreFileName;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return fs::path(home) / ".local" / "share" / "burrik" / kScoreFileName;
    return {};
}

std::string scoreDate(std::int64_t calendarSeconds)
{
    const std::tm parts = localTime(calendarSeconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    return text;
}

std::string fileStamp(std::int64_t calendarSeconds)
{
    const std::tm parts = localTime(calendarSeconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

ScoreFileRead readScoreFile(const fs::path& path)
{
    ScoreFileRead result;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return result;
    if (error) {
        result.status = ScoreFileStatus::Unreadable;
        result.problem = error.message();
        return result;
    }
    if (status.type() != fs::file_type::regular) {
        result.status = ScoreFileStatus::Unreadable;
        result.problem = "it is no plain file";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.status = ScoreFileStatus::Unreadable;
        result.problem = std::strerror(errno);
        return result;
    }
    // One byte more than a table may hold tells a file that is too long.
    std::string bytes(kScoreTableMaxBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        result.status = ScoreFileStatus::Unreadable;
        result.problem = "a read error";
        return result;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const ScoreTableParse parsed = parseScoreTable(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!parsed.ok) {
        result.status = ScoreFileStatus::Damaged;
        result.problem = parsed.error;
        return result;
    }
    result.status = ScoreFileStatus::Read;
    result.table = parsed.table;
    return result;
}

ScoreEntryResult enterScore(const fs::path& tablePath, ScoreEntry entry, std::int64_t now, ReplayCopier copyReplay)
{
    ScoreEntryResult result;
    const fs::path folder = tablePath.parent_path();
    const std::string shownPath = tablePath.string();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        result.messages.push_back("cannot create the folder " + folder.string() + " (" + error.message() +
                                  "); this game's score is not kept");
        std::vector<ScoreEntry> none;
        result.rank = insertScore(result.table, entry, none);
        return result;
    }
    FolderLock lock(folder);
    ScoreFileRead read = readScoreFile(tablePath);
    if (read.status == ScoreFileStatus::Unreadable) {
        // Never write over a table that could not be read: it may be whole.
        result.messages.push_back("cannot read the score table " + shownPath + " (" + read.problem +
                                  "); this game's score is not kept");
        std::vector<ScoreEntry> none;
        result.rank = insertScore(result.table, entry, none);
        return result;
    }
    if (read.status == ScoreFileStatus::Damaged) {
        const fs::path aside = freeName(folder, std::string(kScoreFileName) + ".damaged-" + fileStamp(now), "");
        if (aside.empty() || (fs::rename(tablePath, aside, error), error)) {
            result.messages.push_back("the score table " + shownPath + " is damaged (" + read.problem +
                                      ") and cannot be kept aside; this game's score is not kept");
            std::vector<ScoreEntry> none;
            result.rank = insertScore(result.table, entry, none);
            return result;
        }
        result.keptAsideAs = aside.filename().string();
        result.messages.push_back("the score table " + shownPath + " is damaged (" + read.problem + "); it is kept as " +
                                  aside.string() + " and a new table is started");
    }
    result.table = read.table;
    std::vector<ScoreEntry> dropped;
    entry.replay.clear();
    result.rank = insertScore(result.table, entry, dropped);
    if (result.rank < 0) {
        // Not among the best ten: the table stays as it is, unless it was
        // damaged and set aside, when the new one is written.
        if (read.status != ScoreFileStatus::Damaged) {
            result.saved = true;
            return result;
        }
    }
    fs::path replayPath;
    if (result.rank >= 0 && copyReplay != nullptr) {
        replayPath = freeName(folder, std::string(kReplayPrefix) + fileStamp(now), kReplaySuffix);
        std::string copyError;
        if (replayPath.empty() || !copyReplay(replayPath, copyError)) {
            result.messages.push_back("cannot keep the replay beside the score table (" +
                                      (replayPath.empty() ? std::string("no free name") : copyError) + ")");
            replayPath.clear();
        } else {
            result.table.entries[static_cast<std::size_t>(result.rank)].replay = replayPath.filename().string();
        }
    }
    std::string writeError;
    if (!writeFileAtomically(tablePath, formatScoreTable(result.table), writeError)) {
        result.messages.push_back("cannot write the score table " + shownPath + " (" + writeError +
                                  "); the old table is unchanged");
        if (!replayPath.empty()) fs::remove(replayPath, error);
        if (result.rank >= 0) result.table.entries[static_cast<std::size_t>(result.rank)].replay.clear();
        return result;
    }
    result.saved = true;
    // The replays the table kept for entries that fell off go with them.
    for (const ScoreEntry& gone : dropped) {
        // Only the names this table gives its replays, never another file of the folder.
        const std::string& name = gone.replay;
        if (!validReplayName(name) || !name.starts_with(kReplayPrefix) || !name.ends_with(kReplaySuffix)) continue;
        bool stillListed = false;
        for (const ScoreEntry& kept : result.table.entries) stillListed = stillListed || kept.replay == gone.replay;
        if (!stillListed) fs::remove(folder / gone.replay, error);
    }
    return result;
}
