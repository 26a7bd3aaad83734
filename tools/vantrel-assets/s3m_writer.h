// Our own writer of S3M modules: a song held as plain tables in memory becomes the bytes of
// a file that players take for one saved by Scream Tracker 3.20 (8-bit unsigned samples).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum {
    S3M_ROWS = 64,          // rows in every pattern
    S3M_MAX_CHANNELS = 32,
    S3M_NOTE_NONE = 255,    // empty note field
    S3M_NOTE_CUT = 254,     // "^^": stops the channel's sample
    S3M_VOLUME_NONE = 255,  // empty volume column
    S3M_ORDER_END = 255,    // "---": ends the song in the order list
    S3M_ORDER_MARKER = 254, // "+++": skipped in play; players still count it as an order
    S3M_MAX_SAMPLE = 64000, // longest sample the tracker itself accepts, in bytes
};

// Effect commands by letter: 'A' is 1.
enum {
    S3M_CMD_SPEED = 1,      // Axx
    S3M_CMD_VIBRATO = 8,    // Hxy: speed x, depth y
    S3M_CMD_SPECIAL = 19,   // Sxy
    S3M_CMD_TEMPO = 20,     // Txx
    S3M_CMD_GLOBALVOL = 22, // Vxx
};

// One channel of one row. note is (octave << 4) | semitone, or S3M_NOTE_NONE / S3M_NOTE_CUT;
// instrument is 1-based (0 = none); volume 0..64 or S3M_VOLUME_NONE; command 0 = none.
struct S3M_Cell {
    uint8_t note = S3M_NOTE_NONE;
    uint8_t instrument = 0;
    uint8_t volume = S3M_VOLUME_NONE;
    uint8_t command = 0;
    uint8_t info = 0;
};

struct S3M_Pattern {
    S3M_Cell cells[S3M_ROWS][S3M_MAX_CHANNELS];
};

// An 8-bit sample: signed values, written unsigned. A looped sample plays
// [loopStart, loopEnd) again and again once it gets there.
struct S3M_Sample {
    std::string name;       // up to 27 characters
    std::string fileName;   // DOS 8.3 name, up to 12 characters
    std::vector<int8_t> data;
    bool looped = false;
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    uint8_t volume = 64;    // default volume 0..64
    uint32_t c2spd = 8363;  // playback rate of note C-4, in Hz
};

struct S3M_Song {
    std::string title;                 // up to 27 characters
    uint8_t initialSpeed = 6;          // ticks per row
    uint8_t initialTempo = 125;        // BPM: a tick lasts 2.5 / tempo seconds
    uint8_t globalVolume = 64;         // 0..64
    uint8_t mixVolume = 48;            // master (mix) volume 16..127; the song is stereo
    int numChannels = 0;               // channels 0..numChannels-1 are used
    uint8_t pan[S3M_MAX_CHANNELS] = {};  // 0 (left) .. 15 (right) per channel
    std::vector<uint8_t> orders;       // pattern indices, without the end mark
    // Lets orders hold S3M_ORDER_MARKER and S3M_ORDER_END, and be empty: modules made to try
    // a player on such lists. The show's own song never sets it.
    bool allowMarkers = false;
    std::vector<S3M_Sample> samples;
    std::vector<S3M_Pattern> patterns;
};

// Packs one pattern: the length word (which counts its own 2 bytes), then each row as
// channel events ended by a 0 byte. Only channels below numChannels are written.
std::vector<uint8_t> S3M_PackPattern(const S3M_Pattern& pattern, int numChannels);

// The whole file: header "SCRM", order list ended by 255 (padded to an even count),
// parapointers (file offset / 16) to the sample headers and patterns, the panning table,
// the "SCRS" sample headers, the packed patterns and the sample data.
// Stops with an assertion on a song the format cannot hold.
std::vector<uint8_t> S3M_Write(const S3M_Song& song);
