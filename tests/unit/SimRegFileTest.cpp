// .reg import, export and diff of the simulated registry.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "SimRegistry.h"
#include "sim/control.h"

namespace {

using simreg::Get;
using simreg::kMissing;
using simreg::Set;
using Bytes = std::string;

Bytes B(std::string_view s) { return Bytes(s); }

void CreateKey(HKEY root, const char* path) { RegCloseKey(simreg::Create(root, path)); }

std::string Header(sim::RegFormat f) {
    return f == sim::RegFormat::Regedit4 ? "REGEDIT4\r\n\r\n" : "Windows Registry Editor Version 5.00\r\n\r\n";
}

// A tree with every kind of value the exporter distinguishes.
void BuildTree() {
    const char* k = "Software\\Orvane";
    Set(HKEY_LOCAL_MACHINE, k, "", REG_SZ, B(std::string_view("default\0", 8)));
    Set(HKEY_LOCAL_MACHINE, k, "a\\b\"c", REG_SZ, B(std::string_view("C:\\x \"q\"\0", 9)));
    Set(HKEY_LOCAL_MACHINE, k, "Text", REG_SZ, B(std::string_view("caf\xE9\0", 5)));
    // RegSetValueExA would add the terminator (or, in Windows 98 mode, stop
    // at the first NUL); an import keeps the bytes.
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvane]\r\n"
                               "\"NoNul\"=hex(1):61,62,63\r\n\"Embedded\"=hex(1):61,00,62,00\r\n\r\n")
                    .ok);
    Set(HKEY_LOCAL_MACHINE, k, "Crlf", REG_SZ, B(std::string_view("a\r\n\0", 4)));
    Set(HKEY_LOCAL_MACHINE, k, "Dword", REG_DWORD, B(std::string_view("\x0a\0\0\xf0", 4)));
    Set(HKEY_LOCAL_MACHINE, k, "Short", REG_DWORD, {1, 2});
    Set(HKEY_LOCAL_MACHINE, k, "Bin", REG_BINARY, {});
    Set(HKEY_LOCAL_MACHINE, k, "Expand", REG_EXPAND_SZ, B(std::string_view("%W%\xE9\0", 5)));
    Set(HKEY_LOCAL_MACHINE, k, "Multi", REG_MULTI_SZ, B(std::string_view("a\0\x80\0\0", 5)));
    Set(HKEY_LOCAL_MACHINE, k, "EmptyMulti", REG_MULTI_SZ, {});
    Set(HKEY_LOCAL_MACHINE, k, "None", REG_NONE, "\xff");
    Set(HKEY_LOCAL_MACHINE, k, "Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    Bytes longData;
    for (int i = 0; i < 60; ++i) longData.push_back(static_cast<char>(i));
    Set(HKEY_LOCAL_MACHINE, k, "Big", REG_BINARY, longData);
    CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Empty");
    Set(HKEY_CURRENT_USER, "", "RootVal", REG_DWORD, {1, 0, 0, 0});
    Set(HKEY_CURRENT_USER, "Zeta", "z", REG_SZ, B(std::string_view("\0", 1)));
    CreateKey(HKEY_CURRENT_USER, "alpha");
}

