// The simulated machine's computer names and disk shares: kept in the
// registry where Windows keeps them, with the functions' own rules.
#include <gtest/gtest.h>

#include <lm.h>

#include <cstring>
#include <string>
#include <vector>

#include "ShareModel.h"
#include "TCPIPNetworkTestMachine.h"
#include "WideText.h"
#include "sim/control.h"

namespace {

using tcptest::ValuesOf;

const char kNames[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\";
const char kTcpip[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kLanMan[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan";
const char kShares[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";

void Machine(sim::Platform platform, const std::string& lines) {
    sim::Reset();
    sim::SetPlatform(platform);
    const sim::RegImportResult r = sim::ImportReg("REGEDIT4\r\n\r\n" + lines + "\r\n");
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
}

std::string Name(BOOL (*get)(LPSTR, LPDWORD)) {
    char name[64] = "";
    DWORD size = sizeof name;
    return get(name, &size) ? name : "(fails " + std::to_string(GetLastError()) + ")";
}
BOOL NetBios(LPSTR b, LPDWORD s) { return GetComputerNameA(b, s); }
BOOL DnsHost(LPSTR b, LPDWORD s) { return GetComputerNameExA(ComputerNamePhysicalDnsHostname, b, s); }

TEST(SimComputerName, TheRunningNameIsTheActiveOneElseTheStoredOne) {
    const std::string stored = std::string("[") + kNames + "ComputerName]\r\n\"ComputerName\"=\"NEXT\"\r\n";
    const std::string active = std::string("[") + kNames + "ActiveComputerName]\r\n\"ComputerName\"=\"NOW\"\r\n";
    Machine(sim::Platform::NT4, stored + active);
    EXPECT_EQ(Name(NetBios), "NOW");
    Machine(sim::Platform::NT4, stored);
    EXPECT_EQ(Name(NetBios), "NEXT");
    Machine(sim::Platform::NT4, "");
    EXPECT_EQ(Name(NetBios), "(fails 2)");
    sim::SetComputerName("WS07");
    EXPECT_EQ(Name(NetBios), "WS07");
    EXPECT_EQ(sim::ComputerName(), "WS07");
    // Too small: the size with the NUL, and the error of each function.
    char name[4] = "xyz";
    DWORD size = 4;
    EXPECT_FALSE(GetComputerNameA(name, &size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUFFER_OVERFLOW));
    EXPECT_STREQ(name, "xyz");
    sim::SetPlatform(sim::Platform::Win2000);
    size = 4;
    EXPECT_FALSE(GetComputerNameExA(ComputerNamePhysicalNetBIOS, name, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
}

TEST(SimComputerName, SetComputerNameStoresTheNextNameOnlyWhenValid) {
    struct Case {
        const char* name;
        const char* stored;  // null: refused
    };
    const Case cases[] = {{"ws-09", "WS-09"},     {"a{b}~c!", "A{B}~C!"}, {"", nullptr},
                          {"sixteen-chars-xx", nullptr}, {"two words", nullptr},  {"a*b", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine(sim::Platform::Win98, "");
        sim::SetComputerName("OLD");
        EXPECT_EQ(SetComputerNameA(c.name) != FALSE, c.stored != nullptr);
        const std::string key = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
        EXPECT_EQ(ValuesOf(key.c_str()), std::string("\"ComputerName\"=\"") + (c.stored ? c.stored : "OLD") + "\"");
        EXPECT_EQ(Name(NetBios), "OLD");  // the running name changes at the next start
    }
    EXPECT_TRUE(sim::SetKeyAccess("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ComputerName",
                                  sim::KeyAccess::ReadOnly));
    EXPECT_FALSE(SetComputerNameA("NEW"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(SimComputerName, Windows2000HasTheDnsHostName) {
    Machine(sim::Platform::Win2000, std::string("[") + kTcpip + "]\r\n\"Hostname\"=\"vega\"\r\n\"Domain\"=\"corp.example.com\"\r\n");
    sim::SetComputerName("VEGA");
    EXPECT_EQ(Name(DnsHost), "vega");
    char full[64] = "";
    DWORD size = sizeof full;
    ASSERT_TRUE(GetComputerNameExA(ComputerNamePhysicalDnsFullyQualified, full, &size));
    EXPECT_STREQ(full, "vega.corp.example.com");
    ASSERT_TRUE(SetComputerNameExA(ComputerNamePhysicalDnsHostname, "sirius-workstation-17"));
    EXPECT_EQ(ValuesOf(kTcpip), "\"Hostname\"=\"vega\"\n\"Domain\"=\"corp.example.com\"\n"
                                "\"NV Hostname\"=\"sirius-workstation-17\"");
    EXPECT_EQ(ValuesOf((std::string(kNames) + "ComputerName").c_str()), "\"ComputerName\"=\"SIRIUS-WORKSTAT\"");
    EXPECT_EQ(Name(DnsHost), "vega");
    EXPECT_FALSE(SetComputerNameExA(ComputerNamePhysicalDnsHostname, "bad/name"));
    // A machine without TCP/IP's host name answers its NetBIOS name.
    Machine(sim::Platform::Win2000, "");
    sim::SetComputerName("LONE");
    EXPECT_EQ(Name(DnsHost), "LONE");
    // The Ex functions came with Windows 2000.
    for (sim::Platform p : {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::Win2000}) {
        sim::SetPlatform(p);
        HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
        EXPECT_EQ(GetProcAddress(kernel, "SetComputerNameExA") != nullptr, p == sim::Platform::Win2000);
        EXPECT_NE(GetProcAddress(kernel, "SetComputerNameA"), nullptr);
        FreeLibrary(kernel);
    }
}

// ---- Windows 95/98 shares -------------------------------------------------------

sharemodel::ShareInfo50 Record(const char* name, const char* path, const char* remark, unsigned short flags,
                               const char* rw = "", const char* ro = "") {
    sharemodel::ShareInfo50 r;
    std::memset(&r, 0, sizeof r);
    std::strcpy(r.shi50_netname, name);
    r.shi50_flags = flags;
    r.shi50_path = const_cast<char*>(path);
    r.shi50_remark = const_cast<char*>(remark);
    std::strcpy(r.shi50_rw_password, rw);
    std::strcpy(r.shi50_ro_password, ro);
    return r;
}

unsigned Add50(const sharemodel::ShareInfo50& r) {
    return sharemodel::Add50(nullptr, 50, reinterpret_cast<const char*>(&r), sizeof r);
}

TEST(SimShares, Windows98KeepsEachShareAsAKeyOfTheLanManKey) {
    Machine(sim::Platform::Win98, "");
    ASSERT_EQ(Add50(Record("DATA", "C:\\DATA", "Shared", 0x192, "FULLPW", "READPW")), 0u);
    ASSERT_EQ(Add50(Record("CDROM", "D:\\", "", 0x191)), 0u);
    EXPECT_EQ(Add50(Record("data", "C:\\OTHER", "", 0x192)), unsigned(NERR_DuplicateShare));
    EXPECT_EQ(Add50(Record("", "C:\\X", "", 0x192)), unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(sharemodel::Add50(nullptr, 1, "", 0), unsigned(ERROR_INVALID_LEVEL));
    // The passwords as Windows 98 encodes them: XOR with 35 9A 4D A6 ...
    EXPECT_EQ(ValuesOf((std::string(kLanMan) + "\\DATA").c_str()),
              "\"Flags\"=dword:00000192\n\"Parm1enc\"=hex:73,cf,01,ea,03,fe\n\"Parm2enc\"=hex:67,df,0c,e2,03,fe\n"
              "\"Path\"=\"C:\\\\DATA\"\n\"Remark\"=\"Shared\"\n\"Type\"=dword:00000000");

    char buffer[16 * sizeof(sharemodel::ShareInfo50)];
    unsigned short read = 0, total = 0;
    ASSERT_EQ(sharemodel::Enum50(nullptr, 50, buffer, sizeof buffer, &read, &total), 0u);
    ASSERT_EQ(read, 2);
    sharemodel::ShareInfo50 first;
    std::memcpy(&first, buffer, sizeof first);
    EXPECT_STREQ(first.shi50_netname, "DATA");
    EXPECT_STREQ(first.shi50_path, "C:\\DATA");
    EXPECT_STREQ(first.shi50_remark, "Shared");
    EXPECT_STREQ(first.shi50_rw_password, "FULLPW");
    EXPECT_STREQ(first.shi50_ro_password, "READPW");
    EXPECT_EQ(first.shi50_flags, 0x192);
    // Room for one record and its texts only: the first comes back.
    const unsigned short one = sizeof(sharemodel::ShareInfo50) + 8 + 7;
    EXPECT_EQ(sharemodel::Enum50(nullptr, 50, buffer, one, &read, &total), unsigned(ERROR_MORE_DATA));
    EXPECT_EQ(read, 1);
    EXPECT_EQ(total, 2);

    EXPECT_EQ(sharemodel::Del50(nullptr, "cdrom", 0), 0u);
    EXPECT_EQ(sharemodel::Del50(nullptr, "CDROM", 0), unsigned(NERR_NetNameNotFound));
    EXPECT_FALSE(sim::KeyExists(std::string(kLanMan) + "\\CDROM"));
    EXPECT_EQ(sharemodel::Del50("\\\\ELSEWHERE", "DATA", 0), unsigned(ERROR_BAD_NETPATH));
    EXPECT_EQ(sharemodel::DecodePassword(sharemodel::EncodePassword("abcdefgh")), "abcdefgh");
}

// ---- Windows NT shares ----------------------------------------------------------

NET_API_STATUS AddNT(const WCHAR* name, const WCHAR* path, DWORD type = STYPE_DISKTREE, DWORD* parm = nullptr) {
    SHARE_INFO_2 info;
    std::memset(&info, 0, sizeof info);
    info.shi2_netname = const_cast<LPWSTR>(name);
    info.shi2_type = type;
    info.shi2_remark = const_cast<LPWSTR>(WTEXT("Team files"));
    info.shi2_max_uses = 5;
    info.shi2_path = const_cast<LPWSTR>(path);
    info.shi2_passwd = const_cast<LPWSTR>(WTEXT("ignored"));
    return NetShareAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&info), parm);
}

std::vector<std::string> ListNT() {
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    std::vector<std::string> names;
    EXPECT_EQ(NetShareEnum(nullptr, 2, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr), 0u);
    for (DWORD i = 0; i < read; ++i) {
        const SHARE_INFO_2& s = reinterpret_cast<SHARE_INFO_2*>(buffer)[i];
        char type[16];
        std::snprintf(type, sizeof type, "%lX", static_cast<unsigned long>(s.shi2_type));
        names.push_back(wide::Narrow(s.shi2_netname) + " " + type + " " + wide::Narrow(s.shi2_path) + " " +
                        std::to_string(s.shi2_max_uses) + (s.shi2_passwd ? " password" : ""));
    }
    EXPECT_EQ(NetApiBufferFree(buffer), 0u);
    return names;
}

TEST(SimShares, NTKeepsEachShareAsALineListOfTheSharesKey) {
    for (sim::Platform p : {sim::Platform::NT4, sim::Platform::Win2000}) {
        SCOPED_TRACE(sim::PlatformName(p));
        Machine(p, std::string("[") + kShares + "]\r\n\"PRINTER\"=" +
                       "hex(7):54,79,70,65,3d,31,00,00\r\n\r\n[" + kShares + "\\Security]\r\n\"TEAM\"=hex:01\r\n");
        ASSERT_EQ(AddNT(WTEXT("TEAM"), WTEXT("D:\\TEAM")), 0u);
        EXPECT_EQ(AddNT(WTEXT("team"), WTEXT("D:\\X")), DWORD(NERR_DuplicateShare));
        EXPECT_EQ(AddNT(WTEXT("ADMIN$"), WTEXT("D:\\X")), DWORD(NERR_DuplicateShare));
        DWORD parm = 0;
        EXPECT_EQ(AddNT(WTEXT("A/B"), WTEXT("D:\\X"), STYPE_DISKTREE, &parm), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(parm, DWORD(SHARE_NETNAME_PARMNUM));
        EXPECT_EQ(AddNT(WTEXT("NOPATH"), WTEXT("")), DWORD(ERROR_INVALID_PARAMETER));
        const std::string csc = p == sim::Platform::Win2000 ? "CSCFlags=0|" : "";
        const std::string values = ValuesOf(kShares);
        EXPECT_NE(values.find("\"TEAM\"=hex(7):"), std::string::npos);
        std::vector<std::string> lines;
        // The stored lines, through the registry functions themselves.
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares", 0,
                                KEY_READ, &key),
                  0);
        char data[256];
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueExA(key, "TEAM", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size), 0);
        RegCloseKey(key);
        std::string joined;
        for (DWORD i = 0; i + 1 < size; ++i) joined += data[i] ? data[i] : '|';
        EXPECT_EQ(joined, csc + "MaxUses=5|Path=D:\\TEAM|Permissions=0|Remark=Team files|Type=0|");
        // Administrative shares first, then the kept ones; no password ever.
        EXPECT_EQ(ListNT(), (std::vector<std::string>{"ADMIN$ 80000000 C:\\WINNT 4294967295",
                                                      "C$ 80000000 C:\\ 4294967295", "IPC$ 80000003  4294967295",
                                                      "PRINTER 1  4294967295", "TEAM 0 D:\\TEAM 5"}));
        EXPECT_EQ(NetShareDel(nullptr, const_cast<LPWSTR>(WTEXT("Team")), 0), 0u);
        EXPECT_EQ(NetShareDel(nullptr, const_cast<LPWSTR>(WTEXT("TEAM")), 0), DWORD(NERR_NetNameNotFound));
        EXPECT_EQ(ValuesOf((std::string(kShares) + "\\Security").c_str()), "");
        EXPECT_EQ(sim::ApiCallsOf("NetShareAdd").size(), 5u);
        EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
    }
}

TEST(SimShares, EachFamilyHasItsOwnLibrary) {
    for (sim::Platform p : {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::Win2000}) {
        sim::Reset();
        sim::SetPlatform(p);
        HMODULE svrapi = LoadLibraryA("svrapi.dll");
        HMODULE netapi = LoadLibraryA("netapi32.dll");
        EXPECT_EQ(GetProcAddress(svrapi, "NetShareEnum") != nullptr, p == sim::Platform::Win98);
        EXPECT_EQ(GetProcAddress(netapi, "NetShareEnum") != nullptr, p != sim::Platform::Win98);
        FreeLibrary(svrapi);
        FreeLibrary(netapi);
    }
}

}  // namespace
