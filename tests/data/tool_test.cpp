// vantrel-dat as its users run it: archives it writes are read by the show's lookup, and bad
// input ends with a message and status 1.
#include "data_fixture.h"

#include "data/file.h"

#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

class DatToolTest : public DataDirTest {
protected:
    ToolRun Run(const std::string& args)
    {
        const std::string cmd = std::string(VANTREL_BINARY_DIR) + "/vantrel-dat " + args + " >tool.out 2>tool.err";
        const int raw = std::system(cmd.c_str());
        ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile("tool.out"), ReadFile("tool.err")};
        return r;
    }
};

TEST_F(DatToolTest, CreateListCatExtract)
{
    WriteFile("src/FONT2.FNT", "font");
    WriteFile("src/weave.mix", std::string(300, 'w'));
    WriteFile("src/ENDTEXT.TXT", "");
    ASSERT_EQ(Run("create OUT.DAT src/FONT2.FNT src/weave.mix src/ENDTEXT.TXT").status, 0);
    const std::string first = ReadFile("OUT.DAT");
    ASSERT_EQ(Run("create AGAIN.DAT src/FONT2.FNT src/weave.mix src/ENDTEXT.TXT").status, 0);
    EXPECT_EQ(ReadFile("AGAIN.DAT"), first);   // byte-identical for the same inputs

    // The show's reader takes it.
    ASSERT_EQ(DAT_Open("OUT.DAT"), 1);
    EXPECT_EQ(FILE_GetSize("GFX\\WEAVE.MIX"), 300u);

    ToolRun list = Run("list OUT.DAT");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "FONT2.FNT                        0          4\n"
              "weave.mix                        4        300\n"
              "ENDTEXT.TXT                    304          0\n");

    ToolRun cat = Run("cat OUT.DAT 'GFX\\font2.fnt'");
    EXPECT_EQ(cat.status, 0);
    EXPECT_EQ(cat.out, "font");
    cat = Run("cat OUT.DAT GFX/FONT2.FNT");
    EXPECT_EQ(cat.status, 1);
    EXPECT_NE(cat.err.find("GFX/FONT2.FNT"), std::string::npos);

    ASSERT_EQ(Run("extract OUT.DAT unpacked").status, 0);
    EXPECT_EQ(ReadFile("unpacked/FONT2.FNT"), "font");
    EXPECT_EQ(ReadFile("unpacked/weave.mix"), std::string(300, 'w'));
    EXPECT_TRUE(std::filesystem::exists("unpacked/ENDTEXT.TXT"));
}

TEST_F(DatToolTest, RefusesBadInputWithAMessage)
{
    WriteFile("a/FONT2.FNT", "1");
    WriteFile("b/font2.fnt", "2");
    WriteFile("ABCDEFGHIJKLMNOPQRSTUVWX", "long");
    WriteFile("notanarchive", "just some text, long enough to have a trailer");
    const struct {
        const char* args;
        const char* message;   // a part of the message
    } cases[] = {
        {"create OUT.DAT a/FONT2.FNT b/font2.fnt", "font2.fnt"},
        {"create OUT.DAT ABCDEFGHIJKLMNOPQRSTUVWX", "longer than 23"},
        {"create OUT.DAT missing.bin", "cannot read missing.bin"},
        {"create OUT.DAT a", "folder"},
        {"create OUT.DAT", "at least one file"},
        {"list notanarchive", "notanarchive is not a resource archive: no archive trailer (magic 0x"},
        {"list a", "cannot open a: it is a folder"},
        {"list missing.dat", "cannot open missing.dat"},
        {"cat missing.dat X", "cannot open"},
        {"frobnicate", "unknown command"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("OUT.DAT"));
    for (const char* command : {"--help", "create --help", "list --help", "extract --help", "cat --help"}) {
        ToolRun r = Run(command);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("usage: vantrel-dat"), std::string::npos) << command;
    }
}

// A member whose bytes run past the end of the archive is a short read: extract names it,
// writes no file for it and still writes the others; cat writes nothing.
TEST_F(DatToolTest, ShortMembersAreNamedAndSkipped)
{
    MakeArchive("OUT.DAT", {{"A.TXT", "aaaa"}, {"B.TXT", "bb"}, {"C.TXT", "ccc"}});
    std::string bytes = ReadFile("OUT.DAT");   // 9 data bytes, 96 directory bytes, 16 trailer bytes
    const size_t sizeOfB = 9 + 32 + 28;
    bytes[sizeOfB] = (char)0xE8;               // 1000 bytes
    bytes[sizeOfB + 1] = 0x03;
    WriteFile("OUT.DAT", bytes);

    ToolRun r = Run("extract OUT.DAT unpacked");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vantrel-dat: member 1, \"B.TXT\": short read: the member is 1000 bytes at byte 4, but the "
                     "archive ends at byte 121 (117 of its bytes are there); not written\n");
    EXPECT_EQ(ReadFile("unpacked/A.TXT"), "aaaa");
    EXPECT_FALSE(std::filesystem::exists("unpacked/B.TXT"));
    EXPECT_EQ(ReadFile("unpacked/C.TXT"), "ccc");

    r = Run("cat OUT.DAT 'GFX\\B.TXT'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("member \"B.TXT\": short read"), std::string::npos) << r.err;
}

}  // namespace
