// S3M writer: lays out header, order list, parapointers, sample headers, packed patterns and
// sample data, each block on a 16-byte boundary so that a parapointer (offset / 16) reaches it.
#include "s3m_writer.h"

#include "support/assert.h"

#include <cstring>

static const char* const UNIT = "s3m_writer";

// Header fields by which players recognise a file saved by Scream Tracker 3.20 with a
// Gravis UltraSound: tracker version 0x1320, 16 ultra-click voices, and a nonzero GUS
// address in every sample header.
enum {
    TRACKER_VERSION = 0x1320,
    ULTRA_CLICK = 16,
    SAMPLES_UNSIGNED = 2,
    DEFAULT_PAN_FROM_TABLE = 252,
    HEADER_SIZE = 0x60,
    SAMPLE_HEADER_SIZE = 0x50,
};

static void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}

static void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

// Copies text into a fixed field of size bytes, always leaving a terminating zero.
static void PutText(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t size)
{
    SYS_ASSERT(text.size() < size, UNIT);
    memcpy(&out[at], text.data(), text.size());
}

static void AlignTo16(std::vector<uint8_t>& out)
{
    out.resize((out.size() + 15) & ~size_t(15), 0);
}

// Parapointer of the block about to be appended: the file offset in 16-byte units.
static uint32_t ParaHere(const std::vector<uint8_t>& out)
{
    SYS_ASSERT((out.size() & 15) == 0, UNIT);
    return uint32_t(out.size() >> 4);
}

std::vector<uint8_t> S3M_PackPattern(const S3M_Pattern& pattern, int numChannels)
{
    SYS_ASSERT(numChannels > 0 && numChannels <= S3M_MAX_CHANNELS, UNIT);
    std::vector<uint8_t> out(2, 0);
    for (int row = 0; row < S3M_ROWS; row++) {
        for (int ch = 0; ch < numChannels; ch++) {
            const S3M_Cell& c = pattern.cells[row][ch];
            SYS_ASSERT(c.note == S3M_NOTE_NONE || c.note == S3M_NOTE_CUT ||
                       ((c.note >> 4) <= 7 && (c.note & 15) <= 11), UNIT);
            SYS_ASSERT(c.volume == S3M_VOLUME_NONE || c.volume <= 64, UNIT);
            uint8_t what = uint8_t(ch);
            bool hasNote = c.note != S3M_NOTE_NONE || c.instrument != 0;
            bool hasVolume = c.volume != S3M_VOLUME_NONE;
            bool hasCommand = c.command != 0;
            if (!hasNote && !hasVolume && !hasCommand)
                continue;
            if (hasNote)
                what |= 32;
            if (hasVolume)
                what |= 64;
            if (hasCommand)
                what |= 128;
            out.push_back(what);
            if (hasNote) {
                out.push_back(c.note);
                out.push_back(c.instrument);
            }
            if (hasVolume)
                out.push_back(c.volume);
            if (hasCommand) {
                out.push_back(c.command);
                out.push_back(c.info);
            }
        }
        out.push_back(0);
    }
    // The length word counts itself.
    SYS_ASSERT(out.size() <= 0xFFFF, UNIT);
    Put16(out, 0, uint32_t(out.size()));
    return out;
}

