// The whole show in one pass, headless as `vantrel --render` plays it: DemoMain's start-up and
// shut-down, the real Timeline through the real main loop and the music layer playing the
// generated module, one frame a tick on the virtual clock, from the first row until CueEndShow
// ends it. What is checked is summed up while the show plays. Then the program itself plays
// the show's end live and exits on its own.
#include "common/scratch_dir.h"

#include "data/archive.h"
#include "driver/demo.h"
#include "fx2d/cues.h"
#include "fx2d/feedback.h"
#include "fx2d/glow.h"
#include "fx2d/ripple.h"
#include "fx2d/tunnel.h"
#include "fx3d/beams.h"
#include "fx3d/raytrace.h"
#include "fx3d/tower.h"
#include "image/pix.h"
#include "platform/backend.h"
#include "platform/bass.h"
#include "platform/music.h"
#include "platform/screen.h"
#include "platform/timer.h"
#include "sections/finale.h"
#include "sections/intro.h"
#include "text/tcscr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kAudioPerFrame = SND_RATE / 70;
constexpr uint32_t kFrameLimit = 30000;   // the show has about 25,100 frames
constexpr uint32_t kCheckEvery = 4;       // pixel counts on every 4th frame; pictures compared on all
constexpr uint32_t kFadedIn = 64;         // ticks after which a fade from black has arrived
constexpr int kMaxSections = 40;

// A music position as one number, 1-based: order * 1000 + row.
int Key(int order, int row) { return order * 1000 + row; }

struct RowRun {
    uint32_t calls, frame;   // times run, and the frame it ran in (the first, if more)
    int key, keyBefore;      // the position then, and that of the frame before
};

// A stretch of frames with one FrameHook.
struct Section {
    EffectFn hook;
    uint32_t firstFrame, frames;
    int key, keyBefore;        // position of its first frame, and of the frame before
    uint32_t stillFrames;      // frames after its first that showed the picture of the one before
    uint32_t checked;          // frames checked (one in kCheckEvery)
    uint32_t mostColours;      // of the 8-bit picture: most distinct colours shown in a checked frame,
    uint32_t flatFrames;       // and checked frames drawn in a single colour
    uint32_t litFrames;        // of the text screen: checked frames with light on them,
    uint32_t greyFaults;       // their pixels that are not grey,
    uint32_t brightest;        // and the brightest channel value among them
    bool endsBlack;            // the colour table is all black in its last frame
};

struct ShowFacts {
    RowRun rows[TIMELINE_ROWS];
    uint32_t rowsOutOfOrder;     // rows run after a later one
    int lastRow;
    Section sections[kMaxSections];
    int sectionCount;
    uint32_t frames;             // frames presented
    int lastKey;                 // position of the last one
    uint32_t moduleIdleFrames;   // frames presented while the module was not playing
    uint64_t audioFrames;        // soundtrack rendered
    uint64_t lastSound;          // audio frames up to the last one that was not silent
    int freestyleFaults, koldeFaults;   // pixels unlike the still's file once faded in; -1 unseen
    bool cut;                    // the test ended a show that went on too long
};

ShowFacts s_facts;
std::vector<uint8_t> s_previous;   // the picture of the frame before

// The stills as their files hold them: pixels and the colour table their palettes make.
struct Still {
    std::vector<uint8_t> pixels;
    uint32_t colours[256];
};
Still s_freestyle, s_kolde;

void LoadStill(const char* name, size_t capacity, Still* still)
{
    uint8_t palette[PAL_BYTES];
    still->pixels.assign(capacity, 0);
    PIX_LoadGIF(name, still->pixels.data(), palette, nullptr, nullptr, 0, capacity);
    for (int i = 0; i < 256; i++)
        still->colours[i] = (uint32_t)palette[3 * i] << 18 | (uint32_t)palette[3 * i + 1] << 10 |
                            (uint32_t)palette[3 * i + 2] << 2;
}

