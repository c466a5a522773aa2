// CW2KDomain: what it loads, the join information it hands out, and the
// calls of the Windows 2000 join, unjoin and workgroup join, on a simulated
// Windows 2000 workstation with the domain CORP around it.
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

    static void JoinCorp() {
        CW2KDomain d;
        ASSERT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
        sim::ClearApiCalls();
    }
    // The calls of one function, each as "arg=value ..." lines.
    static std::string Calls(const char* function, std::initializer_list<const char*> args) {
        std::string out;
        for (auto& c : sim::ApiCallsOf(function)) {
            for (const char* a : args) out += std::string(a) + "=" + c.Arg(a) + " ";
            out += "-> " + c.result + "\n";
        }
        return out;
    }
};

TEST_F(W2KDomainTest, LoadedOnlyWithTheLibraryAndAllFiveFunctions) {
    struct Row {
        sim::Platform platform;
        const char* removed;  // a function, "*" for the library
        int loaded;
    };
    const Row rows[] = {
        {sim::Platform::Win2000, nullptr, 1},
        {sim::Platform::Win98, nullptr, 0},
        {sim::Platform::NT4, nullptr, 0},
        {sim::Platform::Win2000, "*", 0},
        {sim::Platform::Win2000, "NetGetJoinInformation", 0},
        {sim::Platform::Win2000, "NetJoinDomain", 0},
        {sim::Platform::Win2000, "NetApiBufferFree", 0},
        {sim::Platform::Win2000, "NetGetDCName", 0},
        {sim::Platform::Win2000, "NetUnjoinDomain", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(sim::PlatformName(row.platform)) + " without " + (row.removed ? row.removed : "-"));
        LoadDomainMachine(row.platform);
        if (row.removed && std::string(row.removed) == "*")
            sim::RemoveModule("NETAPI32.DLL");
        else if (row.removed)
            sim::RemoveFunction("NETAPI32.DLL", row.removed);
        {
            CW2KDomain d;
            EXPECT_EQ(d.IsLoaded(), row.loaded);
            if (row.loaded) continue;
            LPCWSTR name = WTEXT("untouched");
            int state = 7;
            EXPECT_EQ(d.GetJoinInformation(&name, &state), 0);
            EXPECT_EQ(d.UnjoinDomain(nullptr, nullptr), 0);
            EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 0);
            EXPECT_EQ(d.JoinWorkgroup(WTEXT("WG"), nullptr, nullptr), 0);
            EXPECT_EQ(wide::Narrow(name), "untouched");
            EXPECT_EQ(state, 7);
            EXPECT_TRUE(sim::ApiCalls().empty());
        }
        EXPECT_EQ(sim::LoadCount("NETAPI32.DLL"), 0);
    }
}

