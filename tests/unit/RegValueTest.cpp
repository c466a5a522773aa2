#include <gtest/gtest.h>

#include <cstring>

#include "RegValue.h"
#include "sim/control.h"

namespace {

class RegValueTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }

    // A value holding exactly these bytes with this type, as the registry
    // layer leaves it after a read.
    static void Fill(CRegValue& v, DWORD type, const std::string& bytes) {
        BYTE* p = v.Alloc(static_cast<DWORD>(bytes.size()));
        ASSERT_NE(p, nullptr);
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        v.SetType(type);
    }
    static std::string Bytes(const CRegValue& v) {
        return std::string(reinterpret_cast<const char*>(v.Data()), v.Size());
    }
};

TEST_F(RegValueTest, SettersLayOutBytesAsWindowsStoresThem) {
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;
    };
    CRegValue number(0x01020304u);
    CRegValue text("ab");
    CRegValue none(static_cast<const char*>(nullptr));
    CRegValue list(StringList{"a", "bc"});
    CRegValue empty(StringList{});
    CRegValue gap(StringList{"a", "", "b"});
    CRegValue binary;
    binary.SetBinary("\x00\xff\x10", 3);
    CRegValue expandable;
    expandable.SetString("%SystemRoot%", true);
    const std::pair<CRegValue*, Case> cases[] = {
        {&number, {"number", REG_DWORD, std::string("\x04\x03\x02\x01", 4)}},
        {&text, {"string", REG_SZ, std::string("ab\0", 3)}},
        {&none, {"null string", REG_SZ, std::string("\0", 1)}},
        {&list, {"list", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)}},
        {&empty, {"empty list", REG_MULTI_SZ, std::string("\0\0", 2)}},
        {&gap, {"list with empty string", REG_MULTI_SZ, std::string("a\0\0b\0\0", 6)}},
        {&binary, {"binary", REG_BINARY, std::string("\x00\xff\x10", 3)}},
        {&expandable, {"expandable", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13)}},
    };
    for (auto& [value, c] : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(value->Type(), c.type);
        EXPECT_EQ(Bytes(*value), c.bytes);
    }
}

TEST_F(RegValueTest, MultiStringUnpackingStopsAtFirstEmptyString) {
    CRegValue gap(StringList{"a", "", "b"});
    StringList out{"stale"};
    ASSERT_TRUE(gap.GetMultiString(out));
    EXPECT_EQ(out, StringList{"a"});

    CRegValue empty(StringList{});
    ASSERT_TRUE(empty.GetMultiString(out));
    EXPECT_TRUE(out.empty());
}

