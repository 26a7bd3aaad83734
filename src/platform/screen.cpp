// Screen modes and pages, the palette and its fades, and the per-frame conversion and
// presentation of the picture (LLS_DUMP).
#include "platform/screen.h"

#include "platform/backend.h"
#include "support/assert.h"
#include "support/base.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

int32_t LLS_Mode = -1;
int32_t LLS_Width = 0;
int32_t LLS_Height = 0;
int32_t LLS_Size = 0;
uint8_t* LLS_Screen = nullptr;
uint8_t LLS_VideoMemory[LLS_VIDEO_BYTES];
uint8_t* LLS_Page1 = nullptr;
uint8_t* LLS_Page2 = nullptr;
uint32_t LLS_ColorTable[256];
uint32_t LLS_Frame32[LLS_FRAME_WIDTH * LLS_FRAME_HEIGHT];

uint8_t PAL_Target[PAL_BYTES];
uint8_t PAL_Current[PAL_BYTES];
uint8_t PAL_Spare[PAL_BYTES];
int32_t PAL_FadeSpeed = 1;
uint8_t PAL_Fading = 0;
uint32_t PAL_FadeTime = 0;

uint8_t TCS_Active = 0;
int32_t ByteOrderB = 0;
int32_t ByteOrderR = 0;

// The text screen handed to TCS_Show: 320 x 200 pixels, channels in 10-bit fields.
static const uint32_t* s_textPicture = nullptr;

int LLS_Init(int pages, int mode)
{
    if (mode != LLS_Mode) {
        if (mode == 0) {
            LLS_Width = 320;
            LLS_Height = 200;
        } else if (mode == 5) {
            LLS_Width = 640;
            LLS_Height = 480;
        } else {
            SYS_NOT_PROVIDED("LLS_Init", "VantrelPAL", 712);
        }
    }
    LLS_Size = LLS_Width * LLS_Height;
    LLS_Mode = mode;

    std::free(LLS_Page1);
    std::free(LLS_Page2);
    LLS_Page1 = nullptr;
    LLS_Page2 = nullptr;

    if (pages == 0) {
        LLS_Screen = LLS_VideoMemory;
    } else if (pages == 1 || pages == 2) {
        LLS_Page1 = (uint8_t*)MEM_AllocOrDie(LLS_Size, "a screen page");
        std::memset(LLS_Page1, 0, (size_t)LLS_Size);
        if (pages == 2) {
            LLS_Page2 = (uint8_t*)MEM_AllocOrDie(LLS_Size, "a screen page");
            std::memset(LLS_Page2, 0, (size_t)LLS_Size);
        }
        LLS_Screen = LLS_Page1;
    }
    return 1;
}

void LLS_Flip(void)
{
    if (LLS_Mode != 0 || LLS_Screen == LLS_VideoMemory || !LLS_Screen)
        return;
    std::memcpy(LLS_VideoMemory, LLS_Screen, LLS_VIDEO_BYTES);
}

void LLS_FlipSmooth(void)
{
    const uint8_t* src = LLS_Screen;
    uint8_t* dst = LLS_VideoMemory;
    if (!src)
        return;
    // Raster order reads only pixels right of and below the one written, so the copy also
    // works in place when LLS_Screen is the video memory.
    std::memmove(dst, src, 320);
    for (int y = 1; y < 199; y++) {
        const uint8_t* s0 = src + y * 320;
        const uint8_t* s1 = s0 + 320;
        uint8_t* d = dst + y * 320;
        d[0] = s0[0];
        for (int x = 1; x < 319; x++)
            d[x] = (uint8_t)((s0[x] + s0[x + 1] + s1[x] + s1[x + 1]) >> 2);
        d[319] = s0[319];
    }
    std::memmove(dst + 199 * 320, src + 199 * 320, 320);
}

void LLS_AddSpan(uint8_t* dest, int count, int value)
{
    const uint8_t v = (uint8_t)value;
    for (int i = 0; i < count; i++)
        dest[i] = (uint8_t)(dest[i] + v);
}

void LLS_SetPalette(const uint8_t* palette, int first, int count)
{
    // Callers always pass 0 and 256; the whole table is converted.
    (void)first;
    (void)count;
    for (int i = 0; i < 256; i++) {
        uint32_t r = palette[3 * i], g = palette[3 * i + 1], b = palette[3 * i + 2];
        LLS_ColorTable[i] = (r << 18) | (g << 10) | (b << 2);
    }
}