TEST_F(W2KDomainTest, JoinInformationNamesTheWorkgroupOrTheDomain) {
    CW2KDomain d;
    LPCWSTR name = nullptr;
    int state = -1;
    ASSERT_EQ(d.GetJoinInformation(&name, &state), 1);
    EXPECT_EQ(wide::Narrow(name), "WORKGROUP");
    EXPECT_EQ(state, CW2KDomain::WorkgroupMember);
    JoinCorp();
    ASSERT_EQ(d.GetJoinInformation(&name, nullptr), 1);
    EXPECT_EQ(d.GetJoinInformation(nullptr, &state), 1);
    EXPECT_EQ(wide::Narrow(name), "CORP");
    EXPECT_EQ(state, CW2KDomain::DomainMember);

    // A failing query reports 0, keeps the status and touches nothing.
    sim::FailCall("NetGetJoinInformation", ERROR_ACCESS_DENIED);
    LPCWSTR kept = WTEXT("kept");
    state = 7;
    EXPECT_EQ(d.GetJoinInformation(&kept, &state), 0);
    EXPECT_EQ(d.GetLastStatus(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(wide::Narrow(kept), "kept");
    EXPECT_EQ(state, 7);
}

// A network API whose join information answers what a test says, to see
// states the simulated machine never has and names from two threads.
NETSETUP_JOIN_STATUS g_answerState = NetSetupWorkgroupName;
thread_local const char* t_answerName = "WG";

NET_API_STATUS WINAPI FakeJoinInformation(LPCWSTR, LPWSTR* name, PNETSETUP_JOIN_STATUS state) {
    const wide::WString text = wide::Widen(t_answerName);
    auto* buffer = new WCHAR[text.size() + 1];
    std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer);
    *name = buffer;
    *state = g_answerState;
    return NERR_Success;
}
NET_API_STATUS WINAPI FakeBufferFree(LPVOID buffer) {
    delete[] static_cast<WCHAR*>(buffer);
    return NERR_Success;
}

void InstallFakeJoinInformation() {
    sim::AddModule("NETAPI32.DLL", {{"NetGetJoinInformation", sim::Proc(&FakeJoinInformation)},
                                    {"NetJoinDomain", sim::Proc(&NetJoinDomain)},
                                    {"NetApiBufferFree", sim::Proc(&FakeBufferFree)},
                                    {"NetGetDCName", sim::Proc(&NetGetDCName)},
                                    {"NetUnjoinDomain", sim::Proc(&NetUnjoinDomain)}});
}

TEST_F(W2KDomainTest, JoinStatesOtherThanOneTwoThreeAreUnknown) {
    InstallFakeJoinInformation();
    CW2KDomain d;
    const std::pair<DWORD, int> rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {0xFFFFFFFF, 0}};
    for (auto& row : rows) {
        g_answerState = static_cast<NETSETUP_JOIN_STATUS>(row.first);
        int state = -1;
        EXPECT_EQ(d.GetJoinInformation(nullptr, &state), 1);
        EXPECT_EQ(state, row.second) << row.first;
    }
    g_answerState = NetSetupWorkgroupName;
}

TEST_F(W2KDomainTest, EachThreadKeepsTheNameItWasHanded) {
    InstallFakeJoinInformation();
    CW2KDomain d;
    t_answerName = "FIRST";
    LPCWSTR first = nullptr;
    ASSERT_EQ(d.GetJoinInformation(&first, nullptr), 1);
    std::string second;
    std::thread([&] {
        t_answerName = "SECONDGROUP";
        LPCWSTR name = nullptr;
        CW2KDomain other;
        if (other.GetJoinInformation(&name, nullptr)) second = wide::Narrow(name);
    }).join();
    EXPECT_EQ(second, "SECONDGROUP");
    EXPECT_EQ(wide::Narrow(first), "FIRST");
    // The next call on the same thread reuses its buffer, as designed.
    t_answerName = "THIRD";
    LPCWSTR third = nullptr;
    ASSERT_EQ(d.GetJoinInformation(&third, nullptr), 1);
    EXPECT_EQ(third, first);
    EXPECT_EQ(wide::Narrow(first), "THIRD");

    // A name longer than the buffer is cut, never written past it.
    const std::string longName(300, 'N');
    t_answerName = longName.c_str();
    ASSERT_EQ(d.GetJoinInformation(&third, nullptr), 1);
    EXPECT_EQ(wide::Narrow(third), longName.substr(0, CW2KDomain::JoinNameChars - 1));
    t_answerName = "WG";
}

TEST_F(W2KDomainTest, DomainJoinPassesTheQualifiedAccountOrNulls) {
    struct Row {
        LPCWSTR account, password;
        std::string expected;
    };
    const std::string corp63 = "CORP\\" + std::string(58, 'a');
    const wide::WString account58 = wide::Widen(std::string(58, 'a'));
    const Row rows[] = {
        {WTEXT("Administrator"), WTEXT("Secret1"), "account=CORP\\Administrator password=Secret1 options=0x23 "},
        {WTEXT(""), WTEXT(""), "account=(null) password=(null) options=0x23 "},
        {nullptr, nullptr, "account=(null) password=(null) options=0x23 "},
        {account58.c_str(), WTEXT("pw"), "account=" + corp63 + " password=pw options=0x23 "},
    };
    for (const Row& row : rows) {
        LoadDomainMachine(sim::Platform::Win2000);
        CW2KDomain d;
        d.JoinDomain(WTEXT("CORP"), row.account, row.password);
        EXPECT_EQ(Calls("NetJoinDomain", {"domain", "ou", "account", "password", "options"}),
                  "domain=CORP ou=(null) " + row.expected + "-> " +
                      (row.account == account58.c_str() ? std::to_string(ERROR_LOGON_FAILURE) : "0") + "\n");
    }

    // One character more does not fit: refused before anything is asked.
    LoadDomainMachine(sim::Platform::Win2000);
    const wide::WString account59 = wide::Widen(std::string(59, 'a'));
    CW2KDomain d;
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), account59.c_str(), WTEXT("pw")), 0);
    EXPECT_TRUE(sim::ApiCalls().empty());
}

