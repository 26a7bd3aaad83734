// The S3M writer on small songs: the packed pattern bytes, the file layout that the
// parapointers describe, what libopenmpt makes of it, and the songs it refuses.
#include "common/test_support.h"
#include "s3m_writer.h"

#include <libopenmpt/libopenmpt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

static uint32_t Read16(const std::vector<uint8_t>& f, size_t at)
{
    return f.at(at) | f.at(at + 1) << 8;
}

static uint32_t Read32(const std::vector<uint8_t>& f, size_t at)
{
    return Read16(f, at) | Read16(f, at + 2) << 16;
}

struct PackCase {
    const char* name;
    int channel;
    S3M_Cell cell;
    std::vector<uint8_t> event;  // the bytes of row 0 before its ending 0
};

TEST(S3MWriter, PacksEachFieldOnlyWhenPresent)
{
    const PackCase cases[] = {
        {"empty", 0, {}, {}},
        {"note and instrument", 2, {0x45, 3, S3M_VOLUME_NONE, 0, 0}, {0x22, 0x45, 3}},
        {"note cut", 1, {S3M_NOTE_CUT, 0, S3M_VOLUME_NONE, 0, 0}, {0x21, 254, 0}},
        {"volume alone", 5, {S3M_NOTE_NONE, 0, 0, 0, 0}, {0x45, 0}},
        {"command alone", 3, {S3M_NOTE_NONE, 0, S3M_VOLUME_NONE, S3M_CMD_VIBRATO, 0x52}, {0x83, 8, 0x52}},
        {"everything", 12, {0x30, 11, 64, S3M_CMD_TEMPO, 130}, {0xEC, 0x30, 11, 64, 20, 130}},
    };
    for (const PackCase& c : cases) {
        SCOPED_TRACE(c.name);
        S3M_Pattern pattern;
        pattern.cells[0][c.channel] = c.cell;
        std::vector<uint8_t> packed = S3M_PackPattern(pattern, 13);
        // The length word counts its own two bytes; each of the 64 rows ends with a 0.
        ASSERT_EQ(packed.size(), 2 + c.event.size() + 64);
        EXPECT_EQ(Read16(packed, 0), packed.size());
        std::vector<uint8_t> row0(packed.begin() + 2, packed.begin() + 2 + long(c.event.size()));
        EXPECT_EQ(row0, c.event);
        for (size_t i = 2 + c.event.size(); i < packed.size(); i++)
            EXPECT_EQ(packed[i], 0) << "at " << i;
    }
}

TEST(S3MWriter, PacksOnlyTheUsedChannels)
{
    S3M_Pattern pattern;
    pattern.cells[63][4].note = 0x40;
    pattern.cells[63][4].instrument = 1;
    // A channel beyond the song's count is not written at all.
    EXPECT_EQ(S3M_PackPattern(pattern, 4).size(), 66u);
    std::vector<uint8_t> packed = S3M_PackPattern(pattern, 5);
    ASSERT_EQ(packed.size(), 69u);
    EXPECT_EQ(packed[65], 0x24);
    EXPECT_EQ(packed[68], 0);
}

// Three orders over two patterns, a one-shot and a looped sample.
static S3M_Song SmallSong()
{
    S3M_Song song;
    song.title = "small";
    song.initialSpeed = 6;
    song.initialTempo = 130;
    song.numChannels = 3;
    song.pan[0] = 3;
    song.pan[1] = 12;
    song.pan[2] = 7;
    song.orders = {0, 1, 0};
    song.patterns.resize(2);
    song.patterns[0].cells[0][0] = {0x40, 1, 64, 0, 0};
    song.patterns[1].cells[0][1] = {0x47, 2, 40, 0, 0};
    song.patterns[1].cells[16][1].note = S3M_NOTE_CUT;
    S3M_Sample a;
    a.name = "one shot";
    a.fileName = "A.SMP";
    for (int i = 0; i < 1000; i++)
        a.data.push_back(int8_t((i * 37) % 200 - 100));
    a.c2spd = 22050;
    S3M_Sample b;
    b.name = "looped";
    b.fileName = "B.SMP";
    for (int i = 0; i < 517; i++)
        b.data.push_back(int8_t(i % 64 < 32 ? 90 : -90));
    b.looped = true;
    b.loopStart = 5;
    b.loopEnd = 517;
    b.volume = 48;
    song.samples = {a, b};
    return song;
}

