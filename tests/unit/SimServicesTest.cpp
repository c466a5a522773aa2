// The simulated service control manager: enumeration and its size rules,
// configuration queries and changes landing in the Services key, starting
// and stopping, the rights of its handles.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "SecurityTestMachine.h"

namespace {

constexpr char kNetlogon[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon";

class SimServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadDomainMachine(sim::Platform::NT4);
        // A driver, and a key without "Type", which is no service.
        sim::AddService({"Tcpip", "TCP/IP Protocol Driver", "", SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START,
                         SERVICE_ERROR_NORMAL});
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\NotAService", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager, nullptr);
    }
    void TearDown() override {
        CloseServiceHandle(manager);
        EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
    }

    // Names listed by one enumeration into `size` bytes.
    std::vector<std::string> Enumerate(DWORD type, DWORD state, DWORD size, BOOL* ok, DWORD* needed, DWORD* resume) {
        std::vector<BYTE> block(size + 1);
        DWORD count = 0;
        SetLastError(0);
        *ok = EnumServicesStatusW(manager, type, state, size ? reinterpret_cast<LPENUM_SERVICE_STATUSW>(block.data())
                                                              : nullptr,
                                  size, needed, &count, resume);
        std::vector<std::string> names;
        auto* entries = reinterpret_cast<ENUM_SERVICE_STATUSW*>(block.data());
        for (DWORD i = 0; i < count; ++i) names.push_back(wide::Narrow(entries[i].lpServiceName));
        return names;
    }

    SC_HANDLE manager = nullptr;
};

TEST_F(SimServicesTest, TheSizeQueryFailsWithMoreDataAndTellsTheSize) {
    BOOL ok = TRUE;
    DWORD needed = 0, resume = 0;
    EXPECT_TRUE(Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, 0, &ok, &needed, &resume).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
    // Each entry and its two texts.
    const DWORD full = 2 * sizeof(ENUM_SERVICE_STATUSW) + 2 * (sizeof "EventLog" + sizeof "Event Log") +
                       2 * (sizeof "Netlogon" + sizeof "Net Logon");
    EXPECT_EQ(needed, full);
    EXPECT_EQ(Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, needed, &ok, &needed, &resume),
              (std::vector<std::string>{"EventLog", "Netlogon"}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(needed, 0u);

    // Room for the first only: the rest's size and where to go on.
    resume = 0;
    EXPECT_EQ(Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, full - 2, &ok, &needed, &resume),
              std::vector<std::string>{"EventLog"});
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
    EXPECT_EQ(needed, sizeof(ENUM_SERVICE_STATUSW) + 2 * (sizeof "Netlogon" + sizeof "Net Logon"));
    EXPECT_EQ(resume, 1u);
    EXPECT_EQ(Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, needed, &ok, &needed, &resume),
              std::vector<std::string>{"Netlogon"});
    EXPECT_TRUE(ok);
    EXPECT_EQ(resume, 0u);
}