TEST_F(W2KDomainTest, DomainMemberIsUnjoinedBeforeTheJoin) {
    JoinCorp();
    CW2KDomain d;
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), WTEXT("Administrator"), WTEXT("Secret1")), 1);
    std::string sequence;
    for (auto& c : sim::ApiCalls()) sequence += c.function + " ";
    EXPECT_EQ(sequence, "NetGetJoinInformation NetApiBufferFree NetUnjoinDomain NetJoinDomain ");
    EXPECT_EQ(Calls("NetUnjoinDomain", {"account", "password", "options"}),
              "account=CORP\\Administrator password=Secret1 options=0x4 -> 0\n");
    EXPECT_EQ(sim::GetPrimaryDomain().name, "CORP");

    // A failed unjoin does not stop the join; its status is overwritten.
    sim::ClearApiCalls();
    sim::FailCall("NetUnjoinDomain", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
    EXPECT_EQ(d.GetLastStatus(), 0u);
    EXPECT_EQ(sim::ApiCallsOf("NetJoinDomain").size(), 1u);

    // Nor does a failed state query: no unjoin, the join is tried at once.
    sim::ClearApiCalls();
    sim::FailCall("NetGetJoinInformation", ERROR_ACCESS_DENIED);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 1);
    EXPECT_TRUE(sim::ApiCallsOf("NetUnjoinDomain").empty());
    EXPECT_EQ(sim::ApiCallsOf("NetJoinDomain").size(), 1u);

    // A refused join answers 0 with the platform's status.
    sim::FailCall("NetJoinDomain", ERROR_NO_SUCH_DOMAIN);
    EXPECT_EQ(d.JoinDomain(WTEXT("CORP"), nullptr, nullptr), 0);
    EXPECT_EQ(d.GetLastStatus(), DWORD(ERROR_NO_SUCH_DOMAIN));
}

TEST_F(W2KDomainTest, WorkgroupJoinUnjoinsOnlyADomainMember) {
    CW2KDomain d;
    EXPECT_EQ(d.JoinWorkgroup(WTEXT("OFFICE"), nullptr, nullptr), 1);
    EXPECT_TRUE(sim::ApiCallsOf("NetUnjoinDomain").empty());
    EXPECT_EQ(Calls("NetJoinDomain", {"domain", "account", "options"}), "domain=OFFICE account=(null) options=0x20 -> 0\n");

    JoinCorp();
    // The credentials go to the unjoin exactly as given.
    EXPECT_EQ(d.JoinWorkgroup(WTEXT("LAB"), WTEXT("Administrator"), WTEXT("Secret1")), 1);
    EXPECT_EQ(Calls("NetUnjoinDomain", {"account", "password", "options"}),
              "account=Administrator password=Secret1 options=0x4 -> 0\n");
    EXPECT_EQ(Calls("NetJoinDomain", {"domain", "account", "options"}),
              "domain=LAB account=Administrator options=0x20 -> 0\n");
    EXPECT_EQ(sim::GetPrimaryDomain().name, "LAB");
    EXPECT_EQ(RegistryDword("SYSTEM\\CurrentControlSet\\Services\\Netlogon", "Start"), DWORD(SERVICE_DEMAND_START));
}

}  // namespace
