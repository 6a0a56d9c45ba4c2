#include "player_files/atomic_file.h"

#include "parsing/numbers.h"
#include "player_files/file_changes.h"
#include "player_files/file_descriptor.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr mode_t kNewFileMode = 0644;
constexpr mode_t kPermissionBits = 0777;
constexpr int kMostNameTries = 100;
constexpr std::size_t kMostHostNameLength = 64;
constexpr std::string_view kTemporaryTag = ".tmp-";
// What older games' writers left: mkstemp's six random characters after
// kTemporaryTag, and the settings writer's ".tmp.PID".
constexpr std::size_t kOldRandomLength = 6;
constexpr std::string_view kOldSettingsTag = ".tmp.";
constexpr std::time_t kOldLeftoverSeconds = 60 * 60;

AtomicWriteProbe writeProbe = nullptr;

void reach(AtomicWriteStep step)
{
    if (writeProbe != nullptr) writeProbe(step);
}

// This host's name as it goes into a file name: letters, digits, '.', '-'
// and '_' only.
std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    std::string shown;
    for (const char* c = name; *c != '\0' && shown.size() < kMostHostNameLength; ++c) {
        const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') ||
                           *c == '.' || *c == '-' || *c == '_';
        shown += plain ? *c : '_';
    }
    return shown.empty() ? "host" : shown;
}

std::string temporaryName(const std::string& target, pid_t pid, int attempt, const std::string& host)
{
    return target + std::string(kTemporaryTag) + std::to_string(pid) + "-" + std::to_string(attempt) + "." + host;
}

// The temporary files this process is writing now, by folder (device and
// inode, however the folder is spelled) and name, so that a write by another
// thread never takes one of them for a leftover of an earlier process that
// had the same PID.
std::mutex liveMutex;
std::vector<std::string> liveTemporaries;

bool isLive(const std::string& path)
{
    const std::lock_guard<std::mutex> guard(liveMutex);
    return std::find(liveTemporaries.begin(), liveTemporaries.end(), path) != liveTemporaries.end();
}

class LiveTemporary {
public:
    explicit LiveTemporary(std::string path) : path_(std::move(path))
    {
        const std::lock_guard<std::mutex> guard(liveMutex);
        liveTemporaries.push_back(path_);
    }
    ~LiveTemporary()
    {
        const std::lock_guard<std::mutex> guard(liveMutex);
        const auto found = std::find(liveTemporaries.begin(), liveTemporaries.end(), path_);
        if (found != liveTemporaries.end()) liveTemporaries.erase(found);
    }
    LiveTemporary(const LiveTemporary&) = delete;
    LiveTemporary& operator=(const LiveTemporary&) = delete;

private:
    std::string path_;
};

std::string liveKey(const struct stat& folder, const std::string& name)
{
    return std::to_string(folder.st_dev) + ":" + std::to_string(folder.st_ino) + "/" + name;
}

// Whether the writer that made the file name with pid has gone.
bool writerIsGone(std::int64_t pid, const struct stat& folder, const std::string& name)
{
    if (pid == ::getpid()) return !isLive(liveKey(folder, name));
    // A process of another user answers EPERM: it runs.
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool isOld(const struct stat& status) { return std::time(nullptr) - status.st_mtime > kOldLeftoverSeconds; }

// Whether name, a file of folder that starts with the target's name and
// goes on with rest, is a temporary file that no running writer will use.
bool isLeftover(int folderFd, const struct stat& folder, const std::string& name, std::string_view rest,
                const std::string& host)
{
    struct stat status {};
    // A writer leaves plain files only; anything else is not ours to remove.
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode)) return false;
    constexpr std::int64_t kMostPid = std::numeric_limits<pid_t>::max();
    if (rest.starts_with(kTemporaryTag)) {
        rest.remove_prefix(kTemporaryTag.size());
        std::size_t at = 0;
        const std::optional<std::int64_t> pid = scanWholeNumber(rest, at, false);
        if (pid && *pid > 0 && *pid <= kMostPid && at < rest.size() && rest[at] == '-') {
            ++at;
            const bool haveTry = scanWholeNumber(rest, at, false).has_value();
            if (haveTry && at < rest.size() && rest[at] == '.' && rest.substr(at + 1) == host)
                return writerIsGone(*pid, folder, name);
            return false;
        }
        const bool oldRandom =
            rest.size() == kOldRandomLength && std::all_of(rest.begin(), rest.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            });
        return oldRandom && isOld(status);
    }
    if (rest.starts_with(kOldSettingsTag)) {
        rest.remove_prefix(kOldSettingsTag.size());
        return readWholeNumber(rest, 1, kMostPid).has_value() && isOld(status);
    }
    return false;
}

