// The share classes: what a listing takes into the table, and that a write
// deletes only the shares it makes again, on both platform families.
#include <gtest/gtest.h>

#include <string>

#include "Shares.h"
#include "TCPIPNetworkTestMachine.h"
#include "TestMachines.h"
#include "sim/control.h"

namespace {

using tcptest::ValuesOf;

const char kLanMan[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\";
const char kShares[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";

void Machine(sim::Platform platform, const std::string& lines) {
    sim::Reset();
    sim::SetPlatform(platform);
    const sim::RegImportResult r = sim::ImportReg("REGEDIT4\r\n\r\n" + lines + "\r\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
}

std::string Share9x(const std::string& name, DWORD type, const std::string& path, const std::string& remark,
                    const char* readOnlyPassword = "") {
    return std::string("[") + kLanMan + name + "]\r\n\"Flags\"=dword:0000019" + (type ? "2" : "1") +
           "\r\n\"Parm1enc\"=hex:\r\n\"Parm2enc\"=hex:" + readOnlyPassword + "\r\n\"Path\"=\"" + path +
           "\"\r\n\"Remark\"=\"" + remark + "\"\r\n\"Type\"=dword:0000000" + std::to_string(type) + "\r\n";
}

std::string ShareNT(const std::string& name, std::initializer_list<std::string> lines) {
    return "\"" + name + "\"=" + MultiSz(lines) + "\r\n";
}

std::string Names(const ShareTable& t) {
    std::string out;
    for (DWORD k = 0; k < ShareTable::Entries; ++k)
        if (t.InUse[k]) out += std::string(t.NetName[k]) + " ";
    return out;
}

TEST(Win9xShares, ListsDiskSharesAsTheyAreAndMakesThemAgainUnchanged) {
    Machine(sim::Platform::Win98, Share9x("DATA", 0, "C:\\\\DATA", "Docs", "67,df,0c,e2,03,fe") +
                                      Share9x("LASER", 1, "LPT1:", "Printer") + Share9x("TOOLS", 0, "D:\\\\", "") +
                                      Share9x("NOTES", 0, "E:\\\\", std::string(49, 'r')));
    CWin9xShares shares;
    ASSERT_EQ(shares.IsLoaded(), 1);
    ShareTable t;
    ClearShareTable(t);
    ASSERT_EQ(shares.Enumerate(t), 1);
    EXPECT_EQ(Names(t), "DATA TOOLS ");
    EXPECT_STREQ(t.Path[0], "C:\\DATA");
    EXPECT_STREQ(t.ReadOnlyPassword[0], "READPW");
    EXPECT_EQ(t.Flags[0], 0x191u);
    const sim::RegSnapshot before = sim::TakeSnapshot();
    sim::ClearApiCalls();
    EXPECT_EQ(shares.Write(t), 1);
    EXPECT_EQ(sim::ApiCallsOf("NetShareDel").size(), 2u);
    // Flags, type and both passwords come back as they were. (Windows 98 puts
    // a new key last: TOOLS moved.) The share whose remark does not fit the
    // table is never touched, nor a printer (scenario wnet/shares-win98).
    EXPECT_EQ(ValuesOf((std::string(kLanMan) + "DATA").c_str()),
              "\"Flags\"=dword:00000191\n\"Parm1enc\"=hex:\n\"Parm2enc\"=hex:67,df,0c,e2,03,fe\n"
              "\"Path\"=\"C:\\\\DATA\"\n\"Remark\"=\"Docs\"\n\"Type\"=dword:00000000");
    EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4).find("NOTES"), std::string::npos);
}

TEST(Win9xShares, AListingThatFailsLeavesTheTableEmptyAndTheWriteDoesNothing) {
    // Sixteen records fill the buffer: their texts no longer fit.
    std::string lines;
    for (int i = 0; i < 16; ++i) lines += Share9x("S" + std::to_string(i), 0, "C:\\\\S", "");
    Machine(sim::Platform::Win98, lines);
    CWin9xShares shares;
    ShareTable t;
    ClearShareTable(t);
    EXPECT_EQ(shares.Enumerate(t), 0);
    EXPECT_EQ(Names(t), "");
    sim::ClearApiCalls();
    EXPECT_EQ(shares.Write(t), 1);
    EXPECT_EQ(sim::ApiCallsOf("NetShareDel").size() + sim::ApiCallsOf("NetShareAdd").size(), 0u);
    // Without the library, or one of its functions, nothing is called at all.
    sim::RemoveFunction("SVRAPI.DLL", "NetShareDel");
    EXPECT_EQ(CWin9xShares().IsLoaded(), 0);
    sim::RemoveModule("SVRAPI.DLL");
    CWin9xShares missing;
    EXPECT_EQ(missing.IsLoaded(), 0);
    EXPECT_EQ(missing.Enumerate(t), 0);
    EXPECT_EQ(missing.Write(t), 0);
}

TEST(WinNTShares, DiskSharesComeBackUnlimitedWhileOthersAreNeverTouched) {
    for (sim::Platform p : {sim::Platform::NT4, sim::Platform::Win2000}) {
        SCOPED_TRACE(sim::PlatformName(p));
        Machine(p, std::string("[") + kShares + "]\r\n" +
                       ShareNT("LASER", {"MaxUses=4294967295", "Path=HP", "Permissions=0", "Remark=", "Type=1"}) +
                       ShareNT("TEAM", {"MaxUses=5", "Path=D:\\TEAM", "Permissions=0", "Remark=Team", "Type=0"}) +
                       ShareNT("LONGREMARK", {"Path=D:\\X", "Remark=" + std::string(49, 'r'), "Type=0"}) +
                       ShareNT("LONGSHARENAME", {"Path=D:\\X", "Type=0"}) +
                       ShareNT("LONGPATH", {"Path=D:\\" + std::string(257, 'p'), "Type=0"}));
        CWinNTShares shares;
        ASSERT_EQ(shares.IsLoaded(), 1);
        ShareTable t;
        ClearShareTable(t);
        ASSERT_EQ(shares.Enumerate(t), 1);
        EXPECT_EQ(Names(t), "TEAM ");
        EXPECT_STREQ(t.Remark[0], "Team");
        EXPECT_EQ(shares.Write(t), 1);
        const std::string after = ValuesOf(kShares);
        for (const char* kept : {"\"LASER\"", "\"LONGREMARK\"", "\"LONGSHARENAME\"", "\"LONGPATH\""})
            EXPECT_NE(after.find(kept), std::string::npos) << kept;
        t.InUse[0] = 0;
        ASSERT_EQ(shares.Enumerate(t), 1);
        EXPECT_EQ(Names(t), "TEAM ");
        // Unlimited, at its path; the rest of the level-2 arguments: scenario wnet/shares-nt4.
        EXPECT_EQ(sim::ApiCallsOf("NetShareAdd").back().Arg("max_uses"), "0xFFFFFFFF");
        EXPECT_EQ(sim::ApiCallsOf("NetShareAdd").back().Arg("path"), "D:\\TEAM");
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
    }
}

TEST(WinNTShares, MoreDiskSharesThanTheTableHoldsChangeNothing) {
    for (int count : {16, 17}) {
        SCOPED_TRACE(count);
        std::string lines = std::string("[") + kShares + "]\r\n";
        for (int i = 0; i < count; ++i) lines += ShareNT("S" + std::to_string(i), {"Path=C:\\S", "Type=0"});
        Machine(sim::Platform::NT4, lines);
        CWinNTShares shares;
        ShareTable t;
        ClearShareTable(t);
        EXPECT_EQ(shares.Enumerate(t), count <= 16 ? 1 : 0);
        EXPECT_EQ(t.InUse[15], count <= 16 ? 1u : 0u);
        sim::ClearApiCalls();
        shares.Write(t);
        EXPECT_EQ(sim::ApiCallsOf("NetShareDel").size(), count <= 16 ? 16u : 0u);
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
    }
    // A failed listing releases what it was handed and leaves the table alone.
    Machine(sim::Platform::NT4, "");
    sim::FailCall("NetShareEnum", ERROR_ACCESS_DENIED);
    CWinNTShares shares;
    ShareTable t;
    ClearShareTable(t);
    t.InUse[3] = 7;
    EXPECT_EQ(shares.Enumerate(t), 0);
    EXPECT_EQ(t.InUse[3], 7u);
}

}  // namespace