TEST_F(SimServicesTest, EnumerationFiltersByTypeAndState) {
    struct Row {
        DWORD type, state;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {SERVICE_WIN32, SERVICE_ACTIVE, {"EventLog"}},
        {SERVICE_WIN32, SERVICE_INACTIVE, {"Netlogon"}},
        {SERVICE_DRIVER, SERVICE_STATE_ALL, {"Tcpip"}},
        {SERVICE_TYPE_ALL, SERVICE_STATE_ALL, {"EventLog", "Netlogon", "Tcpip"}},
    };
    for (const Row& row : rows) {
        BOOL ok = FALSE;
        DWORD needed = 0, resume = 0;
        EXPECT_EQ(Enumerate(row.type, row.state, 4096, &ok, &needed, &resume), row.names);
        EXPECT_TRUE(ok);
    }
    BOOL ok = TRUE;
    DWORD needed = 0;
    Enumerate(SERVICE_WIN32, 4, 4096, &ok, &needed, nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    DWORD count = 0;
    SetLastError(0);
    EXPECT_FALSE(EnumServicesStatusW(manager, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, nullptr, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
}

TEST_F(SimServicesTest, ConfigurationIsQueriedWithTheSizeRuleOfWindows) {
    SC_HANDLE service = OpenServiceW(manager, WTEXT("NETLOGON"), SERVICE_QUERY_CONFIG);
    ASSERT_NE(service, nullptr);
    DWORD needed = 0;
    SetLastError(0);
    EXPECT_FALSE(QueryServiceConfigW(service, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, sizeof(QUERY_SERVICE_CONFIGW) + 2 * (sizeof "%SystemRoot%\\System32\\lsass.exe" + 1 + 1 +
                                                           sizeof "LocalSystem" + sizeof "Net Logon"));
    std::vector<BYTE> block(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(block.data());
    SetLastError(0);
    EXPECT_FALSE(QueryServiceConfigW(service, config, needed - 1, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(QueryServiceConfigW(service, config, needed, &needed));
    EXPECT_EQ(config->dwServiceType, DWORD(SERVICE_WIN32_SHARE_PROCESS));
    EXPECT_EQ(config->dwStartType, DWORD(SERVICE_DEMAND_START));
    EXPECT_EQ(config->dwErrorControl, DWORD(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(wide::Narrow(config->lpBinaryPathName), "%SystemRoot%\\System32\\lsass.exe");
    EXPECT_EQ(wide::Narrow(config->lpDisplayName), "Net Logon");
    EXPECT_EQ(wide::Narrow(config->lpServiceStartName), "LocalSystem");
    EXPECT_EQ(config->lpDependencies[0], 0);
    SetLastError(0);
    EXPECT_FALSE(QueryServiceConfigW(service, config, needed, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
    CloseServiceHandle(service);
}

TEST_F(SimServicesTest, ConfigurationChangesLandInTheServicesKey) {
    SC_HANDLE service = OpenServiceW(manager, WTEXT("Netlogon"), 0xF01FF);
    ASSERT_NE(service, nullptr);
    const auto change = [&](DWORD start, LPCWSTR display) {
        SetLastError(0);
        return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, start, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, display);
    };
    for (DWORD start : {DWORD(SERVICE_DISABLED), DWORD(SERVICE_AUTO_START), DWORD(SERVICE_DEMAND_START)}) {
        ASSERT_TRUE(change(start, WTEXT("Net Logon")));
        EXPECT_EQ(RegistryDword(kNetlogon, "Start"), start);
    }
    EXPECT_EQ(RegistryDword(kNetlogon, "Type"), DWORD(SERVICE_WIN32_SHARE_PROCESS));  // untouched
    EXPECT_FALSE(change(5, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(change(SERVICE_BOOT_START, nullptr));  // drivers only
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(change(SERVICE_NO_CHANGE, WTEXT("event log")));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DUPLICATE_SERVICE_NAME));
    EXPECT_EQ(RegistryDword(kNetlogon, "Start"), DWORD(SERVICE_DEMAND_START));

    // Dependencies split into the two values Windows keeps.
    ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr,
                                     nullptr, nullptr, WTEXT("LanmanWorkstation\0+NetworkProvider\0"), nullptr,
                                     nullptr, nullptr));
    const std::string exported = sim::ExportRegKey(sim::RegFormat::Regedit4, std::string("HKLM\\") + kNetlogon);
    EXPECT_NE(exported.find("\"DependOnGroup\"=hex(7):4e,65,74"), std::string::npos);
    EXPECT_NE(exported.find("\"DependOnService\"=hex(7):4c,61,6e"), std::string::npos);

    // A Services key that refuses writes.
    ASSERT_TRUE(sim::SetKeyAccess(std::string("HKLM\\") + kNetlogon, sim::KeyAccess::ReadOnly));
    EXPECT_FALSE(change(SERVICE_AUTO_START, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseServiceHandle(service);
}

TEST_F(SimServicesTest, StartingAndStoppingFollowTheStartTypeAndState) {
    SC_HANDLE service = OpenServiceW(manager, WTEXT("Netlogon"), SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status;
    std::memset(&status, 0xCD, sizeof status);
    SetLastError(0);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_STOPPED));  // filled in all the same

    ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr));
    SetLastError(0);
    EXPECT_FALSE(StartServiceW(service, 0, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_DISABLED));
    ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(StartServiceW(service, 0, nullptr));
    EXPECT_TRUE(sim::ServiceRunning("Netlogon"));
    SetLastError(0);
    EXPECT_FALSE(StartServiceW(service, 0, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_ALREADY_RUNNING));
    ASSERT_TRUE(QueryServiceStatus(service, &status));
    EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(status.dwControlsAccepted, DWORD(SERVICE_ACCEPT_STOP));
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
    SetLastError(0);
    EXPECT_FALSE(ControlService(service, 99, &status));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_STOPPED));
    EXPECT_FALSE(sim::ServiceRunning("Netlogon"));
    CloseServiceHandle(service);
}

TEST_F(SimServicesTest, HandlesCarryTheRightsTheyWereOpenedWith) {
    SC_HANDLE query = OpenServiceW(manager, WTEXT("Netlogon"), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
    ASSERT_NE(query, nullptr);
    SetLastError(0);
    EXPECT_FALSE(ChangeServiceConfigW(query, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(StartServiceW(query, 0, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    // A service handle is no manager handle, and a closed one is no handle.
    DWORD needed = 0, count = 0;
    EXPECT_FALSE(EnumServicesStatusW(query, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseServiceHandle(query));
    EXPECT_FALSE(CloseServiceHandle(query));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    SetLastError(0);
    EXPECT_EQ(OpenServiceW(manager, WTEXT("NoSuchService"), SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(OpenServiceW(manager, WTEXT("NotAService"), SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(OpenSCManagerW(nullptr, WTEXT("ServicesFailed"), SC_MANAGER_CONNECT), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));

    // A program that is not an administrator connects and reads, no more.
    sim::SetCallerIsLocalAdmin(false);
    EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenServiceW(manager, WTEXT("Netlogon"), 0xF01FF), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    SC_HANDLE reader = OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
    ASSERT_NE(reader, nullptr);
    CloseServiceHandle(reader);
}

TEST_F(SimServicesTest, InjectedFailuresSetTheLastError) {
    sim::FailCall("OpenSCManagerW", ERROR_ACCESS_DENIED, 1);
    SetLastError(0);
    EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    SC_HANDLE second = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    EXPECT_NE(second, nullptr);
    CloseServiceHandle(second);
    sim::FailCall("EnumServicesStatusW", ERROR_INVALID_HANDLE, 2);
    BOOL ok = FALSE;
    DWORD needed = 0, resume = 0;
    Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, 0, &ok, &needed, &resume);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
    Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL, 4096, &ok, &needed, &resume);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    const std::vector<sim::ApiCall> calls = sim::ApiCallsOf("EnumServicesStatusW");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].result, "0 error=234");
    EXPECT_EQ(calls[0].Arg("type"), "0x30");
    EXPECT_EQ(calls[1].result, "0 error=6");
    EXPECT_TRUE(calls[1].injected);
}

}  // namespace
