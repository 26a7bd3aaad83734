// The archive reader and the file layer: lookup by base name, plain files first, reads from
// member streams, and malformed archives refused without side effects.
#include "data_fixture.h"

#include "data/file.h"

#include <gmock/gmock.h>

#include <cstring>

namespace {

std::string LoadString(const char* path, int maxLength = 4096)
{
    std::string buffer((size_t)maxLength, '\0');
    const int n = FILE_Load(path, buffer.data(), maxLength);
    return buffer.substr(0, (size_t)(n > 0 ? n : 0));
}

std::string ReadStream(FILE* f, size_t count)
{
    std::string s(count, '\0');
    s.resize(std::fread(s.data(), 1, count, f));
    return s;
}

class ArchiveTest : public DataDirTest {};

TEST_F(ArchiveTest, FindsMembersByBaseNameIgnoringCase)
{
    MakeArchive("VANTREL.DAT", {{"intro.gif", "GIFDATA"}, {"FONT2.FNT", "font-bytes"}, {"ENDTEXT.TXT", "line1\nline2\n"}});
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);

    const struct {
        const char* path;
        const char* contents;   // null: not found
    } cases[] = {
        {"GFX\\FONT2.FNT", "font-bytes"},
        {"gfx\\font2.fnt", "font-bytes"},
        {"FONT2.FNT", "font-bytes"},
        {"A\\B\\C\\Font2.Fnt", "font-bytes"},
        {"GFX\\INTRO.GIF", "GIFDATA"},
        {"GFX/FONT2.FNT", nullptr},   // a forward slash is no separator: the base name is the whole path
        {"FONT2.FN", nullptr},
        {"FONT2.FNTX", nullptr},
        {"GFX\\", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.contents) {
            EXPECT_EQ(FILE_GetSize(c.path), std::strlen(c.contents));
            EXPECT_EQ(LoadString(c.path), c.contents);
            FILE* f = FILE_OpenBinary(c.path);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(ReadStream(f, std::strlen(c.contents)), c.contents);
            FILE_Close(f);
        } else {
            EXPECT_EQ(FILE_GetSize(c.path), 0u);
            EXPECT_EQ(LoadString(c.path), "");
            EXPECT_EQ(FILE_OpenBinary(c.path), nullptr);
            EXPECT_EQ(FILE_OpenText(c.path), nullptr);
        }
    }
}

TEST_F(ArchiveTest, PlainFilesComeFirstExceptEmptyOnesForSizeAndLoad)
{
    MakeArchive("VANTREL.DAT", {{"FONT2.FNT", "archived"}, {"EMPTY.BIN", "from-archive"}});
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);
    WriteFile("gfx/font2.fnt", "loose file");   // DOS path, found ignoring case on this system
    WriteFile("gfx/Empty.bin", "");

    EXPECT_EQ(FILE_GetSize("GFX\\FONT2.FNT"), 10u);
    EXPECT_EQ(LoadString("GFX\\FONT2.FNT"), "loose file");
    FILE* f = FILE_OpenText("GFX\\FONT2.FNT");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadStream(f, 100), "loose file");
    FILE_Close(f);

    // An empty plain file does not count for size and load, but the open operations return it.
    EXPECT_EQ(FILE_GetSize("GFX\\EMPTY.BIN"), 12u);
    EXPECT_EQ(LoadString("GFX\\EMPTY.BIN"), "from-archive");
    f = FILE_OpenBinary("GFX\\EMPTY.BIN");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(DAT_IsArchiveStream(f));
    EXPECT_EQ(ReadStream(f, 10), "");
    FILE_Close(f);
}

TEST_F(ArchiveTest, PlainPathsTranslateSeparatorsAndMatchEachComponentIgnoringCase)
{
    WriteFile("Data/Gfx/Font2.fnt", "deep");
    std::filesystem::create_directories("GFX/SUB.GIF");
    for (const char* path : {"Data\\Gfx\\Font2.fnt", "DATA\\GFX\\FONT2.FNT", "data/gfx/font2.FNT", "./data\\gfx\\FONT2.fnt"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LoadString(path), "deep");
    }
    EXPECT_EQ(FILE_OpenBinary("DATA\\NOPE\\FONT2.FNT"), nullptr);
    EXPECT_EQ(FILE_OpenBinary("GFX\\SUB.GIF"), nullptr);   // a folder is not a file
    EXPECT_EQ(FILE_GetSize("DATA"), 0u);
}

