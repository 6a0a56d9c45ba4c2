#include "records/score_file.h"

#include "player_files/atomic_file.h"
#include "player_files/damaged_file.h"
#include "player_files/file_changes.h"
#include "player_files/file_descriptor.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFileName = "scores.lock";
constexpr const char* kReplayPrefix = "best-";
constexpr const char* kReplaySuffix = ".replay";
constexpr int kMaxNameTries = 100;
// The lock is waited for while the table keeps changing (other games entering
// theirs one after the other), but not past kLockPatience without a change
// (a game stopped while it holds the lock) nor past kLockMostWait in all.
constexpr std::chrono::milliseconds kLockRetryPause{10};
constexpr std::chrono::seconds kLockPatience{2};
constexpr std::chrono::seconds kLockMostWait{10};
// Reads of a table that another game wrote in the meantime, before this
// game's entry is written whatever happens.
constexpr int kMostEntryTries = 3;

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

// What tells one state of the table file from the next: every write renames
// a new file over it.
struct TableStamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    timespec changed{};

    bool operator==(const TableStamp& other) const
    {
        return present == other.present && device == other.device && inode == other.inode &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

TableStamp stampOf(const fs::path& tablePath)
{
    TableStamp stamp;
    struct stat status {};
    if (::stat(tablePath.c_str(), &status) != 0) return stamp;
    stamp.present = true;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.changed = status.st_ctim;
    return stamp;
}

// Holds an exclusive lock on the table's folder while a game is entered, so
// two games ending at once both keep their entries. When the lock cannot be
// had (a file system without locks, or a game stopped while it holds it)
// the game goes on without it, and says so.
class FolderLock {
public:
    FolderLock(const fs::path& tablePath, std::vector<std::string>& messages)
    {
        const fs::path lockPath = tablePath.parent_path() / kLockFileName;
        auto goOnWithout = [&](const std::string& why) {
            messages.push_back("cannot lock the score table " + tablePath.string() + " (" + why +
                               "); it is written without the lock");
        };
        FileDescriptor fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!fd.valid()) {
            goOnWithout(lockPath.string() + ": " + std::strerror(errno));
            return;
        }
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        Clock::time_point lastChange = start;
        TableStamp seen = stampOf(tablePath);
        while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) {
                goOnWithout(std::strerror(errno));
                return;
            }
            const Clock::time_point now = Clock::now();
            if (const TableStamp stamp = stampOf(tablePath); !(stamp == seen)) {
                seen = stamp;
                lastChange = now;
            }
            if (now - lastChange >= kLockPatience || now - start >= kLockMostWait) {
                const auto waited = std::chrono::duration_cast<std::chrono::seconds>(now - start).count();
                messages.push_back("another game has kept the score table " + tablePath.string() + " locked for " +
                                   std::to_string(waited) +
                                   " seconds (is it stopped?); this game's score is entered without waiting longer");
                return;
            }
            std::this_thread::sleep_for(kLockRetryPause);
        }
        fd_ = std::move(fd);  // closing it releases the lock
    }

private:
    FileDescriptor fd_;
};

// A table as read, with the file it was read from held open: so long as it
// is open its inode is its own, and the game can tell whether the table it
// read is still the table.
struct TableOnDisk {
    ScoreFileRead read;
    FileDescriptor file;  // not valid when the table was missing
};

