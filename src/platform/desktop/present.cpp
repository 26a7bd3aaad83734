// The desktop's presentation: each finished frame written into the window surface in the
// surface's own pixel format, with the byte-order overrides of the command line.
#include "platform/desktop/desktop.h"

#include "platform/screen.h"

#include <algorithm>
#include <cstring>

SDL_Surface* ScreenSurface = nullptr;

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

// Surface pixels of frame pixels, remembered per surface format and byte-order flags: a frame
// holds few colours (the 256 of the palette and black, or the text screen's), so SDL_MapRGB
// runs once per colour rather than once per pixel.
#define DESK_MAP_SLOTS 2048   // a power of two
static struct {
    const SDL_PixelFormat* format;
    uint32_t masks[4];  // the format's masks: a new format at a reused address still counts
    int32_t orderB, orderR;
    bool valid;
    bool identity;      // every surface pixel is its frame pixel & keep: rows are copied so
    uint32_t keep;      // the bits of a frame pixel that reach the surface on the copying path
    uint32_t keys[DESK_MAP_SLOTS];
    bool filled[DESK_MAP_SLOTS];
    uint32_t values[DESK_MAP_SLOTS];
} s_map;

// Whether the surface stores frame pixels as they are, but for the top byte, which SDL_MapRGB
// drops and the byte order 'b' keeps (*keep: the bits that stay). SDL_MapRGB of a 32-bit
// format shifts each channel into place and adds the alpha mask; these probes pin down every
// shift, loss and the mask, and the byte-order overrides are fixed rearrangements of the bytes.
static bool DESK_IsIdentity(const SDL_PixelFormat* format, uint32_t* keep)
{
    static const uint32_t probes[] = {0x000000,   0xFF0000,   0x00FF00,   0x0000FF,  0x010203,
                                      0x804020,   0xFFFFFF,   0xFF000000, 0x01000000, 0x80FF4020};
    *keep = 0xFFFFFF | LLS_SurfacePixel(format, 0xFF000000);
    if (format->BytesPerPixel != 4)
        return false;
    for (uint32_t p : probes)
        if (LLS_SurfacePixel(format, p) != (p & *keep))
            return false;
    return true;
}

static void DESK_UpdateMap(const SDL_PixelFormat* format)
{
    const uint32_t masks[4] = {format->Rmask, format->Gmask, format->Bmask, format->Amask};
    if (s_map.valid && s_map.format == format && std::memcmp(s_map.masks, masks, sizeof masks) == 0 &&
        s_map.orderB == ByteOrderB && s_map.orderR == ByteOrderR)
        return;
    s_map.format = format;
    std::memcpy(s_map.masks, masks, sizeof masks);
    s_map.orderB = ByteOrderB;
    s_map.orderR = ByteOrderR;
    s_map.identity = DESK_IsIdentity(format, &s_map.keep);
    std::fill(s_map.filled, s_map.filled + DESK_MAP_SLOTS, false);
    s_map.valid = true;
}

static inline uint32_t DESK_MapPixel(const SDL_PixelFormat* format, uint32_t p)
{
    const uint32_t slot = (p * 0x9E3779B1u) >> 21 & (DESK_MAP_SLOTS - 1);
    if (!s_map.filled[slot] || s_map.keys[slot] != p) {
        s_map.filled[slot] = true;
        s_map.keys[slot] = p;
        s_map.values[slot] = LLS_SurfacePixel(format, p);
    }
    return s_map.values[slot];
}

void DESK_Present(const uint32_t* frame)
{
    SDL_Surface* surface = ScreenSurface;
    if (!surface)
        return;
    const bool locked = SDL_MUSTLOCK(surface);
    if (locked && SDL_LockSurface(surface) < 0)
        return;   // this frame is not presented; the next one tries again
    const int W = LLS_FRAME_WIDTH, H = LLS_FRAME_HEIGHT;
    const int width = std::min(surface->w, W);
    const int height = std::min(surface->h, H);
    const int stride = surface->pitch / 4;
    uint32_t* pixels = (uint32_t*)surface->pixels;
    DESK_UpdateMap(surface->format);

    for (int y = 0; y < height; y++) {
        const uint32_t* row = frame + y * W;
        uint32_t* dst = pixels + y * stride;
        if (s_map.identity) {
            const uint32_t keep = s_map.keep;
            for (int x = 0; x < width; x++)
                dst[x] = row[x] & keep;
        } else {
            for (int x = 0; x < width; x++)
                dst[x] = DESK_MapPixel(surface->format, row[x]);
        }
    }

    if (locked)
        SDL_UnlockSurface(surface);
    SDL_UpdateRect(surface, 0, 0, W, H);
}
