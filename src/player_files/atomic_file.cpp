#include "player_files/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr mode_t kFileMode = 0644;

AtomicWriteProbe writeProbe = nullptr;

void reach(AtomicWriteStep step)
{
    if (writeProbe != nullptr) writeProbe(step);
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void setAtomicWriteProbe(AtomicWriteProbe probe) { writeProbe = probe; }

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error)
{
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / (path.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto failWith = [&](int code) {
        ::close(fd);
        ::unlink(name.data());
        error = std::strerror(code);
        return false;
    };
    // mkstemp makes the file private; a player's files are readable like any other.
    if (::fchmod(fd, kFileMode) != 0) return failWith(errno);
    reach(AtomicWriteStep::TemporaryCreated);
    const std::size_t half = bytes.size() / 2;
    if (!writeAll(fd, bytes.data(), half)) return failWith(errno);
    reach(AtomicWriteStep::HalfWritten);
    if (!writeAll(fd, bytes.data() + half, bytes.size() - half)) return failWith(errno);
    reach(AtomicWriteStep::AllWritten);
    // The data must be on the disk before the name points at it.
    if (::fsync(fd) != 0) return failWith(errno);
    reach(AtomicWriteStep::Synced);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(name.data());
        error = std::strerror(code);
        return false;
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(name.data());
        error = std::strerror(code);
        return false;
    }
    reach(AtomicWriteStep::Renamed);
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
