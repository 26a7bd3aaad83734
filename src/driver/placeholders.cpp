// PLACEHOLDERS: entry points whose subsystems have not landed yet. Each keeps the show
// alive (an effect installs an idle hook and returns true) without doing its real work.
// This file is the one list of them; each subsystem deletes its block when it lands.
#include "data/file.h"
#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx2d/feedback.h"
#include "fx2d/glow.h"
#include "fx2d/ripple.h"
#include "fx2d/shake.h"
#include "fx2d/tunnel.h"
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "fx3d/tower.h"
#include "image/pix.h"
#include "platform/backend.h"
#include "platform/music.h"
#include "sections/finale.h"
#include "sections/intro.h"
#include "text/font.h"

#include <cstring>
#include <string>

static bool PlaceholderIdle(uint32_t) { return true; }
static bool PlaceholderEffect(uint32_t)
{
    FrameHook = PlaceholderIdle;
    return true;
}

// --- Data files and pictures (archive and file layer, picture loaders) ---
// Plain files only, with backslashes read as '/'; no archive.
static std::string PlaceholderPath(const char* path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}
int DAT_Open(const char*) { return 0; }
FILE* FILE_OpenBinary(const char* path) { return std::fopen(PlaceholderPath(path).c_str(), "rb"); }
FILE* FILE_OpenText(const char* path) { return std::fopen(PlaceholderPath(path).c_str(), "r"); }
void FILE_Close(FILE* stream) { std::fclose(stream); }
uint32_t FILE_GetSize(const char* path)
{
    FILE* f = FILE_OpenBinary(path);
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size > 0 ? (uint32_t)size : 0;
}
int FILE_Load(const char* path, void* buffer, int maxLength)
{
    FILE* f = FILE_OpenBinary(path);
    if (!f)
        return 0;
    size_t n = std::fread(buffer, 1, maxLength > 0 ? (size_t)maxLength : 0, f);
    std::fclose(f);
    return (int)n;
}
int PIX_LoadGIF(const char*, uint8_t*, uint8_t*, int32_t*, int32_t*, int) { return 1; }

// --- Fonts and text ---
int FONT_Load(Font* font, const char*)
{
    std::memset(font, 0, sizeof *font);
    return 0;
}

// --- Palette cues ---
bool CueIdleHook(uint32_t t) { return PlaceholderEffect(t); }
bool CueEndShow(uint32_t)
{
    FrameHook = nullptr;
    return true;
}
bool CueStopHook(uint32_t)
{
    FrameHook = nullptr;
    return true;
}
bool CueNegativeFlash(uint32_t) { return true; }
bool CueWhiteFlash(uint32_t) { return true; }
bool CueFadeToBlack(uint32_t) { return true; }
bool CueRotateColoursA(uint32_t) { return true; }
bool CueRotateColoursB(uint32_t) { return true; }
bool CueShowFreestyle(uint32_t t) { return PlaceholderEffect(t); }
bool CueShowKolde(uint32_t t) { return PlaceholderEffect(t); }

// --- Row shake, polar ripple, intro ---
bool ShakeStart(uint32_t) { return true; }
bool RippleStart(uint32_t t) { return PlaceholderEffect(t); }
bool RippleEnd(uint32_t t) { return PlaceholderEffect(t); }
bool IntroWeaveStart(uint32_t t) { return PlaceholderEffect(t); }
bool IntroWeaveJump(uint32_t) { return true; }
bool IntroShowLogo(uint32_t t) { return PlaceholderEffect(t); }
bool IntroShowTitle(uint32_t t) { return PlaceholderEffect(t); }

// --- Light beams, ray-traced scene, tower ---
bool BEAM_Start(uint32_t t) { return PlaceholderEffect(t); }
bool BEAM_Reverse(uint32_t) { return true; }
bool BEAM_Resume(uint32_t t) { return PlaceholderEffect(t); }
bool RAY_Start(uint32_t t) { return PlaceholderEffect(t); }
bool RAY_Resume(uint32_t t) { return PlaceholderEffect(t); }
bool RAY_Grow(uint32_t) { return true; }
bool RAY_Stop(uint32_t t) { return PlaceholderEffect(t); }
bool FX_Nop(uint32_t) { return true; }
bool TOWER_Start(uint32_t t) { return PlaceholderEffect(t); }
bool TOWER_Skip(uint32_t) { return true; }
bool TOWER_Stop(uint32_t t) { return PlaceholderEffect(t); }

// --- Glow particles, feedback zoom, circle tunnel ---
bool GlowStart(uint32_t t) { return PlaceholderEffect(t); }
bool FeedbackStart(uint32_t t) { return PlaceholderEffect(t); }
bool FeedbackEnd(uint32_t t) { return PlaceholderEffect(t); }
bool TunnelStart(uint32_t t) { return PlaceholderEffect(t); }
bool TunnelNextMode(uint32_t) { return true; }
bool TunnelEnd(uint32_t t) { return PlaceholderEffect(t); }

// --- Closing screen ---
bool FinalePrepare(uint32_t) { return true; }
bool FinaleStart(uint32_t t) { return PlaceholderEffect(t); }
