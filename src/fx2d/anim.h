// The .ZAF frame animation player: every frame is an XOR delta against LLS_Screen, so the
// same frame data steps the animation forward and, applied again, back.
#pragma once

#include <cstddef>
#include <cstdint>

#define ANIM_MAGIC ".ZAF"
#define ANIM_HEADER_BYTES 8       // magic, frame count, header word
#define ANIM_CHUNK_HEAD_BYTES 12  // chunk size field and 8 reserved bytes before the frame data
#define ANIM_EMPTY_CHUNK_MAX 4    // a chunk size up to this is an empty frame (nothing follows it)
#define ANIM_LONG_LENGTH 255      // a length byte of 255 is followed by a 16-bit excess over 255
#define ANIM_MAX_LENGTH (255 + 65535)

// One loaded animation. The caller owns the record; the player owns the frame table, the
// frames and the size table while they are loaded.
struct Anim {
    uint32_t callerValue1;   // stored by ANIM_Init for the caller, not used by the player
    int32_t callerValue2;    // likewise
    int32_t width;           // 320
    int32_t height;          // 200
    int32_t headerWord;      // the file header's second 16-bit field, not used by the player
    int32_t frameCount;      // number of frame slots
    uint8_t** frames;        // frameCount blocks, null for an empty frame; null while nothing is loaded
    uint32_t currentFrame;   // the next frame to apply forward, 0..frameCount
    uint32_t lastTime;       // tick of the last step, 0 = none yet
    int32_t delay;           // minimum ticks between steps; below 1 means no limit
    uint32_t* frameSizes;    // bytes of each frame block, so the decoder knows where a frame ends
};

// Loads every frame of the .ZAF file name (through the file layer) into anim and rewinds it.
// Returns 1, or 0 with nothing allocated and frames null (ANIM_Error says why). The record's
// previous frames are not freed: call ANIM_End before loading into a record again.
int ANIM_Init(Anim* anim, const char* name, int32_t delay, uint32_t callerValue1, int32_t callerValue2);

// ANIM_Init over the bytes of a file in memory.
int ANIM_InitMemory(Anim* anim, const uint8_t* data, size_t size, int32_t delay, uint32_t callerValue1,
                    int32_t callerValue2);

// Why the last ANIM_Init or ANIM_InitMemory failed (a short phrase), or "" after a success.
const char* ANIM_Error(void);

// Applies steps frames forward (steps > 0) or undoes -steps frames (steps < 0) on LLS_Screen,
// at most one call per delay ticks of now. Returns 1 while there is more to play in that
// direction (and for a call held back by the rate limit or with steps 0), 0 at the end, when
// nothing is loaded, or when it ran out of frames.
int ANIM_Play(Anim* anim, int32_t steps, uint32_t now);

// Frees the frames and the tables; frames becomes null. Count and current frame stay.
void ANIM_End(Anim* anim);

// XORs one frame's delta stream (size bytes) into LLS_Screen from its first byte. A stream
// that does not end exactly at the screen's end, or ends before it, is a corrupt frame: an
// assertion stop in doFrame, unit ANIMATEC. Never reads or writes outside either buffer.
void doFrame(const uint8_t* data, size_t size);
