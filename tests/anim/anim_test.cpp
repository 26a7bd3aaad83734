// The .ZAF player: the delta stream's forms and its corrupt frames, loading from files and
// archive members, and stepping forward, backward and under the rate limit.
#include "anim_fixture.h"

#include "data/datwrite.h"
#include "fx2d/anim.h"
#include "fx2d/animwrite.h"

#include <functional>
#include <random>

namespace {

const std::string kCorrupt = "q == (byte*)LLS_Screen + LLS_Size";

// The decoder written the plain way: one byte at a time, no bounds beyond the test's own data.
void ReferenceFrame(std::vector<uint8_t>* screen, const std::vector<uint8_t>& s)
{
    size_t p = 0, q = 0;
    auto length = [&]() {
        size_t n = s[p++];
        if (n == 255) {
            n += s[p] | s[p + 1] << 8;
            p += 2;
        }
        return n;
    };
    while (q < screen->size()) {
        const size_t run = length();
        const uint8_t c = s[p++];
        for (size_t i = 0; i < run; i++)
            (*screen)[q++] ^= c;
        if (q == screen->size())
            break;
        const size_t literal = length();
        for (size_t i = 0; i < literal; i++)
            (*screen)[q++] ^= s[p++];
    }
}

void PutLength(std::vector<uint8_t>* s, size_t n)
{
    if (n < 255) {
        s->push_back((uint8_t)n);
    } else {
        s->push_back(255);
        ANIMTEST_PutLe16(s, (uint32_t)(n - 255));
    }
}

std::vector<uint8_t> Pattern(uint32_t seed)
{
    std::vector<uint8_t> p(64000);
    for (size_t i = 0; i < p.size(); i++)
        p[i] = (uint8_t)((i * 7 + seed * 13 + (i >> 9) * seed) & 255);
    return p;
}

class AnimTest : public AnimDirTest {};

// Each stream is decoded over a screen holding a known pattern, so XOR and store differ.
TEST_F(AnimTest, StreamFormsDecodeAsWritten)
{
    std::vector<uint8_t> lit256(256);
    for (int i = 0; i < 256; i++)
        lit256[(size_t)i] = (uint8_t)(i * 3 + 1);
    std::vector<uint8_t> withLiteral = {0, 0, 255, 1, 0};
    withLiteral.insert(withLiteral.end(), lit256.begin(), lit256.end());
    for (uint8_t b : {255, 0x01, 0xF8, 0})   // the rest, 63744 bytes, skipped
        withLiteral.push_back(b);
    const struct {
        const char* what;
        std::vector<uint8_t> stream;
        size_t runLength;   // the screen's first runLength bytes are XORed with runValue ...
        uint8_t runValue;
        size_t literalAt;   // ... and literal bytes from literalAt, the rest unchanged
        std::vector<uint8_t> literal;
    } cases[] = {
        {"run and literal of length 0 move nothing", {0, 9, 0, 255, 0x01, 0xF9, 5}, 64000, 5, 0, {}},
        {"254 takes one byte", {254, 3, 0, 255, 0x03, 0xF8, 0}, 254, 3, 0, {}},
        {"255 takes three bytes", {255, 0, 0, 4, 0, 255, 0x02, 0xF8, 0}, 255, 4, 0, {}},
        {"the whole screen in one run", {255, 0x01, 0xF9, 0xA5}, 64000, 0xA5, 0, {}},
        {"a literal of 256 bytes", withLiteral, 0, 0, 0, lit256},
        {"bytes after the screen's end are not read", {255, 0x01, 0xF9, 1, 77, 1}, 64000, 1, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> before = Pattern(1);
        std::memcpy(LLS_Screen, before.data(), before.size());
        doFrame(c.stream.data(), c.stream.size());
        std::vector<uint8_t> expected = before;
        for (size_t i = 0; i < c.runLength; i++)
            expected[i] ^= c.runValue;
        for (size_t i = 0; i < c.literal.size(); i++)
            expected[c.literalAt + i] ^= c.literal[i];
        EXPECT_EQ(Screen(), expected);
    }
}

// The word-at-a-time paths against the byte-by-byte decoder, over random runs and literals
// of every length class and so every alignment of the screen position.
TEST_F(AnimTest, WordPathsMatchTheSequentialXor)
{
    std::mt19937 rng(1234);
    for (int frame = 0; frame < 60; frame++) {
        std::vector<uint8_t> s;
        size_t q = 0;
        while (q < 64000) {
            const int kind = (int)(rng() % 4);
            size_t run = kind == 0 ? rng() % 40 : kind == 1 ? rng() % 300 : kind == 2 ? rng() % 3 : rng() % 2000;
            run = std::min(run, 64000 - q);
            PutLength(&s, run);
            s.push_back(rng() % 5 == 0 ? 0 : (uint8_t)rng());
            q += run;
            if (q == 64000)
                break;
            size_t literal = std::min((size_t)(rng() % (kind == 3 ? 700 : 37)), 64000 - q);
            PutLength(&s, literal);
            for (size_t i = 0; i < literal; i++)
                s.push_back((uint8_t)rng());
            q += literal;
        }
        std::vector<uint8_t> expected = Pattern((uint32_t)frame);
        std::memcpy(LLS_Screen, expected.data(), expected.size());
        ReferenceFrame(&expected, s);
        doFrame(s.data(), s.size());
        ASSERT_EQ(Screen(), expected) << "frame " << frame;
    }
}

TEST_F(AnimTest, CorruptFramesStopInDoFrame)
{
    std::vector<uint8_t> longLiteral = {0, 0, 255, 0x02, 0xF9};   // 64001 bytes, all present
    longLiteral.resize(longLiteral.size() + 64001, 1);
    const struct {
        const char* what;
        std::vector<uint8_t> stream;
    } cases[] = {
        {"no data", {}},
        {"ends after a run length", {5}},
        {"ends inside a long length", {255, 1}},
        {"run past the screen's end", {255, 0x02, 0xF9, 1}},
        {"literal past the screen's end", longLiteral},
        {"literal longer than the data", {0, 0, 10, 1, 2, 3}},
        {"ends before the screen's end", {10, 1, 0}},
        {"ends after a literal short of the end", {10, 1, 2, 7, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // An exact-size copy, so a read past the data is caught by the sanitizer build.
        std::vector<uint8_t> exact(c.stream);
        const AssertionStop stop = TEST_ExpectStop([&] { doFrame(exact.empty() ? nullptr : exact.data(), exact.size()); });
        EXPECT_EQ(stop.expr, kCorrupt);
        EXPECT_EQ(stop.func, "doFrame");
        EXPECT_EQ(stop.unit, "ANIMATEC");
    }
}

TEST_F(AnimTest, EncoderUsesRunsAndRoundTrips)
{
    std::mt19937 rng(99);
    std::vector<uint8_t> from(64000), to(64000);
    for (int trial = 0; trial < 20; trial++) {
        // Stretches of noise, of one value and of unchanged bytes.
        for (size_t i = 0; i < to.size();) {
            const size_t n = std::min((size_t)(rng() % (trial % 2 ? 9 : 3000)) + 1, to.size() - i);
            const int kind = (int)(rng() % 3);
            const uint8_t v = (uint8_t)rng();
            for (size_t k = 0; k < n; k++, i++)
                to[i] = kind == 0 ? (uint8_t)rng() : kind == 1 ? v : from[i];
        }
        std::vector<uint8_t> s;
        ANIM_EncodeDelta(from.data(), to.data(), to.size(), &s);
        std::memcpy(LLS_Screen, from.data(), from.size());
        doFrame(s.data(), s.size());
        ASSERT_EQ(Screen(), to) << "trial " << trial;
        from = to;
    }
    // Stripes of 600 equal bytes after one odd byte: a run each, not one long literal.
    std::vector<uint8_t> s;
    from.assign(64000, 0);
    for (size_t i = 0; i < to.size(); i++)
        to[i] = i % 601 == 0 ? (uint8_t)i : (uint8_t)(i / 601 + 1);
    ANIM_EncodeDelta(from.data(), to.data(), to.size(), &s);
    EXPECT_LT(s.size(), 107u * 6);
    // One value over the whole screen is one run in its long form.
    s.clear();
    to.assign(64000, 9);
    from.assign(64000, 0);
    ANIM_EncodeDelta(from.data(), to.data(), to.size(), &s);
    EXPECT_EQ(s, (std::vector<uint8_t>{255, 0x01, 0xF9, 9}));
}

// A .ZAF image from raw chunks: each is (chunk size, data); a size of 4 or less writes the
// size field alone.
std::vector<uint8_t> Zaf(uint32_t count, uint32_t word, const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& chunks,
                         const char* magic = ".ZAF")
{
    std::vector<uint8_t> b(magic, magic + 4);
    ANIMTEST_PutLe16(&b, count);
    ANIMTEST_PutLe16(&b, word);
    for (const auto& c : chunks) {
        ANIMTEST_PutLe32(&b, c.first);
        if (c.first > 4)
            b.insert(b.end(), 8, 0xEE);
        b.insert(b.end(), c.second.begin(), c.second.end());
    }
    return b;
}

const std::vector<uint8_t> kFill5 = {255, 0x01, 0xF9, 5};   // XOR the whole screen with 5

TEST_F(AnimTest, InitLoadsFramesAndEmptySlots)
{
    ANIMTEST_WriteFile("A.ZAF", Zaf(4, 0xBEEF, {{16, kFill5}, {0, {}}, {4, {}}, {17, {255, 0x01, 0xF9, 3, 42}}}));
    Anim anim;
    ASSERT_EQ(ANIM_Init(&anim, "a.zaf", 7, 0xCAFEF00Du, -3), 1) << ANIM_Error();
    EXPECT_EQ(anim.frameCount, 4);
    EXPECT_EQ(anim.headerWord, 0xBEEF);
    EXPECT_EQ(anim.callerValue1, 0xCAFEF00Du);
    EXPECT_EQ(anim.callerValue2, -3);
    EXPECT_EQ(anim.width, 320);
    EXPECT_EQ(anim.height, 200);
    EXPECT_EQ(anim.delay, 7);
    EXPECT_EQ(anim.currentFrame, 0u);
    EXPECT_EQ(anim.lastTime, 0u);
    ASSERT_NE(anim.frames, nullptr);
    EXPECT_EQ(anim.frames[1], nullptr);
    EXPECT_EQ(anim.frames[2], nullptr);
    EXPECT_EQ(anim.frameSizes[0], 4u);
    EXPECT_EQ(anim.frameSizes[3], 5u);
    EXPECT_EQ(std::vector<uint8_t>(anim.frames[0], anim.frames[0] + 4), kFill5);
    ANIM_End(&anim);
    EXPECT_EQ(anim.frames, nullptr);
    EXPECT_EQ(anim.frameCount, 4);   // the count stays
    ANIM_End(&anim);                 // and a second end is harmless
}

TEST_F(AnimTest, InitFailuresLeaveNothingLoaded)
{
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;   // written to "BAD.ZAF" unless empty
        const char* reason;           // part of ANIM_Error
    } cases[] = {
        {"missing file", {}, "cannot open"},
        {"short header", {'.', 'Z', 'A', 'F', 1, 0}, "shorter than the 8-byte header"},
        {"wrong magic", Zaf(1, 0, {{16, kFill5}}, ".ZAX"), "not a .ZAF"},
        {"no frames", Zaf(0, 0, {}), "no frames"},
        {"chunk size 5", Zaf(2, 0, {{16, kFill5}, {5, {1, 2, 3, 4, 5, 6, 7, 8, 9}}}), "chunk size 5 is too small"},
        {"chunk size 12", Zaf(2, 0, {{16, kFill5}, {12, {}}}), "chunk size 12 is too small"},
        {"chunk past the end", Zaf(2, 0, {{16, kFill5}, {0x7FFFFFF0u, kFill5}}), "frame 1: its chunk of"},
        {"chunk one byte past the end", Zaf(1, 0, {{17, kFill5}}), "runs past the end"},
        {"fewer chunks than frames", Zaf(3, 0, {{16, kFill5}, {0, {}}}), "frame 2: the file ends"},
        {"a size field cut short", [] { auto b = Zaf(1, 0, {}); b.push_back(16); return b; }(), "frame 0: the file ends"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove("BAD.ZAF");
        if (!c.bytes.empty())
            ANIMTEST_WriteFile("BAD.ZAF", c.bytes);
        Anim anim;
        anim.currentFrame = 9;
        anim.lastTime = 9;
        EXPECT_EQ(ANIM_Init(&anim, "BAD.ZAF", 1, 0, 0), 0);
        EXPECT_EQ(anim.frames, nullptr);
        EXPECT_EQ(anim.frameCount, 0);
        EXPECT_EQ(anim.currentFrame, 0u);
        EXPECT_EQ(anim.lastTime, 0u);
        EXPECT_NE(std::string(ANIM_Error()).find(c.reason), std::string::npos) << ANIM_Error();
        EXPECT_EQ(ANIM_Play(&anim, 1, 0), 0);   // nothing loaded, nothing played
    }
}

// A member's stream runs on into the archive's next member: a chunk that the member cannot
// hold is still refused, and a whole member loads.
TEST_F(AnimTest, ArchiveMembersAreBoundedByTheirSize)
{
    const std::vector<uint8_t> good = Zaf(1, 0, {{16, kFill5}});
    std::vector<uint8_t> cut = good;
    cut.resize(cut.size() - 1);
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("T.DAT",
                                 {DatMember{"CUT.ZAF", cut}, DatMember{"GOOD.ZAF", good}, DatMember{"PAD", good}},
                                 &error))
        << error;
    ASSERT_EQ(DAT_Open("T.DAT"), 1);
    Anim anim;
    EXPECT_EQ(ANIM_Init(&anim, "ANIM\\CUT.ZAF", 0, 0, 0), 0);
    EXPECT_NE(std::string(ANIM_Error()).find("runs past the end"), std::string::npos) << ANIM_Error();
    ASSERT_EQ(ANIM_Init(&anim, "ANIM\\GOOD.ZAF", 0, 0, 0), 1) << ANIM_Error();
    EXPECT_EQ(ANIM_Play(&anim, 1, 0), 0);
    EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 5));
    ANIM_End(&anim);
}

// Pictures 0, 1, 1 again (an empty frame) and 2, made by the writer and loaded from memory.
class AnimPlayTest : public AnimTest {
protected:
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<uint8_t> file;
    Anim anim{};

