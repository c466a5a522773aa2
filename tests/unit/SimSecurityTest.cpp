// SIDs, the process token and its privileges on the simulated machine: the
// Win32 rules the domain classes rely on when they copy a domain SID and
// enable a privilege around the creation of a machine account.
#include <gtest/gtest.h>

#include <cstring>

#include "SecurityTestMachine.h"

namespace {

class SimSecurityTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }
    void TearDown() override { EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{}); }

    HANDLE OpenToken(DWORD access) {
        HANDLE token = nullptr;
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), access, &token));
        return token;
    }

    struct Adjusted {
        BOOL ok;
        DWORD error, count, attributes, length;
    };
    Adjusted Adjust(HANDLE token, DWORD luid, DWORD attributes, DWORD bufferLength = sizeof(TOKEN_PRIVILEGES)) {
        TOKEN_PRIVILEGES state{1, {{{luid, 0}, attributes}}};
        TOKEN_PRIVILEGES previous;
        std::memset(&previous, 0xCD, sizeof previous);
        DWORD length = 0xdeadbeef;
        SetLastError(0xdeadbeef);
        Adjusted a{};
        a.ok = AdjustTokenPrivileges(token, FALSE, &state, bufferLength, &previous, &length);
        a.error = GetLastError();
        a.count = previous.PrivilegeCount;
        a.attributes = previous.Privileges[0].Attributes;
        a.length = length;
        return a;
    }

    bool Enabled(const char* name) {
        for (auto& p : sim::TokenPrivileges())
            if (p.name == name) return p.enabled;
        return false;
    }
};

TEST_F(SimSecurityTest, SidsAreCopiedIntoBlocksThatFreeSidReleases) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 4, 21, 1004, 2005, 3006, 0, 0, 0, 0, &sid));
    EXPECT_TRUE(IsValidSid(sid));
    EXPECT_EQ(GetLengthSid(sid), 24u);
    EXPECT_EQ(*GetSidSubAuthority(sid, 3), 3006u);
    EXPECT_EQ(sim::LiveSecurityResources().sids, 1u);

    BYTE small[20];
    std::memset(small, 0xAB, sizeof small);
    SetLastError(0);
    EXPECT_FALSE(CopySid(sizeof small, small, sid));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[0], 0xAB);  // untouched

    PSID copy = LocalAlloc(LPTR, GetLengthSid(sid));
    ASSERT_TRUE(CopySid(GetLengthSid(sid), copy, sid));
    EXPECT_TRUE(EqualSid(copy, sid));
    EXPECT_EQ(sim::LiveSecurityResources().localBlocks, 1u);
    EXPECT_EQ(FreeSid(copy), nullptr);
    EXPECT_EQ(FreeSid(sid), nullptr);
    // Anything else is not FreeSid's to release.
    BYTE stack[24];
    std::memcpy(stack, small, sizeof small);
    EXPECT_EQ(FreeSid(stack), static_cast<PVOID>(stack));

    struct Bad {
        BYTE bytes[12];
        const char* why;
    };
    for (const Bad& bad : {Bad{{2, 1, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0}, "revision 2"},
                           Bad{{1, 16, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0}, "16 sub-authorities"}}) {
        EXPECT_FALSE(IsValidSid(const_cast<BYTE*>(bad.bytes))) << bad.why;
    }
    EXPECT_FALSE(IsValidSid(nullptr));
}

TEST_F(SimSecurityTest, PrivilegesAreLookedUpByNameForThisSystem) {
    struct Row {
        const char* name;
        sim::Platform platform;
        DWORD luid;  // 0: unknown
    };
    for (const Row& row : {Row{"SeMachineAccountPrivilege", sim::Platform::NT4, 6},
                           Row{"semachineaccountprivilege", sim::Platform::Win2000, 6},
                           Row{"SeShutdownPrivilege", sim::Platform::NT4, 19},
                           Row{"SeUndockPrivilege", sim::Platform::NT4, 0},
                           Row{"SeUndockPrivilege", sim::Platform::Win2000, 25},
                           Row{"SeNoSuchPrivilege", sim::Platform::Win2000, 0}}) {
        sim::SetPlatform(row.platform);
        LUID luid{0xdead, 0};
        const wide::WString name = wide::Widen(row.name);
        SetLastError(0);
        EXPECT_EQ(LookupPrivilegeValueW(nullptr, name.c_str(), &luid) != 0, row.luid != 0) << row.name;
        if (row.luid) {
            EXPECT_EQ(luid.LowPart, row.luid);
        } else {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_PRIVILEGE));
        }
    }
    // On this machine or on a controller the domain knows; nowhere else.
    LUID luid{};
    EXPECT_TRUE(LookupPrivilegeValueW(WTEXT("\\\\CORPDC"), WTEXT("SeMachineAccountPrivilege"), &luid));
    EXPECT_TRUE(LookupPrivilegeValueW(WTEXT("WS01"), WTEXT("SeMachineAccountPrivilege"), &luid));
    SetLastError(0);
    EXPECT_FALSE(LookupPrivilegeValueW(WTEXT("\\\\ELSEWHERE"), WTEXT("SeMachineAccountPrivilege"), &luid));
    EXPECT_EQ(GetLastError(), DWORD(RPC_S_SERVER_UNAVAILABLE));
}

