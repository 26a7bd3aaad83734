// Building GIF files for the tests: giflib's encoder and decoder as the independent reference,
// and a small writer of our own for streams giflib never produces (other code sizes, a table
// that fills without a clear code, hand-picked codes).
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace gifb {

typedef std::vector<uint8_t> Bytes;

struct Extension {
    int code;                  // GRAPHICS_EXT_FUNC_CODE, COMMENT_EXT_FUNC_CODE, ...
    std::vector<Bytes> blocks;
};

struct Picture {
    int width = 0, height = 0;
    int tableBits = 8;         // global table of 1 << tableBits entries
    bool gif89 = true;
    bool interlace = false;
    std::vector<Extension> extensions;
    Bytes pixels;              // width x height indices, in the order they are written
    Bytes palette;             // 3 << tableBits bytes
};

inline int WriteToBytes(GifFileType* gif, const GifByteType* data, int count)
{
    Bytes* out = (Bytes*)gif->UserData;
    out->insert(out->end(), data, data + count);
    return count;
}

// Encodes p with giflib; empty on failure.
inline Bytes EncodeWithGiflib(const Picture& p)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToBytes, &error);
    if (!gif)
        return {};
    const int entries = 1 << p.tableBits;
    std::vector<GifColorType> colors(entries);
    for (int i = 0; i < entries; i++)
        colors[i] = {p.palette[3 * i], p.palette[3 * i + 1], p.palette[3 * i + 2]};
    ColorMapObject* map = GifMakeMapObject(entries, colors.data());
    EGifSetGifVersion(gif, p.gif89);
    bool ok = EGifPutScreenDesc(gif, p.width, p.height, p.tableBits, 0, map) == GIF_OK;
    for (const Extension& e : p.extensions) {
        ok = ok && EGifPutExtensionLeader(gif, e.code) == GIF_OK;
        for (const Bytes& b : e.blocks)
            ok = ok && EGifPutExtensionBlock(gif, (int)b.size(), b.data()) == GIF_OK;
        ok = ok && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, p.width, p.height, p.interlace, nullptr) == GIF_OK;
    Bytes row(p.width);
    for (int y = 0; ok && y < p.height; y++) {
        std::memcpy(row.data(), p.pixels.data() + (size_t)y * p.width, p.width);
        ok = EGifPutLine(gif, row.data(), p.width) == GIF_OK;
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok ? out : Bytes{};
}

struct ReadState {
    const Bytes* bytes;
    size_t pos;
};

inline int ReadFromBytes(GifFileType* gif, GifByteType* out, int count)
{
    ReadState* s = (ReadState*)gif->UserData;
    int n = 0;
    while (n < count && s->pos < s->bytes->size())
        out[n++] = (*s->bytes)[s->pos++];
    return n;
}

// Decodes the first image with giflib, rows in stream order (no de-interlacing). False when
// giflib refuses the file.
inline bool DecodeWithGiflib(const Bytes& file, Bytes* pixels)
{
    ReadState state{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&state, ReadFromBytes, &error);
    if (!gif)
        return false;
    bool ok = false;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK) {
        if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* block;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK)
                break;
            while (block && DGifGetExtensionNext(gif, &block) == GIF_OK) {}
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK)
                break;
            const int count = gif->Image.Width * gif->Image.Height;
            pixels->assign(count, 0);
            ok = count == 0 || DGifGetLine(gif, pixels->data(), count) == GIF_OK;
            break;
        } else {
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

// Packs codes of given widths least significant bit first.
struct BitPacker {
    Bytes data;
    uint32_t accumulator = 0;
    int bits = 0;
    void Put(int code, int width)
    {
        accumulator |= (uint32_t)code << bits;
        bits += width;
        while (bits >= 8) {
            data.push_back((uint8_t)accumulator);
            accumulator >>= 8;
            bits -= 8;
        }
    }
    Bytes Finish()
    {
        if (bits > 0)
            data.push_back((uint8_t)accumulator);
        bits = 0;
        accumulator = 0;
        return data;
    }
};

// Cuts LZW bytes into sub-blocks of at most 255 bytes, then the terminator unless told not to.
inline Bytes SubBlocks(const Bytes& data, bool terminator = true)
{
    Bytes out;
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t n = data.size() - i < 255 ? data.size() - i : 255;
        out.push_back((uint8_t)n);
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    if (terminator)
        out.push_back(0);
    return out;
}

// LZW data (without the code-size byte) sending every pixel as a root code. clearEvery > 0
// sends a clear code after that many pixels; 0 never does, so the table fills and stays
// full (a deferred clear). The decoder's table growth is followed to know each code's width.
inline Bytes EncodeLiterals(const Bytes& pixels, int minCodeSize, int clearEvery)
{
    const int clear = 1 << minCodeSize;
    BitPacker out;
    int width = minCodeSize + 1, nextFree = clear + 2, sinceClear = 0;
    out.Put(clear, width);
    for (uint8_t p : pixels) {
        if (clearEvery > 0 && sinceClear == clearEvery) {
            out.Put(clear, width);
            width = minCodeSize + 1;
            nextFree = clear + 2;
            sinceClear = 0;
        }
        out.Put(p, width);
        if (sinceClear > 0 && nextFree < 4096) {
            nextFree++;
            if (nextFree > (1 << width) - 1 && width < 12)
                width++;
        }
        sinceClear++;
    }
    out.Put(clear + 1, width);
    return out.Finish();
}

// A whole GIF file around image data: signature, screen descriptor with a global table of
// tableEntries (0: none), the extension bytes, the image descriptor and then imageData (the
// code-size byte and the sub-blocks) and the trailer.
inline Bytes Assemble(const char* signature, int tableEntries, const Bytes& extensions, int width, int height,
                      uint8_t imagePacked, const Bytes& imageData)
{
    Bytes f(signature, signature + 6);
    int bits = 0;
    while (tableEntries > (2 << bits))
        bits++;
    const uint8_t packed = tableEntries ? (uint8_t)(0x80 | bits) : 0;
    const uint8_t screen[7] = {(uint8_t)width, (uint8_t)(width >> 8), (uint8_t)height, (uint8_t)(height >> 8),
                               packed, 0, 0};
    f.insert(f.end(), screen, screen + 7);
    for (int i = 0; i < tableEntries * 3; i++)
        f.push_back((uint8_t)(i * 7 + 3));
    f.insert(f.end(), extensions.begin(), extensions.end());
    const uint8_t descriptor[10] = {0x2C, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8), (uint8_t)height,
                                    (uint8_t)(height >> 8), imagePacked};
    f.insert(f.end(), descriptor, descriptor + 10);
    f.insert(f.end(), imageData.begin(), imageData.end());
    f.push_back(0x3B);
    return f;
}

// The image data for codes of given widths: code-size byte, sub-blocks, terminator.
inline Bytes Codes(int minCodeSize, const std::vector<std::pair<int, int>>& codes, bool terminator = true)
{
    BitPacker p;
    for (const auto& c : codes)
        p.Put(c.first, c.second);
    Bytes out{(uint8_t)minCodeSize};
    Bytes blocks = SubBlocks(p.Finish(), terminator);
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

}  // namespace gifb
