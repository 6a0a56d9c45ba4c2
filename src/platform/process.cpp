#include "platform/process.h"

#include <cstdio>
#include <cstdlib>

void exitProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}