std::string ExpectedTree(sim::RegFormat f) {
    const bool v5 = f == sim::RegFormat::Regedit5;
    return Header(f) +
           "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Orvane]\r\n"
           // Values in the registry's order: the order they were created in.
           "@=\"default\"\r\n"
           "\"a\\\\b\\\"c\"=\"C:\\\\x \\\"q\\\"\"\r\n"
           "\"Text\"=\"caf\xE9\"\r\n"
           "\"NoNul\"=hex(1):61,62,63\r\n"
           "\"Embedded\"=hex(1):61,00,62,00\r\n"
           "\"Crlf\"=hex(1):61,0d,0a,00\r\n"
           "\"Dword\"=dword:f000000a\r\n"
           "\"Short\"=hex(4):01,02\r\n"
           "\"Bin\"=hex:\r\n" +
           (v5 ? "\"Expand\"=hex(2):25,00,57,00,25,00,e9,00,00,00\r\n"
                 "\"Multi\"=hex(7):61,00,00,00,ac,20,00,00,00,00\r\n"
               : "\"Expand\"=hex(2):25,57,25,e9,00\r\n"
                 "\"Multi\"=hex(7):61,00,80,00,00\r\n") +
           "\"EmptyMulti\"=hex(7):\r\n"
           "\"None\"=hex(0):ff\r\n"
           "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
           // Broken after the comma reaching column 77: 80 and 78 characters.
           "\"Big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
           "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
           "  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
           "\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Empty]\r\n\r\n"
           "[HKEY_CURRENT_USER]\r\n"
           "\"RootVal\"=dword:00000001\r\n\r\n"
           // Subkeys too, in Windows 98 mode.
           "[HKEY_CURRENT_USER\\Zeta]\r\n"
           "\"z\"=\"\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\alpha]\r\n\r\n";
}

class RegFileTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

TEST_F(RegFileTest, ExportIsExactAndRoundTripsInBothFormats) {
    for (auto f : {sim::RegFormat::Regedit4, sim::RegFormat::Regedit5}) {
        SCOPED_TRACE(static_cast<int>(f));
        sim::Reset();
        BuildTree();
        const std::string text = sim::ExportReg(f);
        EXPECT_EQ(text, ExpectedTree(f));
        sim::Reset();
        const auto r = sim::ImportReg(text);
        ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
        EXPECT_EQ(r.format, f);
        EXPECT_EQ(sim::ExportReg(f), text);
        EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "Software\\Orvane", "Multi").second, B(std::string_view("a\0\x80\0\0", 5)));
    }
}

TEST_F(RegFileTest, ImportAcceptsWhatRegeditAndHandsWrite) {
    struct Case {
        const char* text;
        const char* name;
        DWORD type;
        Bytes data;
    };
    const Case cases[] = {
        {"REGEDIT4\n\n[HKLM\\T]\n\"v\"=\"x\"\n", "v", REG_SZ, {'x', 0}},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\T]\r\n  \"v\" = dword:A\r\n", "v", REG_DWORD, {10, 0, 0, 0}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n@=\"d\"\r\n", "", REG_SZ, {'d', 0}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=\"a\\tb\\\\\"\r\n", "v", REG_SZ, B(std::string_view("a\\tb\\\0", 6))},
        {"REGEDIT4\r\n; c\r\n[HKLM\\T]\r\n\"v\"=HEX:0A,b\r\n", "v", REG_BINARY, {0x0a, 0x0b}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=hex:01,\\  \t\r\n\t02, \\\r\n      03\r\n", "v", REG_BINARY, {1, 2, 3}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=hex:01,\\\r\n", "v", REG_BINARY, {1}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=hex(4):01,02\r\n", "v", REG_DWORD, {1, 2}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=hex(2):41,e9,00\r\n", "v", REG_EXPAND_SZ, B(std::string_view("A\xe9", 3))},
        {"Windows Registry Editor Version 5.00\r\n[HKLM\\T]\r\n\"v\"=hex(2):41,00,ac,20,2d,4e,00,00\r\n", "v",
         REG_EXPAND_SZ, B(std::string_view("A\x80?", 4))},
        {"Windows Registry Editor Version 5.00\r\n[HKLM\\T]\r\n\"v\"=hex(1):41,00\r\n", "v", REG_SZ, {'A', 0}},
        {"REGEDIT4\r\n[HKLM\\T]\r\n\"v\"=hex(100000):ff\r\n", "v", 0x100000, "\xff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sim::Reset();
        const auto r = sim::ImportReg(c.text);
        ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
        const auto v = Get(HKEY_LOCAL_MACHINE, "T", c.name);
        EXPECT_EQ(v.first, c.type);
        EXPECT_EQ(v.second, c.data);
    }
}

