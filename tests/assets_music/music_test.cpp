// The generated soundtrack against the show: structure and length in two independent
// readers, the schedule's cues within the music, and the rendered sound (levels, accents,
// sections). The module is composed once and rendered once for the whole binary.
#include "common/test_support.h"
#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx3d/beams.h"
#include "music.h"

#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

static const int RATE = 44100;
static const int BIN = 441;  // frames in a 10 ms bin of the rendered sound

struct Rendered {
    std::vector<float> peak;    // largest magnitude of either channel, per bin
    std::vector<double> power;  // sum of squares of both channels, per bin
    std::vector<double> treble; // the same of the first difference: the high end's share
};

static const std::vector<uint8_t>& Module()
{
    static const std::vector<uint8_t> module = ASSET_ComposeModule();
    return module;
}

static void CollectLog(const char* message, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(message);
}

static openmpt_module* Load(std::vector<std::string>* log)
{
    const std::vector<uint8_t>& m = Module();
    return openmpt_module_create_from_memory2(m.data(), m.size(), CollectLog, log, nullptr, nullptr, nullptr,
                                              nullptr, nullptr);
}

// Seconds from the start to the 1-based position the show counts.
static double TimeOf(int order, int row)
{
    std::vector<std::string> log;
    openmpt_module* mod = Load(&log);
    double t = openmpt_module_set_position_order_row(mod, order - 1, row - 1);
    openmpt_module_destroy(mod);
    return t;
}

static const Rendered& Render()
{
    static Rendered r;
    if (!r.peak.empty())
        return r;
    std::vector<std::string> log;
    openmpt_module* mod = Load(&log);
    std::vector<float> block(2 * BIN);
    float previous[2] = {0, 0};
    for (;;) {
        size_t frames = openmpt_module_read_interleaved_float_stereo(mod, RATE, BIN, block.data());
        if (frames == 0)
            break;
        float peak = 0;
        double power = 0, treble = 0;
        for (size_t i = 0; i < 2 * frames; i++) {
            peak = std::fmax(peak, std::fabs(block[i]));
            power += double(block[i]) * block[i];
            double d = double(block[i]) - previous[i & 1];
            treble += d * d;
            previous[i & 1] = block[i];
        }
        r.peak.push_back(peak);
        r.power.push_back(power);
        r.treble.push_back(treble);
    }
    openmpt_module_destroy(mod);
    return r;
}

static size_t Bin(double seconds)
{
    return size_t(seconds * RATE / BIN);
}

static double Rms(const std::vector<double>& power, double from, double to)
{
    double sum = 0;
    size_t bins = 0;
    for (size_t b = Bin(from); b < Bin(to) && b < power.size(); b++, bins++)
        sum += power[b];
    return bins ? std::sqrt(sum / double(bins * 2 * BIN)) : 0.0;
}

static double RmsBetween(double from, double to)
{
    return Rms(Render().power, from, to);
}

static double TrebleBetween(double from, double to)
{
    return Rms(Render().treble, from, to);
}

// RMS over whole orders first..last (1-based, inclusive).
static double RmsOfOrders(int first, int last)
{
    return RmsBetween(TimeOf(first, 1), TimeOf(last + 1, 1));
}

static const TimelineRow& LastCue()
{
    int last = 0;
    for (int i = 0; i < TIMELINE_ROWS; i++)
        if (Timeline[i].fn)
            last = i;
    return Timeline[last];
}

TEST(Soundtrack, ComposesTheSameBytesEveryTime)
{
    std::vector<uint8_t> again = ASSET_ComposeModule();
    ASSERT_EQ(again.size(), Module().size());
    EXPECT_TRUE(again == Module());
}

// A guard against unnoticed changes and against machines where the synthesis rounds
// differently: the bytes of the module as recorded. When the music is changed on purpose,
// listen to it and record the new value.
TEST(Soundtrack, KeepsItsRecordedBytes)
{
    uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a, 64 bits
    for (uint8_t byte : Module())
        hash = (hash ^ byte) * 0x100000001B3ull;
    EXPECT_EQ(hash, 0x3623003C9EDFB76Dull) << std::hex << "0x" << hash;
}

TEST(Soundtrack, OrderListHasNoMarkersAndEndsTheSong)
{
    const std::vector<uint8_t>& m = Module();
    ASSERT_GT(m.size(), 0x60u);
    const size_t count = m[0x20] | m[0x21] << 8;
    ASSERT_LE(0x60 + count, m.size());
    size_t orders = 0;
    while (orders < count && m[0x60 + orders] != 255) {
        EXPECT_NE(m[0x60 + orders], 254) << "marker at order " << orders;
        orders++;
    }
    EXPECT_GE(orders, 50u);
    EXPECT_LT(orders, count) << "no end mark";
}

