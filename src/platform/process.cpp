#include "platform/process.h"

#include <array>
#include <cstdio>
#include <cstdlib>

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
