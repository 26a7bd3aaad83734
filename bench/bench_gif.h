// A GIF writer for the benchmarks' synthetic pictures.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes an uncompressed-style GIF (9-bit codes, a clear code every 250 pixels, so the code
// width never grows) with a 256-entry grey palette.
inline void WriteGIF(const std::string& path, int width, int height)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', (uint8_t)width, (uint8_t)(width >> 8),
                                (uint8_t)height, (uint8_t)(height >> 8), 0xF7, 0, 0};
    for (int i = 0; i < 256; i++)
        out.insert(out.end(), {(uint8_t)i, (uint8_t)i, (uint8_t)i});
    out.insert(out.end(), {0x2C, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8), (uint8_t)height,
                           (uint8_t)(height >> 8), 0, 8});
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            data.push_back((uint8_t)acc);
            acc >>= 8;
            bits -= 8;
        }
    };
    for (int i = 0; i < width * height; i++) {
        if (i % 250 == 0)
            put(256);
        put((uint32_t)((i * 7 + i / width) & 255));
    }
    put(257);
    if (bits > 0)
        data.push_back((uint8_t)acc);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back((uint8_t)n);
        out.insert(out.end(), data.begin() + (long)i, data.begin() + (long)(i + n));
    }
    out.push_back(0);
    out.push_back(0x3B);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}
