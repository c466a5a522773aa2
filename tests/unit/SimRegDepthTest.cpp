// Keys at most 512 levels below a root, as Windows has them; a tree that
// deep is exported, copied, compared, deleted and reset like any other.
#include <gtest/gtest.h>

#include <string>

#include "sim/control.h"

namespace {

std::string Chain(int levels) {
    std::string path;
    for (int i = 0; i < levels; ++i) path += i ? "\\k" : "k";
    return path;
}

TEST(SimRegDepth, KeysDeeperThan512LevelsAreRefused) {
    sim::Reset();
    const auto r = sim::ImportReg("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Applied]\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
                                  Chain(600) + "]\r\n\"v\"=\"1\"\r\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 5);
    EXPECT_NE(r.error.find("more than 512 levels deep"), std::string::npos) << r.error;
    EXPECT_FALSE(sim::KeyExists("HKLM\\Applied"));  // nothing of the file applied
    EXPECT_TRUE(sim::ImportReg("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\" + Chain(600) + "]\r\n").ok);  // deleting none

    for (sim::Platform mode : {sim::Platform::Win98, sim::Platform::NT4}) {
        SCOPED_TRACE(sim::PlatformName(mode));
        sim::Reset();
        sim::SetPlatform(mode);
        HKEY key = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, Chain(513).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition),
                  ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(sim::KeyExists("HKLM\\k"));  // refused before anything was created
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, Chain(512).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
        // One level more is refused (the registry conformance checks); none is the key again.
        HKEY deeper = nullptr;
        EXPECT_EQ(RegCreateKeyExA(key, "", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr), ERROR_SUCCESS);
        RegCloseKey(deeper);
        RegCloseKey(key);
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
    }
}

TEST(SimRegDepth, A512LevelTreeIsExportedCopiedComparedAndReset) {
    for (sim::Platform mode : {sim::Platform::Win98, sim::Platform::NT4}) {
        SCOPED_TRACE(sim::PlatformName(mode));
        sim::Reset();
        sim::SetPlatform(mode);
        const std::string deep = Chain(512);
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" + deep + "]\r\n\"bottom\"=\"1\"\r\n[HKLM\\" +
                                   Chain(300) + "\\side]\r\n")
                        .ok);
        const std::string text = sim::ExportReg(sim::RegFormat::Regedit4);
        const sim::RegSnapshot full = sim::TakeSnapshot();
        EXPECT_EQ(sim::DiffReg(sim::RegSnapshot(), sim::RegFormat::Regedit4), text);

        // A handle on the deepest key outlives the tree's deletion.
        HKEY bottom = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, deep.c_str(), 0, KEY_READ, &bottom), ERROR_SUCCESS);
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\k]\r\n").ok);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(bottom, "bottom", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
        RegCloseKey(bottom);
        const sim::RegSnapshot empty = sim::TakeSnapshot();
        EXPECT_EQ(sim::DiffReg(full, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\k]\r\n\r\n");

        // The undo patch rebuilds the whole chain.
        ASSERT_TRUE(sim::ImportReg(sim::DiffReg(empty, full, sim::RegFormat::Regedit4)).ok);
        EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), text);
        sim::Reset();
        EXPECT_FALSE(sim::KeyExists("HKLM\\k"));
        ASSERT_TRUE(sim::ImportReg(text).ok);
        EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), text);
    }
    sim::Reset();
}

}  // namespace
