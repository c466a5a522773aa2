// Registry files come from users: a damaged or hostile one must be refused
// cleanly (or applied completely), never crash the importer. Mutations of
// the bundled samples, cut-off files and odd encodings, under the sanitizer
// build as well.
#include <gtest/gtest.h>

#include <random>

#include "TestMachines.h"

namespace {

TEST(RegImportRobustness, MutatedSamplesAreRefusedOrImportedWhole) {
    std::mt19937 random(20261205);
    const char interesting[] = {'\0', '\\', '"', '[', ']', '=', ',', ':', '\n', '\r', '-', '@', '\xff', '\xfe'};
    int refused = 0, imported = 0;
    for (const auto& machine : AllTestMachines()) {
        if (machine.file.empty()) continue;
        const std::string original = FileText(machine.file);
        ASSERT_FALSE(original.empty());
        for (int round = 0; round < 300; ++round) {
            std::string text = original;
            const int edits = 1 + static_cast<int>(random() % 8);
            for (int e = 0; e < edits; ++e) {
                const size_t at = random() % text.size();
                switch (random() % 4) {
                    case 0: text[at] = interesting[random() % sizeof interesting]; break;
                    case 1: text.erase(at, 1 + random() % 40); break;
                    case 2: text.insert(at, std::string(1 + random() % 3, interesting[random() % sizeof interesting])); break;
                    default: text.resize(at); break;  // cut off
                }
                if (text.empty()) text = "x";
            }
            sim::Reset();
            const sim::RegImportResult r = sim::ImportReg(text);
            if (r.ok) {
                ++imported;
                // What was imported exports and imports again unchanged.
                const std::string exported = sim::ExportReg(r.format);
                sim::Reset();
                ASSERT_TRUE(sim::ImportReg(exported).ok);
                EXPECT_EQ(sim::ExportReg(r.format), exported);
            } else {
                ++refused;
                EXPECT_FALSE(r.error.empty());
                // A refused file changes nothing.
                EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n");
            }
        }
    }
    // Both outcomes occur, so the mutations reach past the header.
    EXPECT_GT(refused, 0);
    EXPECT_GT(imported, 0);
}

TEST(RegImportRobustness, OddInputsAreRefusedWithALineNumber) {
    const std::string cases[] = {
        "",
        "\xff\xfe",                       // a byte-order mark and nothing
        "\xff\xfeR\0E\0",                 // cut in the header
        "\xef\xbb\xbf",                   // UTF-8 mark only
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:" + std::string(100000, '1'),
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:123456789",
        "REGEDIT4\r\n\r\n[" + std::string(70000, 'k') + "\r\n",
        std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"unterminated\\\r\n", 45),
    };
    for (const std::string& text : cases) {
        sim::Reset();
        const sim::RegImportResult r = sim::ImportReg(text);
        EXPECT_FALSE(r.ok) << text.substr(0, 40);
        EXPECT_GE(r.line, 1) << text.substr(0, 40);
    }
}

}  // namespace
