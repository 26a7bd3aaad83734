// A file's bytes read in order from a stream of the file layer or from memory, never beyond
// the file's size: an archive member's stream would otherwise run on into the next member.
// The .ZAF and .ZS2 loaders read through it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

struct FILE_Input {
    FILE* stream;          // null for memory
    const uint8_t* data;   // the memory source
    size_t pos;            // read position in data
    uint64_t left;         // bytes of the file not read yet
};

// Copies the next count bytes to out; false (nothing consumed from memory) if the file has
// fewer left or the stream ends early.
inline bool FILE_Take(FILE_Input* in, void* out, size_t count)
{
    if (count > in->left)
        return false;
    if (in->stream) {
        if (std::fread(out, 1, count, in->stream) != count)
            return false;
    } else {
        std::memcpy(out, in->data + in->pos, count);
        in->pos += count;
    }
    in->left -= count;
    return true;
}

// Passes over the next count bytes; false if the file has fewer left.
inline bool FILE_Skip(FILE_Input* in, size_t count)
{
    if (count > in->left)
        return false;
    if (in->stream) {
        if (std::fseek(in->stream, (long)count, SEEK_CUR) != 0)
            return false;
    } else {
        in->pos += count;
    }
    in->left -= count;
    return true;
}
