// The .ZS2 reader: the block's header, offset table and data, and the files it refuses.
#include "anim_fixture.h"

#include "data/datwrite.h"
#include "fx2d/sprite.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::vector<uint8_t> Zs2(uint32_t width, uint32_t height, int originX, int originY, uint32_t e, uint32_t f,
                         uint32_t flags, const std::vector<uint8_t>& data, int64_t dataSize = -1,
                         const char* magic = ".ZS2")
{
    std::vector<uint8_t> b(magic, magic + 4);
    for (uint32_t v : {width, height, (uint32_t)originX, (uint32_t)originY, e, f})
        ANIMTEST_PutLe16(&b, v);
    ANIMTEST_PutLe32(&b, flags);
    ANIMTEST_PutLe32(&b, dataSize < 0 ? (uint32_t)data.size() : (uint32_t)dataSize);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// An item of exactly bytes bytes (at least 3): a leading byte, spans of up to 255 bytes with
// a nonzero separator, and a last span ending the item.
std::vector<uint8_t> ItemOfSize(size_t bytes)
{
    std::vector<uint8_t> item = {0x44};
    size_t left = bytes - 1;
    while (left > 257) {
        const size_t span = std::min<size_t>(255, left - 4);   // leaves at least 2 bytes
        item.push_back((uint8_t)span);
        item.insert(item.end(), span, 0xAB);
        item.push_back(1);
        left -= span + 2;
    }
    item.push_back((uint8_t)(left - 2));
    item.insert(item.end(), left - 2, 0xCD);
    item.push_back(0);
    return item;
}

class SpriteTest : public AnimDirTest {};

struct Loaded {
    uint8_t* block = nullptr;
    ~Loaded() { std::free(block); }
};

TEST_F(SpriteTest, RowsBlockHoldsHeaderOffsetsAndData)
{
    const std::vector<uint8_t> data = {7, 2, 10, 11, 0,            // item 0: one span
                                       8, 1, 12, 3, 2, 13, 14, 0,  // item 1: two spans
                                       99, 98};                    // bytes after the items
    ANIMTEST_WriteFile("S.ZS2", Zs2(3, 2, -1, 2, 0x1234, 0xFFFF, 0x80000001u, data));
    Loaded s;
    s.block = SpriteLoad("s.zs2");
    ASSERT_NE(s.block, nullptr) << SPRITE_Error();
    SpriteHeader h;
    std::memcpy(&h, s.block, sizeof h);
    EXPECT_EQ(h.width, 3);
    EXPECT_EQ(h.height, 2);
    EXPECT_EQ(h.originX, -1);
    EXPECT_EQ(h.originY, 2);
    EXPECT_EQ(h.fieldE, 0x1234);
    EXPECT_EQ(h.fieldF, 0xFFFF);
    EXPECT_EQ(h.flags, 0x80000001u);
    ASSERT_EQ(SPRITE_ItemCount(s.block), 2u);
    EXPECT_EQ(SPRITE_ItemOffset(s.block, 0), 20);
    EXPECT_EQ(SPRITE_ItemOffset(s.block, 1), 25);
    EXPECT_EQ(std::vector<uint8_t>(s.block + 20, s.block + 20 + data.size()), data);
}

TEST_F(SpriteTest, ColumnsAndEmptyTables)
{
    // By columns: two items, each a leading byte and a zero length, two bytes apiece.
    ANIMTEST_WriteFile("C.ZS2", Zs2(2, 5, 0, 0, 0, 0, 0, {1, 0, 2, 0}));
    Loaded c;
    c.block = SpriteLoad("C.ZS2");
    ASSERT_NE(c.block, nullptr) << SPRITE_Error();
    ASSERT_EQ(SPRITE_ItemCount(c.block), 2u);
    EXPECT_EQ(SPRITE_ItemOffset(c.block, 0), 20);
    EXPECT_EQ(SPRITE_ItemOffset(c.block, 1), 22);

    // No items: an empty table, the data right after the header.
    ANIMTEST_WriteFile("E.ZS2", Zs2(9, 0, 0, 0, 0, 0, SPRITE_ROWS, {5, 6}));
    Loaded e;
    e.block = SpriteLoad("E.ZS2");
    ASSERT_NE(e.block, nullptr) << SPRITE_Error();
    EXPECT_EQ(SPRITE_ItemCount(e.block), 0u);
    EXPECT_EQ(e.block[16], 5);
    EXPECT_EQ(e.block[17], 6);
}

TEST_F(SpriteTest, OffsetsMustFitSixteenBits)
{
    // Two rows: item 1 starts at 20 + the size of item 0.
    std::vector<uint8_t> data = ItemOfSize(65535 - 20);
    data.insert(data.end(), {0, 0});
    Loaded fits;
    const std::vector<uint8_t> fitting = Zs2(1, 2, 0, 0, 0, 0, SPRITE_ROWS, data);
    fits.block = SPRITE_LoadMemory(fitting.data(), fitting.size());
    ASSERT_NE(fits.block, nullptr) << SPRITE_Error();
    EXPECT_EQ(SPRITE_ItemOffset(fits.block, 1), 65535);

    data = ItemOfSize(65536 - 20);
    data.insert(data.end(), {0, 0});
    const std::vector<uint8_t> beyond = Zs2(1, 2, 0, 0, 0, 0, SPRITE_ROWS, data);
    EXPECT_EQ(SPRITE_LoadMemory(beyond.data(), beyond.size()), nullptr);
    EXPECT_NE(std::string(SPRITE_Error()).find("item 1 lies at byte 65536"), std::string::npos) << SPRITE_Error();
}

TEST_F(SpriteTest, DamagedFilesAreRefused)
{
    std::vector<uint8_t> shortHeader = Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {});
    shortHeader.pop_back();
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;   // written to BAD.ZS2 unless empty
        const char* reason;
    } cases[] = {
        {"missing file", {}, "cannot open"},
        {"short header", shortHeader, "shorter than the 24-byte header"},
        {"wrong magic", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {0, 0}, -1, ".ZS3"), "not a .ZS2"},
        {"data size past the end", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {0, 0}, 3), "runs past the end of the file"},
        {"no length after the leading byte", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {7}), "item 0 runs past"},
        {"span longer than the data", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {7, 5, 1, 2}), "item 0 runs past"},
        {"no separator", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {7, 2, 1, 2}), "item 0 runs past"},
        {"no length after a separator", Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {7, 1, 1, 3}), "item 0 runs past"},
        {"more items than the data holds", Zs2(3, 1, 0, 0, 0, 0, 0, {7, 0, 8, 0}), "item 2 runs past"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove("BAD.ZS2");
        if (!c.bytes.empty())
            ANIMTEST_WriteFile("BAD.ZS2", c.bytes);
        EXPECT_EQ(SpriteLoad("BAD.ZS2"), nullptr);
        EXPECT_NE(std::string(SPRITE_Error()).find(c.reason), std::string::npos) << SPRITE_Error();
    }
}

// The data size is checked against the member, not against the archive behind it.
TEST_F(SpriteTest, ArchiveMemberDataIsBoundedByTheMember)
{
    const std::vector<uint8_t> good = Zs2(1, 1, 0, 0, 0, 0, SPRITE_ROWS, {7, 0});
    std::vector<uint8_t> cut = good;
    cut.pop_back();
    std::string error;
    ASSERT_TRUE(DAT_WriteArchive("T.DAT", {DatMember{"CUT.ZS2", cut}, DatMember{"GOOD.ZS2", good}}, &error)) << error;
    ASSERT_EQ(DAT_Open("T.DAT"), 1);
    EXPECT_EQ(SpriteLoad("GFX\\CUT.ZS2"), nullptr);
    EXPECT_NE(std::string(SPRITE_Error()).find("runs past the end of the file"), std::string::npos);
    Loaded g;
    g.block = SpriteLoad("GFX\\good.zs2");
    ASSERT_NE(g.block, nullptr) << SPRITE_Error();
    EXPECT_EQ(g.block[18], 7);
}

}  // namespace
