#pragma once
// Writing a player's file so that it is never half-written: the bytes go to
// a temporary file beside it, are synced to the disk, and the temporary file
// is renamed over the old one. A crash, a kill or a full disk at any moment
// leaves either the old file or the new one.
#include <filesystem>
#include <string>
#include <string_view>

// False with the reason when the file could not be written; the old file is
// then untouched and no temporary file is left behind.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// The steps of a write, for tests that stop a process at each of them.
enum class AtomicWriteStep { TemporaryCreated, HalfWritten, AllWritten, Synced, Renamed };
using AtomicWriteProbe = void (*)(AtomicWriteStep step);
void setAtomicWriteProbe(AtomicWriteProbe probe);
