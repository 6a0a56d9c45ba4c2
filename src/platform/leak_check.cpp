#include "platform/leak_check.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

void checkLeaksBeforeTheGlDriverUnloads()
{
#if defined(__SANITIZE_ADDRESS__)
    static bool registered = false;
    if (registered) return;
    registered = true;
    // Handlers run in reverse order, so this one runs before the toolkit's
    // (registered when it started). A leak ends the process with the
    // sanitizer's exit code; the check at the very end is then skipped.
    std::atexit([] { __lsan_do_leak_check(); });
#endif
}
