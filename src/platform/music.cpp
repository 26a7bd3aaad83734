// The program's side of the music: start the module from its file, read its position as
// the show does (1-based order and row), stop it.
#include "platform/music.h"

#include "data/file.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "support/sys.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

uint8_t MusicStopped = 0;
uint32_t MUSIC_Handle = 0;
uint32_t (*MUSIC_Position)(void) = MUSIC_LibraryPosition;

// The module image: read once and kept for the whole run.
static uint8_t* s_moduleImage = nullptr;

// Failures of the music start-up end the process with a message (not silently with 0).
[[noreturn]] static void MUSIC_Exit(void)
{
    BASS_Free();
    std::exit(1);
}

void MUSIC_Init(void)
{
    SYS_AtShutdown(MUSIC_Free);   // the fatal-error exit releases the library first
    const int device = PLAT.audio ? -1 : 0;
    if (BASS_Init(device, 44100, 0, nullptr, nullptr) != 1) {
        if (device == 0)
            std::fprintf(stderr, "vantrel: cannot start the music player: %s (error %d)\n", SND_ErrorDetail(),
                         BASS_ErrorGetCode());
        else
            std::fprintf(stderr,
                         "vantrel: cannot open the sound device: %s (error %d)\n"
                         "Run with --nosound to play the show without sound.\n",
                         SND_ErrorDetail(), BASS_ErrorGetCode());
        std::exit(1);
    }
    BASS_Start();
    MusicStopped = 0;
}

int MUSIC_Load(const char* name)
{
    // Size and bytes come from the same file by one lookup: FILE_Load, like FILE_GetSize,
    // skips an empty loose file for the archive's copy (a stream from FILE_OpenBinary would
    // not, and the two would disagree).
    uint32_t size = FILE_GetSize(name);
    if (size == 0) {
        std::fprintf(stderr, "vantrel: the music file \"%s\" is missing or empty\n", name);
        MUSIC_Exit();
    }
    if (size > (uint32_t)INT_MAX) {
        std::fprintf(stderr, "vantrel: the music file \"%s\" is too large (%u bytes)\n", name, (unsigned)size);
        MUSIC_Exit();
    }
    std::free(s_moduleImage);  // a module loaded before (the library keeps its own copy)
    s_moduleImage = (uint8_t*)std::malloc(size);
    if (!s_moduleImage) {
        std::fprintf(stderr, "vantrel: no memory for the music file \"%s\" (%u bytes)\n", name, (unsigned)size);
        MUSIC_Exit();
    }
    int got = FILE_Load(name, s_moduleImage, (int)size);
    if (got != (int)size) {
        std::fprintf(stderr, "vantrel: could not read the music file \"%s\" whole (%d of %u bytes)\n", name, got,
                     (unsigned)size);
        MUSIC_Exit();
    }

    MUSIC_Handle = BASS_MusicLoad(1, s_moduleImage, 0, size, 0, 0);
    if (MUSIC_Handle == 0) {
        // Without a handle every row of the schedule would count as due at once.
        std::fprintf(stderr, "vantrel: the music file \"%s\" cannot be played: %s (error %d)\n", name,
                     SND_ErrorDetail(), BASS_ErrorGetCode());
        MUSIC_Exit();
    }
    BASS_ChannelPlay(MUSIC_Handle, 1);
    return BASS_ErrorGetCode();
}

uint32_t MUSIC_LibraryPosition(void)
{
    return (uint32_t)BASS_ChannelGetPosition(MUSIC_Handle, BASS_POS_MUSIC_ORDER);
}

// The position word holds the order index in its low 16 bits and the row in its high 16
// bits; both are shown 1-based. A failed position read (all ones) gives 65536 for both.
int MUSIC_GetOrder(void) { return (int)(MUSIC_Position() & 0xFFFF) + 1; }
int MUSIC_GetRow(void) { return (int)(MUSIC_Position() >> 16) + 1; }
// False once stopped, and once a module shorter than the show has been played to its end:
// the main loop then ends the show as after MUSIC_Stop. With no module loaded only the flag
// counts.
bool MUSIC_IsPlaying(void)
{
    if (MusicStopped)
        return false;
    return MUSIC_Handle == 0 || BASS_ChannelIsActive(MUSIC_Handle) != BASS_ACTIVE_STOPPED;
}

void MUSIC_Stop(void)
{
    BASS_Stop();
    BASS_Free();
    MUSIC_Handle = 0;  // freed with the library
    MusicStopped = 1;
}

void MUSIC_Free(void)
{
    BASS_Free();
    MUSIC_Handle = 0;
}

void MUSIC_Pause(void) { BASS_ChannelPause(MUSIC_Handle); }
void MUSIC_Resume(void) { BASS_ChannelPlay(MUSIC_Handle, 0); }
