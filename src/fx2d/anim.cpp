// The .ZAF player (assertion unit ANIMATEC): loads every frame at once, then XORs frames into
// LLS_Screen forward or backward, optionally no faster than one step per delay ticks.
#include "fx2d/anim.h"

#include "data/file.h"
#include "data/input.h"
#include "platform/screen.h"
#include "support/assert.h"
#include "support/base.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static char s_error[160];

static int ANIM_Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(s_error, sizeof s_error, format, args);
    va_end(args);
    return 0;
}

const char* ANIM_Error(void)
{
    return s_error;
}

static uint32_t ANIM_Le16(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t ANIM_Le32(const uint8_t* p)
{
    return ANIM_Le16(p) | ANIM_Le16(p + 2) << 16;
}

// Frees what a load allocated so far: count frame slots (all set, null or a block), the frame
// table and the size table.
static void ANIM_FreeFrames(uint8_t** frames, uint32_t* sizes, uint32_t count)
{
    if (frames)
        for (uint32_t i = 0; i < count; i++)
            std::free(frames[i]);
    std::free(frames);
    std::free(sizes);
}

// Everything of ANIM_Init after the record has been reset and checked.
static int ANIM_Load(Anim* anim, FILE_Input* in, uint32_t callerValue1, int32_t callerValue2)
{
    uint8_t header[ANIM_HEADER_BYTES];
    if (!FILE_Take(in, header, sizeof header))
        return ANIM_Fail("the file is shorter than the 8-byte header");
    if (std::memcmp(header, ANIM_MAGIC, 4) != 0)
        return ANIM_Fail("not a .ZAF file (no \".ZAF\" at its start)");
    anim->callerValue1 = callerValue1;
    anim->callerValue2 = callerValue2;
    anim->width = 320;
    anim->height = 200;
    anim->headerWord = (int32_t)ANIM_Le16(header + 6);
    const uint32_t count = ANIM_Le16(header + 4);
    if (count == 0)
        return ANIM_Fail("the file holds no frames");

    uint8_t** frames = (uint8_t**)MEM_Alloc((int32_t)(count * sizeof(uint8_t*)));
    uint32_t* sizes = (uint32_t*)MEM_Alloc((int32_t)(count * sizeof(uint32_t)));
    if (!frames || !sizes) {
        std::free(frames);
        std::free(sizes);
        return ANIM_Fail("out of memory for a table of %u frames", count);
    }
    // The table's fresh bytes are noise: every slot is valid before the first one can fail.
    for (uint32_t i = 0; i < count; i++) {
        frames[i] = nullptr;
        sizes[i] = 0;
    }
    for (uint32_t i = 0; i < count; i++) {
        uint8_t field[4];
        if (!FILE_Take(in, field, sizeof field)) {
            ANIM_FreeFrames(frames, sizes, count);
            return ANIM_Fail("frame %u: the file ends before its chunk", i);
        }
        const uint32_t chunk = ANIM_Le32(field);
        if (chunk <= ANIM_EMPTY_CHUNK_MAX)
            continue;   // an empty frame: nothing follows its size
        if (chunk <= ANIM_CHUNK_HEAD_BYTES) {
            ANIM_FreeFrames(frames, sizes, count);
            return ANIM_Fail("frame %u: chunk size %u is too small", i, chunk);
        }
        // Checked before allocating: a damaged size must not allocate and read garbage.
        const uint32_t bytes = chunk - ANIM_CHUNK_HEAD_BYTES;
        if (chunk - 4 > in->left || bytes > (uint32_t)INT32_MAX) {
            ANIM_FreeFrames(frames, sizes, count);
            return ANIM_Fail("frame %u: its chunk of %u bytes runs past the end of the file", i, chunk);
        }
        frames[i] = (uint8_t*)MEM_Alloc((int32_t)bytes);
        if (!frames[i]) {
            ANIM_FreeFrames(frames, sizes, count);
            return ANIM_Fail("frame %u: out of memory for %u bytes", i, bytes);
        }
        sizes[i] = bytes;
        if (!FILE_Skip(in, ANIM_CHUNK_HEAD_BYTES - 4) || !FILE_Take(in, frames[i], bytes)) {
            ANIM_FreeFrames(frames, sizes, count);
            return ANIM_Fail("frame %u: the file cannot be read", i);
        }
    }
    anim->frames = frames;
    anim->frameSizes = sizes;
    anim->frameCount = (int32_t)count;
    s_error[0] = 0;
    return 1;
}

static void ANIM_Reset(Anim* anim, int32_t delay)
{
    anim->frames = nullptr;
    anim->frameSizes = nullptr;
    anim->frameCount = 0;
    anim->currentFrame = 0;
    anim->lastTime = 0;
    anim->delay = delay;
}

int ANIM_Init(Anim* anim, const char* name, int32_t delay, uint32_t callerValue1, int32_t callerValue2)
{
    SYS_ASSERT(anim != NULL, "ANIMATEC");
    ANIM_Reset(anim, delay);
    // The size first: the file layer's lookups leave an archive member's stream where it is.
    const uint32_t size = FILE_GetSize(name);
    FILE* stream = FILE_OpenBinary(name);
    if (!stream)
        return ANIM_Fail("cannot open the file");
    FILE_Input in = {stream, nullptr, 0, size};
    const int result = ANIM_Load(anim, &in, callerValue1, callerValue2);
    FILE_Close(stream);
    return result;
}

int ANIM_InitMemory(Anim* anim, const uint8_t* data, size_t size, int32_t delay, uint32_t callerValue1,
                    int32_t callerValue2)
{
    SYS_ASSERT(anim != NULL, "ANIMATEC");
    ANIM_Reset(anim, delay);
    FILE_Input in = {nullptr, data, 0, size};
    return ANIM_Load(anim, &in, callerValue1, callerValue2);
}

// Applies frame index of a loaded record; an empty frame changes nothing.
static void ANIM_Apply(const Anim* anim, uint32_t index)
{
    // currentFrame is the caller's to read and set: a slot outside the table is never read.
    if (index < (uint32_t)anim->frameCount && anim->frames[index])
        doFrame(anim->frames[index], anim->frameSizes[index]);
}

int ANIM_Play(Anim* anim, int32_t steps, uint32_t now)
{
    SYS_ASSERT(anim != NULL, "ANIMATEC");
    if (!anim->frames)
        return 0;
    // A signed difference, so that a clock that wrapped around still measures the gap.
    if (now != 0 && anim->lastTime != 0 && anim->delay >= 1 && (int32_t)(now - anim->lastTime) < anim->delay)
        return 1;
    anim->lastTime = now;

    const uint32_t count = (uint32_t)anim->frameCount;
    if (steps > 0) {
        for (int32_t i = 0; i < steps && anim->currentFrame < count; i++) {
            ANIM_Apply(anim, anim->currentFrame);
            anim->currentFrame++;
        }
        return anim->currentFrame < count ? 1 : 0;
    }
    if (steps == 0)
        return 1;
    // Applying a frame a second time undoes it.
    for (int64_t i = steps; i < 0; i++) {
        if (anim->currentFrame < 1)
            return 0;
        anim->currentFrame--;
        ANIM_Apply(anim, anim->currentFrame);
    }
    return anim->currentFrame >= 1 ? 1 : 0;
}

void ANIM_End(Anim* anim)
{
    SYS_ASSERT(anim != NULL, "ANIMATEC");
    if (!anim->frames)
        return;
    for (int32_t i = 0; i < anim->frameCount; i++) {
        std::free(anim->frames[i]);
        anim->frames[i] = nullptr;
    }
    std::free(anim->frames);
    std::free(anim->frameSizes);
    anim->frames = nullptr;
    anim->frameSizes = nullptr;
}

// The screen seen a machine word at a time; may_alias because the screen is a byte buffer.
typedef uint32_t AnimWord __attribute__((may_alias));

// XORs count screen bytes from q with the constant c: bytes up to a word boundary, then four
// words per pass, then single words and the last bytes.
static void ANIM_XorRun(uint8_t* q, size_t count, uint8_t c)
{
    for (; count > 0 && ((uintptr_t)q & 3) != 0; count--)
        *q++ ^= c;
    const uint32_t word = c * 0x01010101u;
    AnimWord* w = (AnimWord*)q;
    for (; count >= 16; count -= 16, w += 4) {
        w[0] ^= word;
        w[1] ^= word;
        w[2] ^= word;
        w[3] ^= word;
    }
    for (; count >= 4; count -= 4)
        *w++ ^= word;
    q = (uint8_t*)w;
    for (; count > 0; count--)
        *q++ ^= c;
}

// XORs count screen bytes from q with as many stream bytes, four at a time; neither side is
// necessarily aligned, so the words go through memcpy.
static void ANIM_XorBytes(uint8_t* q, const uint8_t* src, size_t count)
{
    for (; count >= 4; count -= 4, q += 4, src += 4) {
        uint32_t a, b;
        std::memcpy(&a, q, 4);
        std::memcpy(&b, src, 4);
        a ^= b;
        std::memcpy(q, &a, 4);
    }
    for (; count > 0; count--)
        *q++ ^= *src++;
}

// A run or literal length: one byte, or 255 and the excess over 255 in the next two bytes.
// false when the stream ends inside it.
static bool ANIM_ReadLength(const uint8_t** p, const uint8_t* end, size_t* length)
{
    if (*p >= end)
        return false;
    size_t n = *(*p)++;
    if (n == ANIM_LONG_LENGTH) {
        if (end - *p < 2)
            return false;
        n += ANIM_Le16(*p);
        *p += 2;
    }
    *length = n;
    return true;
}

void doFrame(const uint8_t* data, size_t size)
{
    uint8_t* q = LLS_Screen;
    uint8_t* const end = LLS_Screen + LLS_Size;
    const uint8_t* p = data;
    const uint8_t* const stop = data + size;
    // Every way out of this loop but the frame's completion leaves q short of the screen's
    // end: a stream that ends early, or a run or literal that would cross the screen's end.
    while (q < end) {
        size_t run, literal;
        if (!ANIM_ReadLength(&p, stop, &run) || p >= stop)
            break;
        const uint8_t c = *p++;
        if (run > (size_t)(end - q))
            break;
        if (c != 0)
            ANIM_XorRun(q, run, c);
        q += run;
        if (q == end)
            break;
        if (!ANIM_ReadLength(&p, stop, &literal) || literal > (size_t)(stop - p) || literal > (size_t)(end - q))
            break;
        ANIM_XorBytes(q, p, literal);
        q += literal;
        p += literal;
    }
    SYS_ASSERT_AT(q == end, "q == (byte*)LLS_Screen + LLS_Size", "doFrame", "ANIMATEC", __LINE__);
}
