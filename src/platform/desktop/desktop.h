// The desktop backend's own calls, over SDL 1.2: the window surface and how a frame is written
// into it, the translation of SDL's events into the show's, and the SDL sound output. The rest
// of the program reaches the desktop through platform/backend.h; tests and benchmarks of the
// desktop itself use this header.
#pragma once

#include "platform/backend.h"

#include <SDL.h>
#include <cstdint>

// The window surface SDL_SetVideoMode returned; null before PLAT_OpenWindow (the desktop then
// presents nothing).
extern SDL_Surface* ScreenSurface;

// The conversion of one frame pixel (0x00RRGGBB) into a surface pixel, as the desktop writes
// it: SDL_MapRGB, then the byte-order overrides (ByteOrderB, then ByteOrderR).
uint32_t LLS_SurfacePixel(const SDL_PixelFormat* format, uint32_t frame_pixel);

// Writes frame into ScreenSurface (locked if it must be; a failed lock skips the frame, the
// next one tries again) and updates the window. The desktop's PLAT.Present.
void DESK_Present(const uint32_t* frame);

// The show's event for an SDL event: key presses and releases (every key, the ones the show
// knows by name), and the window being closed. False for the events the show ignores.
bool DESK_TranslateEvent(const SDL_Event& sdl, PLAT_Event* event);

// The sound output over SDL 1.2 audio: 1024-frame buffers, filled on SDL's audio thread.
extern const PLAT_AudioOutput DESK_Audio;
