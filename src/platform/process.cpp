#include "platform/process.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <unistd.h>

namespace {

struct ExitSteps {
    std::array<ExitStep, kMaxExitSteps> steps{};
    int count = 0;
    int done = 0;  // the steps already run
    bool hookedIntoExit = false;
};

ExitSteps exitSteps;

}  // namespace

bool addExitStep(ExitStep step)
{
    if (exitSteps.count >= kMaxExitSteps) return false;
    exitSteps.steps[static_cast<std::size_t>(exitSteps.count++)] = step;
    if (!exitSteps.hookedIntoExit) {
        exitSteps.hookedIntoExit = true;
        std::atexit(runExitSteps);
    }
    return true;
}

void runExitSteps()
{
    // A step that ends the process itself finds the ones before it done.
    while (exitSteps.done < exitSteps.count) exitSteps.steps[static_cast<std::size_t>(exitSteps.done++)]();
}

void exitProcess(int status)
{
    runExitSteps();
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

std::int64_t residentMemoryBytes()
{
    // Second field of /proc/self/statm: resident pages.
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    long long totalPages = 0, residentPages = 0;
    const int read = std::fscanf(statm, "%lld %lld", &totalPages, &residentPages);
    std::fclose(statm);
    if (read != 2 || residentPages < 0) return 0;
    const long pageSize = sysconf(_SC_PAGESIZE);
    return static_cast<std::int64_t>(residentPages) * (pageSize > 0 ? pageSize : 4096);
}

std::int64_t heapBytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

void releaseFreeHeap() { malloc_trim(0); }
