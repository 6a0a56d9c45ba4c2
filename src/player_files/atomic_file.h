#pragma once
// Writing a player's file so that it is never half-written: the bytes go to
// a temporary file beside it, are synced to the disk, and the temporary file
// is renamed over the old one. A crash, a kill or a full disk at any moment
// leaves either the old file or the new one.
//
// The temporary file is "NAME.tmp-PID-TRY.HOST", made anew (never opened
// through a link or an existing file), with the old file's permissions, or
// 0644 for a new file. Each write first removes what killed writers of the
// same file left: the temporary files of this host whose process is gone.
// Those of a process that still runs (a game stopped with Ctrl-Z in the
// middle of its write) or of another host (a home folder shared over the
// network) are left alone, so two writers never remove each other's file.
// Older games' leftovers ("NAME.tmp-XXXXXX", "NAME.tmp.PID") go once they
// are an hour old.
#include <filesystem>
#include <string>
#include <string_view>

// False with the reason when the file could not be written; the old file is
// then untouched and no temporary file is left behind.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// The temporary file that try number attempt (0 the first) of a write of
// path by this process makes; a try whose name is taken goes on to the next.
std::filesystem::path temporaryFileName(const std::filesystem::path& path, int attempt);

// The steps of a write, for tests that stop a process at each of them.
enum class AtomicWriteStep { TemporaryCreated, HalfWritten, AllWritten, Synced, Renamed };
using AtomicWriteProbe = void (*)(AtomicWriteStep step);
void setAtomicWriteProbe(AtomicWriteProbe probe);
