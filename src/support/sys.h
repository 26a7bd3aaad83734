// The fatal-error exit: anticipated run-time failures end the program here.
#pragma once

// A clean-up step of the fatal-error exit.
typedef void (*SYS_ShutdownStep)(void);

// Registers step for SYS_Shutdown; a step registered before is not added twice. The music
// layer registers its release (MUSIC_Free) when it starts, so this layer needs no include of it.
void SYS_AtShutdown(SYS_ShutdownStep step);

// Runs the registered steps in the order they were registered: in the show, the release of
// the music library (MUSIC_Free) and nothing else.
void SYS_Shutdown(void);

// SYS_Shutdown, then "ERROR ERROR ERROR ERROR\n" and the printf-formatted message on stdout,
// then exit status 1 through the normal exit. The caller supplies the line end.
[[noreturn]] void SYS_FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));
