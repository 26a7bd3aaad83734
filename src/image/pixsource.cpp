// Reading a picture's bytes from a stream of the file layer or from memory, with every read
// bounded: a decoder never sees a byte that is not there.
#include "image/pixcore.h"

#include "data/file.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// The reason of the last failure, and whether the reader running has recognised its format.
static char s_reason[200];
bool PIX_RecognisedFlag = false;

void PIX_SourceMemory(PixSource* src, const uint8_t* data, size_t size)
{
    *src = PixSource{};
    src->data = data;
    src->size = size;
    src->fileSize = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)size;
}

void PIX_SourceStream(PixSource* src, FILE* stream, uint32_t fileSize)
{
    *src = PixSource{};
    src->stream = stream;
    src->start = std::ftell(stream);
    if (src->start < 0)
        src->start = 0;
    src->fileSize = fileSize;
}

size_t PIX_Read(PixSource* src, void* out, size_t count)
{
    size_t got = 0;
    if (src->stream) {
        got = std::fread(out, 1, count, src->stream);
    } else if (src->data && src->pos < src->size) {
        got = src->size - src->pos < count ? src->size - src->pos : count;
        std::memcpy(out, src->data + src->pos, got);
        src->pos += got;
    }
    if (got < count)
        std::memset((uint8_t*)out + got, 0, count - got);
    return got;
}

bool PIX_ReadByte(PixSource* src, uint8_t* b)
{
    if (src->stream) {
        int c = std::getc(src->stream);
        *b = c == EOF ? 0 : (uint8_t)c;
        return c != EOF;
    }
    if (src->data && src->pos < src->size) {
        *b = src->data[src->pos++];
        return true;
    }
    *b = 0;
    return false;
}

bool PIX_Seek(PixSource* src, int64_t offset)
{
    if (offset < 0)
        return false;
    if (src->stream) {
        const int64_t where = (int64_t)src->start + offset;
        if (where > (int64_t)LONG_MAX)
            return false;
        return std::fseek(src->stream, (long)where, SEEK_SET) == 0;
    }
    src->pos = (size_t)offset;
    return true;
}

int64_t PIX_Tell(PixSource* src)
{
    if (src->stream)
        return (int64_t)std::ftell(src->stream) - src->start;
    return (int64_t)src->pos;
}

void PIX_SourceClose(PixSource* src)
{
    if (src->stream) {
        FILE_Close(src->stream);
        src->stream = nullptr;
    }
}

bool PIX_Fits(int64_t width, int64_t height, size_t capacity)
{
    return width >= 0 && height >= 0 && (uint64_t)width * (uint64_t)height <= (uint64_t)capacity;
}

void PIX_ReducePalette(uint8_t* palette, size_t count, int flags)
{
    if (flags & PIX_KEEP8BIT)
        return;
    for (size_t i = 0; i < count; i++)
        palette[i] >>= 2;
}

int PIX_Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(s_reason, sizeof s_reason, format, args);
    va_end(args);
    return 0;
}

int PIX_FailTruncated(const PixSource* src)
{
    // A memory source ends at its size; a stream at the position its short read left,
    // which a seek may have carried past the end of the file.
    int64_t end = (int64_t)src->size;
    if (src->stream) {
        end = (int64_t)std::ftell(src->stream) - src->start;
        if (src->fileSize > 0 && end > (int64_t)src->fileSize)
            end = src->fileSize;
    }
    return PIX_Fail("truncated at byte %lld", (long long)end);
}

int PIX_FailSize(int64_t width, int64_t height, size_t capacity)
{
    return PIX_Fail("picture %lld x %lld does not fit %zu bytes", (long long)width, (long long)height, capacity);
}

void PIX_Recognised(void)
{
    PIX_RecognisedFlag = true;
}

const char* PIX_FailureReason(void)
{
    return s_reason;
}
