// Small .FNT files made in the tests: a header and glyph data, built glyph by glyph.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// A proportional glyph: its width and width x height pixel bytes, column by column.
struct FIX_Glyph {
    int width;
    std::vector<uint8_t> pixels;
};

// The header (flags, height, fixed width, data size) followed by data.
inline std::vector<uint8_t> FIX_FontFile(uint16_t flags, int height, int fixedWidth, const std::vector<uint8_t>& data)
{
    const uint32_t size = (uint32_t)data.size();
    const uint8_t header[8] = {(uint8_t)flags, (uint8_t)(flags >> 8), (uint8_t)height, (uint8_t)fixedWidth,
                               (uint8_t)size, (uint8_t)(size >> 8), (uint8_t)(size >> 16), (uint8_t)(size >> 24)};
    std::vector<uint8_t> file(8 + data.size());
    std::copy(header, header + 8, file.begin());
    std::copy(data.begin(), data.end(), file.begin() + 8);
    return file;
}

// The glyph data of a proportional font: the map (if any), then each glyph's width byte and pixels.
inline std::vector<uint8_t> FIX_ProportionalData(const std::vector<FIX_Glyph>& glyphs, const uint8_t* map = nullptr)
{
    std::vector<uint8_t> data;
    if (map)
        data.assign(map, map + 256);
    for (const FIX_Glyph& g : glyphs) {
        data.push_back((uint8_t)g.width);
        data.insert(data.end(), g.pixels.begin(), g.pixels.end());
    }
    return data;
}

// A glyph whose every pixel is value.
inline FIX_Glyph FIX_SolidGlyph(int width, int height, uint8_t value)
{
    return FIX_Glyph{width, std::vector<uint8_t>((size_t)width * height, value)};
}

// A map font (flag 8) of the given height whose characters in chars have solid glyphs of
// width and value, in that order; every other code maps to none.
inline std::vector<uint8_t> FIX_MapFont(int height, const std::string& chars, int width, uint8_t value)
{
    uint8_t map[256];
    for (uint8_t& m : map)
        m = 255;
    std::vector<FIX_Glyph> glyphs;
    for (char c : chars) {
        map[(unsigned char)c] = (uint8_t)glyphs.size();
        glyphs.push_back(FIX_SolidGlyph(width, height, value));
    }
    return FIX_FontFile(8, height, 0, FIX_ProportionalData(glyphs, map));
}
