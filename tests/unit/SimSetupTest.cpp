// The simulated setup functions as a machine offers them: the INF folder
// (host directory, added files; the bundled one is opened by the INF
// conformance checks in every mode), the module, failure injection and
// the record of installs, registry edge cases the conformance checks cannot
// set up, and the project's NETTRANS.INF as the adapter discovery sees it.
#include <gtest/gtest.h>
#include <setupapi.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "NetworkAdapter/NetworkAdapter.h"
#include "SimRegistry.h"
#include "sim/control.h"

namespace {

const char kHeader[] = "[Version]\r\nSignature=\"$CHICAGO$\"\r\nClass=OrvaneTest\r\n";
const char kNetTrans[] = "System\\CurrentControlSet\\Services\\Class\\NetTrans";
const DWORD kGenFailure = 31;  // ERROR_GEN_FAILURE

using simreg::Create;

// A text value up to its terminator; empty when it or its key is missing.
std::string Text(HKEY root, const std::string& path, const char* name) {
    return simreg::Get(root, path, name).second.c_str();
}

BOOL Install(HINF inf, const char* section, HKEY root) {
    return SetupInstallFromInfSectionA(nullptr, inf, section, SPINST_REGISTRY, root, nullptr, 0, nullptr, nullptr,
                                       nullptr, nullptr);
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override {
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::OpenInfHandles(), 0u);
    }
};

