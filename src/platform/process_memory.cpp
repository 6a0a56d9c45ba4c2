// The process's memory as Linux and glibc report it.
#include "platform/process.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

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
