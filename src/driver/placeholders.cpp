// PLACEHOLDERS: entry points whose subsystems have not landed yet. Each keeps the show
// alive (an effect installs an idle hook and returns true) without doing its real work.
// This file is the one list of them; each subsystem deletes its block when it lands.
#include "driver/demo.h"
#include "sections/finale.h"
#include "text/font.h"

#include <cstring>

static bool PlaceholderIdle(uint32_t) { return true; }
static bool PlaceholderEffect(uint32_t)
{
    FrameHook = PlaceholderIdle;
    return true;
}

// --- Fonts and text ---
int FONT_Load(Font* font, const char*)
{
    std::memset(font, 0, sizeof *font);
    return 0;
}

// --- Closing screen ---
bool FinalePrepare(uint32_t) { return true; }
bool FinaleStart(uint32_t t) { return PlaceholderEffect(t); }
