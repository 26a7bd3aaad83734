// Allocation, assertion stops, the fatal-error exit and the fixed-point stops.
#include "common/test_support.h"
#include "platform/notprovided.h"
#include "support/base.h"
#include "support/sys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/resource.h>
#include <functional>

TEST(Memory, FreshBlocksCarryTheRandSequence)
{
    std::srand(1);
    unsigned char expected[100];
    for (unsigned char& b : expected)
        b = (unsigned char)(std::rand() & 255);
    std::srand(1);
    unsigned char* p = (unsigned char*)MEM_Alloc(100);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; i++)
        EXPECT_EQ(p[i], expected[i]) << i;
    std::free(p);
}

TEST(Memory, SizeZeroOrNegativeGivesNull)
{
    EXPECT_EQ(MEM_Alloc(0), nullptr);
    EXPECT_EQ(MEM_Alloc(-5), nullptr);
}

// Runs body in a death-test child whose stdout goes to a file, expects exit status 1, and
// returns what the child wrote to stdout.
template <class F>
std::string StdoutOfFatalExit(F body)
{
    const std::string path = ::testing::TempDir() + "/fatal_stdout.txt";
    EXPECT_EXIT(
        {
            if (!std::freopen(path.c_str(), "w", stdout))
                std::abort();
            body();
        },
        ::testing::ExitedWithCode(1), "");
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char buffer[256];
        size_t n = std::fread(buffer, 1, sizeof buffer, f);
        text.assign(buffer, n);
        std::fclose(f);
    }
    return text;
}

TEST(FatalError, BannerAndMessageOnStdoutThenStatusOne)
{
    EXPECT_EQ(StdoutOfFatalExit([] { SYS_FatalError("You %s.\n", "suck"); }),
              "ERROR ERROR ERROR ERROR\nYou suck.\n");
}

// The registered clean-up runs before the banner, in the order registered, each step once
// however often it was registered (the music layer registers its release at every start).
TEST(FatalError, RegisteredStepsRunFirstOnceEachInOrder)
{
    EXPECT_EQ(StdoutOfFatalExit([] {
                  static const SYS_ShutdownStep first = [] { std::fputs("first\n", stdout); };
                  static const SYS_ShutdownStep second = [] { std::fputs("second\n", stdout); };
                  SYS_AtShutdown(first);
                  SYS_AtShutdown(second);
                  SYS_AtShutdown(first);
                  SYS_FatalError("bye\n");
              }),
              "first\nsecond\nERROR ERROR ERROR ERROR\nbye\n");
}

TEST(FatalError, AllocationFailureNamesWhatAndSize)
{
    // With the data limit lowered the heap cannot give the block: the request must stop
    // cleanly, not write through null.
    std::string text = StdoutOfFatalExit([] {
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = 64 << 20;
        setrlimit(RLIMIT_DATA, &limit);
        MEM_AllocOrDie(0x7FFFFFFF, "a test table");
    });
    EXPECT_NE(text.find("2147483647 bytes for a test table"), std::string::npos) << text;
}

TEST(Assertion, DefaultReportNamesExpressionFunctionUnitAndLineAndAborts)
{
    EXPECT_DEATH(
        {
            SYS_SetAssertHandler(nullptr);
            SYS_ASSERT_AT(1 + 1 == 3, "q == (byte*)LLS_Screen + LLS_Size", "ANIM_Play", "ANIMATEC", 321);
        },
        "q == \\(byte\\*\\)LLS_Screen \\+ LLS_Size.*ANIM_Play.*ANIMATEC.*321");
}

TEST(Assertion, NotProvidedEntryPointsStopWithTheirOwnPlace)
{
    for (const NotProvidedEntry& e : NYI_Entries) {
        AssertionStop stop = TEST_ExpectStop(e.fn);
        EXPECT_EQ(stop.expr, "!\"NYI\"");
        EXPECT_EQ(stop.func, e.name);
        EXPECT_EQ(stop.unit, e.unit);
        EXPECT_EQ(stop.line, e.line);
    }
    EXPECT_EQ(TEST_ExpectStop(IsThereMusic).line, 192);
    EXPECT_EQ(TEST_ExpectStop(BM_Get).unit, "BITMAP");
}

TEST(FixedPoint, HelpersThatAreNotProvidedStopWithTest)
{
    struct Case {
        const char* name;
        int line;
        std::function<void()> call;
    } cases[] = {
        {"FPnDiv", 211, [] { FPnDiv(1, 2); }},
        {"FPnDiv", 211, [] { FPnDiv(0, 2); }},
        {"FPMultDiv", 256, [] { FPMultDiv(0, 3, 4); }},
        {"FP16Inverse", 278, [] { FP16Inverse(0); }},
        {"FP16Div", 151, [] { FP16Div(1, 1); }},
        {"Pow2", 396, [] { Pow2(3); }},
    };
    for (const Case& c : cases) {
        AssertionStop stop = TEST_ExpectStop(c.call);
        EXPECT_EQ(stop.expr, "!\"TEST\"");
        EXPECT_EQ(stop.func, c.name);
        EXPECT_EQ(stop.unit, "base");
        EXPECT_EQ(stop.line, c.line);
    }
    EXPECT_EQ(FPnDiv(0, 0), 0);
    EXPECT_EQ(FPMultDiv(5, 0, 7), 0);
    EXPECT_EQ(FPMultDiv(5, 7, 0), 0);
}

TEST(FixedPoint, ProductsGoThroughSixtyFourBits)
{
    EXPECT_EQ(FP_Mul(FP_FromInt(300), FP_FromInt(200)), FP_FromInt(60000));
    EXPECT_EQ(FP_Mul(-FP_FromInt(3), FP_FromInt(1) / 2), -FP_FromInt(3) / 2);
    EXPECT_EQ(FP_ToInt(-1), -1) << "the integer part is an arithmetic shift";
}
