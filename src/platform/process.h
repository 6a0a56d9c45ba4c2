#pragma once
#include <cstdint>

// Ends the process with the given status: runs the exit steps, then flushes
// the standard streams.
[[noreturn]] void exitProcess(int status);

// Work that must be done at every end of the process (a recording's last
// line, the game that ended entered into the score table, a summary), in the
// order the steps were added: at exitProcess, and at any other exit() (the
// toolkit's when the window is closed). Each step runs once.
using ExitStep = void (*)();
constexpr int kMaxExitSteps = 16;
// False when kMaxExitSteps are registered already.
bool addExitStep(ExitStep step);
// Runs the steps not run yet (exitProcess does this itself).
void runExitSteps();

// Exit status after a picture could not be loaded.
constexpr int kExitPictureFailure = 1;

// The process's resident memory in bytes (0 where it cannot be read).
std::int64_t residentMemoryBytes();
// Bytes the process's heap has handed out and not taken back (0 where it cannot be read).
std::int64_t heapBytesInUse();
// Gives the heap's free memory back to the system, so that the resident
// memory shows what is in use rather than the heap's high-water mark.
void releaseFreeHeap();
