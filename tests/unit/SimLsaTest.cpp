// The simulated local security policy: its defaults, the rights a policy
// handle carries, the primary domain, trusts and secrets in their readable
// registry form, and the memory and handles it hands out.
#include <gtest/gtest.h>

#include <cstring>

#include "SecurityTestMachine.h"
#include "SidText.h"

namespace {

class SimLsaTest : public ::testing::Test {
protected:
    void SetUp() override { LoadDomainMachine(sim::Platform::NT4); }

    NTSTATUS Open(ACCESS_MASK access, LSA_HANDLE* policy, LPCWSTR system = nullptr) {
        LSA_OBJECT_ATTRIBUTES attributes{};
        LSA_UNICODE_STRING name = Counted(system);
        return LsaOpenPolicy(system ? &name : nullptr, &attributes, access, policy);
    }

    // A SID of the given text, in local memory (released with FreeSid).
    PSID Sid(const char* text) {
        std::vector<BYTE> bytes;
        EXPECT_TRUE(sidtext::Parse(text, &bytes));
        PSID sid = LocalAlloc(LPTR, bytes.size());
        std::memcpy(sid, bytes.data(), bytes.size());
        return sid;
    }
};

TEST_F(SimLsaTest, AMachineFileWithoutPolicyIsInTheWorkgroupWORKGROUP) {
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_VIEW_LOCAL_INFORMATION, &policy), STATUS_SUCCESS);
    PVOID buffer = nullptr;
    ASSERT_EQ(LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer), STATUS_SUCCESS);
    auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer);
    EXPECT_EQ(wide::Narrow(info->Name.Buffer, info->Name.Length / 2), "WORKGROUP");
    EXPECT_EQ(info->Name.MaximumLength, info->Name.Length + 2);
    EXPECT_EQ(info->Name.Buffer[info->Name.Length / 2], 0);
    EXPECT_EQ(info->Sid, nullptr);
    EXPECT_EQ(sim::LiveSecurityResources().lsaMemory, 1u);
    EXPECT_EQ(LsaFreeMemory(buffer), STATUS_SUCCESS);
    EXPECT_EQ(LsaClose(policy), STATUS_SUCCESS);
    EXPECT_EQ(LsaClose(policy), STATUS_INVALID_HANDLE);
    // Reading writes nothing: the machine's export stays as it was.
    EXPECT_FALSE(sim::KeyExists("HKLM\\SOFTWARE\\OrvaneSim\\Lsa"));
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimLsaTest, AHandleDoesWhatItWasOpenedFor) {
    POLICY_PRIMARY_DOMAIN_INFO workgroup;
    workgroup.Name = Counted(WTEXT("HOME"));
    workgroup.Sid = nullptr;
    struct Row {
        ACCESS_MASK access;
        NTSTATUS query, set;
    };
    // The three the domain classes use, and a plain administrator's.
    for (const Row& row : {Row{0xA0000000, STATUS_SUCCESS, STATUS_ACCESS_DENIED},
                           Row{0xF0FFF, STATUS_SUCCESS, STATUS_SUCCESS},
                           Row{POLICY_CREATE_SECRET | POLICY_TRUST_ADMIN, STATUS_ACCESS_DENIED, STATUS_SUCCESS},
                           Row{POLICY_ALL_ACCESS, STATUS_SUCCESS, STATUS_SUCCESS}}) {
        SCOPED_TRACE(row.access);
        LSA_HANDLE policy = nullptr;
        ASSERT_EQ(Open(row.access, &policy), STATUS_SUCCESS);
        PVOID buffer = nullptr;
        EXPECT_EQ(LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer), row.query);
        if (buffer) LsaFreeMemory(buffer);
        EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &workgroup), row.set);
        LsaClose(policy);
    }
    // A program that is not an administrator may only read.
    sim::SetCallerIsLocalAdmin(false);
    LSA_HANDLE policy = nullptr;
    EXPECT_EQ(Open(0xF0FFF, &policy), STATUS_ACCESS_DENIED);
    EXPECT_EQ(Open(GENERIC_READ | GENERIC_EXECUTE, &policy), STATUS_SUCCESS);
    LsaClose(policy);
    // The local machine by name; no other.
    sim::SetCallerIsLocalAdmin(true);
    EXPECT_EQ(Open(POLICY_VIEW_LOCAL_INFORMATION, &policy, WTEXT("ws01")), STATUS_SUCCESS);
    LsaClose(policy);
    EXPECT_EQ(Open(POLICY_VIEW_LOCAL_INFORMATION, &policy, WTEXT("\\\\CORPDC")), RPC_NT_SERVER_UNAVAILABLE);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimLsaTest, ThePrimaryDomainIsKeptReadably) {
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
    PSID sid = Sid(kCorpSid);
    POLICY_PRIMARY_DOMAIN_INFO domain;
    domain.Name = Counted(WTEXT("CORP"));
    domain.Sid = sid;
    ASSERT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_SUCCESS);
    EXPECT_EQ(sim::GetPrimaryDomain().name, "CORP");
    EXPECT_EQ(sim::GetPrimaryDomain().sid, kCorpSid);
    EXPECT_NE(sim::ExportRegKey(sim::RegFormat::Regedit4, "HKLM\\SOFTWARE\\OrvaneSim\\Lsa")
                  .find("\"PrimaryDomainName\"=\"CORP\"\r\n\"PrimaryDomainSid\"=\"S-1-5-21-1004-2005-3006\""),
              std::string::npos);

    PVOID buffer = nullptr;
    ASSERT_EQ(LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer), STATUS_SUCCESS);
    auto* info = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer);
    ASSERT_NE(info->Sid, nullptr);
    EXPECT_TRUE(EqualSid(info->Sid, sid));
    LsaFreeMemory(buffer);

    // Bad input changes nothing.
    BYTE damaged[8] = {3, 0, 0, 0, 0, 0, 0, 5};
    domain.Sid = damaged;
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_INVALID_SID);
    domain.Sid = nullptr;
    domain.Name.Length = 3;
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, nullptr), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(sim::GetPrimaryDomain().sid, kCorpSid);

    // A policy the registry will not take.
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\SOFTWARE\\OrvaneSim\\Lsa", sim::KeyAccess::ReadOnly));
    domain.Name = Counted(WTEXT("HOME"));
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &domain), STATUS_ACCESS_DENIED);
    EXPECT_EQ(sim::GetPrimaryDomain().name, "CORP");
    FreeSid(sid);
    LsaClose(policy);
}

