// Shared by the picture tests: a scratch folder entered for each test, and decoding of bytes
// in memory.
#pragma once

#include "common/scratch_dir.h"
#include "data/archive.h"
#include "data/datwrite.h"
#include "image/pixcore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

class ImageDirTest : public FIX_ScratchDirTest {
protected:
    ImageDirTest() : FIX_ScratchDirTest("vantrel-image") {}
    static void WriteFile(const std::string& path, const Bytes& bytes)
    {
        std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
    }
};

// One decoding over memory; the buffers start filled with 0xEE so untouched bytes show.
struct Decoded {
    int result = -1;
    Bytes pixels, palette;
    int32_t width = -1, height = -1;
    int32_t colors = 0;
};

typedef int (*PixReadFn)(PixSource*, PixTarget*, int);

inline Decoded DecodeBytes(PixReadFn reader, const Bytes& file, int flags, size_t capacity = 300000,
                           bool withPixels = true, bool withPalette = true)
{
    Decoded d;
    d.pixels.assign(capacity + 16, 0xEE);
    d.palette.assign(768, 0xEE);
    PixSource src;
    PIX_SourceMemory(&src, file.data(), file.size());
    PixTarget target = {withPixels ? d.pixels.data() : nullptr, capacity, withPalette ? d.palette.data() : nullptr,
                        &d.width, &d.height, 0};
    d.result = reader(&src, &target, flags);
    d.colors = target.colors;
    return d;
}

// The first count bytes of a buffer.
inline Bytes Head(const Bytes& b, size_t count)
{
    return Bytes(b.begin(), b.begin() + (std::ptrdiff_t)count);
}