TEST_F(SimSecurityTest, ThePreviousStateListsOnlyWhatChanged) {
    HANDLE token = OpenToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    const DWORD shutdown = 19;
    // Disabled already: nothing changes, nothing is listed.
    Adjusted a = Adjust(token, shutdown, 0);
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.error, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(a.length, sizeof(DWORD));
    a = Adjust(token, shutdown, SE_PRIVILEGE_ENABLED);
    EXPECT_EQ(a.count, 1u);
    EXPECT_EQ(a.attributes, 0u);
    EXPECT_EQ(a.length, sizeof(TOKEN_PRIVILEGES));
    EXPECT_TRUE(Enabled("SeShutdownPrivilege"));
    // The pattern of the domain class: disable, then restore the previous state.
    a = Adjust(token, shutdown, 0);
    EXPECT_EQ(a.count, 1u);
    EXPECT_EQ(a.attributes, DWORD(SE_PRIVILEGE_ENABLED));
    EXPECT_FALSE(Enabled("SeShutdownPrivilege"));
    // Enabled by default keeps that bit.
    a = Adjust(token, 23, 0);
    EXPECT_EQ(a.attributes, DWORD(SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT));

    // A privilege the token does not hold: success, and ERROR_NOT_ALL_ASSIGNED.
    a = Adjust(token, 6, SE_PRIVILEGE_ENABLED);
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.error, DWORD(ERROR_NOT_ALL_ASSIGNED));
    EXPECT_EQ(a.count, 0u);
    ASSERT_TRUE(sim::SetTokenPrivilege("SeMachineAccountPrivilege", true));
    a = Adjust(token, 6, SE_PRIVILEGE_ENABLED);
    EXPECT_EQ(a.error, DWORD(ERROR_SUCCESS));
    EXPECT_TRUE(Enabled("SeMachineAccountPrivilege"));
    EXPECT_TRUE(CloseHandle(token));
}

TEST_F(SimSecurityTest, APreviousStateThatDoesNotFitFailsAndChangesNothing) {
    HANDLE token = OpenToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    Adjusted a = Adjust(token, 19, SE_PRIVILEGE_ENABLED, sizeof(DWORD));
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.error, DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(a.length, sizeof(TOKEN_PRIVILEGES));
    EXPECT_FALSE(Enabled("SeShutdownPrivilege"));
    // No previous state asked for: no room needed.
    TOKEN_PRIVILEGES state{1, {{{19, 0}, SE_PRIVILEGE_ENABLED}}};
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &state, 0, nullptr, nullptr));
    EXPECT_TRUE(Enabled("SeShutdownPrivilege"));
    // Everything off at once.
    EXPECT_TRUE(AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(Enabled("SeShutdownPrivilege"));
    EXPECT_FALSE(Enabled("SeChangeNotifyPrivilege"));
    EXPECT_TRUE(CloseHandle(token));
}

TEST_F(SimSecurityTest, TokenHandlesNeedTheirRights) {
    HANDLE adjustOnly = OpenToken(TOKEN_ADJUST_PRIVILEGES);
    EXPECT_EQ(Adjust(adjustOnly, 19, SE_PRIVILEGE_ENABLED).error, DWORD(ERROR_ACCESS_DENIED));
    HANDLE queryOnly = OpenToken(TOKEN_QUERY);
    EXPECT_EQ(Adjust(queryOnly, 19, SE_PRIVILEGE_ENABLED).error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(sim::LiveSecurityResources().tokenHandles, 2u);
    EXPECT_TRUE(CloseHandle(adjustOnly));
    EXPECT_TRUE(CloseHandle(queryOnly));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(queryOnly));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(Adjust(queryOnly, 19, 0).error, DWORD(ERROR_INVALID_HANDLE));
    HANDLE token = nullptr;
    EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x1234), TOKEN_QUERY, &token));
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}

TEST_F(SimSecurityTest, LogonsAreCheckedAgainstTheController) {
    HANDLE token = nullptr;
    SetLastError(0);
    EXPECT_FALSE(LogonUserW(WTEXT("Administrator"), WTEXT("CORP"), WTEXT("wrong"), LOGON32_LOGON_NETWORK,
                            LOGON32_PROVIDER_DEFAULT, &token));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_LOGON_FAILURE));
    ASSERT_TRUE(LogonUserW(WTEXT("Administrator"), WTEXT("CORP"), WTEXT("Secret1"), LOGON32_LOGON_NETWORK,
                           LOGON32_PROVIDER_DEFAULT, &token));
    EXPECT_TRUE(ImpersonateLoggedOnUser(token));
    EXPECT_TRUE(RevertToSelf());
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_FALSE(ImpersonateLoggedOnUser(token));
}

TEST_F(SimSecurityTest, BoolFunctionsFailWithTheInjectedLastError) {
    HANDLE token = OpenToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    sim::FailCall("AdjustTokenPrivileges", ERROR_ACCESS_DENIED, 2, 2);
    EXPECT_TRUE(Adjust(token, 19, SE_PRIVILEGE_ENABLED).ok);
    for (int i = 0; i < 2; ++i) {
        const Adjusted a = Adjust(token, 19, 0);
        EXPECT_FALSE(a.ok);
        EXPECT_EQ(a.error, DWORD(ERROR_ACCESS_DENIED));
        EXPECT_EQ(a.count, 0xCDCDCDCDu);  // untouched
    }
    EXPECT_TRUE(Enabled("SeShutdownPrivilege"));
    EXPECT_TRUE(Adjust(token, 19, 0).ok);
    sim::FailCall("CloseHandle", ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(token));
    EXPECT_EQ(sim::LiveSecurityResources().tokenHandles, 1u);  // a failed close keeps the handle
    EXPECT_TRUE(CloseHandle(token));
    const std::vector<sim::ApiCall> calls = sim::ApiCallsOf("AdjustTokenPrivileges");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].Arg("new_state"), "SeShutdownPrivilege:2");
    EXPECT_EQ(calls[1].result, "0 error=5");
    EXPECT_EQ(calls[3].result, "1");
}

}  // namespace
