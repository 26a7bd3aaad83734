// Picture loaders into 8-bit pixel buffers with 6-bit (or 8-bit) palettes.
// A picture is width x height palette indices, rows top first without padding, and a palette of
// red, green, blue bytes; every loader writes only inside the capacity it is given and 768
// palette bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the GIF file name into pixels (capacity bytes) and palette (6-bit components unless
// the low byte of keep8bit is set); width and height may be null. Returns 1; bad input, and a
// picture of more than capacity pixels, is an assertion stop in PIX_LoadGIF, unit PIX.
int PIX_LoadGIF(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                int keep8bit, size_t capacity);

// PCX version 5 (8 bits x 1 plane or 1 bit x 4 planes), IFF PBM and colour-mapped TGA 2.0
// loaders with 6-bit palettes. pixels (capacity bytes) and palette (768 bytes) may each be
// null; with both null only the header is read and the size reported. Width and height are
// stored as soon as the header is read. 1 on success, 0 on failure (file closed, no message).
int PIX_LoadPCX(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity);
int PIX_LoadPBM(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity);
int PIX_LoadTGA(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                size_t capacity);

// The second set of loaders: tries GIF, PCX, IFF PBM and TGA in that order and returns 1 at
// the first that succeeds, 0 if none does. Palettes keep the file's 8-bit components, and its
// GIF reader returns 0 where PIX_LoadGIF stops (it also takes any "GIF" signature and only
// minimum code sizes 2..9). Both buffers null asks for the size alone.
int PIX_LoadPicture(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                    size_t capacity);

// What PIX_LoadPictureAs found: the format's name ("GIF", "PCX", "PBM", "TGA") and the
// number of entries of the file's colour table.
struct PixInfo {
    const char* format;
    int32_t colors;
};

// Why the last loader call that failed (returned 0, or stopped in PIX_LoadGIF) failed: a
// short text such as "not a GIF", "truncated at byte 812" or "picture 640 x 480 does not fit
// 64000 bytes". The dispatcher's reason starts with the format it recognised ("GIF: ...").
const char* PIX_FailureReason(void);

// PIX_LoadPicture with the palette depth chosen (keep8bit 0 gives 6-bit components, as the
// first set does) and the format reported in info (may be null).
int PIX_LoadPictureAs(const char* name, uint8_t* pixels, uint8_t* palette, int32_t* width, int32_t* height,
                      size_t capacity, int keep8bit, PixInfo* info);
