// The process's memory in the browser: the WebAssembly memory and
// emscripten's heap, which never gives memory back to the page.
#include "platform/process.h"

#include <emscripten/heap.h>
#include <malloc.h>

std::int64_t residentMemoryBytes() { return static_cast<std::int64_t>(emscripten_get_heap_size()); }

std::int64_t heapBytesInUse()
{
    const struct mallinfo info = mallinfo();
    return static_cast<std::int64_t>(info.uordblks) + static_cast<std::int64_t>(info.hblkhd);
}

// WebAssembly memory cannot shrink.
void releaseFreeHeap() {}
