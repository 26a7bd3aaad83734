// Sync, measured: the show plays through the real sound path into SDL's disk audio driver,
// which writes the output stream to a file in real time, and the position the show reports
// in each frame is compared with the module's own position at the audio written by then.
#include "common/s3m_fixture.h"
#include "data/archive.h"
#include "driver/demo.h"
#include "driver/options.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/screen.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

struct Sample {
    double ms;        // since the first frame
    uint32_t word;    // the position the show reports: order | row << 16
    int64_t written;  // frames in the disk driver's file
};

struct SyncRun {
    std::string file;
    Clock::time_point start;
    std::vector<Sample> samples;
} s_sync;

int64_t FileFrames(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (int64_t)st.st_size / 4 : 0;
}

void SyncFrame(void)
{
    SyncRun& r = s_sync;
    const int64_t before = FileFrames(r.file);
    const uint32_t word = MUSIC_LibraryPosition();
    const int64_t after = FileFrames(r.file);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - r.start).count();
    if (before == after)   // a write in between would leave the pair undecided
        r.samples.push_back({ms, word, after});
    if (ms > 3200 || BASS_ChannelIsActive(MUSIC_Handle) != BASS_ACTIVE_PLAYING)
        DemoQuit = 1;
}

uint64_t Key(uint32_t word) { return (uint64_t)(word & 0xFFFF) << 16 | (word >> 16); }

// The module alone: the frame at which each row starts, and its audio.
struct ModuleTimeline {
    std::vector<std::pair<uint32_t, int64_t>> rows;   // word, first frame
    std::vector<int16_t> audio;
    explicit ModuleTimeline(const std::vector<uint8_t>& bytes)
    {
        const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
        openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                                                 nullptr, nullptr, nullptr, nullptr, ctls);
        int16_t block[2 * 8];
        uint32_t last = ~0u;
        for (int64_t frame = 0;; frame += 8) {
            const uint32_t word = (uint32_t)openmpt_module_get_current_order(mod) |
                                  (uint32_t)openmpt_module_get_current_row(mod) << 16;
            if (word != last)
                rows.push_back({word, frame});
            last = word;
            const size_t got = openmpt_module_read_interleaved_stereo(mod, 44100, 8, block);
            audio.insert(audio.end(), block, block + 2 * got);
            if (got < 8)
                break;
        }
        openmpt_module_destroy(mod);
    }
};

TEST(Sync, ReportedPositionFollowsTheAudioWrittenWithinOneTick)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    char tmpl[] = "/tmp/vantrel-sync-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    ASSERT_EQ(std::system(("'" VANTREL_BINARY_DIR "/vantrel-assets' '" + dir.string() + "' >/dev/null").c_str()), 0);
    const std::vector<uint8_t> module = s3m_fixture::Module();   // 60 ms rows, 2.4 s
    ASSERT_TRUE(s3m_fixture::WriteFile((dir / "MUSIC" / "VANTREL.S3M").string(), module));
    fs::current_path(dir);

    s_sync = SyncRun();
    s_sync.file = (dir / "disk.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", s_sync.file.c_str(), 1);
    DEMO_Options = DemoOptions();
    PLAT_UseWindow(true);   // no window is opened: only the sound output counts
    PLAT.PollEvent = [](PLAT_Event*) { return false; };
    PLAT.FramePresented = SyncFrame;
    s_sync.start = Clock::now();
    DemoMain();
    DAT_CloseAll();
    PLAT_UseHeadless();
    FrameHook = nullptr;
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    std::ifstream f(s_sync.file, std::ios::binary);
    const std::vector<char> raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    fs::current_path(previous);
    fs::remove_all(dir);

    // Where the module's first frame lies in the file: the device plays silence until the
    // module starts, then exactly the module's own audio.
    const ModuleTimeline timeline(module);
    const int64_t window = 20000;
    ASSERT_GT((int64_t)raw.size() / 4, window);
    int64_t lead = -1;
    for (int64_t s = 0; s + window <= (int64_t)raw.size() / 4 && lead < 0; s++)
        if (std::memcmp(raw.data() + 4 * s, timeline.audio.data(), 4 * (size_t)window) == 0)
            lead = s;
    ASSERT_GE(lead, 0) << "the file does not hold the module's audio";

    // Each row start: when the show first reported it, and when its first frame was heard.
    // The file grows by whole device buffers, each played out in real time from the moment it
    // is written (the disk driver writes more slowly than real time, so nothing queues behind
    // it), and the layer accounts for exactly that: the buffer the callback has just filled
    // and the one written before it. Each moment is known to lie between two samples, so each
    // offset is an interval; the machine may be busy, and the intervals are as wide as the
    // gaps between the frames that saw the change.
    const auto& S = s_sync.samples;
    struct Offset {
        double lo, hi;
    };
    std::vector<Offset> offsets;
    for (size_t k = 1; k < timeline.rows.size(); k++) {
        const auto [word, first] = timeline.rows[k];
        size_t shown = 0, heard = 0;
        while (shown < S.size() && Key(S[shown].word) < Key(word))
            shown++;
        while (heard < S.size() && S[heard].written - lead <= first)
            heard++;
        if (shown == 0 || heard == 0 || shown == S.size() || heard == S.size())
            continue;
        const double into = (double)(first - (S[heard - 1].written - lead)) * 1000.0 / 44100.0;
        offsets.push_back({S[shown - 1].ms - (S[heard].ms + into), S[shown].ms - (S[heard - 1].ms + into)});
    }
    ASSERT_GE(offsets.size(), 20u) << "the show saw too few row changes";

    std::vector<double> mid, narrow;
    std::string all;
    for (const Offset& o : offsets) {
        mid.push_back((o.lo + o.hi) / 2);
        if (o.hi - o.lo <= 4)
            narrow.push_back((o.lo + o.hi) / 2);
        char interval[48];
        std::snprintf(interval, sizeof interval, "[%.0f,%.0f] ", std::floor(o.lo), std::ceil(o.hi));
        all += interval;
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("sync: %zu row changes, show minus heard: median %.1f ms; %zu seen within 4 ms: median %.1f ms\n"
                "  intervals (ms): %s\n",
                offsets.size(), median(mid), narrow.size(), median(narrow), all.c_str());
    const double tick = 1000.0 / 70.0;
    EXPECT_LE(std::fabs(median(mid)), tick) << all;
}

}  // namespace