// Pixels of the 640 x 480 frame unlike the still: the picture at column left (width wide),
// colour 0 of its palette around it.
int StillFaults(const Still& still, int left, int width)
{
    int faults = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            const bool inside = x >= left && x < left + width;
            const uint8_t index = inside ? still.pixels[(size_t)y * width + (x - left)] : 0;
            faults += LLS_Frame32[y * 640 + x] != still.colours[index];
        }
    return faults;
}

int KeyNow(void) { return Key(MUSIC_GetOrder(), MUSIC_GetRow()); }

// --- The rows, watched through a table that wraps the Timeline's entry points ---

void NoteRow(size_t index)
{
    ShowFacts& f = s_facts;
    RowRun& r = f.rows[index];
    if (r.calls++ == 0) {
        r.frame = f.frames;
        r.key = KeyNow();
        r.keyBefore = f.lastKey;
    }
    if ((int)index <= f.lastRow)
        f.rowsOutOfOrder++;
    f.lastRow = (int)index;
}

template <size_t I>
bool WatchedRow(uint32_t time)
{
    NoteRow(I);
    return Timeline[I].fn(time);
}

template <size_t... I>
std::array<TimelineRow, TIMELINE_ROWS> WatchedTimeline(std::index_sequence<I...>)
{
    return {TimelineRow{Timeline[I].order, Timeline[I].row, Timeline[I].fn ? WatchedRow<I> : nullptr}...};
}

// --- The frames ---

// The palette indices of the shown 8-bit picture, and the distinct colours they make.
void CountColours(Section& s)
{
    bool used[256] = {};
    if (LLS_Mode == 0) {
        for (int y = 0; y < 200; y += 2)
            for (int x = 0; x < 320; x += 2)
                used[LLS_VideoMemory[y * 320 + x]] = true;
    } else {
        for (int y = 0; y < LLS_Height; y += 4)
            for (int x = 0; x < LLS_Width; x += 4)
                used[LLS_Screen[y * LLS_Width + x]] = true;
    }
    std::vector<uint32_t> colours;
    for (int i = 0; i < 256; i++)
        if (used[i])
            colours.push_back(LLS_ColorTable[i]);
    std::sort(colours.begin(), colours.end());
    const uint32_t distinct = (uint32_t)(std::unique(colours.begin(), colours.end()) - colours.begin());
    s.flatFrames += distinct == 1;
    s.mostColours = std::max(s.mostColours, distinct);
}

// The text screen as presented: lit pixels, and pixels that are not grey.
void CheckText(Section& s)
{
    int lit = 0;
    for (int y = 0; y < 480; y += 4)
        for (int x = 0; x < 640; x += 4) {
            const uint32_t p = LLS_Frame32[y * 640 + x];
            const uint32_t red = p >> 16 & 255, green = p >> 8 & 255, blue = p & 255;
            lit += p != 0;
            s.greyFaults += red != green || green != blue;
            s.brightest = std::max(s.brightest, std::max({red, green, blue}));
        }
    s.litFrames += lit > 150;   // of 19,200 pixels looked at
}

bool ColourTableBlack(void)
{
    return std::all_of(LLS_ColorTable, LLS_ColorTable + 256, [](uint32_t c) { return c == 0; });
}

