// The desktop's sound output: SDL 1.2 audio at 44100 Hz stereo 16-bit, whose callback pulls
// each buffer from the music layer on SDL's audio thread.
#include "platform/desktop/desktop.h"

#include <cstring>
#include <string>

static PLAT_AudioFill s_fill = nullptr;
static std::string s_why;

static void SDLCALL DESK_AudioCallback(void*, Uint8* stream, int len)
{
    s_fill((int16_t*)stream, (size_t)len / 4);
}

static bool DESK_AudioFailed(const char** why, const std::string& reason)
{
    s_why = reason;
    *why = s_why.c_str();
    return false;
}

static bool DESK_AudioOpen(PLAT_AudioFill fill, uint32_t* bufferFrames, const char** why)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0)
        return DESK_AudioFailed(why, SDL_GetError());
    s_fill = fill;
    SDL_AudioSpec want, have;
    std::memset(&want, 0, sizeof want);
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = DESK_AudioCallback;
    if (SDL_OpenAudio(&want, &have) < 0) {
        std::string reason = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DESK_AudioFailed(why, reason);
    }
    if (have.freq != 44100 || have.format != AUDIO_S16SYS || have.channels != 2) {
        SDL_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DESK_AudioFailed(why, "the device does not take 44100 Hz 16-bit stereo");
    }
    *bufferFrames = have.samples;
    return true;
}

static void DESK_AudioRun(bool on) { SDL_PauseAudio(on ? 0 : 1); }
static void DESK_AudioLock(void) { SDL_LockAudio(); }
static void DESK_AudioUnlock(void) { SDL_UnlockAudio(); }

static void DESK_AudioClose(void)
{
    SDL_CloseAudio();   // waits for the callback to finish
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

static uint32_t DESK_AudioMilliseconds(void) { return SDL_GetTicks(); }

const PLAT_AudioOutput DESK_Audio = {
    DESK_AudioOpen, DESK_AudioRun, DESK_AudioLock, DESK_AudioUnlock, DESK_AudioClose, DESK_AudioMilliseconds,
};
