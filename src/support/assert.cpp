// The one assertion facility: every assertion stop of the program goes through here.
#include "support/assert.h"

#include <cstdio>
#include <cstdlib>

static void SYS_DefaultAssertHandler(const char* expr, const char* func, const char* unit, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, function %s, file %s, line %d\n", expr, func, unit, line);
    std::fflush(stderr);
    std::abort();
}

static SYS_AssertHandler s_assertHandler = SYS_DefaultAssertHandler;

SYS_AssertHandler SYS_SetAssertHandler(SYS_AssertHandler handler)
{
    SYS_AssertHandler previous = s_assertHandler;
    s_assertHandler = handler ? handler : SYS_DefaultAssertHandler;
    return previous;
}

void SYS_AssertFailed(const char* expr, const char* func, const char* unit, int line)
{
    s_assertHandler(expr, func, unit, line);
    std::abort();
}