TEST(S3MWriter, LaysOutTheFileAsTheParapointersSay)
{
    const S3M_Song song = SmallSong();
    const std::vector<uint8_t> f = S3M_Write(song);
    ASSERT_GE(f.size(), 0x60u);
    EXPECT_EQ(std::string(f.begin() + 0x2C, f.begin() + 0x30), "SCRM");
    EXPECT_EQ(f[0x1C], 0x1A);
    EXPECT_EQ(f[0x1D], 16);
    EXPECT_EQ(Read16(f, 0x28), 0x1320u);  // Scream Tracker 3.20
    EXPECT_EQ(Read16(f, 0x2A), 2u);       // unsigned samples
    EXPECT_EQ(f[0x31], 6);
    EXPECT_EQ(f[0x32], 130);
    EXPECT_EQ(f[0x33] & 0x80, 0x80);      // stereo
    EXPECT_EQ(f[0x34], 16);               // ultra-click
    EXPECT_EQ(f[0x35], 252);              // panning from the table
    EXPECT_EQ(f[0x43], 255);              // channel 3 unused

    // The order list keeps its end mark and is padded to an even length.
    const uint32_t orders = Read16(f, 0x20), samples = Read16(f, 0x22), patterns = Read16(f, 0x24);
    ASSERT_EQ(orders, 4u);
    ASSERT_EQ(samples, 2u);
    ASSERT_EQ(patterns, 2u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 0x60, f.begin() + 0x64), (std::vector<uint8_t>{0, 1, 0, 255}));
    const size_t samplePtrs = 0x60 + orders, patternPtrs = samplePtrs + 2 * samples;
    const size_t panTable = patternPtrs + 2 * patterns;
    EXPECT_EQ(f[panTable + 0], 0x20 | 3);
    EXPECT_EQ(f[panTable + 1], 0x20 | 12);
    EXPECT_EQ(f[panTable + 3], 0);

    for (size_t i = 0; i < samples; i++) {
        SCOPED_TRACE(i);
        const S3M_Sample& s = song.samples[i];
        const size_t h = size_t(Read16(f, samplePtrs + 2 * i)) * 16;
        ASSERT_LE(h + 0x50, f.size());
        EXPECT_EQ(std::string(f.begin() + long(h) + 0x4C, f.begin() + long(h) + 0x50), "SCRS");
        EXPECT_EQ(f[h], 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[h + 0x30])), s.name);
        EXPECT_EQ(Read32(f, h + 0x10), s.data.size());
        EXPECT_EQ(f[h + 0x1F], s.looped ? 1 : 0);
        EXPECT_EQ(Read32(f, h + 0x14), s.loopStart);
        EXPECT_EQ(Read32(f, h + 0x18), s.loopEnd);
        EXPECT_EQ(f[h + 0x1C], s.volume);
        EXPECT_EQ(Read32(f, h + 0x20), s.c2spd);
        EXPECT_NE(Read16(f, h + 0x28), 0u);  // the GUS address
        const size_t data = (size_t(f[h + 0x0D]) << 16 | Read16(f, h + 0x0E)) * 16;
        ASSERT_LE(data + s.data.size(), f.size());
        for (size_t k = 0; k < s.data.size(); k++)
            ASSERT_EQ(f[data + k], uint8_t(s.data[k]) ^ 0x80) << "byte " << k;
    }
    for (size_t i = 0; i < patterns; i++) {
        const size_t at = size_t(Read16(f, patternPtrs + 2 * i)) * 16;
        std::vector<uint8_t> packed = S3M_PackPattern(song.patterns[i], song.numChannels);
        ASSERT_LE(at + packed.size(), f.size());
        EXPECT_EQ(std::vector<uint8_t>(f.begin() + long(at), f.begin() + long(at + packed.size())), packed);
    }
}

static void CollectLog(const char* message, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(message);
}

TEST(S3MWriter, LibopenmptReadsTheSmallSongAsWritten)
{
    const std::vector<uint8_t> f = S3M_Write(SmallSong());
    std::vector<std::string> log;
    openmpt_module* mod = openmpt_module_create_from_memory2(f.data(), f.size(), CollectLog, &log, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(mod, nullptr);
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_EQ(openmpt_module_get_num_orders(mod), 3);
    EXPECT_EQ(openmpt_module_get_num_samples(mod), 2);
    EXPECT_EQ(openmpt_module_get_num_channels(mod), 3);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 1), 1);
    const char* tracker = openmpt_module_get_metadata(mod, "tracker");
    EXPECT_EQ(std::string(tracker).rfind("Scream Tracker 3.20", 0), 0u) << tracker;
    openmpt_free_string(tracker);
    // Three orders of 64 rows at 2.5 * 6 / 130 s a row.
    EXPECT_NEAR(openmpt_module_get_duration_seconds(mod), 3 * 64 * 15.0 / 130.0, 0.01);
    openmpt_module_destroy(mod);
}

TEST(S3MWriter, RefusesSongsTheFormatCannotHold)
{
    struct Case {
        const char* name;
        void (*spoil)(S3M_Song&);
    };
    const Case cases[] = {
        {"order naming a missing pattern", [](S3M_Song& s) { s.orders[1] = 2; }},
        {"marker in the order list", [](S3M_Song& s) { s.orders[1] = S3M_ORDER_MARKER; }},
        {"no orders", [](S3M_Song& s) { s.orders.clear(); }},
        {"sample too long", [](S3M_Song& s) { s.samples[0].data.resize(S3M_MAX_SAMPLE + 1); }},
        {"empty sample", [](S3M_Song& s) { s.samples[0].data.clear(); }},
        {"loop past the end", [](S3M_Song& s) { s.samples[1].loopEnd = 518; }},
        {"empty loop", [](S3M_Song& s) { s.samples[1].loopStart = 517; }},
        {"title too long", [](S3M_Song& s) { s.title = std::string(28, 'x'); }},
        {"tempo too slow", [](S3M_Song& s) { s.initialTempo = 32; }},
        {"volume above 64", [](S3M_Song& s) { s.patterns[0].cells[1][0].volume = 65; }},
        {"note outside the octaves", [](S3M_Song& s) { s.patterns[0].cells[1][0].note = 0x4C; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        S3M_Song song = SmallSong();
        c.spoil(song);
        TEST_ExpectStop([&] { S3M_Write(song); });
    }
}