void PAL_StepTowards(uint8_t* current, const uint8_t* target, int entries)
{
    for (int i = 0; i < entries * 3; i++) {
        if (current[i] < target[i])
            current[i]++;
        else if (current[i] > target[i])
            current[i]--;
    }
}

void PAL_FadeTick(uint32_t time)
{
    if (!PAL_Fading) {
        PAL_FadeTime = time;
        return;
    }
    if (time <= PAL_FadeTime)
        return;
    // Speed units per tick whatever the frame rate: a late frame catches up here.
    while (PAL_FadeTime < time) {
        for (int32_t s = 0; s < PAL_FadeSpeed; s++)
            PAL_StepTowards(PAL_Current, PAL_Target, 256);
        PAL_FadeTime++;
    }
    LLS_SetPalette(PAL_Current, 0, 256);
    if (std::memcmp(PAL_Current, PAL_Target, PAL_BYTES) == 0)
        PAL_Fading = 0;
}

void TCS_Show(const uint32_t* picture, int first, int count)
{
    if (first < count) {
        TCS_Active = 1;
        s_textPicture = picture;
    }
}

void TCS_Forget(const uint32_t* picture)
{
    if (picture && s_textPicture == picture)
        s_textPicture = nullptr;
}

// Looks up n palette indices into 32-bit pixels, two pixels per store.
static inline void LLS_LookupRow(const uint8_t* src, uint32_t* out, int n, const uint32_t* table)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t q;
        std::memcpy(&q, src + i, 8);
        for (int k = 0; k < 8; k += 2) {
            uint64_t pair = table[(q >> (8 * k)) & 0xFF] | (uint64_t)table[(q >> (8 * k + 8)) & 0xFF] << 32;
            std::memcpy(out + i + k, &pair, 8);
        }
    }
    for (; i < n; i++)
        out[i] = table[src[i]];
}

// Doubles n palette indices into 2n pixels.
static inline void LLS_LookupRowDoubled(const uint8_t* src, uint32_t* out, int n, const uint32_t* table)
{
    for (int x = 0; x < n; x++) {
        uint64_t pair = table[src[x]] * 0x100000001ull;
        std::memcpy(out + 2 * x, &pair, 8);
    }
}

// One text-screen row into a doubled LLS_Frame32 row: each channel read from its 10-bit field.
// The guard bits of the text pixel are masked off and each channel comes out as 8 bits, so
// the 0x00RRGGBB pixel never has a top byte: there is no bad pixel to stop on here.
static void LLS_TextRow(const uint32_t* text, uint32_t* out)
{
    for (int x = 0; x < 320; x++) {
        uint32_t v = text ? text[x] & 0x3FCFF3FC : 0;
        uint32_t pd = (((v >> 22) & 0xFF) << 16) | (((v >> 12) & 0xFF) << 8) | ((v >> 2) & 0xFF);
        out[2 * x] = out[2 * x + 1] = pd;
    }
}

void LLS_DUMP(void)
{
    if (!PLAT.presents) {
        PLAT.FramePresented();
        return;
    }
    const int W = LLS_FRAME_WIDTH, H = LLS_FRAME_HEIGHT;
    const bool mode0 = (LLS_Width == 320 && LLS_Height == 200);
    // In mode 5 with no page LLS_Screen is the 64000-byte video memory: the rest stays black.
    const uint8_t* src = mode0 ? LLS_VideoMemory : LLS_Screen;
    const int32_t available = (mode0 || LLS_Screen == LLS_VideoMemory) ? LLS_VIDEO_BYTES : LLS_Size;

    for (int y = 0; y < H; y++) {
        uint32_t* row = LLS_Frame32 + y * W;
        if (TCS_Active || mode0) {
            // Doubled and centred: rows 40-439 hold the 200 source rows, two each.
            if (y < 40 || y >= 440)
                std::memset(row, 0, W * sizeof(uint32_t));
            else if ((y - 40) & 1)
                std::memcpy(row, row - W, W * sizeof(uint32_t));
            else if (TCS_Active)
                LLS_TextRow(s_textPicture ? s_textPicture + ((y - 40) / 2) * 320 : nullptr, row);
            else
                LLS_LookupRowDoubled(src + ((y - 40) / 2) * 320, row, 320, LLS_ColorTable);
        } else {
            const int srcCount = std::clamp<int32_t>(available - y * W, 0, W);
            if (srcCount > 0)   // never a pointer past the source
                LLS_LookupRow(src + y * W, row, srcCount, LLS_ColorTable);
            std::fill(row + srcCount, row + W, 0u);
        }
    }

    PLAT.Present(LLS_Frame32);
    PLAT.FramePresented();
}