TEST_F(ArchiveTest, MemberStreamsRunOnPastTheMemberAndLoadStopsAtMaxLength)
{
    MakeArchive("VANTREL.DAT", {{"A.BIN", "0123456789"}, {"B.BIN", "abcdef"}});
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);

    FILE* f = FILE_OpenBinary("A.BIN");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(DAT_IsArchiveStream(f));
    EXPECT_EQ(ReadStream(f, 14), "0123456789abcd");
    FILE_Close(f);   // the archive's own stream stays open
    f = FILE_OpenBinary("B.BIN");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadStream(f, 6), "abcdef");

    char buffer[8] = {};
    EXPECT_EQ(FILE_Load("A.BIN", buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(buffer[4], 0);
    EXPECT_EQ(FILE_Load("A.BIN", buffer, 0), 0);

    // A text stream is a stream of its own, closed by FILE_Close, and the archive stays usable.
    FILE* text = FILE_OpenText("b.bin");
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(DAT_IsArchiveStream(text));
    EXPECT_EQ(ReadStream(text, 3), "abc");
    FILE_Close(text);
    EXPECT_EQ(LoadString("B.BIN"), "abcdef");
}

TEST_F(ArchiveTest, NewestArchiveFirstThenDirectoryOrder)
{
    MakeArchive("OLD.DAT", {{"SHARED.TXT", "old"}, {"ONLYOLD.TXT", "only-old"}});
    MakeArchive("NEW.DAT", {{"X.TXT", "x"}, {"shared.txt", "new"}});
    // Two members of one archive that match the same name: the writer refuses those, so patch
    // the second name of an archive it wrote.
    MakeArchive("DUP.DAT", {{"TWIN.TXT", "first"}, {"TWIN.TXZ", "second"}});
    std::string dup = ReadFile("DUP.DAT");
    const size_t second = dup.size() - 16 - 32;
    dup[second + 7] = 'T';
    WriteFile("DUP.DAT", dup);

    ASSERT_EQ(DAT_Open("OLD.DAT"), 1);
    ASSERT_EQ(DAT_Open("NEW.DAT"), 1);
    ASSERT_EQ(DAT_Open("DUP.DAT"), 1);
    EXPECT_EQ(LoadString("SHARED.TXT"), "new");
    EXPECT_EQ(LoadString("ONLYOLD.TXT"), "only-old");
    EXPECT_EQ(LoadString("TWIN.TXT"), "first");
}

TEST_F(ArchiveTest, RefusesATwentyFirstArchive)
{
    MakeArchive("ONE.DAT", {{"M.TXT", "m"}});
    for (int i = 0; i < DAT_MAX_ARCHIVES; i++)
        ASSERT_EQ(DAT_Open("ONE.DAT"), 1) << i;
    EXPECT_EQ(DAT_Open("ONE.DAT"), 0);
    EXPECT_STREQ(DAT_FailureReason(), "20 archives are open already");
    EXPECT_EQ(DAT_ArchiveCount(), DAT_MAX_ARCHIVES);
    EXPECT_EQ(LoadString("M.TXT"), "m");
}

void Put32(std::string* s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        (*s)[at + i] = (char)(v >> (8 * i));
}

TEST_F(ArchiveTest, MalformedArchivesFailWithNothingKept)
{
    MakeArchive("GOOD.DAT", {{"A.TXT", "aaaa"}, {"B.TXT", "bb"}});
    const std::string good = ReadFile("GOOD.DAT");   // 6 data bytes, 64 directory bytes, 16 trailer bytes
    const size_t end = good.size();
    const size_t dir = 6;

    auto patched = [&](size_t at, uint32_t v) {
        std::string s = good;
        Put32(&s, at, v);
        return s;
    };
    const struct {
        const char* what;
        std::string bytes;
        const char* why;   // a part of the reason left
    } cases[] = {
        {"empty file", "", "0 bytes, too short for a directory and the 16-byte trailer"},
        {"trailer only", good.substr(end - 16), "16 bytes, too short"},
        {"bad magic", [&] { std::string s = good; s[end - 16] ^= 1; return s; }(),
         "no archive trailer (magic 0xDF73B488 where 0xDF73B489 belongs)"},
        {"no entries", patched(end - 12, 0), "the trailer gives 0 directory entries"},
        {"negative count", patched(end - 12, 0xFFFFFFFFu), "the trailer gives -1 directory entries"},
        {"count beyond the file", patched(end - 12, 3), "the directory (3 entries at byte 6) runs past the trailer"},
        {"huge count", patched(end - 12, 0x7FFFFFFFu), "(2147483647 entries at byte 6) runs past the trailer"},
        {"directory before the file", patched(end - 4, (uint32_t)end + 1),
         "the directory would start 87 bytes before the end of a 86-byte file"},
        {"directory into the trailer", patched(end - 4, 64), "the directory (2 entries at byte 22) runs past"},
        {"name without its NUL", [&] { std::string s = good; s.replace(dir + 32, 24, 24, 'N'); return s; }(),
         "the name of directory entry 1 has no terminating zero"},
        {"truncated", good.substr(0, end - 1), "no archive trailer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("BAD.DAT", c.bytes);
        EXPECT_EQ(DAT_Open("BAD.DAT"), 0);
        EXPECT_THAT(DAT_FailureReason(), ::testing::HasSubstr(c.why));
        EXPECT_EQ(DAT_ArchiveCount(), 0);
    }
    EXPECT_EQ(DAT_Open("MISSING.DAT"), 0);
    EXPECT_STREQ(DAT_FailureReason(), "cannot open it: No such file or directory");
    WriteFile("GOOD.DAT", good);
    EXPECT_EQ(DAT_Open("good.dat"), 1);
    EXPECT_EQ(LoadString("B.TXT"), "bb");
}

// A damaged entry does not cost the archive its other members; reading it stops at the end
// of the file.
TEST_F(ArchiveTest, MemberOutsideTheFileReadsShortAndTheRestStayUsable)
{
    MakeArchive("GOOD.DAT", {{"A.TXT", "aaaa"}, {"B.TXT", "bb"}});
    const std::string good = ReadFile("GOOD.DAT");   // 6 data bytes, 64 directory bytes, 16 trailer bytes
    const size_t dir = 6;
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        const char *intact, *intactContents, *damaged;
        int damagedBytes;
    } cases[] = {
        {"member before the file", dir + 24, 7, "B.TXT", "bb", "A.TXT", 0},
        {"member past the end", dir + 32 + 28, 0xFFFFFFF0u, "A.TXT", "aaaa", "B.TXT", 2 + 64 + 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DAT_CloseAll();
        std::string bytes = good;
        Put32(&bytes, c.at, c.value);
        WriteFile("BAD.DAT", bytes);
        ASSERT_EQ(DAT_Open("BAD.DAT"), 1);
        EXPECT_EQ(LoadString(c.intact), c.intactContents);
        char buffer[256];
        EXPECT_EQ(FILE_Load(c.damaged, buffer, sizeof buffer), c.damagedBytes);
    }
}

TEST_F(ArchiveTest, DirectoryHoldsAbsoluteOffsets)
{
    MakeArchive("VANTREL.DAT", {{"FIRST", "123"}, {"SECOND", ""}, {"THIRD", "45678"}});
    ASSERT_EQ(DAT_Open("VANTREL.DAT"), 1);
    int32_t count = 0;
    const DatEntry* d = DAT_Directory(0, &count, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(d[0].name, "FIRST");
    EXPECT_EQ(d[0].offset, 0u);
    EXPECT_EQ(d[1].offset, 3u);
    EXPECT_EQ(d[1].size, 0u);
    EXPECT_EQ(d[2].offset, 3u);
    EXPECT_EQ(d[2].size, 5u);
    EXPECT_EQ(FILE_GetSize("SECOND"), 0u);   // an empty member reads as nothing
}

TEST(ArchiveWriter, RefusesBadNamesAndDuplicates)
{
    std::vector<uint8_t> image;
    std::string error;
    const std::vector<std::vector<std::string>> refused = {
        {},
        {""},
        {"ABCDEFGHIJKLMNOPQRSTUVWX"},   // 24 characters
        {"GFX\\A.GIF"},
        {"Font2.fnt", "FONT2.FNT"},
    };
    for (const auto& names : refused) {
        std::vector<DatMember> members;
        for (const auto& n : names)
            members.push_back(DatMember{n, {1, 2}});
        EXPECT_FALSE(DAT_BuildArchive(members, &image, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(DAT_BuildArchive({DatMember{"ABCDEFGHIJKLMNOPQRSTUVW", {}}}, &image, &error)) << error;
}

}  // namespace
