// The decoders behind the PIX loaders, callable on a stream of the file layer or on bytes in
// memory (tests, fuzz targets). Each decoder serves both loader sets; flags choose the palette
// depth and, for GIF, whether bad input stops the program or returns 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#define PIX_KEEP8BIT 1   // palette components stay 8-bit (else shifted right by 2)
#define PIX_LENIENT 2    // GIF: any "GIF" signature, minimum code size 2..9, 0 instead of a stop

// The bytes of one picture. Offsets are relative to the picture's start: the position the
// file layer gave the stream (a member's offset inside an archive), or the buffer's start.
struct PixSource {
    const uint8_t* data;   // memory source, else null
    size_t size;           // bytes of data
    size_t pos;            // reading position in data
    FILE* stream;          // stream source, else null; closed through FILE_Close
    long start;            // the stream's position at the picture's start
    uint32_t fileSize;     // the picture's size: FILE_GetSize of the file, or size
};

void PIX_SourceMemory(PixSource* src, const uint8_t* data, size_t size);
void PIX_SourceStream(PixSource* src, FILE* stream, uint32_t fileSize);

// Reads up to count bytes; returns how many arrived. Bytes past the end read as 0.
size_t PIX_Read(PixSource* src, void* out, size_t count);
// One byte into *b; false (and *b = 0) past the end.
bool PIX_ReadByte(PixSource* src, uint8_t* b);
// Moves to offset bytes after the picture's start. false for a negative offset or a stream
// that cannot seek; a memory source may be placed past its end (reads then come up short).
bool PIX_Seek(PixSource* src, int64_t offset);
// The reading position relative to the picture's start.
int64_t PIX_Tell(PixSource* src);
// Closes a stream source through FILE_Close (once); nothing for memory.
void PIX_SourceClose(PixSource* src);

// Where a decoder puts the picture; filled by the caller except colors.
struct PixTarget {
    uint8_t* pixels;    // width x height bytes, or null
    size_t capacity;    // bytes available at pixels
    uint8_t* palette;   // 768 bytes, or null
    int32_t* width;     // receives the width, or null
    int32_t* height;    // receives the height, or null
    int32_t colors;     // set by the decoder: entries of the file's colour table
};

// Each returns 1 on success, 0 on failure. PIX_ReadGIF without PIX_LENIENT reports failures
// as the assertion stops of PIX_LoadGIF (closing a stream source first for "ireturn == TRUE").
int PIX_ReadGIF(PixSource* src, PixTarget* target, int flags);
int PIX_ReadPCX(PixSource* src, PixTarget* target, int flags);
int PIX_ReadPBM(PixSource* src, PixTarget* target, int flags);
int PIX_ReadTGA(PixSource* src, PixTarget* target, int flags);

// The second loader set over memory: GIF, PCX, IFF PBM and TGA in that order, each from the
// buffer's start, with PIX_LENIENT added to flags. Returns 1 at the first that succeeds and
// names it in *format ("GIF", "PCX", "PBM", "TGA"; format may be null).
int PIX_ReadPicture(const uint8_t* data, size_t size, PixTarget* target, int flags, const char** format);

// True when width x height pixels (either possibly negative) fit in capacity bytes.
bool PIX_Fits(int64_t width, int64_t height, size_t capacity);

// Failure reasons, read back with PIX_FailureReason. Each leaves the printf-formatted reason
// and returns 0, so a reader can write "return PIX_Fail(...)".
int PIX_Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "truncated at byte N", N being where src's bytes ran out.
int PIX_FailTruncated(const PixSource* src);
// "picture W x H does not fit N bytes".
int PIX_FailSize(int64_t width, int64_t height, size_t capacity);
// Called by a reader once the file's signature is its format's: when every format fails, the
// dispatcher reports the reason of the one that recognised the file.
void PIX_Recognised(void);
extern bool PIX_RecognisedFlag;   // set by PIX_Recognised; the dispatcher clears it

// Shifts count palette bytes right by 2 unless flags keep 8 bits.
void PIX_ReducePalette(uint8_t* palette, size_t count, int flags);