std::vector<uint8_t> S3M_Write(const S3M_Song& song)
{
    const size_t numOrders = song.orders.size();
    const size_t numSamples = song.samples.size();
    const size_t numPatterns = song.patterns.size();
    SYS_ASSERT((numOrders > 0 || song.allowMarkers) && numOrders < 255, UNIT);
    SYS_ASSERT(numSamples > 0 && numSamples < 100, UNIT);
    SYS_ASSERT(numPatterns > 0 && numPatterns < 100, UNIT);
    SYS_ASSERT(song.numChannels > 0 && song.numChannels <= 16, UNIT);
    SYS_ASSERT(song.initialSpeed > 0 && song.initialTempo >= 33, UNIT);
    SYS_ASSERT(song.globalVolume <= 64, UNIT);
    SYS_ASSERT(song.mixVolume >= 16 && song.mixVolume <= 127, UNIT);
    // Unless allowed, no marker (254) and no early end (255).
    for (uint8_t order : song.orders)
        SYS_ASSERT(order < numPatterns ||
                   (song.allowMarkers && (order == S3M_ORDER_MARKER || order == S3M_ORDER_END)), UNIT);

    // The order list keeps its end mark and has an even length, as the tracker writes it.
    const size_t orderBytes = (numOrders + 2) & ~size_t(1);

    std::vector<uint8_t> out(HEADER_SIZE, 0);
    PutText(out, 0x00, song.title, 28);
    out[0x1C] = 0x1A;
    out[0x1D] = 16;  // file type: ST3 module
    Put16(out, 0x20, uint32_t(orderBytes));
    Put16(out, 0x22, uint32_t(numSamples));
    Put16(out, 0x24, uint32_t(numPatterns));
    Put16(out, 0x26, 0);  // flags
    Put16(out, 0x28, TRACKER_VERSION);
    Put16(out, 0x2A, SAMPLES_UNSIGNED);
    memcpy(&out[0x2C], "SCRM", 4);
    out[0x30] = song.globalVolume;
    out[0x31] = song.initialSpeed;
    out[0x32] = song.initialTempo;
    out[0x33] = uint8_t(0x80 | song.mixVolume);  // bit 7: stereo
    out[0x34] = ULTRA_CLICK;
    out[0x35] = DEFAULT_PAN_FROM_TABLE;
    // Channel settings: alternate left (0-7) and right (8-15) PCM channels; 255 = unused.
    for (int ch = 0; ch < S3M_MAX_CHANNELS; ch++)
        out[0x40 + ch] = ch < song.numChannels ? uint8_t((ch & 1) * 8 + ch / 2) : 255;

    for (size_t i = 0; i < orderBytes; i++)
        out.push_back(i < numOrders ? song.orders[i] : uint8_t(S3M_ORDER_END));
    const size_t samplePointers = out.size();
    out.resize(out.size() + 2 * numSamples, 0);
    const size_t patternPointers = out.size();
    out.resize(out.size() + 2 * numPatterns, 0);
    // Panning table: bit 5 says the entry holds a position.
    for (int ch = 0; ch < S3M_MAX_CHANNELS; ch++) {
        SYS_ASSERT(song.pan[ch] <= 15, UNIT);
        out.push_back(ch < song.numChannels ? uint8_t(0x20 | song.pan[ch]) : 0);
    }

    // Sample headers; their data pointers are filled in once the data is placed.
    std::vector<size_t> headerAt(numSamples);
    uint32_t gusAddress = 1;  // in 32-byte units of the card's memory; never 0
    for (size_t i = 0; i < numSamples; i++) {
        const S3M_Sample& s = song.samples[i];
        const size_t length = s.data.size();
        SYS_ASSERT(length > 0 && length <= S3M_MAX_SAMPLE, UNIT);
        SYS_ASSERT(!s.looped || (s.loopStart < s.loopEnd && s.loopEnd <= length), UNIT);
        SYS_ASSERT(s.volume <= 64 && s.c2spd > 0 && s.c2spd <= 0xFFFF, UNIT);
        AlignTo16(out);
        Put16(out, samplePointers + 2 * i, ParaHere(out));
        headerAt[i] = out.size();
        out.resize(out.size() + SAMPLE_HEADER_SIZE, 0);
        const size_t h = headerAt[i];
        out[h] = 1;  // PCM sample
        PutText(out, h + 0x01, s.fileName, 13);
        Put32(out, h + 0x10, uint32_t(length));
        Put32(out, h + 0x14, s.looped ? s.loopStart : 0);
        Put32(out, h + 0x18, s.looped ? s.loopEnd : 0);
        out[h + 0x1C] = s.volume;
        out[h + 0x1F] = s.looped ? 1 : 0;  // flags: loop; 8-bit mono
        Put32(out, h + 0x20, s.c2spd);
        Put16(out, h + 0x28, gusAddress);
        gusAddress += uint32_t((length + 31) >> 5);
        SYS_ASSERT(gusAddress <= 0xFFFF, UNIT);
        PutText(out, h + 0x30, s.name, 28);
        memcpy(&out[h + 0x4C], "SCRS", 4);
    }

    for (size_t i = 0; i < numPatterns; i++) {
        AlignTo16(out);
        Put16(out, patternPointers + 2 * i, ParaHere(out));
        std::vector<uint8_t> packed = S3M_PackPattern(song.patterns[i], song.numChannels);
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (size_t i = 0; i < numSamples; i++) {
        AlignTo16(out);
        const uint32_t para = ParaHere(out);
        SYS_ASSERT(para <= 0xFFFFFF, UNIT);
        const size_t h = headerAt[i];
        out[h + 0x0D] = uint8_t(para >> 16);  // the 24-bit pointer: high byte first,
        Put16(out, h + 0x0E, para & 0xFFFF);  // then the low word
        for (int8_t v : song.samples[i].data)
            out.push_back(uint8_t(v) ^ 0x80);  // signed to unsigned
    }
    AlignTo16(out);
    return out;
}