// The same file as UTF-16LE and as UTF-8, each with its byte-order mark.
TEST_F(RegFileTest, ImportConvertsUnicodeFilesToTheAnsiCodePage) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Caf\u00e9]\r\n"
        u"\"N\u00e9\"=\"\u20ac \u4e2d \U0001F600.\"\r\n\"E\"=hex(2):41,00,ac,20,00,00\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t u : text) {
        utf16 += static_cast<char>(u & 0xFF);
        utf16 += static_cast<char>(u >> 8);
    }
    const std::string utf8 = "\xEF\xBB\xBF" + std::string(reinterpret_cast<const char*>(
        u8"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Caf\u00e9]\r\n"
        u8"\"N\u00e9\"=\"\u20ac \u4e2d \U0001F600.\"\r\n\"E\"=hex(2):41,00,ac,20,00,00\r\n"));
    for (const std::string& file : {utf16, utf8}) {
        sim::Reset();
        const auto r = sim::ImportReg(file);
        ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
        EXPECT_TRUE(sim::KeyExists("HKCU\\caf\xC9"));
        EXPECT_EQ(Get(HKEY_CURRENT_USER, "Caf\xE9", "N\xE9").second, B(std::string_view("\x80 ? ?.\0", 7)));
        EXPECT_EQ(Get(HKEY_CURRENT_USER, "Caf\xE9", "E").second, B(std::string_view("A\x80\0", 3)));
    }
}

TEST_F(RegFileTest, ImportDeletesKeysAndValues) {
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[HKLM\\A\\B\\C]\r\n\"x\"=\"1\"\r\n[HKLM\\A]\r\n\"k\"=\"1\"\r\n\"d\"=\"2\"\r\n").ok);
    const auto r = sim::ImportReg(
        "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\A\\B]\r\n[-HKLM\\Nowhere\\Deep]\r\n[HKLM\\A]\r\n\"d\"=-\r\n\"none\"=-\r\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
    EXPECT_FALSE(sim::KeyExists("HKLM\\A\\B"));
    EXPECT_FALSE(sim::KeyExists("HKLM\\Nowhere"));
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "A", "d").first, kMissing);
    EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "A", "k").first, static_cast<DWORD>(REG_SZ));
}

// Errors name their line, and nothing of a failing file is applied.
TEST_F(RegFileTest, ImportErrorsNameTheLineAndApplyNothing) {
    struct Case {
        std::string body;  // after "REGEDIT4\r\n[HKLM\Applied]\r\n" unless it starts with '!'
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"!", 1, "missing header"},
        {"!\r\n\r\nREGEDIT5\r\n", 3, "unknown header"},
        {"[HKLM\\Bad\r\n", 3, "malformed key line"},
        {"[]\r\n", 3, "malformed key line"},
        {"\r\n[HKEY_NOWHERE\\X]\r\n", 4, "unknown root key \"HKEY_NOWHERE\""},
        {"[-HKLM]\r\n", 3, "root key cannot be deleted"},
        {"\"a\"=dword:123456789\r\n", 3, "bad dword"},
        {"\"a\"=hex:01,zz\r\n", 3, "bad hex byte \"zz\""},
        {"\"a\"=hex:01,,02\r\n", 3, "bad hex byte"},
        {"\"a\"=hex:01,\\\r\n  02,\\\r\n  0g\r\n", 5, "bad hex byte \"0g\""},
        {"\"a\"=hex(2x):00\r\n", 3, "malformed value type"},
        {"\"a\"=\"unterminated\r\n", 3, "malformed value line"},
        {"\"a\"=str:x\r\n", 3, "malformed value line"},
        {"\"a\"=\"x\" y\r\n", 3, "malformed value line"},
        {"[-HKLM\\Applied]\r\n\"a\"=\"b\"\r\n", 4, "deleted key"},
        {"oops\r\n", 3, "unrecognized line"},
        {"!REGEDIT4\r\n\"a\"=\"b\"\r\n[HKLM\\Applied]\r\n", 2, "before any key"},
        {"!Windows Registry Editor Version 5.00\r\n[HKLM\\Applied]\r\n\"a\"=hex(7):41,00,00\r\n", 3, "odd number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        sim::Reset();
        const std::string text = c.body[0] == '!' ? c.body.substr(1) : "REGEDIT4\r\n[HKLM\\Applied]\r\n" + c.body;
        const auto r = sim::ImportReg(text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, c.line);
        EXPECT_NE(r.error.find(c.message), std::string::npos) << r.error;
        EXPECT_FALSE(sim::KeyExists("HKLM\\Applied"));
        // The registry takes the next file as if the refused one had never been.
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[HKLM\\After]\r\n\"a\"=\"b\"\r\n").ok);
        const auto f = sim::RegFormat::Regedit4;
        EXPECT_EQ(sim::ExportRegKey(f, "HKLM"),
                  Header(f) + "[HKEY_LOCAL_MACHINE\\After]\r\n\"a\"=\"b\"\r\n\r\n");
    }
}

