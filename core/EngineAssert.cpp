#include "core/EngineAssert.h"

#include <cstdio>
#include <cstdlib>

#ifdef ENGINE_ASSERTS
void EngineAssertFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "ENGINE_ASSERT failed: %s at %s:%d\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}
#endif
