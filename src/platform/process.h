#pragma once
#include <cstdint>

// Ends the process with the given status (flushing standard streams).
[[noreturn]] void exitProcess(int status);

// Exit status after a picture could not be loaded.
constexpr int kExitPictureFailure = 1;

// The process's resident memory in bytes (0 where it cannot be read).
std::int64_t residentMemoryBytes();
// Bytes the process's heap has handed out and not taken back (0 where it cannot be read).
std::int64_t heapBytesInUse();
// Gives the heap's free memory back to the system, so that the resident
// memory shows what is in use rather than the heap's high-water mark.
void releaseFreeHeap();
