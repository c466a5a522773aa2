// CW2KDomain on a simulated Windows 2000 workstation with the domain CORP
// around it: what it loads, the join information it hands out, and the
// calls of the join, the unjoin before it and the workgroup join.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "SecurityTestMachine.h"
#include "W2KDomain/W2KDomain.h"

namespace {

class W2KDomainTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::Win2000); }
    void TearDown() override {
        EXPECT_EQ(sim::Describe(sim::LiveSecurityResources()), sim::Describe({}));
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
    // The named arguments and the result of each call of one function.
    static std::string Calls(const char* function, std::initializer_list<const char*> args) {
        std::string out;
        for (auto& c : sim::ApiCallsOf(function)) {
            for (const char* a : args) out += std::string(a) + "=" + c.Arg(a) + " ";
            out += "-> " + c.result + "\n";
        }
        return out;
    }
    static std::string Sequence() {
        std::string out;
        for (auto& c : sim::ApiCalls()) out += c.function + " ";
        return out;
    }
};

TEST_F(W2KDomainTest, LoadedOnlyWithTheLibraryAndAllFiveFunctions) {
    const std::pair<sim::Platform, const char*> rows[] = {
        {sim::Platform::Win98, nullptr}, {sim::Platform::NT4, nullptr}, {sim::Platform::Win2000, "*"},
        {sim::Platform::Win2000, "NetGetJoinInformation"}, {sim::Platform::Win2000, "NetUnjoinDomain"}};
    for (auto& row : rows) {
        SCOPED_TRACE(row.second ? row.second : sim::PlatformName(row.first));
        LoadDomainMachine(row.first);
        if (row.second && std::string(row.second) == "*") sim::RemoveModule("NETAPI32.DLL");
        if (row.second) sim::RemoveFunction("NETAPI32.DLL", row.second);
        {
            CW2KDomain d;
            LPCWSTR name = WTEXT("untouched");
            int state = 7;
            EXPECT_EQ(d.IsLoaded() + d.GetJoinInformation(&name, &state) + d.UnjoinDomain(nullptr, nullptr) +
                          d.JoinDomain(WTEXT("CORP"), nullptr, nullptr) + d.JoinWorkgroup(WTEXT("WG"), nullptr, nullptr),
                      0);
            EXPECT_EQ(wide::Narrow(name) + std::to_string(state), "untouched7");
            EXPECT_TRUE(sim::ApiCalls().empty());
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

// Join information answered as a test says: states the simulated machine
// never has, and names per thread.
DWORD g_answerState = NetSetupWorkgroupName;
thread_local std::string t_answerName = "WG";

NET_API_STATUS WINAPI FakeJoinInformation(LPCWSTR, LPWSTR* name, PNETSETUP_JOIN_STATUS state) {
    const wide::WString text = wide::Widen(t_answerName);
    *name = new WCHAR[text.size() + 1];
    std::copy(text.c_str(), text.c_str() + text.size() + 1, *name);
    *reinterpret_cast<DWORD*>(state) = g_answerState;  // any number, as a platform may
    return NERR_Success;
}
NET_API_STATUS WINAPI FakeBufferFree(LPVOID buffer) {
    delete[] static_cast<WCHAR*>(buffer);
    return NERR_Success;
}

TEST_F(W2KDomainTest, StatesAreMappedAndEachThreadKeepsItsName) {
    sim::AddModule("NETAPI32.DLL", {{"NetGetJoinInformation", sim::Proc(&FakeJoinInformation)},
                                    {"NetJoinDomain", sim::Proc(&NetJoinDomain)},
                                    {"NetApiBufferFree", sim::Proc(&FakeBufferFree)},
                                    {"NetGetDCName", sim::Proc(&NetGetDCName)},
                                    {"NetUnjoinDomain", sim::Proc(&NetUnjoinDomain)}});
    CW2KDomain d;
    for (auto row : {std::pair<DWORD, int>{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {0xFFFFFFFF, 0}}) {
        g_answerState = row.first;
        int state = -1;
        EXPECT_EQ(d.GetJoinInformation(nullptr, &state), 1);
        EXPECT_EQ(state, row.second) << row.first;
    }
    g_answerState = NetSetupWorkgroupName;

    t_answerName = "FIRST";
    LPCWSTR first = nullptr, again = nullptr;
    ASSERT_EQ(d.GetJoinInformation(&first, nullptr), 1);
    std::string second;
    std::thread([&] {
        t_answerName = "SECONDGROUP";
        LPCWSTR name = nullptr;
        if (CW2KDomain().GetJoinInformation(&name, nullptr)) second = wide::Narrow(name);
    }).join();
    EXPECT_EQ(second + " " + wide::Narrow(first), "SECONDGROUP FIRST");
    // The thread's next call reuses its buffer; a name too long is cut.
    t_answerName = std::string(300, 'N');
    ASSERT_EQ(d.GetJoinInformation(&again, nullptr), 1);
    EXPECT_EQ(again, first);
    EXPECT_EQ(wide::Narrow(first), std::string(CW2KDomain::JoinNameChars - 1, 'N'));
}

TEST_F(W2KDomainTest, DomainJoinPassesTheQualifiedAccountOrNulls) {
    const wide::WString account58(58, WCHAR('a'));
    const std::pair<LPCWSTR, std::string> rows[] = {
        {WTEXT("Administrator"), "account=CORP\\Administrator password=Secret1 options=0x23 -> 0"},
        {WTEXT(""), "account=(null) password=(null) options=0x23 -> 0"},  // null: scenario join-domain-win2000
        // 63 characters: the longest that fits
        {account58.c_str(), "account=CORP\\" + std::string(58, 'a') + " password=Secret1 options=0x23 -> 1326"},
    };
    for (auto& row : rows) {
        LoadDomainMachine(sim::Platform::Win2000);
        CW2KDomain().JoinDomain(WTEXT("CORP"), row.first, row.first && row.first[0] ? WTEXT("Secret1") : WTEXT(""));
        EXPECT_EQ(Calls("NetJoinDomain", {"domain", "ou", "account", "password", "options"}),
                  "domain=CORP ou=(null) " + row.second + "\n");
    }
    // One character more does not fit: refused before anything is asked.
    LoadDomainMachine(sim::Platform::Win2000);
    const wide::WString account59(59, WCHAR('a'));
    EXPECT_EQ(CW2KDomain().JoinDomain(WTEXT("CORP"), account59.c_str(), WTEXT("pw")), 0);
    EXPECT_TRUE(sim::ApiCalls().empty());
}

TEST_F(W2KDomainTest, DomainMemberIsUnjoinedBeforeTheJoin) {
    CW2KDomain d;
    ASSERT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
    sim::ClearApiCalls();
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), WTEXT("Administrator"), WTEXT("Secret1")), 1);
    EXPECT_EQ(Sequence(), "NetGetJoinInformation NetApiBufferFree NetUnjoinDomain NetJoinDomain ");
    EXPECT_EQ(Calls("NetUnjoinDomain", {"account", "password", "options"}),
              "account=CORP\\Administrator password=Secret1 options=0x4 -> 0\n");

    // A failed unjoin does not stop the join (its status is overwritten),
    // nor does a failed state query (no unjoin then); a refused join keeps
    // the platform's status.
    sim::FailCall("NetUnjoinDomain", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr) * 10 + int(d.GetLastStatus()), 10);
    sim::ClearApiCalls();
    sim::FailCall("NetGetJoinInformation", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
    EXPECT_EQ(Sequence(), "NetGetJoinInformation NetJoinDomain ");
    sim::FailCall("NetJoinDomain", ERROR_NO_SUCH_DOMAIN);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 0);
    EXPECT_EQ(d.GetLastStatus(), DWORD(ERROR_NO_SUCH_DOMAIN));
    // A failing query answers 0, keeps the status and touches nothing. (The
    // names and states a query hands out: StatesAreMapped... above and the
    // scenarios wnet/show-win2000 and join-domain-win2000.)
    sim::FailCall("NetGetJoinInformation", ERROR_ACCESS_DENIED);
    LPCWSTR kept = WTEXT("kept");
    int state = 7;
    EXPECT_EQ(d.GetJoinInformation(&kept, &state), 0);
    EXPECT_EQ(d.GetLastStatus(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(wide::Narrow(kept) + std::to_string(state), "kept7");
}

TEST_F(W2KDomainTest, WorkgroupJoinUnjoinsOnlyADomainMember) {
    // A workgroup member joins without an unjoin (the arguments: scenario
    // wnet/join-workgroup-win2000).
    CW2KDomain d;
    EXPECT_EQ(d.JoinWorkgroup(WTEXT("OFFICE"), nullptr, nullptr), 1);
    EXPECT_EQ(Sequence(), "NetGetJoinInformation NetApiBufferFree NetJoinDomain ");
    ASSERT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
    sim::ClearApiCalls();
    // The credentials go to the unjoin exactly as given.
    EXPECT_EQ(d.JoinWorkgroup(WTEXT("LAB"), WTEXT("Administrator"), WTEXT("Secret1")), 1);
    EXPECT_EQ(Calls("NetUnjoinDomain", {"account", "password", "options"}) +
                  Calls("NetJoinDomain", {"domain", "account", "options"}),
              "account=Administrator password=Secret1 options=0x4 -> 0\ndomain=LAB account=Administrator options=0x20 -> 0\n");
    EXPECT_EQ(sim::GetPrimaryDomain().name, "LAB");
    EXPECT_EQ(RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"), DWORD(SERVICE_DEMAND_START));
}

}  // namespace
