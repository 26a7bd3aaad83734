// Small writers of PCX, IFF PBM and TGA files for the tests, each following its format's
// description so the loaders are checked against an independent encoding.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace picw {

typedef std::vector<uint8_t> Bytes;

inline void Put16LE(Bytes* b, size_t at, int v)
{
    (*b)[at] = (uint8_t)v;
    (*b)[at + 1] = (uint8_t)(v >> 8);
}

inline void Append32BE(Bytes* b, uint32_t v)
{
    for (int i = 3; i >= 0; i--)
        b->push_back((uint8_t)(v >> (8 * i)));
}

// PCX run-length encoding of one line: runs of 2..63 and bytes of 0xC0 and above as runs.
inline void PcxEncodeLine(Bytes* out, const uint8_t* line, int count)
{
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 63 && line[i + run] == line[i])
            run++;
        if (run > 1 || line[i] >= 0xC0)
            out->push_back((uint8_t)(0xC0 | run));
        out->push_back(line[i]);
        i += run;
    }
}

// 256-colour PCX: width x height pixels, 768-byte 8-bit palette, lines padded to bytesPerLine.
inline Bytes Pcx256(int width, int height, const Bytes& pixels, const Bytes& palette, int bytesPerLine)
{
    Bytes f(128, 0);
    f[0] = 10, f[1] = 5, f[2] = 1, f[3] = 8, f[65] = 1;
    Put16LE(&f, 8, width - 1);
    Put16LE(&f, 10, height - 1);
    Put16LE(&f, 66, bytesPerLine);
    Bytes line(bytesPerLine);
    for (int y = 0; y < height; y++) {
        std::fill(line.begin(), line.end(), 0);
        std::memcpy(line.data(), pixels.data() + (size_t)y * width, width);
        PcxEncodeLine(&f, line.data(), bytesPerLine);
    }
    f.push_back(0x0C);
    f.insert(f.end(), palette.begin(), palette.end());
    return f;
}

// 16-colour PCX, 1 bit x 4 planes: pixels 0..15 and the 48-byte header palette.
inline Bytes Pcx16(int width, int height, const Bytes& pixels, const Bytes& palette48)
{
    const int bytesPerLine = ((width + 7) / 8 + 1) & ~1;
    Bytes f(128, 0);
    f[0] = 10, f[1] = 5, f[2] = 1, f[3] = 1, f[65] = 4;
    Put16LE(&f, 8, width - 1);
    Put16LE(&f, 10, height - 1);
    Put16LE(&f, 66, bytesPerLine);
    std::memcpy(f.data() + 16, palette48.data(), 48);
    Bytes line(bytesPerLine);
    for (int y = 0; y < height; y++)
        for (int plane = 0; plane < 4; plane++) {
            std::fill(line.begin(), line.end(), 0);
            for (int x = 0; x < width; x++)
                if (pixels[(size_t)y * width + x] & (1 << plane))
                    line[x / 8] |= (uint8_t)(0x80 >> (x % 8));
            PcxEncodeLine(&f, line.data(), bytesPerLine);
        }
    return f;
}

// ByteRun1 of one stored row: repeats of 3 or more, literal stretches otherwise.
inline void ByteRun1(Bytes* out, const uint8_t* row, int count)
{
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 128 && row[i + run] == row[i])
            run++;
        if (run >= 3) {
            out->push_back((uint8_t)(int8_t)(1 - run));
            out->push_back(row[i]);
            i += run;
            continue;
        }
        int lit = 0;
        while (i + lit < count && lit < 128 &&
               !(i + lit + 2 < count && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2]))
            lit++;
        out->push_back((uint8_t)(lit - 1));
        out->insert(out->end(), row + i, row + i + lit);
        i += lit;
    }
}

