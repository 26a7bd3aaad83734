// The intro: the weave (the previous frame blended through a colour-mixing table with a
// wavily distorted tiled picture and itself), then the logo and the title pictures.
#pragma once

#include <cstdint>

#define INTRO_WAVE_ROWS 32
#define INTRO_TEXTURE_PITCH 512
#define INTRO_TEXTURE_BYTES (256 * INTRO_TEXTURE_PITCH)
#define INTRO_MIX_BYTES 65536
#define INTRO_PICTURE_BYTES 64000
#define INTRO_BLOCK_BYTES 64768                         // a picture and its 768-byte palette
#define INTRO_BLOCKS_BYTES (2 * INTRO_BLOCK_BYTES)

// The weave's state. Tables are owned here (null when not allocated); exposed so tests and
// benchmarks can look at them and plant picture data.
struct IntroState {
    int32_t* wave;        // 32 rows x 256: row A, entry i = floor(A * cos(2 pi i / 256))
    uint8_t* texture;     // 256 rows x 512: the tiled weave picture, top-left 320 x 200 the last frame
    uint8_t* mix;         // 256 x 256: mix[screen colour * 256 + texture colour]
    uint8_t* weave;       // "GFX\WEAVE.GIF", 320 x 200
    uint8_t* pictures;    // logo block at 0, title block at INTRO_BLOCK_BYTES
    int32_t p1;           // wave index of row 0's horizontal shift, 0..255
    int32_t p2;           // wave index of column 0's vertical shift, 0..255
    int32_t amplitude;    // wave row in use, 0..31
    float accumulator;    // grows 0.017 per tick; never reset
    uint32_t lastTick;    // the tick up to which the phases have been advanced
};
extern IntroState INTRO_State;

bool IntroWeaveStart(uint32_t time);   // builds everything, shows the weave's palette, installs the hook
bool IntroWeaveJump(uint32_t time);    // moves the phases on by 80 and 50 entries
bool IntroWeaveFrame(uint32_t time);   // the frame hook: one weave frame, then advances the phases
bool IntroShowLogo(uint32_t time);     // ends the weave, shows the logo, clears the hook
bool IntroShowTitle(uint32_t time);    // shows the title, frees the pictures

// Fills the texture from the weave picture (tiled over 256 x 512) and clears its top-left
// 320 x 200, the part that holds the previous frame.
void INTRO_BuildTexture(void);
