// The fatal-error exit: anticipated run-time failures end the program here.
#pragma once

// Releases the music library (MUSIC_Free); nothing else.
void SYS_Shutdown(void);

// SYS_Shutdown, then "ERROR ERROR ERROR ERROR\n" and the printf-formatted message on stdout,
// then exit status 1 through the normal exit. The caller supplies the line end.
[[noreturn]] void SYS_FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));