TableOnDisk readTable(const fs::path& path)
{
    TableOnDisk disk;
    ScoreFileRead& result = disk.read;
    auto unreadable = [&](const std::string& why) {
        result.status = ScoreFileStatus::Unreadable;
        result.problem = why;
        disk.file = FileDescriptor();
        return std::move(disk);
    };
    // Not blocking, so a pipe in the table's place is refused, not waited on.
    disk.file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!disk.file.valid()) {
        if (errno == ENOENT || errno == ENOTDIR) return disk;
        return unreadable(std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(disk.file.get(), &status) != 0) return unreadable(std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return unreadable("it is no plain file");
    // One byte more than a table may hold tells a file that is too long.
    std::string bytes(kScoreTableMaxBytes + 1, '\0');
    std::size_t size = 0;
    while (size < bytes.size()) {
        const ssize_t got = ::read(disk.file.get(), bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return unreadable("a read error");
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    const ScoreTableParse parsed = parseScoreTable(reinterpret_cast<const std::uint8_t*>(bytes.data()), size);
    if (!parsed.ok) {
        result.status = ScoreFileStatus::Damaged;
        result.problem = parsed.error;
        return disk;
    }
    result.status = ScoreFileStatus::Read;
    result.table = parsed.table;
    return disk;
}

// Whether the table at path is still the one read (or still missing): false
// when another game has written it since.
bool tableIsUnchanged(const fs::path& path, const TableOnDisk& disk)
{
    struct stat now {};
    const bool present = ::stat(path.c_str(), &now) == 0;
    if (!disk.file.valid()) return !present;
    struct stat read {};
    if (!present || ::fstat(disk.file.get(), &read) != 0) return false;
    return now.st_dev == read.st_dev && now.st_ino == read.st_ino;
}

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

ScoreFileRead readScoreFile(const fs::path& path) { return readTable(path).read; }

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
    const FolderLock lock(tablePath, result.messages);
    entry.replay.clear();
    fs::path replayPath;
    bool replayTried = false;
    // The game's own replay goes when the table does not name it after all.
    auto dropReplay = [&] {
        if (!replayPath.empty() && fs::remove(replayPath, error)) notePlayerFilesChanged();
        replayPath.clear();
    };
    auto notKept = [&](const std::string& message) {
        result.messages.push_back(message);
        result.table = ScoreTable{};
        std::vector<ScoreEntry> none;
        result.rank = insertScore(result.table, entry, none);
        dropReplay();
        return result;
    };
    std::vector<ScoreEntry> dropped;
    for (int attempt = 1;; ++attempt) {
        TableOnDisk disk = readTable(tablePath);
        const ScoreFileRead& read = disk.read;
        if (read.status == ScoreFileStatus::Unreadable) {
            // Never write over a table that could not be read: it may be whole.
            return notKept("cannot read the score table " + shownPath + " (" + read.problem +
                           "); this game's score is not kept");
        }
        const bool damaged = read.status == ScoreFileStatus::Damaged;
        if (damaged) {
            fs::path aside;
            std::string keepError;
            const fs::path firstName = folder / (std::string(kScoreFileName) + ".damaged-" + fileStamp(now));
            if (!keepDamagedFile(tablePath, firstName, aside, keepError)) {
                return notKept("the score table " + shownPath + " is damaged (" + read.problem +
                               ") and cannot be kept aside (" + keepError + "); this game's score is not kept");
            }
            disk.file = FileDescriptor();  // the table is missing now
            result.keptAsideAs = aside.filename().string();
            result.messages.push_back("the score table " + shownPath + " is damaged (" + read.problem +
                                      "); it is kept as " + aside.string() + " and a new table is started");
        }
        result.table = read.table;
        dropped.clear();
        result.rank = insertScore(result.table, entry, dropped);
        if (result.rank < 0 && !damaged) {
            // Not among the best ten: the table stays as it is (a damaged
            // table set aside is followed by the new one, written below).
            dropReplay();
            result.saved = true;
            return result;
        }
        if (result.rank >= 0 && copyReplay != nullptr && !replayTried) {
            replayTried = true;
            replayPath = freeName(folder, std::string(kReplayPrefix) + fileStamp(now), kReplaySuffix);
            std::string copyError;
            if (replayPath.empty() || !copyReplay(replayPath, copyError)) {
                result.messages.push_back("cannot keep the replay beside the score table (" +
                                          (replayPath.empty() ? std::string("no free name") : copyError) + ")");
                replayPath.clear();
            }
        }
        if (result.rank >= 0 && !replayPath.empty())
            result.table.entries[static_cast<std::size_t>(result.rank)].replay = replayPath.filename().string();
        // A game that went on without the lock, or this one, may have written
        // the table since it was read: then the entry goes into the table as
        // it is now, so neither game's entry is lost.
        if (attempt < kMostEntryTries && !tableIsUnchanged(tablePath, disk)) continue;
        break;
    }
    std::string writeError;
    if (!writeFileAtomically(tablePath, formatScoreTable(result.table), writeError)) {
        result.messages.push_back("cannot write the score table " + shownPath + " (" + writeError +
                                  "); the old table is unchanged");
        dropReplay();
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
        if (!stillListed && fs::remove(folder / gone.replay, error)) notePlayerFilesChanged();
    }
    return result;
}