inline void Chunk(Bytes* f, const char* id, const Bytes& data)
{
    f->insert(f->end(), id, id + 4);
    Append32BE(f, (uint32_t)data.size());
    f->insert(f->end(), data.begin(), data.end());
    if (data.size() & 1)
        f->push_back(0);
}

inline Bytes Bmhd(int width, int height, int compression, int planes = 8)
{
    Bytes b(20, 0);
    b[0] = (uint8_t)(width >> 8), b[1] = (uint8_t)width;
    b[2] = (uint8_t)(height >> 8), b[3] = (uint8_t)height;
    b[8] = (uint8_t)planes;
    b[10] = (uint8_t)compression;
    return b;
}

inline Bytes PbmBody(int width, int height, const Bytes& pixels, int compression)
{
    Bytes body;
    const int rowBytes = width + (width & 1);
    Bytes row(rowBytes);
    for (int y = 0; y < height; y++) {
        std::fill(row.begin(), row.end(), 0);
        std::memcpy(row.data(), pixels.data() + (size_t)y * width, width);
        if (compression)
            ByteRun1(&body, row.data(), rowBytes);
        else
            body.insert(body.end(), row.begin(), row.end());
    }
    return body;
}

// "FORM" around the given chunks (already framed with Chunk).
inline Bytes Form(const char* type, const Bytes& chunks)
{
    Bytes f{'F', 'O', 'R', 'M'};
    Append32BE(&f, (uint32_t)(4 + chunks.size()));
    f.insert(f.end(), type, type + 4);
    f.insert(f.end(), chunks.begin(), chunks.end());
    return f;
}

inline Bytes Pbm(int width, int height, const Bytes& pixels, const Bytes& cmap, int compression)
{
    Bytes chunks;
    Chunk(&chunks, "BMHD", Bmhd(width, height, compression));
    Chunk(&chunks, "CMAP", cmap);
    Chunk(&chunks, "BODY", PbmBody(width, height, pixels, compression));
    return Form("PBM ", chunks);
}

struct Tga {
    int width = 0, height = 0;
    int type = 1;                 // 1 raw, 9 run-length
    int entryBits = 24;
    Bytes map;                    // colour-map bytes as stored
    int mapLength = 0;            // entries
    Bytes id;                     // identification field
    uint8_t descriptor = 0;
    bool footer = true;
    bool topFirst = false;        // store rows top first (as the descriptor 0x20 says)
};

// Pixels are the picture top row first; rows are stored bottom first unless topFirst.
inline Bytes TgaFile(const Tga& t, const Bytes& pixels)
{
    Bytes f(18, 0);
    f[0] = (uint8_t)t.id.size();
    f[1] = 1;
    f[2] = (uint8_t)t.type;
    Put16LE(&f, 5, t.mapLength);
    f[7] = (uint8_t)t.entryBits;
    Put16LE(&f, 12, t.width);
    Put16LE(&f, 14, t.height);
    f[16] = 8;
    f[17] = t.descriptor;
    f.insert(f.end(), t.id.begin(), t.id.end());
    f.insert(f.end(), t.map.begin(), t.map.end());
    for (int k = 0; k < t.height; k++) {
        const uint8_t* row = pixels.data() + (size_t)(t.topFirst ? k : t.height - 1 - k) * t.width;
        if (t.type == 1) {
            f.insert(f.end(), row, row + t.width);
            continue;
        }
        for (int x = 0; x < t.width;) {
            int run = 1;
            while (x + run < t.width && run < 128 && row[x + run] == row[x])
                run++;
            if (run >= 2) {
                f.push_back((uint8_t)(0x80 | (run - 1)));
                f.push_back(row[x]);
            } else {
                f.push_back(0);
                f.push_back(row[x]);
            }
            x += run;
        }
    }
    if (t.footer) {
        f.insert(f.end(), 8, 0);
        const char sig[18] = "TRUEVISION-XFILE.";
        f.insert(f.end(), sig, sig + 18);
    }
    return f;
}

}  // namespace picw
