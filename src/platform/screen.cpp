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
SDL_Surface* ScreenSurface = nullptr;
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

uint32_t LLS_SurfacePixel(const SDL_PixelFormat* format, uint32_t p)
{
    uint8_t b = (uint8_t)p, g = (uint8_t)(p >> 8), r = (uint8_t)(p >> 16), x = (uint8_t)(p >> 24);
    uint32_t v = SDL_MapRGB(const_cast<SDL_PixelFormat*>(format), r, g, b);
    if (ByteOrderB) {
        const uint8_t bytes[4] = {b, g, r, x};
        std::memcpy(&v, bytes, 4);
    }
    if (ByteOrderR) {
        const uint8_t bytes[4] = {x, r, g, b};
        std::memcpy(&v, bytes, 4);
    }
    return v;
}

// Surface pixels of the 256 colours and of black, mapped once per change of the colour
// table, the byte-order flags or the surface format rather than once per pixel.
static struct {
    uint32_t colors[256];
    uint32_t sourceTable[256];
    uint32_t black;
    const SDL_PixelFormat* format;
    int32_t orderB, orderR;
    bool valid;
} s_map;

static void LLS_UpdateSurfaceMap(const SDL_PixelFormat* format)
{
    if (s_map.valid && s_map.format == format && s_map.orderB == ByteOrderB && s_map.orderR == ByteOrderR &&
        std::memcmp(s_map.sourceTable, LLS_ColorTable, sizeof LLS_ColorTable) == 0)
        return;
    std::memcpy(s_map.sourceTable, LLS_ColorTable, sizeof LLS_ColorTable);
    for (int i = 0; i < 256; i++)
        s_map.colors[i] = LLS_SurfacePixel(format, LLS_ColorTable[i]);
    s_map.black = LLS_SurfacePixel(format, 0);
    s_map.format = format;
    s_map.orderB = ByteOrderB;
    s_map.orderR = ByteOrderR;
    s_map.valid = true;
}

// The 8-bit source shown this frame and how many of its bytes may be read: in mode 5 with
// no page, LLS_Screen is the 64000-byte video memory and the rest of the frame stays black.
static const uint8_t* LLS_DumpSource(bool mode0, int32_t* available)
{
    if (mode0) {
        *available = LLS_VIDEO_BYTES;
        return LLS_VideoMemory;
    }
    *available = (LLS_Screen == LLS_VideoMemory) ? LLS_VIDEO_BYTES : LLS_Size;
    return LLS_Screen;
}

static void LLS_FillFrame32(const uint8_t* src, int32_t available, bool mode0)
{
    const int W = LLS_FRAME_WIDTH;
    if (TCS_Active) {
        for (int y = 0; y < 200; y++) {
            uint32_t* row = LLS_Frame32 + (2 * y + 40) * W;
            for (int x = 0; x < 320; x++) {
                uint32_t v = s_textPicture ? s_textPicture[y * 320 + x] & 0x3FCFF3FC : 0;
                uint32_t pd = (((v >> 22) & 0xFF) << 16) | (((v >> 12) & 0xFF) << 8) | ((v >> 2) & 0xFF);
                SYS_ASSERT_AT((pd & 0xFF000000) == 0, "(pd[i] & 0xFF000000) == 0", "LLS_DUMP", "VantrelPAL", 596);
                row[2 * x] = row[2 * x + 1] = pd;
            }
            std::memcpy(row + W, row, W * sizeof(uint32_t));
        }
    } else if (mode0) {
        for (int y = 0; y < 200; y++) {
            uint32_t* row = LLS_Frame32 + (2 * y + 40) * W;
            const uint8_t* s = src + y * 320;
            for (int x = 0; x < 320; x++)
                row[2 * x] = row[2 * x + 1] = LLS_ColorTable[s[x]];
            std::memcpy(row + W, row, W * sizeof(uint32_t));
        }
    } else {
        int32_t n = std::min<int32_t>(available, W * LLS_FRAME_HEIGHT);
        for (int32_t i = 0; i < n; i++)
            LLS_Frame32[i] = LLS_ColorTable[src[i]];
        std::fill(LLS_Frame32 + n, LLS_Frame32 + W * LLS_FRAME_HEIGHT, 0u);
    }
}

static void LLS_WriteSurface(SDL_Surface* surface, const uint8_t* src, int32_t available, bool mode0)
{
    const int W = LLS_FRAME_WIDTH;
    const int width = std::min(surface->w, W);
    const int height = std::min(surface->h, LLS_FRAME_HEIGHT);
    const int stride = surface->pitch / 4;
    uint32_t* pixels = (uint32_t*)surface->pixels;

    if (TCS_Active) {
        // Arbitrary colours: mapped pixel by pixel.
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                pixels[y * stride + x] = LLS_SurfacePixel(surface->format, LLS_Frame32[y * W + x]);
        return;
    }

    LLS_UpdateSurfaceMap(surface->format);
    for (int y = 0; y < height; y++) {
        uint32_t* d = pixels + y * stride;
        if (mode0) {
            if (y < 40 || y >= 440) {
                std::fill(d, d + width, s_map.black);
            } else if ((y & 1) == 1 && y > 40) {
                std::memcpy(d, d - stride, width * sizeof(uint32_t));  // the doubled row
            } else {
                const uint8_t* s = src + ((y - 40) / 2) * 320;
                for (int x = 0; x < width; x++)
                    d[x] = s_map.colors[s[x >> 1]];
            }
        } else {
            const int32_t base = y * W;
            for (int x = 0; x < width; x++)
                d[x] = (base + x < available) ? s_map.colors[src[base + x]] : s_map.black;
        }
    }
}

void LLS_DUMP(void)
{
    const bool mode0 = (LLS_Width == 320 && LLS_Height == 200);
    int32_t available = 0;
    const uint8_t* src = LLS_DumpSource(mode0, &available);
    const int W = LLS_FRAME_WIDTH;

    std::memset(LLS_Frame32, 0, 40 * W * sizeof(uint32_t));
    std::memset(LLS_Frame32 + 440 * W, 0, 40 * W * sizeof(uint32_t));
    LLS_FillFrame32(src, available, mode0);

    SDL_Surface* surface = ScreenSurface;
    if (surface) {
        bool locked = false;
        if (SDL_MUSTLOCK(surface)) {
            if (SDL_LockSurface(surface) < 0)
                return;  // skip this frame; the next one tries again
            locked = true;
        }
        LLS_WriteSurface(surface, src, available, mode0);
        if (locked)
            SDL_UnlockSurface(surface);
        SDL_UpdateRect(surface, 0, 0, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT);
    }
    PLAT.FramePresented();
}
