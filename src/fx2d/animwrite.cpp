// The .ZAF writer behind vantrel-anim make: picture-to-picture XOR deltas in the run and
// literal coding of doFrame.
#include "fx2d/animwrite.h"

#include "fx2d/anim.h"

#include <cstring>

// A run this long or longer costs less as a run (two bytes) plus the next literal's length
// byte than inside a literal.
#define ANIM_RUN_PAYS 4

static void ANIM_PutLength(std::vector<uint8_t>* out, size_t length)
{
    if (length < ANIM_LONG_LENGTH) {
        out->push_back((uint8_t)length);
        return;
    }
    const size_t excess = length - ANIM_LONG_LENGTH;
    out->push_back(ANIM_LONG_LENGTH);
    out->push_back((uint8_t)excess);
    out->push_back((uint8_t)(excess >> 8));
}

static void ANIM_PutLe16(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

static void ANIM_PutLe32(std::vector<uint8_t>* out, uint32_t v)
{
    ANIM_PutLe16(out, v & 0xFFFF);
    ANIM_PutLe16(out, v >> 16);
}

void ANIM_EncodeDelta(const uint8_t* from, const uint8_t* to, size_t size, std::vector<uint8_t>* out)
{
    std::vector<uint8_t> d(size);
    for (size_t i = 0; i < size; i++)
        d[i] = from[i] ^ to[i];
    // Whether a run that pays starts at j.
    auto runStarts = [&](size_t j) {
        if (size - j < ANIM_RUN_PAYS)
            return false;
        for (size_t k = 1; k < ANIM_RUN_PAYS; k++)
            if (d[j + k] != d[j])
                return false;
        return true;
    };

    size_t i = 0;
    for (;;) {
        // A run: the longest one at i (at least one byte), a skip when its value is 0.
        size_t run = 1;
        while (i + run < size && run < ANIM_MAX_LENGTH && d[i + run] == d[i])
            run++;
        ANIM_PutLength(out, run);
        out->push_back(d[i]);
        i += run;
        if (i == size)
            return;
        // A literal: up to where a run pays, or the screen's end (possibly nothing).
        size_t literal = 0;
        while (i + literal < size && literal < ANIM_MAX_LENGTH && !runStarts(i + literal))
            literal++;
        ANIM_PutLength(out, literal);
        out->insert(out->end(), d.begin() + (ptrdiff_t)i, d.begin() + (ptrdiff_t)(i + literal));
        i += literal;
        if (i == size)
            return;
    }
}

bool ANIM_BuildFile(const std::vector<const uint8_t*>& pictures, size_t size, uint16_t headerWord,
                    std::vector<uint8_t>* file, std::string* error)
{
    if (pictures.empty()) {
        *error = "an animation needs at least one picture";
        return false;
    }
    if (pictures.size() > ANIM_MAX_FRAMES) {
        *error = "an animation holds at most " + std::to_string(ANIM_MAX_FRAMES) + " frames";
        return false;
    }
    file->clear();
    for (const char* m = ANIM_MAGIC; *m; m++)
        file->push_back((uint8_t)*m);
    ANIM_PutLe16(file, (uint32_t)pictures.size());
    ANIM_PutLe16(file, headerWord);

    const std::vector<uint8_t> cleared(size, 0);
    std::vector<uint8_t> delta;
    for (size_t k = 0; k < pictures.size(); k++) {
        const uint8_t* from = k == 0 ? cleared.data() : pictures[k - 1];
        if (std::memcmp(from, pictures[k], size) == 0) {
            ANIM_PutLe32(file, 4);   // an empty frame: its size field alone
            continue;
        }
        delta.clear();
        ANIM_EncodeDelta(from, pictures[k], size, &delta);
        ANIM_PutLe32(file, (uint32_t)(ANIM_CHUNK_HEAD_BYTES + delta.size()));
        file->insert(file->end(), ANIM_CHUNK_HEAD_BYTES - 4, 0);   // reserved
        file->insert(file->end(), delta.begin(), delta.end());
    }
    return true;
}
