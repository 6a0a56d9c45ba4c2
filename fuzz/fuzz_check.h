#pragma once
// What the fuzz targets hold the readers to beyond "no crash": a broken
// promise prints what was broken and aborts, which libFuzzer reports as a
// finding with the input that caused it.
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

// Standard error as it was before the readers' messages were silenced.
inline std::FILE*& reportStream()
{
    static std::FILE* stream = stderr;
    return stream;
}

// The readers write their failure messages to standard error; a fuzz run
// would drown in them. The sanitizers and libFuzzer write to the descriptor
// itself and stay heard.
inline void silenceReaderMessages()
{
    reportStream();
    if (std::FILE* sink = std::fopen("/dev/null", "w")) stderr = sink;
}

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition)                                                                          \
    do {                                                                                               \
        if (!(condition)) {                                                                            \
            std::fprintf(fuzzsupport::reportStream(), "%s:%d: broken promise: %s\n", __FILE__, __LINE__, \
                         #condition);                                                                  \
            std::abort();                                                                              \
        }                                                                                              \
    } while (false)