TEST(Soundtrack, LibopenmptLoadsItSilentlyAsScreamTracker320)
{
    std::vector<std::string> log;
    openmpt_module* mod = Load(&log);
    ASSERT_NE(mod, nullptr);
    for (const std::string& message : log)
        ADD_FAILURE() << "libopenmpt: " << message;
    const char* tracker = openmpt_module_get_metadata(mod, "tracker");
    EXPECT_EQ(std::string(tracker).rfind("Scream Tracker 3.20", 0), 0u) << tracker;
    openmpt_free_string(tracker);
    const int orders = openmpt_module_get_num_orders(mod);
    EXPECT_EQ(orders, 50);
    for (int i = 0; i < orders; i++)
        EXPECT_EQ(openmpt_module_get_pattern_num_rows(mod, openmpt_module_get_order_pattern(mod, i)), 64)
            << "order " << i + 1;
    openmpt_module_destroy(mod);
}

TEST(Soundtrack, LibxmpAgreesOnOrdersAndLength)
{
    std::vector<std::string> log;
    openmpt_module* mod = Load(&log);
    ASSERT_NE(mod, nullptr);
    const int orders = openmpt_module_get_num_orders(mod);
    const double seconds = openmpt_module_get_duration_seconds(mod);
    openmpt_module_destroy(mod);

    xmp_context ctx = xmp_create_context();
    std::vector<uint8_t> copy = Module();
    ASSERT_EQ(xmp_load_module_from_memory(ctx, copy.data(), long(copy.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    // libxmp keeps the whole order list, end mark and padding included; its song is the
    // orders before the first end mark (255).
    int xmpOrders = 0;
    while (xmpOrders < info.mod->len && info.mod->xxo[xmpOrders] != 255)
        xmpOrders++;
    EXPECT_EQ(xmpOrders, orders);
    ASSERT_GE(info.num_sequences, 1);
    const double xmpSeconds = info.seq_data[0].duration / 1000.0;
    EXPECT_NEAR(xmpSeconds, seconds, seconds * 0.01);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
}

TEST(Soundtrack, TheShowLastsAboutSixMinutesAndEndsBeforeTheMusic)
{
    std::vector<std::string> log;
    openmpt_module* mod = Load(&log);
    const double seconds = openmpt_module_get_duration_seconds(mod);
    openmpt_module_destroy(mod);
    const TimelineRow& last = LastCue();
    EXPECT_EQ(last.order, 49);
    EXPECT_EQ(last.row, 32);
    // The last row is due once the music is past it, one row later.
    const double showEnd = TimeOf(last.order, last.row + 1);
    EXPECT_LT(showEnd, seconds);
    EXPECT_GT(showEnd, 330.0);
    EXPECT_LT(showEnd, 390.0);
}

TEST(Soundtrack, RendersBelowFullScaleWithQuietAndLoudSections)
{
    const Rendered& r = Render();
    float peak = 0;
    for (float p : r.peak)
        peak = std::fmax(peak, p);
    EXPECT_LT(peak, 0.95f);
    EXPECT_GT(peak, 0.3f);

    const double peakSection = RmsOfOrders(36, 39);   // the tunnel: everything plays
    const double beams = RmsOfOrders(10, 13);
    const double intro = RmsOfOrders(1, 2);           // a bare pad
    const double still = RmsOfOrders(32, 33);         // the still picture: no drums
    const double closing = RmsOfOrders(42, 47);       // the closing pages
    EXPECT_GT(peakSection, 1.8 * intro);
    EXPECT_GT(peakSection, 1.8 * still);
    EXPECT_GT(beams, 1.8 * still);
    EXPECT_GT(peakSection, 1.2 * closing);
    EXPECT_GT(closing, 1.1 * still);
    // After the last cue the music fades to silence.
    EXPECT_LT(RmsBetween(TimeOf(50, 49), TimeOf(50, 64)), 0.01);
}

TEST(Soundtrack, FlashesAndReversalsLandOnAccents)
{
    const double row = TimeOf(1, 2) - TimeOf(1, 1);
    int checked = 0;
    for (const TimelineRow& cue : Timeline) {
        if (cue.fn != CueWhiteFlash && cue.fn != CueNegativeFlash && cue.fn != BEAM_Reverse)
            continue;
        SCOPED_TRACE("cue at order " + std::to_string(cue.order) + " row " + std::to_string(cue.row));
        const double t = TimeOf(cue.order, cue.row);
        // The hit stands out from the same beat a bar earlier: louder, and brighter with the
        // crash.
        const double bar = 16 * row;
        EXPECT_GT(RmsBetween(t, t + 2 * row), RmsBetween(t - bar, t - bar + 2 * row));
        EXPECT_GT(TrebleBetween(t, t + 2 * row), 2.0 * TrebleBetween(t - bar, t - bar + 2 * row));
        checked++;
    }
    EXPECT_GE(checked, 20);
}

TEST(Soundtrack, TheMusicDropsWherePicturesFadeMidOrder)
{
    const double row = TimeOf(1, 2) - TimeOf(1, 1);
    int checked = 0;
    for (const TimelineRow& cue : Timeline) {
        if (cue.fn != CueFadeToBlack || cue.row == 1)
            continue;
        SCOPED_TRACE("fade at order " + std::to_string(cue.order) + " row " + std::to_string(cue.row));
        const double t = TimeOf(cue.order, cue.row);
        EXPECT_LT(RmsBetween(t + 4 * row, t + 16 * row), 0.5 * RmsBetween(t - 16 * row, t));
        checked++;
    }
    EXPECT_EQ(checked, 3);
}
