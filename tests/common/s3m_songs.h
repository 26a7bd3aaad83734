// Small modules made with the project's S3M writer for tests of the music layer: one loud
// channel, a looped square wave struck at the first row of each pattern, speed 3 at tempo
// 125 (60 ms a row). Pattern 0 breaks to the next order after 16 rows, pattern 1 after 8.
// Order lists may hold "+++" and "---" markers, or be empty.
#pragma once

#include "s3m_writer.h"

#include <cstdint>
#include <vector>

namespace s3m_songs {

constexpr int kRowMs = 60;
constexpr int kPatternRows[2] = {16, 8};
constexpr uint8_t kSkip = S3M_ORDER_MARKER;  // "+++"
constexpr uint8_t kEnd = S3M_ORDER_END;      // "---"

inline S3M_Song Song(const std::vector<uint8_t>& orders)
{
    S3M_Song song;
    song.title = "test song";
    song.initialSpeed = 3;
    song.initialTempo = 125;
    song.mixVolume = 96;
    song.numChannels = 1;
    song.orders = orders;
    song.allowMarkers = true;
    S3M_Sample square;
    square.name = "square";
    square.fileName = "SQUARE.SMP";
    for (int i = 0; i < 64; i++)
        square.data.push_back(int8_t(i < 32 ? 120 : -120));
    square.looped = true;
    square.loopEnd = 64;
    song.samples = {square};
    song.patterns.resize(2);
    for (int p = 0; p < 2; p++) {
        song.patterns[p].cells[0][0].note = p == 0 ? 0x40 : 0x47;  // C-4, G-4
        song.patterns[p].cells[0][0].instrument = 1;
        song.patterns[p].cells[kPatternRows[p] - 1][0].command = 3;  // C: break to the next order
    }
    return song;
}

inline std::vector<uint8_t> Module(const std::vector<uint8_t>& orders) { return S3M_Write(Song(orders)); }

// Milliseconds the song plays for when its orders are played in turn from the first.
inline int LengthMs(const std::vector<uint8_t>& orders)
{
    int ms = 0;
    for (uint8_t o : orders) {
        if (o == kEnd)
            break;
        if (o != kSkip)
            ms += kPatternRows[o] * kRowMs;
    }
    return ms;
}

}  // namespace s3m_songs