void Presented(void)
{
    ShowFacts& f = s_facts;
    const uint32_t frame = f.frames;
    const int key = KeyNow();

    if (f.sectionCount == 0 || FrameHook != f.sections[f.sectionCount - 1].hook) {
        if (f.sectionCount == kMaxSections) {
            f.cut = true;
            DemoQuit = 1;
            return;
        }
        Section& n = f.sections[f.sectionCount++];
        n = Section{};
        n.hook = FrameHook;
        n.firstFrame = frame;
        n.key = key;
        n.keyBefore = f.lastKey;
    }
    Section& s = f.sections[f.sectionCount - 1];

    // The picture the frame is made from: the text screen, the 320 x 200 video memory, or
    // the 640 x 480 page.
    const uint8_t* picture = TCS_Active ? (const uint8_t*)TCS_Picture : LLS_Mode == 0 ? LLS_VideoMemory : LLS_Screen;
    const size_t bytes = TCS_Active ? (size_t)TCS_Width * TCS_Height * 4 : LLS_Mode == 0 ? LLS_VIDEO_BYTES : (size_t)LLS_Size;
    if (s.frames > 0 && s_previous.size() == bytes && std::memcmp(s_previous.data(), picture, bytes) == 0)
        s.stillFrames++;
    s_previous.assign(picture, picture + bytes);
    s.frames++;
    s.endsBlack = !TCS_Active && ColourTableBlack();

    if (frame % kCheckEvery == 0) {
        s.checked++;
        if (TCS_Active)
            CheckText(s);
        else
            CountColours(s);
    }
    // The two stills once their fade-in has arrived: (32,1) full screen, (40,32) centred.
    if (FrameHook == CUE_Idle && LLS_Mode == 5 && !TCS_Active && frame == s.firstFrame + kFadedIn) {
        if (s.key < Key(40, 1))
            f.freestyleFaults = StillFaults(s_freestyle, 0, 640);
        else
            f.koldeFaults = StillFaults(s_kolde, CUE_KOLDE_LEFT, CUE_KOLDE_WIDTH);
    }
    f.moduleIdleFrames += BASS_ChannelIsActive(MUSIC_Handle) != BASS_ACTIVE_PLAYING;

    f.lastKey = key;
    f.frames++;
    if (f.frames >= kFrameLimit) {
        f.cut = true;
        DemoQuit = 1;
    }
    // As the renderer does: this frame's soundtrack ends where the next frame begins.
    SND_RenderTo((uint64_t)f.frames * kAudioPerFrame);
    PLAT_VirtualMs = TIMER_FirstMsOfTick(f.frames);
}

void Capture(const int16_t* frames, size_t count, void*)
{
    ShowFacts& f = s_facts;
    for (size_t i = 0; i < count; i++)
        if (frames[2 * i] != 0 || frames[2 * i + 1] != 0)
            f.lastSound = f.audioFrames + i + 1;
    f.audioFrames += count;
}

// Sets the show up as `vantrel --render` does; onFrame runs as each frame leaves LLS_DUMP.
void UseVirtualClock(void (*onFrame)(void))
{
    PLAT_UseHeadless();
    PLAT.FramePresented = onFrame;
    PLAT_VirtualMs = TIMER_FirstMsOfTick(0);
}

// --- What the show must have done ---

enum Kind { BLACK, MOVING, STILL, PAGES, HELD };

struct Want {
    EffectFn hook;
    const char* name;
    int order, row;   // the hook takes over in the first frame past this position
    Kind kind;
    bool endsBlack;   // a fade to black has ended before the next section
};

const Want kSections[] = {
    {CUE_Idle, "the first row's idle hook", 0, 0, BLACK, true},
    {IntroWeaveFrame, "the weave", 1, 1, MOVING, false},
    {CUE_Idle, "the logo and the title", 3, 32, STILL, false},
    {RippleFrame, "the ripple", 5, 1, MOVING, false},
    {BEAM_Frame, "the beams", 10, 1, MOVING, false},
    {RAY_Frame, "the ray-traced scene", 12, 32, MOVING, false},
    {BEAM_Frame, "the beams again", 13, 32, MOVING, false},
    {RAY_Frame, "the ray-traced scene again", 14, 1, MOVING, false},
    {TOWER_Frame, "the tower", 24, 1, MOVING, true},
    {GlowFrame, "the glow", 29, 1, MOVING, true},
    {CUE_Idle, "the first still", 32, 1, STILL, true},
    {FeedbackFrame, "the feedback zoom", 34, 1, MOVING, false},
    {TunnelFrame, "the tunnel", 36, 1, MOVING, true},
    {CUE_Idle, "the closing picture", 40, 32, STILL, true},
    {FinaleFrame, "the closing pages", 41, 32, PAGES, false},
    {CUE_Idle, "the held last page", 49, 1, HELD, false},
};

