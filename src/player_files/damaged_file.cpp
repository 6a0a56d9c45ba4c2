#include "player_files/damaged_file.h"

#include "player_files/file_changes.h"
#include "player_files/file_descriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr mode_t kPlaceholderMode = 0600;

// Renames from to to unless to exists; errno EEXIST when it does.
bool renameWithoutReplacing(const fs::path& from, const fs::path& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
#endif
    // A file system (or a C library: the browser's) that cannot refuse to
    // replace: the name is first taken
    // with a new empty file of this process's own, then renamed over.
    FileDescriptor placeholder(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPlaceholderMode));
    if (!placeholder.valid()) return false;
    placeholder.close();
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    const int code = errno;
    ::unlink(to.c_str());
    errno = code;
    return false;
}

}  // namespace

bool keepDamagedFile(const fs::path& file, const fs::path& firstName, fs::path& keptAs, std::string& error)
{
    for (int copy = 1; copy <= kMostKeptCopies; ++copy) {
        fs::path name = firstName;
        if (copy > 1) name += "." + std::to_string(copy);
        if (renameWithoutReplacing(file, name)) {
            keptAs = name;
            notePlayerFilesChanged();
            return true;
        }
        if (errno != EEXIST) {
            error = std::strerror(errno);
            return false;
        }
    }
    error = std::to_string(kMostKeptCopies) + " damaged copies are kept already";
    return false;
}