TEST_F(RegValueTest, GettersAcceptExactlyTheirTypes) {
    // type -> which getters accept it (dword, string, binary of 4 bytes, multi)
    struct Case {
        DWORD type;
        bool dword, string, binary, multi;
    };
    const Case cases[] = {
        {REG_NONE, false, false, false, false},         {REG_SZ, false, true, false, false},
        {REG_EXPAND_SZ, false, true, false, false},     {REG_BINARY, false, false, true, false},
        {REG_DWORD, true, false, false, false},         {REG_DWORD_BIG_ENDIAN, true, false, false, false},
        {REG_LINK, false, true, false, false},          {REG_MULTI_SZ, false, false, false, true},
        {REG_RESOURCE_LIST, false, false, true, false}, {REG_FULL_RESOURCE_DESCRIPTOR, false, false, true, false},
        {10, false, false, false, false},               {11, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CRegValue v;
        Fill(v, c.type, std::string("ab\0\0", 4));
        DWORD n = 0xdeadbeef;
        std::string s = "untouched";
        BYTE b[4] = {9, 9, 9, 9};
        StringList l{"untouched"};
        EXPECT_EQ(v.GetDword(n), c.dword);
        EXPECT_EQ(v.GetString(s), c.string);
        EXPECT_EQ(v.GetBinary(b, 4), c.binary);
        EXPECT_EQ(v.GetMultiString(l), c.multi);
        if (!c.dword) {
            EXPECT_EQ(n, 0xdeadbeefu);
        }
        if (!c.string) {
            EXPECT_EQ(s, "untouched");
        }
        if (!c.binary) {
            EXPECT_EQ(b[0], 9);
        }
        if (!c.multi) {
            EXPECT_EQ(l, StringList{"untouched"});
        }
    }
}

TEST_F(RegValueTest, BinaryNeedsTheExactSize) {
    CRegValue v;
    Fill(v, REG_BINARY, std::string(12, 'x'));
    BYTE buffer[20];
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_FALSE(v.GetBinary(buffer, 16));
    Fill(v, REG_BINARY, std::string(20, 'x'));
    EXPECT_FALSE(v.GetBinary(buffer, 16));
    EXPECT_EQ(buffer[0], 0x55);
    Fill(v, REG_BINARY, "");
    EXPECT_TRUE(v.GetBinary(nullptr, 0));
}

TEST_F(RegValueTest, MalformedDataIsNeverReadPastItsBlock) {
    CRegValue v;
    // Strings without their terminator end with the block.
    Fill(v, REG_SZ, "abc");
    std::string s;
    ASSERT_TRUE(v.GetString(s));
    EXPECT_EQ(s, "abc");
    // Embedded NUL: the string ends there.
    Fill(v, REG_SZ, std::string("ab\0cd", 5));
    ASSERT_TRUE(v.GetString(s));
    EXPECT_EQ(s, "ab");
    // A list whose last string has no terminator keeps it, cut at the end.
    Fill(v, REG_MULTI_SZ, std::string("one\0two", 7));
    StringList l;
    ASSERT_TRUE(v.GetMultiString(l));
    EXPECT_EQ(l, (StringList{"one", "two"}));
    // A number shorter than four bytes is refused, output untouched.
    for (const char* shortBytes : {"", "\x01", "\x01\x02\x03"}) {
        Fill(v, REG_DWORD, shortBytes);
        DWORD n = 7;
        EXPECT_FALSE(v.GetDword(n));
        EXPECT_EQ(n, 7u);
    }
    // A longer one is read from its first four bytes; big-endian is not swapped.
    Fill(v, REG_DWORD, std::string("\x01\x00\x00\x00\xff\xff", 6));
    DWORD n = 0;
    ASSERT_TRUE(v.GetDword(n));
    EXPECT_EQ(n, 1u);
    Fill(v, REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x00\x01", 4));
    ASSERT_TRUE(v.GetDword(n));
    EXPECT_EQ(n, 0x01000000u);
}

TEST_F(RegValueTest, EachValueOwnsOnePrivateHeapForItsLife) {
    EXPECT_EQ(sim::LiveHeaps(), 0u);
    {
        CRegValue a("x");
        CRegValue b(5u);
        EXPECT_EQ(sim::LiveHeaps(), 2u);
        EXPECT_EQ(sim::LiveHeapBlocks(), 2u);
        // A new block replaces the old one.
        a.SetString("longer text");
        a.SetDword(1);
        EXPECT_EQ(sim::LiveHeapBlocks(), 2u);
        b.Free();
        EXPECT_EQ(b.Data(), nullptr);
        EXPECT_EQ(b.Size(), 0u);
        EXPECT_EQ(b.Type(), static_cast<DWORD>(REG_DWORD));  // Free keeps the type
        EXPECT_EQ(sim::LiveHeapBlocks(), 1u);
    }
    EXPECT_EQ(sim::LiveHeaps(), 0u);
    EXPECT_EQ(sim::LiveHeapBlocks(), 0u);
}

TEST_F(RegValueTest, AllocationFailureLeavesAnEmptyValueNotAHalfOne) {
    sim::FailHeapCreate(true);
    CRegValue noHeap;
    EXPECT_EQ(noHeap.Alloc(8), nullptr);
    EXPECT_FALSE(noHeap.SetString("abc"));
    EXPECT_EQ(noHeap.Type(), static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(noHeap.Size(), 0u);
    sim::FailHeapCreate(false);

    CRegValue v("keep");
    sim::FailHeapAlloc(true);
    EXPECT_FALSE(v.SetMultiString({"a"}));
    EXPECT_EQ(v.Data(), nullptr);
    EXPECT_EQ(v.Size(), 0u);
    std::string s = "untouched";
    EXPECT_FALSE(v.GetString(s));
    EXPECT_EQ(s, "untouched");
}

}  // namespace