// Every test plays in one generated data set.
class WholeShow : public ::testing::Test {
protected:
    static inline std::optional<FIX_TempDir> s_data;
    static inline bool s_generated = false;

    static void SetUpTestSuite()
    {
        s_data.emplace("vantrel-whole-show");
        s_generated = std::system("'" VANTREL_BINARY_DIR "/vantrel-assets' . >/dev/null") == 0;
    }
    static void TearDownTestSuite()
    {
        DAT_CloseAll();
        s_data.reset();
    }
    void SetUp() override { ASSERT_TRUE(s_generated) << "vantrel-assets failed"; }
    void TearDown() override
    {
        PLAT_UseHeadless();
        SND_SetCapture(nullptr, nullptr);
    }
};

TEST_F(WholeShow, PlaysEveryRowAndSectionAndEndsAtTheLastCue)
{
    LoadStill("GFX\\FREESTYL.GIF", 640 * 480, &s_freestyle);
    LoadStill("GFX\\KOLDE640.GIF", CUE_KOLDE_WIDTH * CUE_KOLDE_HEIGHT, &s_kolde);
    s_facts = ShowFacts{};
    s_facts.lastRow = -1;
    s_facts.freestyleFaults = s_facts.koldeFaults = -1;

    UseVirtualClock(Presented);
    SND_SetCapture(Capture, nullptr);
    const std::array<TimelineRow, TIMELINE_ROWS> table = WatchedTimeline(std::make_index_sequence<TIMELINE_ROWS>());
    DEMO_RunShow(table.data(), TIMELINE_ROWS);
    const ShowFacts& f = s_facts;
    ASSERT_FALSE(f.cut) << "the show did not end by itself";

    // Every row ran once, in table order, in the first frame past its position (row 0 in
    // the first frame, unasked).
    EXPECT_EQ(f.rowsOutOfOrder, 0u);
    for (int i = 0; i < TIMELINE_ROWS; i++) {
        const RowRun& r = f.rows[i];
        SCOPED_TRACE("row " + std::to_string(i) + " at " + std::to_string(Timeline[i].order) + ":" +
                     std::to_string(Timeline[i].row));
        if (!Timeline[i].fn) {
            EXPECT_EQ(r.calls, 0u);
            continue;
        }
        ASSERT_EQ(r.calls, 1u);
        const int due = Key(Timeline[i].order, Timeline[i].row);
        if (i == 0) {
            EXPECT_EQ(r.frame, 0u);
            continue;
        }
        EXPECT_GT(r.key, due) << "ran at " << r.key;
        if (r.frame > 0) {
            EXPECT_LE(r.keyBefore, due) << "ran a frame late: the frame before was at " << r.keyBefore;
        }
    }

    // CueEndShow, the last row, ended the show in its own frame, at (49,32): no frame was
    // presented after it, while the module (which rings on for another order) still played and
    // sounded.
    ASSERT_TRUE(Timeline[TIMELINE_ROWS - 2].fn == CueEndShow);
    EXPECT_EQ(f.rows[TIMELINE_ROWS - 2].frame, f.frames);
    EXPECT_EQ(f.lastKey, Key(49, 32));
    EXPECT_EQ(f.moduleIdleFrames, 0u);
    EXPECT_GT(f.lastSound + SND_RATE / 10, f.audioFrames) << "the music had fallen silent before the end";

    // The sections, one after another, each taking over at its row.
    ASSERT_EQ(f.sectionCount, (int)std::size(kSections));
    for (int i = 0; i < f.sectionCount; i++) {
        const Section& s = f.sections[i];
        const Want& want = kSections[i];
        SCOPED_TRACE(std::string(want.name) + ", from frame " + std::to_string(s.firstFrame) + " (" +
                     std::to_string(s.frames) + " frames)");
        ASSERT_TRUE(s.hook == want.hook) << "another hook";
        if (i > 0) {
            EXPECT_GT(s.key, Key(want.order, want.row));
            EXPECT_LE(s.keyBefore, Key(want.order, want.row));
        }
        // An effect draws a new picture on nine ticks in ten at least: a few stand still while
        // the weave's waves and the ripple are flat at their start and the pages settle.
        const uint32_t changed = s.frames - 1 - s.stillFrames;
        switch (want.kind) {
        case BLACK:
            EXPECT_EQ(changed, 0u);
            EXPECT_EQ(s.mostColours, 1u);
            break;
        case MOVING:
            EXPECT_LE(s.stillFrames * 10, s.frames);
            EXPECT_LE(s.flatFrames * 10, s.checked) << "frames drawn in one flat colour";
            EXPECT_GE(s.mostColours, 4u) << "the section stays dark";
            break;
        case STILL:
            EXPECT_LE(changed, 1u) << "a still picture changed";
            EXPECT_GE(s.mostColours, 16u);
            break;
        case PAGES:
            EXPECT_LE(s.stillFrames * 10, s.frames);
            EXPECT_EQ(s.greyFaults, 0u) << "the pages are grey";
            EXPECT_GE(s.litFrames * 10, s.checked * 9) << "the pages are lit";
            EXPECT_GE(s.brightest, 192u) << "the text is light";
            break;
        case HELD:
            EXPECT_EQ(changed, 0u);
            EXPECT_EQ(s.greyFaults, 0u);
            EXPECT_EQ(s.litFrames, s.checked) << "the last page stays lit";
            break;
        }
        if (want.endsBlack) {
            EXPECT_TRUE(s.endsBlack) << "faded to black before the next section";
        }
    }
    EXPECT_EQ(f.freestyleFaults, 0) << "the first still, as its file holds it (-1: not seen)";
    EXPECT_EQ(f.koldeFaults, 0) << "the closing picture, centred, as its file holds it (-1: not seen)";
}

