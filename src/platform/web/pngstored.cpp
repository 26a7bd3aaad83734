// PNG output in the web build, which has no libpng or zlib: the image data goes into stored
// (uncompressed) deflate blocks, so the files are larger than the desktop's but decode to the
// same pixels. CRC-32 and Adler-32 are computed here.
#include "support/pngwrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

static uint32_t s_crcTable[256];

static uint32_t PNG_Crc(const uint8_t* data, size_t size)
{
    if (!s_crcTable[1])
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            s_crcTable[n] = c;
        }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++)
        crc = s_crcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PNG_Put32(std::vector<uint8_t>& out, uint32_t v)
{
    const uint8_t b[4] = {(uint8_t)(v >> 24), (uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v};
    out.insert(out.end(), b, b + 4);
}

// Appends one chunk: length, type, data and the CRC of type and data.
static void PNG_Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PNG_Put32(out, (uint32_t)data.size());
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PNG_Put32(out, PNG_Crc(out.data() + start, out.size() - start));
}

// raw (each row a filter byte 0 and its bytes) as a zlib stream of stored blocks.
static std::vector<uint8_t> PNG_Stored(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);  // BFINAL on the last block, BTYPE 00
        z.push_back((uint8_t)n);
        z.push_back((uint8_t)(n >> 8));
        z.push_back((uint8_t)~n);
        z.push_back((uint8_t)(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        for (size_t i = at; i < at + n; i++) {
            a = (a + raw[i]) % 65521;
            b = (b + a) % 65521;
        }
        at += n;
    } while (at < raw.size());
    PNG_Put32(z, b << 16 | a);
    return z;
}

static bool PNG_Save(const char* path, int width, int height, uint8_t colorType, const std::vector<uint8_t>& raw,
                     const std::vector<uint8_t>* palette, std::string* error)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> file(signature, signature + 8), header;
    PNG_Put32(header, (uint32_t)width);
    PNG_Put32(header, (uint32_t)height);
    header.insert(header.end(), {8, colorType, 0, 0, 0});  // 8 bits, deflate, filter 0, no interlace
    PNG_Chunk(file, "IHDR", header);
    if (palette)
        PNG_Chunk(file, "PLTE", *palette);
    PNG_Chunk(file, "IDAT", PNG_Stored(raw));
    PNG_Chunk(file, "IEND", {});

    FILE* f = std::fopen(path, "wb");
    if (!f) {
        *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (std::fclose(f) != 0 || !written) {
        *error = std::string("cannot write ") + path;
        return false;
    }
    return true;
}

bool PNG_WriteRGB32(const char* path, const uint32_t* pixels, int width, int height, std::string* error)
{
    std::vector<uint8_t> raw;
    raw.reserve((size_t)height * (1 + 3 * (size_t)width));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        for (const uint32_t* p = pixels + (size_t)y * width; p < pixels + (size_t)(y + 1) * width; p++)
            raw.insert(raw.end(), {(uint8_t)(*p >> 16), (uint8_t)(*p >> 8), (uint8_t)*p});
    }
    return PNG_Save(path, width, height, 2, raw, nullptr, error);
}

bool PNG_WriteIndexed(const char* path, const uint8_t* pixels, int width, int height, const uint8_t* palette,
                      int colors, std::string* error)
{
    if (colors < 1 || colors > 256) {
        *error = "a PNG palette holds 1 to 256 colours";
        return false;
    }
    std::vector<uint8_t> raw;
    raw.reserve((size_t)height * (1 + (size_t)width));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels + (size_t)y * width, pixels + (size_t)(y + 1) * width);
    }
    const std::vector<uint8_t> entries(palette, palette + 3 * colors);
    return PNG_Save(path, width, height, 3, raw, &entries, error);
}