    void SetUp() override
    {
        AnimTest::SetUp();
        pictures = {Pattern(3), Pattern(5), Pattern(5), Pattern(8)};
        std::vector<const uint8_t*> list;
        for (const auto& p : pictures)
            list.push_back(p.data());
        std::string error;
        ASSERT_TRUE(ANIM_BuildFile(list, 64000, 0, &file, &error)) << error;
        ASSERT_EQ(ANIM_InitMemory(&anim, file.data(), file.size(), 0, 0, 0), 1) << ANIM_Error();
        ASSERT_EQ(anim.frameCount, 4);
        ASSERT_EQ(anim.frames[2], nullptr);
    }
    void TearDown() override
    {
        ANIM_End(&anim);
        AnimTest::TearDown();
    }
};

TEST_F(AnimPlayTest, ForwardGivesEachPictureAndBackwardRestoresTheClearedScreen)
{
    for (size_t k = 0; k < pictures.size(); k++) {
        EXPECT_EQ(ANIM_Play(&anim, 1, 0), k + 1 < pictures.size() ? 1 : 0) << k;
        EXPECT_EQ(Screen(), pictures[k]) << k;
    }
    // Forward at the last frame: nothing applied, 0.
    EXPECT_EQ(ANIM_Play(&anim, 3, 0), 0);
    EXPECT_EQ(anim.currentFrame, 4u);
    EXPECT_EQ(Screen(), pictures[3]);
    EXPECT_EQ(ANIM_Play(&anim, 0, 0), 1);

    for (size_t k = pictures.size() - 1; k > 0; k--) {
        EXPECT_EQ(ANIM_Play(&anim, -1, 0), 1) << k;
        EXPECT_EQ(Screen(), pictures[k - 1]) << k;
    }
    EXPECT_EQ(ANIM_Play(&anim, -1, 0), 0);   // undoes frame 0: back to the cleared screen
    EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 0));
    EXPECT_EQ(ANIM_Play(&anim, -1, 0), 0);   // backward at frame 0
    EXPECT_EQ(anim.currentFrame, 0u);
    EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 0));
}

