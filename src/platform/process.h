#pragma once
// Ends the process with the given status (flushing standard streams).
[[noreturn]] void exitProcess(int status);

// Exit status after a picture could not be loaded.
constexpr int kExitPictureFailure = 1;
