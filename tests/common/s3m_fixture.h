// A small S3M module built in memory for the tests: one channel, one looped square-wave
// sample, order list {0, 1, 0}; pattern 0 breaks after 16 rows, pattern 1 after 8. At speed
// 3 and tempo 125 a row lasts 60 ms, so the whole module plays for 2.4 s and then ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace s3m_fixture {

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

inline size_t AlignTo16(std::vector<uint8_t>& b)
{
    while (b.size() % 16)
        b.push_back(0);
    return b.size();
}

// A packed pattern of 64 rows: a note at row 0 and a pattern break (command C) at breakRow.
inline std::vector<uint8_t> Pattern(int breakRow, uint8_t note)
{
    std::vector<uint8_t> p = {0, 0};  // length word, counting itself
    for (int row = 0; row < 64; row++) {
        if (row == 0) {
            p.push_back(0x20 | 0);  // channel 0: note and instrument
            p.push_back(note);
            p.push_back(1);
        }
        if (row == breakRow) {
            p.push_back(0x80 | 0);  // channel 0: command and info
            p.push_back(3);         // C: pattern break to row 0 of the next order
            p.push_back(0);
        }
        p.push_back(0);  // end of row
    }
    Put16(p, 0, (uint32_t)p.size());
    return p;
}

// Rows played per order: 16 and 8; 60 ms per row.
constexpr int kRowsPerOrder[3] = {16, 8, 16};
constexpr int kRowMs = 60;

inline std::vector<uint8_t> Module(void)
{
    const std::vector<uint8_t> orders = {0, 1, 0, 255};  // even count; 255 ends the list
    std::vector<uint8_t> b(0x60, 0);
    const char name[] = "vantrel test";
    for (size_t i = 0; i + 1 < sizeof name; i++)
        b[i] = (uint8_t)name[i];
    b[0x1C] = 0x1A;
    b[0x1D] = 16;                        // S3M module
    Put16(b, 0x20, (uint32_t)orders.size());
    Put16(b, 0x22, 1);                   // instruments
    Put16(b, 0x24, 2);                   // patterns
    Put16(b, 0x28, 0x1320);              // tracker version
    Put16(b, 0x2A, 2);                   // unsigned samples
    b[0x2C] = 'S', b[0x2D] = 'C', b[0x2E] = 'R', b[0x2F] = 'M';
    b[0x30] = 64;                        // global volume
    b[0x31] = 3;                         // speed: ticks per row
    b[0x32] = 125;                       // tempo: 20 ms per tick
    b[0x33] = 0x80 | 48;                 // stereo, master volume
    for (int c = 0; c < 32; c++)
        b[0x40 + c] = c == 0 ? 0 : 255;  // channel 0 on the left, the rest unused
    b.insert(b.end(), orders.begin(), orders.end());
    const size_t paraAt = b.size();
    b.resize(b.size() + 2 * 3);          // parapointers: 1 instrument, 2 patterns

    const size_t insAt = AlignTo16(b);
    b.resize(insAt + 80, 0);
    const uint32_t sampleLength = 64;
    b[insAt] = 1;                        // PCM sample
    Put32(b, insAt + 0x10, sampleLength);
    Put32(b, insAt + 0x14, 0);           // loop begin
    Put32(b, insAt + 0x18, sampleLength);
    b[insAt + 0x1C] = 48;                // volume
    b[insAt + 0x1F] = 1;                 // looped
    Put32(b, insAt + 0x20, 8363);        // C-4 speed
    b[insAt + 0x4C] = 'S', b[insAt + 0x4D] = 'C', b[insAt + 0x4E] = 'R', b[insAt + 0x4F] = 'S';
    Put16(b, paraAt, (uint32_t)(insAt / 16));

    for (int p = 0; p < 2; p++) {
        const size_t at = AlignTo16(b);
        std::vector<uint8_t> pat = Pattern(p == 0 ? 15 : 7, p == 0 ? 0x40 : 0x47);
        b.insert(b.end(), pat.begin(), pat.end());
        Put16(b, paraAt + 2 + 2 * p, (uint32_t)(at / 16));
    }

    const size_t dataAt = AlignTo16(b);
    for (uint32_t i = 0; i < sampleLength; i++)
        b.push_back(i < sampleLength / 2 ? 0xC0 : 0x40);  // unsigned 8-bit square wave
    // memseg: the sample's parapointer, high byte first, then the low word.
    const uint32_t seg = (uint32_t)(dataAt / 16);
    b[insAt + 0x0D] = (uint8_t)(seg >> 16);
    Put16(b, insAt + 0x0E, seg & 0xFFFF);
    return b;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace s3m_fixture