TEST_F(SimLsaTest, ATrustIsMadeOnceAndDeletedOnce) {
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_CREATE_SECRET | POLICY_TRUST_ADMIN, &policy), STATUS_SUCCESS);
    PSID sid = Sid(kCorpSid);
    TRUSTED_DOMAIN_NAME_INFO trust;
    trust.Name = Counted(WTEXT("CORP"));
    EXPECT_EQ(LsaSetTrustedDomainInformation(policy, sid, TrustedDomainNameInformation, &trust), STATUS_SUCCESS);
    EXPECT_EQ(LsaSetTrustedDomainInformation(policy, sid, TrustedDomainNameInformation, &trust),
              STATUS_OBJECT_NAME_COLLISION);
    ASSERT_EQ(sim::TrustedDomains().size(), 1u);
    EXPECT_EQ(sim::TrustedDomains()[0].sid, kCorpSid);
    EXPECT_EQ(sim::TrustedDomains()[0].name, "CORP");
    EXPECT_TRUE(sim::KeyExists("HKLM\\SOFTWARE\\OrvaneSim\\Lsa\\TrustedDomains\\S-1-5-21-1004-2005-3006"));

    EXPECT_EQ(LsaDeleteTrustedDomain(policy, sid), STATUS_SUCCESS);
    EXPECT_EQ(LsaDeleteTrustedDomain(policy, sid), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(LsaDeleteTrustedDomain(policy, nullptr), STATUS_INVALID_PARAMETER);  // a workgroup's "SID"
    EXPECT_EQ(LsaSetTrustedDomainInformation(policy, nullptr, TrustedDomainNameInformation, &trust),
              STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(sim::TrustedDomains().empty());

    LSA_HANDLE reader = nullptr;
    ASSERT_EQ(Open(GENERIC_READ | GENERIC_EXECUTE, &reader), STATUS_SUCCESS);
    EXPECT_EQ(LsaSetTrustedDomainInformation(reader, sid, TrustedDomainNameInformation, &trust), STATUS_ACCESS_DENIED);
    LsaClose(reader);
    FreeSid(sid);
    LsaClose(policy);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
}

TEST_F(SimLsaTest, SecretsAreStoredReplacedAndDeleted) {
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
    LSA_UNICODE_STRING key = Counted(WTEXT("$MACHINE.ACC"));
    LSA_UNICODE_STRING first = Counted(WTEXT("ws01")), second = Counted(WTEXT("ws01-new"));
    ASSERT_EQ(LsaStorePrivateData(policy, &key, &first), STATUS_SUCCESS);
    ASSERT_EQ(LsaStorePrivateData(policy, &key, &second), STATUS_SUCCESS);
    std::string value;
    ASSERT_TRUE(sim::LsaSecret("$MACHINE.ACC", &value));
    EXPECT_EQ(value, "ws01-new");

    PLSA_UNICODE_STRING back = nullptr;
    ASSERT_EQ(LsaRetrievePrivateData(policy, &key, &back), STATUS_SUCCESS);
    EXPECT_EQ(wide::Narrow(back->Buffer, back->Length / 2), "ws01-new");
    LsaFreeMemory(back);

    EXPECT_EQ(LsaStorePrivateData(policy, &key, nullptr), STATUS_SUCCESS);  // no data: deleted
    EXPECT_EQ(LsaStorePrivateData(policy, &key, nullptr), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_FALSE(sim::LsaSecret("$MACHINE.ACC", &value));
    LSA_UNICODE_STRING empty = Counted(WTEXT(""));
    EXPECT_EQ(LsaStorePrivateData(policy, &empty, &first), STATUS_INVALID_PARAMETER);

    LSA_HANDLE trustOnly = nullptr;
    ASSERT_EQ(Open(POLICY_TRUST_ADMIN, &trustOnly), STATUS_SUCCESS);
    EXPECT_EQ(LsaStorePrivateData(trustOnly, &key, &first), STATUS_ACCESS_DENIED);
    LsaClose(trustOnly);
    LsaClose(policy);
}

TEST_F(SimLsaTest, MemoryAndHandlesAreReleasedOnlyOnce) {
    EXPECT_EQ(LsaFreeMemory(nullptr), STATUS_SUCCESS);
    int notLsaMemory = 0;
    EXPECT_EQ(LsaFreeMemory(&notLsaMemory), STATUS_INVALID_PARAMETER);
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_VIEW_LOCAL_INFORMATION, &policy), STATUS_SUCCESS);
    PVOID buffer = nullptr;
    ASSERT_EQ(LsaQueryInformationPolicy(policy, PolicyAccountDomainInformation, &buffer), STATUS_SUCCESS);
    auto* account = static_cast<POLICY_ACCOUNT_DOMAIN_INFO*>(buffer);
    EXPECT_EQ(wide::Narrow(account->DomainName.Buffer, account->DomainName.Length / 2), "WS01");
    EXPECT_TRUE(IsValidSid(account->DomainSid));
    EXPECT_EQ(LsaQueryInformationPolicy(policy, PolicyAuditLogInformation, &buffer), STATUS_NOT_IMPLEMENTED);
    const sim::SecurityResources held = sim::LiveSecurityResources();
    EXPECT_EQ(held.lsaHandles, 1u);
    EXPECT_EQ(held.lsaMemory, 1u);
    EXPECT_EQ(LsaFreeMemory(account), STATUS_SUCCESS);
    EXPECT_EQ(LsaFreeMemory(account), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(LsaClose(policy), STATUS_SUCCESS);
    EXPECT_EQ(LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer), STATUS_INVALID_HANDLE);
    EXPECT_EQ(sim::LiveSecurityResources(), sim::SecurityResources{});
    EXPECT_EQ(LsaNtStatusToWinError(STATUS_ACCESS_DENIED), ULONG(ERROR_ACCESS_DENIED));
}

TEST_F(SimLsaTest, InjectedFailuresAnswerWithTheGivenStatus) {
    sim::FailCall("LsaSetInformationPolicy", 0xC0000001, 1);
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(Open(POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
    POLICY_PRIMARY_DOMAIN_INFO workgroup;
    workgroup.Name = Counted(WTEXT("HOME"));
    workgroup.Sid = nullptr;
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &workgroup), NTSTATUS(0xC0000001));
    EXPECT_EQ(sim::GetPrimaryDomain().name, "WORKGROUP");
    EXPECT_EQ(LsaSetInformationPolicy(policy, PolicyPrimaryDomainInformation, &workgroup), STATUS_SUCCESS);
    const std::vector<sim::ApiCall> sets = sim::ApiCallsOf("LsaSetInformationPolicy");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].result, "0xC0000001");
    EXPECT_EQ(sets[0].Arg("name"), "HOME");
    EXPECT_EQ(sets[0].Arg("sid"), "(null)");
    EXPECT_EQ(sim::ApiCallsOf("LsaOpenPolicy")[0].Arg("access"), "0xF0FFF");
    LsaClose(policy);
}

}  // namespace
