// The composition of the show's soundtrack: 50 orders of 64 rows in A minor at speed 6,
// tempo 130 (a row is a sixteenth note, an order four bars). Sections follow the show's
// schedule; cues land on drum hits, crashes and bells; the music thins out where the
// picture fades and ends on a ringing chord after the last cue.
#include "music.h"

#include "s3m_writer.h"
#include "synth.h"
#include "support/assert.h"

#include <cstring>
#include <string>

static const char* const UNIT = "music";

enum {
    SPEED = 6,
    TEMPO = 130,
    ORDERS = 50,
    ROWS = S3M_ROWS,
    BAR = 16,                 // rows in a bar of 4/4
    TOTAL_ROWS = ORDERS * ROWS,
};

// Instruments, 1-based as in the module.
enum {
    INS_KICK = 1, INS_SNARE, INS_HAT, INS_OPENHAT, INS_CRASH, INS_RISER,
    INS_BASS, INS_PAD, INS_LEAD, INS_PLUCK, INS_BELL, INS_BOOM,
    INSTRUMENTS = INS_BOOM
};

enum {
    CH_KICK, CH_SNARE, CH_HAT, CH_BASS, CH_PAD0, CH_PAD1, CH_PAD2,
    CH_LEAD, CH_ECHO, CH_ARP, CH_CRASH, CH_BELL, CH_IMPACT,
    CH_PADB0, CH_PADB1, CH_PADB2,  // the pad's second set: chords alternate between the sets
    CHANNELS
};

// Stereo placement, 0 (left) .. 15 (right): rhythm and bass in the middle, the pad spread
// wide, the lead's echo and the arpeggio on opposite sides.
static const uint8_t CHANNEL_PAN[CHANNELS] = {7, 8, 10, 7, 2, 13, 8, 9, 4, 11, 6, 10, 8, 2, 13, 8};

// ---- harmony ------------------------------------------------------------------------

// A chord: the bass root (MIDI, E1..D2) and three pad voices near middle C.
struct Chord {
    uint8_t root;
    uint8_t pad[3];
};

enum { C_AM, C_F, C_C, C_G, C_EM, C_DM, C_E, C_FMAJ7, C_EM7, C_DM7, CHORDS };
static const Chord CHORD[CHORDS] = {
    {33, {57, 60, 64}},  // Am
    {29, {57, 60, 65}},  // F
    {36, {55, 60, 64}},  // C
    {31, {55, 59, 62}},  // G
    {28, {55, 59, 64}},  // Em
    {38, {57, 62, 65}},  // Dm
    {28, {56, 59, 64}},  // E (the harmonic minor's dominant)
    {29, {57, 60, 64}},  // Fmaj7 (F under A C E)
    {28, {55, 59, 62}},  // Em7
    {38, {57, 60, 65}},  // Dm7
};

// Four bars each.
enum { P_A, P_B, P_C, P_D, P_E, P_END, PROGRESSIONS };
static const uint8_t PROGRESSION[PROGRESSIONS][4] = {
    {C_AM, C_F, C_C, C_G},           // i VI III VII: the main theme
    {C_F, C_G, C_EM, C_AM},          // the answer
    {C_DM, C_AM, C_E, C_AM},         // the tense one, with the raised seventh
    {C_FMAJ7, C_EM7, C_DM7, C_AM},   // the soft one
    {C_AM, C_G, C_F, C_E},           // the descending bass of the tower
    {C_AM, C_AM, C_AM, C_AM},        // the last chord
};

// ---- melodies -----------------------------------------------------------------------

