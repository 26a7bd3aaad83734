// PCX output for screenshots: the 128-byte header, run-length rows and the trailing palette.
#include "image/pcxwrite.h"

#include <cstdio>

static void PCX_Put16(uint8_t* at, int32_t v)
{
    at[0] = (uint8_t)v;
    at[1] = (uint8_t)(v >> 8);
}

// One row: runs of 2 to 63 equal bytes as 0xC0 + count and the byte; a single byte that
// would read as a count (0xC0 and above) as a run of one; any other single byte as it is.
static void PCX_EncodeRow(const uint8_t* row, int32_t width, std::vector<uint8_t>* out)
{
    int32_t x = 0;
    while (x < width) {
        const uint8_t v = row[x];
        int32_t run = 1;
        while (x + run < width && run < 63 && row[x + run] == v)
            run++;
        if (run > 1 || v >= 0xC0)
            out->push_back((uint8_t)(0xC0 | run));
        out->push_back(v);
        x += run;
    }
}

std::vector<uint8_t> PIX_EncodePCX(const uint8_t* pixels, int32_t width, int32_t height, const uint8_t* palette)
{
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;   // manufacturer
    out[1] = 5;    // version
    out[2] = 1;    // run-length encoding
    out[3] = 8;    // bits per pixel
    PCX_Put16(&out[8], width - 1);    // window 0, 0 to width - 1, height - 1
    PCX_Put16(&out[10], height - 1);
    out[65] = 1;   // planes
    PCX_Put16(&out[66], width);       // bytes per line
    PCX_Put16(&out[68], 1);           // palette type
    for (int32_t y = 0; y < height; y++)
        PCX_EncodeRow(pixels + (size_t)y * (size_t)width, width, &out);
    out.push_back(12);
    for (int i = 0; i < 768; i++)
        out.push_back((uint8_t)(palette[i] * 4));
    return out;
}

bool PIX_WritePCX(const char* name, const uint8_t* pixels, int32_t width, int32_t height, const uint8_t* palette)
{
    FILE* f = std::fopen(name, "wb");
    if (!f)
        return false;
    const std::vector<uint8_t> bytes = PIX_EncodePCX(pixels, width, height, palette);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0)
        ok = false;
    return ok;
}