TEST_F(SetupTest, TheInfFolderResolvesNamesAndPathsWithoutRegardToCase) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("orvane-inf-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "host.inf", std::ios::binary) << kHeader << "[S]\r\nAddReg=R\r\n[R]\r\nHKR,,From,,lower\r\n";
    std::ofstream(dir / "Host.INF", std::ios::binary) << kHeader << "[S]\r\nAddReg=R\r\n[R]\r\nHKR,,From,,mixed\r\n";
    sim::SetInfDirectory(dir.string());
    EXPECT_EQ(sim::InfDirectory(), dir.string());
    sim::AddInfFile("added.inf", std::string(kHeader) + "[S]\r\nAddReg=R\r\n[R]\r\nHKR,,From,,added\r\n");

    struct Case {
        const char* name;
        const char* from;  // null: not found
    };
    const Case cases[] = {
        {"host.inf", "lower"},  // the exact name
        {"Host.INF", "mixed"},
        {"HOST.INF", "mixed"},  // else the first in byte order: "Host.INF" before "host.inf"
        {"ADDED.INF", "added"},
        {"C:\\WINDOWS\\INF\\added.inf", "added"},
        {"c:/windows/inf/ADDED.INF", "added"},
        {"C:\\WINDOWS\\INF\\\\added.inf", "added"},
        {"C:\\WINDOWS\\added.inf", nullptr},
        {"INF\\added.inf", nullptr},
        {"NETTRANS.INF", nullptr},  // the folder replaced the bundled one
        {"", nullptr},
        {"..", nullptr},
    };
    HKEY root = Create(HKEY_LOCAL_MACHINE, "Scratch");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        HINF inf = SetupOpenInfFileA(c.name, nullptr, INF_STYLE_WIN4, nullptr);
        if (!c.from) {
            EXPECT_EQ(inf, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
            continue;
        }
        ASSERT_NE(inf, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(Install(inf, "S", root));
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Scratch", "From"), c.from);
        SetupCloseInfFile(inf);
    }
    RegCloseKey(root);

    // The folder follows the Windows directory; without a host folder only
    // added files are left, and removed ones are gone.
    sim::SetWindowsDirectory("D:\\WIN");
    HINF inf = SetupOpenInfFileA("d:\\win\\inf\\Added.inf", nullptr, INF_STYLE_WIN4, nullptr);
    EXPECT_NE(inf, INVALID_HANDLE_VALUE);
    SetupCloseInfFile(inf);
    sim::SetInfDirectory("");
    EXPECT_EQ(SetupOpenInfFileA("host.inf", nullptr, INF_STYLE_WIN4, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(sim::RemoveInfFile("ADDED.inf"));
    EXPECT_FALSE(sim::RemoveInfFile("added.inf"));
    EXPECT_EQ(SetupOpenInfFileA("added.inf", nullptr, INF_STYLE_WIN4, nullptr), INVALID_HANDLE_VALUE);
    std::filesystem::remove_all(dir);
}

// A parsed file is handed to the next open only for the same text in the
// same folders: a file replaced under its name, or a machine whose Windows
// folder moved, is read afresh.
TEST_F(SetupTest, AnOpenReadsTheFileAsItIsNow) {
    HKEY root = Create(HKEY_LOCAL_MACHINE, "Scratch");
    auto installed = [&](const char* value) {
        sim::AddInfFile("Cached.inf", std::string(kHeader) + "[S]\r\nAddReg=R\r\n[R]\r\nHKR,,V,," + value + "\r\n");
        HINF inf = SetupOpenInfFileA("Cached.inf", nullptr, INF_STYLE_WIN4, nullptr);
        EXPECT_NE(inf, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(Install(inf, "S", root));
        SetupCloseInfFile(inf);
        return Text(HKEY_LOCAL_MACHINE, "Scratch", "V");
    };
    EXPECT_EQ(installed("one"), "one");
    EXPECT_EQ(installed("two"), "two");
    EXPECT_EQ(installed("%10%"), "C:\\WINDOWS");
    sim::SetWindowsDirectory("D:\\OS");
    EXPECT_EQ(installed("%10%"), "D:\\OS");
    RegCloseKey(root);
}

TEST_F(SetupTest, ModuleIsLoadableAndRemovableForWindows95) {
    HMODULE module = LoadLibraryA("setupapi.dll");
    ASSERT_NE(module, nullptr);
    for (const char* name : {"SetupOpenInfFileA", "SetupInstallFromInfSectionA", "SetupCloseInfFile"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    using Open = decltype(&SetupOpenInfFileA);
    auto open = reinterpret_cast<Open>(reinterpret_cast<void*>(GetProcAddress(module, "SetupOpenInfFileA")));
    HINF inf = open("NETTRANS.INF", "NetTrans", INF_STYLE_WIN4, nullptr);
    EXPECT_NE(inf, INVALID_HANDLE_VALUE);
    SetupCloseInfFile(inf);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(sim::TotalLoadCount(), 0);
    // Removed like any module (SimPlatformTest): Windows 95 may lack it.
    EXPECT_TRUE(sim::RemoveModule("SETUPAPI.DLL"));
}

TEST_F(SetupTest, InjectedFailuresAndTheRecordOfInstalls) {
    HKEY root = Create(HKEY_LOCAL_MACHINE, "Scratch");
    sim::FailInfOpen(ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetupOpenInfFileA("NETTRANS.INF", "NetTrans", INF_STYLE_WIN4, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    sim::FailInfOpen(0);
    HINF inf = SetupOpenInfFileA("NETTRANS.INF", "NetTrans", INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sim::OpenInfHandles(), 1u);

    sim::FailInfInstall("mstcp.NDI", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(Install(inf, "MSTCP.install", root));
    EXPECT_FALSE(Install(inf, "MSTCP.ndi", root));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Scratch", "InfSection"), "");
    sim::FailInfInstall("", kGenFailure);
    EXPECT_FALSE(Install(inf, "NETBEUI.Install", root));
    sim::FailInfInstall("", 0);
    sim::FailInfInstall("MSTCP.ndi", 0);
    EXPECT_TRUE(Install(inf, "MSTCP.ndi", nullptr));
    EXPECT_FALSE(SetupInstallFromInfSectionA(nullptr, inf, nullptr, SPINST_REGISTRY, root, nullptr, 0, nullptr,
                                             nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    const auto& records = sim::InfInstalls();
    ASSERT_EQ(records.size(), 4u);  // the call without a section name is not one
    EXPECT_EQ(records[0].file, "NETTRANS.INF");
    EXPECT_EQ(records[0].section, "MSTCP.install");
    EXPECT_EQ(records[0].flags, UINT(SPINST_REGISTRY));
    EXPECT_TRUE(records[0].relativeRoot);
    EXPECT_TRUE(records[0].result);
    EXPECT_FALSE(records[1].result);
    EXPECT_EQ(records[1].error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(records[2].error, DWORD(kGenFailure));
    EXPECT_FALSE(records[3].relativeRoot);
    EXPECT_TRUE(records[3].result);

    SetupCloseInfFile(inf);
    SetupCloseInfFile(inf);  // closing twice, or null, is harmless
    SetupCloseInfFile(nullptr);
    EXPECT_FALSE(Install(inf, "MSTCP.install", root));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    sim::ClearRecords();
    EXPECT_TRUE(sim::InfInstalls().empty());
    RegCloseKey(root);
}

TEST_F(SetupTest, RegistryRefusalsAreStepsOverAndNTDeletesWholeTrees) {
    sim::AddInfFile("T.INF", std::string(kHeader) +
                                 "[Add]\r\nAddReg=A\r\n[A]\r\nHKR,,V,,x\r\nHKR,Sub,W,,y\r\nHKCU,Software\\T,Z,,z\r\n"
                                 "[Del]\r\nDelReg=D\r\n[D]\r\nHKR,Tree\r\n");
    sim::SetPlatform(sim::Platform::NT4);
    HKEY root = Create(HKEY_LOCAL_MACHINE, "Scratch");
    HINF inf = SetupOpenInfFileA("T.INF", "OrvaneTest", INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE);

    // Writes the registry refuses are passed over; the install succeeds.
    ASSERT_TRUE(sim::SetKeyAccess("HKEY_LOCAL_MACHINE\\Scratch", sim::KeyAccess::ReadOnly));
    EXPECT_TRUE(Install(inf, "Add", root));
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "Scratch", "V"), "");
    EXPECT_FALSE(sim::KeyExists("HKLM\\Scratch\\Sub"));
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\T", "Z"), "z");
    ASSERT_TRUE(sim::SetKeyAccess("HKEY_LOCAL_MACHINE\\Scratch", sim::KeyAccess::Normal));

    // NT's RegDeleteKeyA refuses keys with subkeys; DelReg still removes the tree.
    RegCloseKey(Create(root, "Tree\\A\\B"));
    RegCloseKey(Create(root, "Tree\\C"));
    EXPECT_TRUE(Install(inf, "Del", root));
    EXPECT_FALSE(sim::KeyExists("HKLM\\Scratch\\Tree"));
    EXPECT_TRUE(sim::KeyExists("HKLM\\Scratch"));
    SetupCloseInfFile(inf);
    RegCloseKey(root);
}

// The project's NETTRANS.INF, applied as the protocol install does it, gives
// an instance the adapter discovery reads like the Windows 98 sample's DHCP
// instance (the values it writes are pinned by the INF conformance checks).
TEST_F(SetupTest, InstalledNetTransInstancesReadLikeTheSamples) {
    ASSERT_TRUE(sim::ImportRegFile(ORVANE_SOURCE_DIR "/examples/win98.reg").ok);
    ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Enum\\PCI\\NEWCARD]\r\n\"Class\"=\"Net\"\r\n"
                               "\"DeviceDesc\"=\"New Card\"\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\NEWCARD\\Bindings]\r\n\"MSTCP\\\\0009\"=\"\"\r\n"
                               "\"NETBEUI\\\\0009\"=\"\"\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\Network\\MSTCP\\0009]\r\n\"Driver\"=\"NetTrans\\\\0010\"\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\Enum\\Network\\NETBEUI\\0009]\r\n\"Driver\"=\"NetTrans\\\\0011\"\r\n")
                    .ok);
    HINF inf = SetupOpenInfFileA("NETTRANS.INF", "NetTrans", INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE);
    HKEY tcp = Create(HKEY_LOCAL_MACHINE, std::string(kNetTrans) + "\\0010");
    for (const char* section : {"MSTCP.install", "MSTCP.ndi", "MSTCP.VnbtOff.Install"})
        EXPECT_TRUE(Install(inf, section, tcp));
    RegCloseKey(tcp);
    HKEY netbeui = Create(HKEY_LOCAL_MACHINE, std::string(kNetTrans) + "\\0011");
    for (const char* section : {"NETBEUI.Install", "NETBEUI.ndi"}) EXPECT_TRUE(Install(inf, section, netbeui));
    RegCloseKey(netbeui);
    SetupCloseInfFile(inf);

    CNetworkAdapter table;
    DWORD fresh = table.AdapterCount(), dhcp = table.AdapterCount();
    for (DWORD i = 0; i < table.AdapterCount(); ++i) {
        const std::string path = table.GetAdapterNetTransRgy(i);
        if (path == "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0010") fresh = i;
        if (path == "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001") dhcp = i;
    }
    ASSERT_LT(fresh, table.AdapterCount());
    ASSERT_LT(dhcp, table.AdapterCount());
    EXPECT_EQ(table.GetTCPIP(fresh), 1);
    EXPECT_EQ(table.GetNETBEUI(fresh), 1);
    EXPECT_STREQ(table.GetAdapterNETBEUIRgy(fresh), "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0011");
    EXPECT_EQ(table.GetIpAddressCount(fresh), table.GetIpAddressCount(dhcp));
    EXPECT_STREQ(table.GetIpAddress(fresh, 0), "0.0.0.0");
    EXPECT_STREQ(table.GetIpMask(fresh, 0), table.GetIpMask(dhcp, 0));
    EXPECT_EQ(table.GetGatewayCount(fresh), table.GetGatewayCount(dhcp));
    EXPECT_EQ(table.GetDHCP(fresh), 1);
    EXPECT_EQ(table.GetDHCPWINS(fresh), table.GetDHCPWINS(dhcp));
    EXPECT_EQ(table.GetWINSEnable(fresh), table.GetWINSEnable(dhcp));
}

}  // namespace