// Each melody fills one order: "E5.6" is E5 held 6 rows, "r.4" a rest of 4 rows.
enum { M_NONE, M_A1, M_A2, M_B1, M_B2, M_C1, M_C2, M_D1, M_D2, M_E1, M_E2, MELODIES };
static const char* const MELODY[MELODIES] = {
    "r.64",
    "A4.4 C5.4 E5.6 D5.2  C5.6 A4.2 F5.4 E5.4  E5.6 G5.2 E5.4 D5.2 C5.2  D5.8 B4.4 G4.4",
    "A4.4 C5.4 E5.6 A5.2  G5.4 F5.4 E5.4 C5.4  D5.4 E5.4 G5.6 E5.2  D5.6 C5.2 B4.8",
    "C5.4 F5.4 A5.6 G5.2  G5.4 D5.4 B4.6 D5.2  E5.4 G5.4 B5.4 A5.2 G5.2  A5.12 r.4",
    "A5.4 G5.2 F5.2 C5.6 F5.2  G5.4 F5.2 E5.2 D5.6 B4.2  B4.4 E5.4 G5.4 F5.2 E5.2  E5.4 D5.2 C5.2 A4.8",
    "D5.3 F5.3 A5.2 G5.2 F5.2 E5.2 D5.2  C5.3 E5.3 A5.2 G5.2 E5.2 C5.2 E5.2  "
    "B4.3 E5.3 G#5.2 B5.2 G#5.2 E5.2 D5.2  C5.4 A4.4 E5.4 A5.4",
    "F5.3 A5.3 D6.2 C6.2 A5.2 F5.2 A5.2  E5.3 A5.3 C6.2 B5.2 A5.2 E5.2 C5.2  "
    "E5.3 G#5.3 B5.2 D6.2 B5.2 G#5.2 E5.2  A5.8 E5.4 C5.4",
    "A5.8 G5.4 E5.4  G5.8 E5.4 D5.4  F5.8 E5.4 D5.4  E5.12 r.4",
    "C6.6 A5.2 G5.4 A5.4  B5.6 G5.2 E5.8  F5.4 E5.4 D5.4 C5.4  A4.12 r.4",
    "A5.6 G5.2 E5.4 C5.4  B4.6 D5.2 G5.4 F5.4  A5.6 G5.2 F5.4 C5.4  B4.4 G#5.4 E5.4 D5.4",
    "E5.2 A5.2 C6.4 B5.2 A5.2 E5.4  D5.2 G5.2 B5.4 A5.2 G5.2 D5.4  "
    "C5.2 F5.2 A5.4 G5.2 F5.2 C5.4  B4.4 E5.4 G#5.4 B5.4",
};

struct MelodyNote {
    int row;
    int midi;  // -1: rest
    int length;
};