TEST_F(RegFileTest, ImportRegFileReadsFilesAndReportsMissingOnes) {
    const std::string path = ::testing::TempDir() + "orvane_regfile_test.reg";
    {
        std::ofstream out(path, std::ios::binary);
        out << "REGEDIT4\r\n\r\n[HKCU\\F]\r\n\"v\"=dword:00000002\r\n";
    }
    const auto r = sim::ImportRegFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Get(HKEY_CURRENT_USER, "F", "v").second, (Bytes{2, 0, 0, 0}));

    const auto missing = sim::ImportRegFile(path);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find(path), std::string::npos);
}

// Keys are named as the export names them, any root spelling and any case.
TEST_F(RegFileTest, KeysAreFoundExportedAndClosedByName) {
    BuildTree();
    const auto f = sim::RegFormat::Regedit4;
    EXPECT_EQ(sim::ExportRegKey(f, "hkcu\\ZETA"), Header(f) + "[HKEY_CURRENT_USER\\Zeta]\r\n\"z\"=\"\"\r\n\r\n");
    const std::string all = sim::ExportReg(f);
    EXPECT_EQ(sim::ExportRegKey(f, "HKEY_CURRENT_USER"), Header(f) + all.substr(all.find("[HKEY_CURRENT_USER]")));
    EXPECT_EQ(sim::ExportRegKey(f, "HKLM\\Software\\Missing"), Header(f));
    EXPECT_EQ(sim::ExportRegKey(f, "HKEY_NOWHERE\\Software"), Header(f));
    EXPECT_TRUE(sim::KeyExists("HKEY_LOCAL_MACHINE\\software\\orvane\\empty"));
    EXPECT_TRUE(sim::KeyExists("HKU"));
    EXPECT_FALSE(sim::KeyExists("HKLM\\Software\\Other"));
    EXPECT_FALSE(sim::KeyExists("HKXX\\Software"));

    EXPECT_FALSE(sim::SetKeyAccess("HKLM\\Software\\Other", sim::KeyAccess::Denied));
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\Software", sim::KeyAccess::Denied));
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvane", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(sim::KeyExists("HKLM\\Software\\Orvane"));  // still there, only closed
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\Software", sim::KeyAccess::Normal));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvane", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

const char kBase[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvane]\r\n"
    "\"A\"=\"1\"\r\n\"B\"=dword:00000002\r\n\"C\"=hex:03\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Sub]\r\n\"s\"=\"x\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Sub\\Deep]\r\n\"d\"=\"y\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zed]\r\n\r\n";

// Importing the patch into the state it was taken from gives the current
// state exactly, value order and spelling included.
TEST_F(RegFileTest, DiffPatchReproducesTheChange) {
    const char* o = "Software\\Orvane";
    struct Case {
        const char* what;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"nothing", [] {}},
        {"change data", [&] { Set(HKEY_LOCAL_MACHINE, o, "B", REG_DWORD, B(std::string_view("\x09\0\0", 4))); }},
        {"change type", [&] { Set(HKEY_LOCAL_MACHINE, o, "C", REG_NONE, {3}); }},
        {"add value", [&] { Set(HKEY_LOCAL_MACHINE, o, "New", REG_MULTI_SZ, B(std::string_view("\xE9\0\0", 3))); }},
        {"remove value", [&] { simreg::DeleteValue(HKEY_LOCAL_MACHINE, o, "B"); }},
        {"reorder", [&] {
             simreg::DeleteValue(HKEY_LOCAL_MACHINE, o, "A");
             Set(HKEY_LOCAL_MACHINE, o, "A", REG_SZ, B(std::string_view("1\0", 2)));
         }},
        {"insert before old", [&] {
             simreg::DeleteValue(HKEY_LOCAL_MACHINE, o, "B");
             simreg::DeleteValue(HKEY_LOCAL_MACHINE, o, "C");
             Set(HKEY_LOCAL_MACHINE, o, "N", REG_SZ, {0});
             Set(HKEY_LOCAL_MACHINE, o, "C", REG_BINARY, {3});
         }},
        {"value spelling", [&] {
             simreg::DeleteValue(HKEY_LOCAL_MACHINE, o, "C");
             Set(HKEY_LOCAL_MACHINE, o, "c", REG_BINARY, {3});
         }},
        {"remove tree", [] { EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Sub"), ERROR_SUCCESS); }},
        {"key spelling", [] {
             EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Zed"), ERROR_SUCCESS);
             CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\ZED");
         }},
        {"add keys", [] {
             CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Sub\\Empty");
             Set(HKEY_CURRENT_CONFIG, "New\\Tree", "t", REG_EXPAND_SZ, B(std::string_view("%a%\0", 4)));
         }},
        {"root value", [] { Set(HKEY_CURRENT_USER, "", "r", REG_SZ, {0}); }},
    };
    for (auto f : {sim::RegFormat::Regedit4, sim::RegFormat::Regedit5}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            sim::Reset();
            ASSERT_TRUE(sim::ImportReg(kBase).ok);
            const sim::RegSnapshot before = sim::TakeSnapshot();
            c.change();
            const std::string after = sim::ExportReg(f);
            const std::string patch = sim::DiffReg(before, f);
            if (std::string(c.what) == "nothing") {
                EXPECT_EQ(patch, Header(f));
            }
            if (std::string(c.what) == "remove tree") {
                EXPECT_NE(patch.find("[-HKEY_LOCAL_MACHINE\\Software\\Orvane\\Sub]"), std::string::npos);
                EXPECT_EQ(patch.find("Deep"), std::string::npos);
            }
            sim::Reset();
            ASSERT_TRUE(sim::ImportReg(kBase).ok);
            const auto r = sim::ImportReg(patch);
            ASSERT_TRUE(r.ok) << r.line << ": " << r.error << "\n" << patch;
            EXPECT_EQ(sim::ExportReg(f), after) << patch;
        }
    }
}

TEST_F(RegFileTest, DiffListsChangesInTreeOrder) {
    ASSERT_TRUE(sim::ImportReg(kBase).ok);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    Set(HKEY_LOCAL_MACHINE, "Software\\Orvane", "C", REG_BINARY, {4});
    simreg::DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Orvane", "A");
    Set(HKEY_LOCAL_MACHINE, "Software\\Orvane", "A", REG_SZ, {'2', 0});
    simreg::DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Orvane", "B");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Sub"), ERROR_SUCCESS);
    CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Mid");
    Set(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Zed", "z", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4),
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Orvane]\r\n"
              // "A" was deleted and set again: it moved to the end.
              "\"C\"=hex:04\r\n\"A\"=-\r\n\"A\"=\"2\"\r\n\"B\"=-\r\n\r\n"
              "[-HKEY_LOCAL_MACHINE\\Software\\Orvane\\Sub]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zed]\r\n\"z\"=dword:00000001\r\n\r\n"
              // A new key goes last in Windows 98 mode.
              "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Mid]\r\n\r\n");
    // With no snapshot taken everything is new: the patch is the export.
    EXPECT_EQ(sim::DiffReg(sim::RegSnapshot(), sim::RegFormat::Regedit4), sim::ExportReg(sim::RegFormat::Regedit4));
}

}  // namespace
