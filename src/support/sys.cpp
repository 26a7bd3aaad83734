// Fatal-error reporter and the clean-up it runs.
#include "support/sys.h"

#include "platform/music.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void SYS_Shutdown(void)
{
    MUSIC_Free();
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