TEST_F(AnimPlayTest, ManyStepsStopAtEitherEnd)
{
    EXPECT_EQ(ANIM_Play(&anim, 2, 0), 1);
    EXPECT_EQ(Screen(), pictures[1]);
    EXPECT_EQ(ANIM_Play(&anim, 100, 0), 0);
    EXPECT_EQ(Screen(), pictures[3]);
    EXPECT_EQ(ANIM_Play(&anim, -3, 0), 1);
    EXPECT_EQ(Screen(), pictures[0]);
    EXPECT_EQ(ANIM_Play(&anim, INT32_MIN, 0), 0);
    EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 0));
}

TEST_F(AnimPlayTest, RateLimitHoldsBackEarlyCallsOnly)
{
    const struct {
        const char* what;
        int32_t delay;
        uint32_t lastTime, now;
        bool limited;
    } cases[] = {
        {"too early", 5, 100, 104, true},
        {"exactly the delay", 5, 100, 105, false},
        {"first call", 5, 0, 3, false},
        {"now 0", 5, 100, 0, false},
        {"no limit below 1", 0, 100, 100, false},
        {"before the last time (signed difference)", 5, 100, 50, true},
        {"across the clock's wrap", 5, 0xFFFFFFFEu, 10, false},
        {"just before the wrap", 5, 0xFFFFFFFEu, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(LLS_Screen, 0, 64000);
        anim.currentFrame = 0;
        anim.delay = c.delay;
        anim.lastTime = c.lastTime;
        EXPECT_EQ(ANIM_Play(&anim, 1, c.now), 1);
        if (c.limited) {
            EXPECT_EQ(anim.lastTime, c.lastTime);
            EXPECT_EQ(anim.currentFrame, 0u);
            EXPECT_EQ(Screen(), std::vector<uint8_t>(64000, 0));
        } else {
            EXPECT_EQ(anim.lastTime, c.now);
            EXPECT_EQ(anim.currentFrame, 1u);
            EXPECT_EQ(Screen(), pictures[0]);
        }
    }
}

TEST_F(AnimTest, NullRecordStops)
{
    Anim* none = nullptr;
    const struct {
        const char* func;
        std::function<void()> call;
    } cases[] = {
        {"ANIM_Init", [&] { ANIM_Init(none, "A.ZAF", 0, 0, 0); }},
        {"ANIM_Play", [&] { ANIM_Play(none, 1, 0); }},
        {"ANIM_End", [&] { ANIM_End(none); }},
    };
    for (const auto& c : cases) {
        const AssertionStop stop = TEST_ExpectStop(c.call);
        EXPECT_EQ(stop.expr, "anim != NULL");
        EXPECT_EQ(stop.func, c.func);
        EXPECT_EQ(stop.unit, "ANIMATEC");
    }
}

}  // namespace