// Parses one melody; stops unless it fills exactly one order.
static std::vector<MelodyNote> ParseMelody(const char* text)
{
    static const int SEMITONE[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    std::vector<MelodyNote> notes;
    int row = 0;
    const char* p = text;
    while (*p) {
        if (*p == ' ') {
            p++;
            continue;
        }
        MelodyNote n{row, -1, 0};
        if (*p == 'r') {
            p++;
        } else {
            SYS_ASSERT(*p >= 'A' && *p <= 'G', UNIT);
            int semitone = SEMITONE[*p++ - 'A'];
            if (*p == '#') {
                semitone++;
                p++;
            }
            SYS_ASSERT(*p >= '0' && *p <= '9', UNIT);
            n.midi = 12 * (*p++ - '0' + 1) + semitone;
        }
        SYS_ASSERT(*p == '.', UNIT);
        p++;
        while (*p >= '0' && *p <= '9')
            n.length = n.length * 10 + (*p++ - '0');
        SYS_ASSERT(n.length > 0, UNIT);
        row += n.length;
        notes.push_back(n);
    }
    SYS_ASSERT(row == ROWS, UNIT);
    return notes;
}

// ---- the plan -----------------------------------------------------------------------

enum { D_NONE, D_HATS, D_KICKS, D_FOUR, D_BREAK, D_HALF };  // drum grooves
enum { B_NONE, B_LONG, B_OFFBEAT, B_OCTAVE, B_DRIVE, B_HALF };  // bass lines
enum { A_NONE, A_SPARSE, A_RUN };  // arpeggios: dotted eighths, sixteenths
enum {
    F_FILL = 1,   // snare roll over the last half bar
    F_RISER = 2,  // reversed cymbal swelling into the next order
    F_FINAL = 4,  // the last chord and its fade
};

// What plays in one order; volumes 0..64. The parts begin at startRow (0 unless the
// section enters late).
struct OrderPlan {
    uint8_t progression;
    uint8_t drums, drumVol;
    uint8_t bass, bassVol;
    uint8_t padVol;
    uint8_t arp, arpVol;
    uint8_t melody, leadVol;
    uint8_t flags;
    uint8_t startRow;
};

// Comments give the 1-based order numbers that the show counts.
static const OrderPlan PLAN[] = {
    // 1-4: the intro builds from a bare pad to the first beat.
    {P_A, D_NONE, 0, B_NONE, 0, 30, A_NONE, 0, M_NONE, 0, 0, 0},
    {P_A, D_NONE, 0, B_NONE, 0, 34, A_SPARSE, 18, M_NONE, 0, 0, 0},
    {P_A, D_HATS, 30, B_LONG, 30, 38, A_SPARSE, 22, M_NONE, 0, 0, 0},
    {P_A, D_KICKS, 44, B_OFFBEAT, 36, 40, A_RUN, 20, M_NONE, 0, F_FILL | F_RISER, 0},
    // 5-9: the first groove; the lead enters at 8.
    {P_A, D_FOUR, 50, B_OFFBEAT, 44, 32, A_RUN, 22, M_NONE, 0, 0, 0},
    {P_A, D_FOUR, 50, B_OFFBEAT, 44, 32, A_RUN, 22, M_NONE, 0, 0, 0},
    {P_B, D_FOUR, 50, B_OFFBEAT, 44, 32, A_RUN, 22, M_NONE, 0, 0, 0},
    {P_A, D_FOUR, 52, B_OFFBEAT, 46, 32, A_RUN, 20, M_A1, 42, 0, 0},
    {P_B, D_FOUR, 52, B_OFFBEAT, 46, 32, A_RUN, 20, M_B1, 42, F_FILL | F_RISER, 0},
    // 10-13: broken beat under the tense progression.
    {P_C, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_C1, 46, 0, 0},
    {P_C, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_C2, 46, 0, 0},
    {P_C, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_C1, 46, 0, 0},
    {P_C, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_C2, 46, F_FILL | F_RISER, 0},
    // 14-23: the main theme, a broken-beat variation, a breath and a climb.
    {P_A, D_FOUR, 54, B_OFFBEAT, 46, 32, A_RUN, 20, M_A1, 44, 0, 0},
    {P_A, D_FOUR, 54, B_OFFBEAT, 46, 32, A_RUN, 20, M_A2, 44, 0, 0},
    {P_B, D_FOUR, 54, B_OFFBEAT, 46, 32, A_RUN, 20, M_B1, 44, 0, 0},
    {P_B, D_FOUR, 54, B_OFFBEAT, 46, 32, A_RUN, 20, M_B2, 44, F_FILL, 0},
    {P_A, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_A1, 46, 0, 0},
    {P_A, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_A2, 46, F_FILL, 0},
    {P_D, D_HALF, 44, B_HALF, 42, 36, A_SPARSE, 22, M_D1, 40, F_RISER, 0},
    {P_C, D_FOUR, 56, B_OCTAVE, 48, 34, A_RUN, 24, M_C1, 48, 0, 0},
    {P_C, D_FOUR, 58, B_OCTAVE, 50, 36, A_RUN, 24, M_C2, 48, 0, 0},
    {P_C, D_FOUR, 60, B_OCTAVE, 50, 36, A_RUN, 26, M_C1, 50, F_FILL | F_RISER, 0},
    // 24-28: the tower, over a descending bass; it stops where the picture fades.
    {P_E, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_E1, 46, 0, 0},
    {P_E, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_E2, 46, 0, 0},
    {P_E, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_E1, 46, 0, 0},
    {P_E, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_E2, 46, 0, 0},
    {P_E, D_BREAK, 56, B_DRIVE, 48, 34, A_RUN, 22, M_E1, 46, 0, 0},
    // 29-31: half time, the arpeggio in front.
    {P_A, D_HALF, 46, B_HALF, 42, 30, A_RUN, 30, M_NONE, 0, 0, 0},
    {P_A, D_HALF, 48, B_HALF, 44, 30, A_RUN, 30, M_NONE, 0, 0, 0},
    {P_B, D_HALF, 48, B_HALF, 44, 30, A_RUN, 30, M_NONE, 0, 0, 0},
    // 32-33: the still picture: no drums.
    {P_D, D_NONE, 0, B_LONG, 22, 18, A_SPARSE, 16, M_D1, 28, 0, 0},
    {P_D, D_NONE, 0, B_LONG, 22, 18, A_SPARSE, 16, M_D2, 28, 0, 0},
    // 34-35: the beat comes back.
    {P_A, D_KICKS, 46, B_OFFBEAT, 40, 32, A_RUN, 20, M_NONE, 0, 0, 0},
    {P_A, D_FOUR, 50, B_OFFBEAT, 44, 32, A_RUN, 22, M_NONE, 0, F_FILL | F_RISER, 0},
    // 36-39: the peak: the main theme over the full groove.
    {P_A, D_FOUR, 60, B_OCTAVE, 50, 36, A_RUN, 26, M_A1, 52, 0, 0},
    {P_A, D_FOUR, 60, B_OCTAVE, 50, 36, A_RUN, 26, M_A2, 52, 0, 0},
    {P_B, D_FOUR, 60, B_OCTAVE, 50, 36, A_RUN, 26, M_B1, 52, 0, 0},
    {P_B, D_FOUR, 60, B_OCTAVE, 50, 36, A_RUN, 26, M_B2, 52, F_FILL | F_RISER, 0},
    // 40: a hit into darkness, then the pad alone under the last picture.
    {P_D, D_NONE, 0, B_NONE, 0, 32, A_SPARSE, 18, M_NONE, 0, 0, 31},
    // 41-48: the closing pages: a soft half-time groove from row 32 on.
    {P_D, D_HALF, 34, B_LONG, 34, 30, A_SPARSE, 18, M_NONE, 0, 0, 31},
    {P_D, D_HALF, 38, B_HALF, 38, 30, A_SPARSE, 20, M_D1, 32, 0, 0},
    {P_A, D_HALF, 38, B_HALF, 38, 30, A_RUN, 18, M_A1, 32, 0, 0},
    {P_D, D_HALF, 38, B_HALF, 38, 30, A_SPARSE, 20, M_D2, 32, 0, 0},
    {P_A, D_HALF, 38, B_HALF, 38, 30, A_RUN, 18, M_A2, 32, 0, 0},
    {P_D, D_HALF, 38, B_HALF, 38, 30, A_SPARSE, 20, M_D1, 32, 0, 0},
    {P_B, D_HALF, 34, B_HALF, 36, 30, A_SPARSE, 18, M_B2, 30, 0, 0},
    {P_D, D_HATS, 26, B_LONG, 32, 30, A_SPARSE, 16, M_D2, 28, 0, 0},
    // 49-50: the last chord rings out after the show's last cue.
    {P_END, D_NONE, 0, B_NONE, 0, 0, A_NONE, 0, M_NONE, 0, F_FINAL, 0},
    {P_END, D_NONE, 0, B_NONE, 0, 0, A_NONE, 0, M_NONE, 0, F_FINAL, 0},
};
static_assert(sizeof(PLAN) / sizeof(PLAN[0]) == ORDERS, "one plan per order");

// Where the show's cues land, 1-based as the show counts: hits under flashes and
// reversals, bells under colour changes and pictures, drops where the picture fades
// (the groove stops after the hit and the pad dies away).
enum { K_SOFT, K_HIT, K_DROP };
struct Accent {
    uint8_t order, row, kind;
};
static const Accent ACCENTS[] = {
    {1, 1, K_SOFT},   {2, 1, K_SOFT},   {2, 32, K_SOFT},  {3, 1, K_HIT},    {3, 32, K_HIT},
    {4, 1, K_HIT},    {5, 1, K_HIT},    {6, 1, K_HIT},    {8, 1, K_HIT},    {10, 1, K_HIT},
    {10, 32, K_HIT},  {11, 1, K_HIT},   {11, 32, K_HIT},  {12, 1, K_HIT},   {12, 32, K_SOFT},
    {13, 32, K_SOFT}, {14, 1, K_HIT},   {18, 1, K_HIT},   {21, 1, K_HIT},   {22, 1, K_HIT},
    {23, 1, K_HIT},   {24, 1, K_HIT},   {25, 1, K_SOFT},  {26, 1, K_HIT},   {27, 1, K_SOFT},
    {28, 44, K_DROP}, {29, 1, K_HIT},   {30, 1, K_SOFT},  {30, 32, K_SOFT}, {31, 1, K_SOFT},
    {31, 32, K_SOFT}, {31, 46, K_DROP}, {32, 1, K_SOFT},  {33, 46, K_DROP}, {34, 1, K_SOFT},
    {36, 1, K_HIT},   {37, 1, K_SOFT},  {38, 1, K_SOFT},  {39, 1, K_SOFT},  {40, 1, K_DROP},
    {40, 32, K_SOFT}, {41, 1, K_SOFT},  {41, 32, K_SOFT},
};

// ---- the song being built -------------------------------------------------------------

static S3M_Song g_song;
static int g_baseNote[INSTRUMENTS + 1];       // MIDI note each instrument sounds at C-4
static int g_noteEnd[TOTAL_ROWS][CHANNELS];   // row where a note placed here ends; -1: rings
static int g_dropRow[ORDERS];                 // row index of the order's drop, -1: none
static const Chord* g_padChord;               // the chord the pad holds, null: none
static int g_padSet;                          // first channel of the set holding it

static S3M_Cell& At(int abs, int ch)
{
    SYS_ASSERT(abs >= 0 && abs < TOTAL_ROWS && ch >= 0 && ch < CHANNELS, UNIT);
    return g_song.patterns[abs / ROWS].cells[abs % ROWS][ch];
}

static int Scale(int volume, int level)
{
    int v = volume * level / 64;
    return v > 64 ? 64 : v;
}

// Whether the parts may play at this row: not before the order's start row, and not in
// the silence after a drop (which lasts until the start row when that comes later).
static bool Active(int abs, bool pad)
{
    int order = abs / ROWS, row = abs % ROWS;
    const OrderPlan& plan = PLAN[order];
    int drop = g_dropRow[order];
    if (drop >= 0 && row > drop && (plan.startRow <= drop || row < plan.startRow))
        return false;
    return pad || drop >= 0 || row >= plan.startRow;
}

// Shortens a note so that it stops where its part falls silent.
static int ClipLength(int abs, int length, bool pad)
{
    for (int i = 1; i < length; i++)
        if (abs + i >= TOTAL_ROWS || !Active(abs + i, pad))
            return i;
    return length;
}

// Places a note of the given MIDI pitch; length 0 lets it ring until replaced.
static void Note(int ch, int abs, int midi, int instrument, int volume, int length)
{
    int n = midi - g_baseNote[instrument] + 60;  // tracker C-4 is MIDI 60
    SYS_ASSERT(n >= 12 && n < 108, UNIT);
    S3M_Cell& c = At(abs, ch);
    c.note = uint8_t(((n / 12 - 1) << 4) | (n % 12));
    c.instrument = uint8_t(instrument);
    c.volume = uint8_t(volume > 64 ? 64 : volume);
    g_noteEnd[abs][ch] = length > 0 ? abs + length : -1;
}

static void Drum(int ch, int abs, int instrument, int volume)
{
    Note(ch, abs, 60, instrument, volume, 0);
}

// Ends every note at its length with a cut, unless another note starts there first.
static void PlaceCuts(void)
{
    for (int ch = 0; ch < CHANNELS; ch++) {
        int end = -1;
        for (int abs = 0; abs < TOTAL_ROWS; abs++) {
            S3M_Cell& c = At(abs, ch);
            if (c.note != S3M_NOTE_NONE) {
                end = g_noteEnd[abs][ch];
                continue;
            }
            if (abs == end) {
                c.note = S3M_NOTE_CUT;
                end = -1;
            }
        }
    }
}

static const Chord& ChordAt(int abs)
{
    const OrderPlan& plan = PLAN[abs / ROWS];
    return CHORD[PROGRESSION[plan.progression][(abs % ROWS) / BAR]];
}

static bool InFill(int abs)
{
    return (PLAN[abs / ROWS].flags & F_FILL) && abs % ROWS >= ROWS - 8;
}

// ---- parts ------------------------------------------------------------------------------

// Per-bar grooves: 'x' a hit, 'g' a ghost note, 'o' an open hat.
struct Groove {
    const char* kick;
    const char* snare;
    const char* hat;
};
static const Groove GROOVE[] = {
    {"................", "................", "................"},  // D_NONE
    {"................", "................", "x.x.x.x.x.x.x.o."},  // D_HATS
    {"x...x...x...x...", "................", "x.x.x.x.x.x.x.x."},  // D_KICKS
    {"x...x...x...x...", "....x.......x...", "xgogxgogxgogxgog"},  // D_FOUR
    {"x.....x...x.....", "....x..g....x..g", "x.x.x.x.x.x.x.o."},  // D_BREAK
    {"x.........x.....", "........x......g", "x.x.x.x.x.x.x.x."},  // D_HALF
};

static void Drums(int order)
{
    const OrderPlan& plan = PLAN[order];
    const Groove& g = GROOVE[plan.drums];
    if (plan.drums == D_NONE)
        return;
    for (int row = 0; row < ROWS; row++) {
        int abs = order * ROWS + row, r = row % BAR;
        if (!Active(abs, false))
            continue;
        if (InFill(abs)) {
            // A rising snare roll: sixteenths from half volume to full, kicks on the beats.
            int step = row - (ROWS - 8);
            Drum(CH_SNARE, abs, INS_SNARE, Scale(28 + 5 * step, plan.drumVol + 8));
            if (step % 4 == 0)
                Drum(CH_KICK, abs, INS_KICK, Scale(60, plan.drumVol + 8));
            continue;
        }
        if (g.kick[r] == 'x')
            Drum(CH_KICK, abs, INS_KICK, Scale(64, plan.drumVol + 10));
        if (g.snare[r] == 'x')
            Drum(CH_SNARE, abs, INS_SNARE, Scale(64, plan.drumVol + 8));
        else if (g.snare[r] == 'g')
            Drum(CH_SNARE, abs, INS_SNARE, Scale(18, plan.drumVol));
        // Hats lean on the offbeats.
        if (g.hat[r] == 'x')
            Drum(CH_HAT, abs, INS_HAT, Scale(r % 4 == 2 ? 36 : 28, plan.drumVol));
        else if (g.hat[r] == 'g')
            Drum(CH_HAT, abs, INS_HAT, Scale(16, plan.drumVol));
        else if (g.hat[r] == 'o')
            Drum(CH_HAT, abs, INS_OPENHAT, Scale(30, plan.drumVol));
    }
}

// Bass lines, one bar each: row, length, octave up; they share the kick's rows.
struct BassStep {
    int8_t row, length, octave;
};
static const BassStep BASS_LONG[] = {{0, 16, 0}};
static const BassStep BASS_OFFBEAT[] = {{2, 2, 0}, {6, 2, 0}, {10, 2, 0}, {14, 2, 1}};
static const BassStep BASS_OCTAVE[] = {{0, 2, 0}, {2, 2, 1}, {4, 2, 0}, {6, 2, 1},
                                       {8, 2, 0}, {10, 2, 1}, {12, 2, 0}, {14, 2, 1}};
static const BassStep BASS_DRIVE[] = {{0, 3, 0}, {3, 2, 1}, {6, 2, 0}, {8, 2, 0},
                                      {10, 3, 0}, {13, 1, 1}, {14, 2, 0}};
static const BassStep BASS_HALF[] = {{0, 8, 0}, {10, 4, 0}, {14, 2, 1}};
struct BassLine {
    const BassStep* steps;
    int count;
};
#define BASS_LINE(table) {table, int(sizeof(table) / sizeof(table[0]))}
static const BassLine BASS_LINES[] = {
    {nullptr, 0}, BASS_LINE(BASS_LONG), BASS_LINE(BASS_OFFBEAT), BASS_LINE(BASS_OCTAVE),
    BASS_LINE(BASS_DRIVE), BASS_LINE(BASS_HALF),
};

static void Bass(int order)
{
    const OrderPlan& plan = PLAN[order];
    const BassLine& line = BASS_LINES[plan.bass];
    for (int bar = 0; bar < ROWS / BAR; bar++)
        for (int i = 0; i < line.count; i++) {
            const BassStep& s = line.steps[i];
            int abs = order * ROWS + bar * BAR + s.row;
            if (!Active(abs, false))
                continue;
            // Notes on the kick's rows speak louder.
            int volume = Scale(s.row % 4 == 0 ? 62 : 54, plan.bassVol);
            Note(CH_BASS, abs, ChordAt(abs).root + 12 * s.octave, INS_BASS, volume,
                 ClipLength(abs, s.length, false));
        }
}

// A chord change is pushed a sixteenth early where an accent lands on the row before it.
static bool PushedAt(int order, int row);

// Strikes a chord on the other set of pad channels while the chord before dies away over
// three rows, so that the pad's slow attack does not leave a gap.
static void PadChord(int abs, const Chord& chord, int volume)
{
    const int old = g_padSet;
    g_padSet = old == CH_PAD0 ? CH_PADB0 : CH_PAD0;
    for (int v = 0; v < 3; v++) {
        Note(g_padSet + v, abs, chord.pad[v], INS_PAD, v == 1 ? volume * 10 / 11 : volume, 0);
        for (int i = 1; i <= 3 && abs + i < TOTAL_ROWS; i++) {
            S3M_Cell& c = At(abs + i, old + v);
            if (c.note != S3M_NOTE_NONE)
                break;
            if (i < 3)
                c.volume = uint8_t(volume * (3 - i) / 3);
            else
                c.note = S3M_NOTE_CUT;
        }
    }
}

static void Pad(int order)
{
    const OrderPlan& plan = PLAN[order];
    if (plan.padVol == 0) {
        g_padChord = nullptr;
        return;
    }
    for (int bar = 0; bar < ROWS / BAR; bar++) {
        int row = bar * BAR;
        if (row > 0 && PushedAt(order, row - 1))
            row--;
        int abs = order * ROWS + row;
        // The chord of this bar, starting here or at the first row the pad may play.
        while (row < (bar + 1) * BAR && !Active(abs, true)) {
            row++;
            abs++;
        }
        if (row == (bar + 1) * BAR)
            continue;
        const Chord& chord = ChordAt(order * ROWS + bar * BAR);
        if (&chord == g_padChord)
            continue;  // the chord goes on: no new attack
        PadChord(abs, chord, Scale(44, plan.padVol + 20));
        g_padChord = &chord;
    }
    // After a drop the pad fades away: the next chord is struck again even if the same.
    if (g_dropRow[order] >= 0)
        g_padChord = nullptr;
}

static void Arpeggio(int order)
{
    const OrderPlan& plan = PLAN[order];
    if (plan.arp == A_NONE)
        return;
    // Up and down over the chord an octave above the pad, a cycle of six steps that
    // turns against the bar.
    static const int STEP[6] = {0, 1, 2, 3, 2, 1};
    int count = 0;
    for (int row = 0; row < ROWS; row++) {
        int abs = order * ROWS + row;
        if (!Active(abs, false))
            continue;
        if (plan.arp == A_SPARSE && (row % BAR) % 3 != 0)
            continue;
        const Chord& chord = ChordAt(abs);
        int tone = STEP[count++ % 6];
        int midi = tone == 3 ? chord.pad[0] + 24 : chord.pad[tone] + 12;
        int volume = Scale(row % 4 == 0 ? 60 : 44, plan.arpVol + 8);
        Note(CH_ARP, abs, midi, INS_PLUCK, volume, 0);
    }
}

static void Lead(int order)
{
    const OrderPlan& plan = PLAN[order];
    if (plan.melody == M_NONE)
        return;
    for (const MelodyNote& n : ParseMelody(MELODY[plan.melody])) {
        if (n.midi < 0)
            continue;
        int abs = order * ROWS + n.row;
        if (!Active(abs, false))
            continue;
        int length = ClipLength(abs, n.length, false);
        Note(CH_LEAD, abs, n.midi, INS_LEAD, Scale(58, plan.leadVol), length);
        // Held notes get a gentle vibrato after their attack.
        for (int i = 2; i < length; i++) {
            S3M_Cell& c = At(abs + i, CH_LEAD);
            c.command = S3M_CMD_VIBRATO;
            c.info = 0x61;
        }
        // The echo: a dotted eighth later, softer, on the other side.
        int echo = abs + 3;
        if (echo < TOTAL_ROWS && Active(echo, false))
            Note(CH_ECHO, echo, n.midi, INS_LEAD, Scale(26, plan.leadVol), ClipLength(echo, n.length, false));
    }
}

// ---- accents ------------------------------------------------------------------------------

static bool PushedAt(int order, int row)
{
    for (const Accent& a : ACCENTS)
        if (a.order - 1 == order && a.row - 1 == row && a.kind != K_DROP && row % BAR == BAR - 1)
            return true;
    return false;
}

// The bell plays the chord's root high up, or the root of the chord the push leads into.
static void Bell(int abs, int volume)
{
    int target = abs % BAR == BAR - 1 && abs + 1 < TOTAL_ROWS ? abs + 1 : abs;
    int midi = ChordAt(target).root;
    while (midi < 72)
        midi += 12;
    Note(CH_BELL, abs, midi, INS_BELL, volume, 0);
}

static void Accents(void)
{
    for (const Accent& a : ACCENTS) {
        int order = a.order - 1, row = a.row - 1;
        int abs = order * ROWS + row;
        const OrderPlan& plan = PLAN[order];
        int target = row % BAR == BAR - 1 ? abs + 1 : abs;  // a push sounds the next chord
        switch (a.kind) {
        case K_SOFT:
            Bell(abs, 40);
            if (plan.drums != D_NONE && Active(abs, false))
                Drum(CH_CRASH, abs, INS_CRASH, 26);
            break;
        case K_HIT:
        case K_DROP:
            // The impact takes over from a riser that ends on this row.
            Drum(CH_CRASH, abs, INS_CRASH, 54);
            Drum(CH_IMPACT, abs, INS_BOOM, 52);
            // A bass note already there keeps its length and speaks up.
            if (At(abs, CH_BASS).note == S3M_NOTE_NONE)
                Note(CH_BASS, abs, ChordAt(target).root, INS_BASS, 60, 3);
            else if (At(abs, CH_BASS).volume < 60)
                At(abs, CH_BASS).volume = 60;
            if (a.kind == K_DROP || plan.drums == D_NONE || plan.drums == D_HATS)
                Bell(abs, 34);
            break;
        }
    }
}

// After a drop the pad dies away over twenty rows, or before the section comes back.
static void DropFades(void)
{
    for (int order = 0; order < ORDERS; order++) {
        int drop = g_dropRow[order];
        if (drop < 0)
            continue;
        int end = PLAN[order].startRow > drop ? PLAN[order].startRow - 1 : ROWS;
        int span = end - drop - 1 < 20 ? end - drop - 1 : 20;
        int level = Scale(44, PLAN[order > 0 ? order - 1 : 0].padVol + 20);
        for (int i = 1; i <= span; i++) {
            int abs = order * ROWS + drop + i;
            // Both sets: a set that is silent already ignores the volume.
            for (int ch : {CH_PAD0, CH_PAD1, CH_PAD2, CH_PADB0, CH_PADB1, CH_PADB2})
                if (At(abs, ch).note == S3M_NOTE_NONE)
                    At(abs, ch).volume = uint8_t(level * (span - i) / span);
        }
    }
}

// The last chord at order 49: bass, pad, bell and cymbal, then a fade that is over well
// before the module ends.
static void Ending(void)
{
    int first = -1;
    for (int order = 0; order < ORDERS; order++)
        if (PLAN[order].flags & F_FINAL) {
            first = order;
            break;
        }
    SYS_ASSERT(first >= 0, UNIT);
    int abs = first * ROWS;
    const Chord& chord = CHORD[C_AM];
    Drum(CH_KICK, abs, INS_KICK, 56);
    Drum(CH_CRASH, abs, INS_CRASH, 36);
    Note(CH_BASS, abs, chord.root, INS_BASS, 50, 0);
    PadChord(abs, chord, 46);
    const int set = g_padSet;
    Note(CH_BELL, abs, 81, INS_BELL, 44, 0);
    Note(CH_ARP, abs, 76, INS_PLUCK, 36, 0);
    // Volume falls every second row to silence 44 rows later, then the notes stop: the
    // show stops the music at row 33, when the chord is nearly gone.
    const int fade = 44;
    for (int i = 2; i < fade; i += 2) {
        int left = fade - i;
        At(abs + i, CH_BASS).volume = uint8_t(50 * left / fade);
        for (int v = 0; v < 3; v++)
            At(abs + i, set + v).volume = uint8_t(46 * left / fade);
    }
    At(abs + fade, CH_BASS).note = S3M_NOTE_CUT;
    for (int v = 0; v < 3; v++)
        At(abs + fade, set + v).note = S3M_NOTE_CUT;
}

static void Risers(void)
{
    for (int order = 0; order < ORDERS; order++)
        if (PLAN[order].flags & F_RISER) {
            SYS_ASSERT(order + 1 < ORDERS, UNIT);
            // The sample lasts exactly 16 rows: it peaks on the next order's first row.
            Drum(CH_IMPACT, order * ROWS + ROWS - 16, INS_RISER, 34);
        }
}

// ---- samples and assembly ------------------------------------------------------------------

static void AddSample(int instrument, const SYN_Sample& s, const char* name, const char* fileName)
{
    SYS_ASSERT(int(g_song.samples.size()) == instrument - 1, UNIT);
    S3M_Sample out;
    out.name = name;
    out.fileName = fileName;
    out.data = s.data;
    out.looped = s.looped;
    out.loopStart = s.loopStart;
    out.loopEnd = s.loopEnd;
    out.c2spd = s.c2spd;
    out.volume = 64;
    g_song.samples.push_back(out);
    g_baseNote[instrument] = s.baseNote;
}

static void MakeSamples(void)
{
    const double rowSeconds = double(SPEED) * 2.5 / double(TEMPO);
    AddSample(INS_KICK, SYN_Kick(), "kick", "KICK.SMP");
    AddSample(INS_SNARE, SYN_Snare(), "snare", "SNARE.SMP");
    AddSample(INS_HAT, SYN_HatClosed(), "closed hat", "HAT.SMP");
    AddSample(INS_OPENHAT, SYN_HatOpen(), "open hat", "OPENHAT.SMP");
    AddSample(INS_CRASH, SYN_Crash(), "crash", "CRASH.SMP");
    AddSample(INS_RISER, SYN_Riser(16 * rowSeconds), "reversed cymbal", "RISER.SMP");
    AddSample(INS_BASS, SYN_Bass(), "bass", "BASS.SMP");
    AddSample(INS_PAD, SYN_Pad(), "pad", "PAD.SMP");
    AddSample(INS_LEAD, SYN_Lead(), "lead", "LEAD.SMP");
    AddSample(INS_PLUCK, SYN_Pluck(), "pluck", "PLUCK.SMP");
    AddSample(INS_BELL, SYN_Bell(), "bell", "BELL.SMP");
    AddSample(INS_BOOM, SYN_Boom(), "impact", "BOOM.SMP");
}

// Gives every order its own pattern, then shares patterns between orders that came out
// the same.
static void ShareIdenticalPatterns(void)
{
    std::vector<S3M_Pattern> unique;
    std::vector<std::vector<uint8_t>> packed;
    g_song.orders.clear();
    for (const S3M_Pattern& p : g_song.patterns) {
        std::vector<uint8_t> bytes = S3M_PackPattern(p, CHANNELS);
        size_t i = 0;
        while (i < packed.size() && packed[i] != bytes)
            i++;
        if (i == packed.size()) {
            packed.push_back(bytes);
            unique.push_back(p);
        }
        g_song.orders.push_back(uint8_t(i));
    }
    g_song.patterns = unique;
}

std::vector<uint8_t> ASSET_ComposeModule(void)
{
    g_song = S3M_Song();
    g_song.title = "Vantrel";
    g_song.initialSpeed = SPEED;
    g_song.initialTempo = TEMPO;
    g_song.globalVolume = 64;
    g_song.mixVolume = 48;
    g_song.numChannels = CHANNELS;
    memcpy(g_song.pan, CHANNEL_PAN, sizeof(CHANNEL_PAN));
    g_song.patterns.assign(ORDERS, S3M_Pattern());
    for (auto& row : g_noteEnd)
        for (int& end : row)
            end = -1;
    for (int& drop : g_dropRow)
        drop = -1;
    g_padChord = nullptr;
    g_padSet = CH_PAD0;
    for (const Accent& a : ACCENTS)
        if (a.kind == K_DROP)
            g_dropRow[a.order - 1] = a.row - 1;

    MakeSamples();
    for (int order = 0; order < ORDERS; order++) {
        Drums(order);
        Bass(order);
        Pad(order);
        Arpeggio(order);
        Lead(order);
    }
    Accents();
    Risers();
    DropFades();
    Ending();
    PlaceCuts();
    ShareIdenticalPatterns();
    return S3M_Write(g_song);
}
