#include "panel/Check.h"

#if KANDO_CHECKS_ENABLED
#include <cstdio>
#include <cstdlib>

void PanelCheckFailed(const char* message, const char* file, int line) {
    std::fprintf(stderr, "panel invariant violated: %s (%s:%d)\n", message, file, line);
    std::fflush(stderr);
    std::abort();
}
#endif
