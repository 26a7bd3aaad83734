// Fatal-error reporter and the clean-up steps it runs.
#include "support/sys.h"

#include "support/assert.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// A fixed table: registration happens at start-up and must not allocate or fail.
#define SYS_MAX_SHUTDOWN_STEPS 8
static SYS_ShutdownStep s_steps[SYS_MAX_SHUTDOWN_STEPS];
static int s_stepCount = 0;

void SYS_AtShutdown(SYS_ShutdownStep step)
{
    for (int i = 0; i < s_stepCount; i++)
        if (s_steps[i] == step)
            return;
    SYS_ASSERT(step && s_stepCount < SYS_MAX_SHUTDOWN_STEPS, "sys");
    s_steps[s_stepCount++] = step;
}

void SYS_Shutdown(void)
{
    for (int i = 0; i < s_stepCount; i++)
        s_steps[i]();
}

void SYS_FatalError(const char* format, ...)
{
    // The sound stops before the message appears.
    SYS_Shutdown();
    std::fputs("ERROR ERROR ERROR ERROR\n", stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::exit(1);
}