// Removes the temporary files that killed writers of target left in the
// folder. Best effort: what cannot be removed stays, and the write goes on.
void removeLeftovers(int folderFd, const struct stat& folder, const std::string& target, const std::string& host)
{
    const int scanFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scanFd < 0) return;
    DIR* listing = ::fdopendir(scanFd);
    if (listing == nullptr) {
        ::close(scanFd);
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() <= target.size() || !name.starts_with(target)) continue;
        const std::string_view rest = std::string_view(name).substr(target.size());
        if (isLeftover(folderFd, folder, name, rest, host)) leftovers.push_back(name);
    }
    ::closedir(listing);
    for (const std::string& name : leftovers) ::unlinkat(folderFd, name.c_str(), 0);
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            // No progress and no reason: the disk takes no more.
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void setAtomicWriteProbe(AtomicWriteProbe probe) { writeProbe = probe; }

fs::path temporaryFileName(const fs::path& path, int attempt)
{
    return path.parent_path() / temporaryName(path.filename().string(), ::getpid(), attempt, hostName());
}

bool writeFileAtomically(const fs::path& path, std::string_view bytes, std::string& error)
{
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string target = path.filename().string();
    if (target.empty() || target == "." || target == "..") {
        error = "no file name";
        return false;
    }
    // Every step works on the folder opened once, so all of them meet the same folder.
    const FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.valid()) {
        error = std::strerror(errno);
        return false;
    }
    mode_t mode = kNewFileMode;
    struct stat old {};
    if (::fstatat(folderFd.get(), target.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & kPermissionBits;

    struct stat folderStatus {};
    if (::fstat(folderFd.get(), &folderStatus) != 0) {
        error = std::strerror(errno);
        return false;
    }
    const std::string host = hostName();
    removeLeftovers(folderFd.get(), folderStatus, target, host);

    std::string temporary;
    std::optional<LiveTemporary> live;
    FileDescriptor fd;
    for (int attempt = 0; attempt < kMostNameTries; ++attempt) {
        temporary = temporaryName(target, ::getpid(), attempt, host);
        live.emplace(liveKey(folderStatus, temporary));
        // Exclusive and not through a link: a file or link planted at the
        // name is never written into.
        fd = FileDescriptor(::openat(folderFd.get(), temporary.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd.valid()) break;
        const int code = errno;
        live.reset();
        if (code != EEXIST) {
            error = std::strerror(code);
            return false;
        }
    }
    if (!fd.valid()) {
        error = "no free name for a temporary file beside it";
        return false;
    }
    auto failWith = [&](int code) {
        fd.close();
        ::unlinkat(folderFd.get(), temporary.c_str(), 0);
        error = std::strerror(code);
        return false;
    };
    // The process's umask must not change what the player's file allows.
    if (::fchmod(fd.get(), mode) != 0) return failWith(errno);
    reach(AtomicWriteStep::TemporaryCreated);
    const std::size_t half = bytes.size() / 2;
    if (!writeAll(fd.get(), bytes.data(), half)) return failWith(errno);
    reach(AtomicWriteStep::HalfWritten);
    if (!writeAll(fd.get(), bytes.data() + half, bytes.size() - half)) return failWith(errno);
    reach(AtomicWriteStep::AllWritten);
    // The data must be on the disk before the name points at it.
    if (::fsync(fd.get()) != 0) return failWith(errno);
    reach(AtomicWriteStep::Synced);
    if (const int code = fd.close(); code != 0) return failWith(code);
    if (::renameat(folderFd.get(), temporary.c_str(), folderFd.get(), target.c_str()) != 0) return failWith(errno);
    reach(AtomicWriteStep::Renamed);
    // The rename reaches the disk with the folder. Should that sync fail, the
    // new file is the file all the same, so the write has succeeded.
    ::fsync(folderFd.get());
    notePlayerFilesChanged();
    return true;
}