// --- A second show in the same process ---

std::vector<uint64_t>* s_hashes;

// Ends the opening one frame past the white flash at (3,32), with that flash's fade running.
void HashOpeningFrame(void)
{
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : LLS_Frame32)
        h = (h ^ p) * 1099511628211ull;
    s_hashes->push_back(h);
    if (KeyNow() > Key(3, 32))
        DemoQuit = 1;
    PLAT_VirtualMs = TIMER_FirstMsOfTick((uint32_t)s_hashes->size());
}

std::vector<uint64_t> PlayOpening(void)
{
    std::vector<uint64_t> hashes;
    s_hashes = &hashes;
    UseVirtualClock(HashOpeningFrame);
    DemoMain();
    return hashes;
}

// The first show leaves a fade running, the text screen set up and allocations made; DemoMain
// starts the second one afresh all the same, frame for frame.
TEST_F(WholeShow, ASecondShowInTheSameProcessPlaysLikeTheFirst)
{
    const std::vector<uint64_t> first = PlayOpening();
    ASSERT_EQ(PAL_Fading, 1) << "the first show ends in the middle of a fade";
    ASSERT_TRUE(TCS_Init(320, 200, 32));   // as if it had reached the closing pages
    const std::vector<uint64_t> second = PlayOpening();

    ASSERT_GT(first.size(), 1000u);
    ASSERT_EQ(second.size(), first.size());
    size_t same = 0;
    while (same < first.size() && first[same] == second[same])
        same++;
    EXPECT_EQ(same, first.size()) << "the first frame of the second show that differs";
}

// The program itself, live without sound on SDL's dummy video driver: it skips headless to
// (49,1), plays the held last page in real time until CueEndShow and exits with status 0.
TEST_F(WholeShow, TheProgramEndsItselfAtTheLastCueWithStatusZero)
{
    const int status = std::system("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 900 '" VANTREL_BINARY_DIR
                                   "/vantrel' --nosound --from 49:1 >/dev/null 2>stderr.txt");
    std::ifstream e("stderr.txt");
    const std::string err((std::istreambuf_iterator<char>(e)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "124: still running after 900 s; " << err.substr(err.size() - std::min<size_t>(err.size(), 600));
}

}  // namespace
