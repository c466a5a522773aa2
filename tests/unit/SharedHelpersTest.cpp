// The helpers every configuration class builds on: handle owners, the
// typed run-time lookup of platform functions, the fixed-field text rules
// and the Windows 95/98 WINS switch.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Registry.h"
#include "RuntimeLibrary.h"
#include "Shared/FieldText.h"
#include "Shared/RegistryPaths.h"
#include "Shared/Win9xWins.h"
#include "TestMachines.h"
#include "UndeclaredApi.h"
#include "UniqueHandle.h"
#include "sim/control.h"

namespace {

class SharedHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"a\"=\"x\"\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"b\"=\"y\"\r\n\r\n")
                        .ok);
    }
    void TearDown() override { ExpectNothingLeft(); }
};

HKEY OpenA() {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &key), ERROR_SUCCESS);
    return key;
}

// ---- Handle owners ------------------------------------------------------------------

TEST_F(SharedHelpers, OwnersCloseOnceWhoeverHoldsTheHandleLast) {
    {
        orvane::UniqueKey first(OpenA());
        ASSERT_TRUE(first.IsValid());
        orvane::UniqueKey second(std::move(first));
        EXPECT_FALSE(first.IsValid());
        EXPECT_EQ(sim::OpenKeyHandles(), 1u);
        orvane::UniqueKey third;
        third = std::move(second);
        EXPECT_EQ(sim::OpenKeyHandles(), 1u);
        third.Reset(OpenA());  // the old handle goes, the new one stays
        EXPECT_EQ(sim::OpenKeyHandles(), 1u);
    }
    EXPECT_EQ(sim::OpenKeyHandles(), 0u);

    orvane::UniqueKey kept(OpenA());
    const HKEY raw = kept.Release();
    EXPECT_FALSE(kept.IsValid());
    EXPECT_EQ(sim::OpenKeyHandles(), 1u);
    EXPECT_EQ(RegCloseKey(raw), ERROR_SUCCESS);

    {
        orvane::UniqueKey received;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, KEY_READ, received.Receive()), ERROR_SUCCESS);
        EXPECT_EQ(sim::OpenKeyHandles(), 1u);
    }
    {
        orvane::UniqueHeap heap(HeapCreate(0, 0, 0));
        EXPECT_EQ(sim::LiveHeaps(), 1u);
        orvane::UniqueModule module(LoadLibraryA("DHCPCSVC.DLL"));
        EXPECT_EQ(sim::LoadCount("DHCPCSVC.DLL"), 1);
    }
    // TearDown: no key, heap or module left.
}

// ---- Run-time lookup ------------------------------------------------------------------

TEST_F(SharedHelpers, RuntimeLookupFindsAllOrSaysSoAndReleasesTheLibrary) {
    struct Case {
        const char* what;
        void (*prepare)();
        bool loaded, found;
    } cases[] = {
        {"present", [] {}, true, true},
        {"function missing", [] { sim::RemoveFunction("DHCPCSVC.DLL", "DhcpNotifyConfigChange"); }, true, false},
        {"library missing", [] { sim::RemoveModule("DHCPCSVC.DLL"); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        c.prepare();
        {
            orvane::RuntimeLibrary client("dhcpcsvc");
            ORVANE_RUNTIME_FUNCTION_IN(dhcpcsvc, DhcpNotifyConfigChange);
            EXPECT_EQ(client.IsLoaded(), c.loaded);
            EXPECT_EQ(client.AllFound(), c.loaded);  // nothing asked for yet
            EXPECT_EQ(sim::LoadCount("DHCPCSVC.DLL"), c.loaded ? 1 : 0);
            EXPECT_EQ(client.Find(DhcpNotifyConfigChange), c.found);
            EXPECT_EQ(client.AllFound(), c.found);
            EXPECT_EQ(DhcpNotifyConfigChange.Found(), c.found);
            EXPECT_STREQ(DhcpNotifyConfigChange.Name(), "DhcpNotifyConfigChange");
            if (c.found) {
                // Called like the platform function, typed by its declaration.
                WCHAR adapter[] = {u'E', u'1', 0};
                EXPECT_EQ(DhcpNotifyConfigChange(nullptr, adapter, TRUE, 0, 0x0100000A, 0xFF, 0), 0u);
                ASSERT_EQ(sim::DhcpNotifications().size(), 1u);
                EXPECT_EQ(sim::DhcpNotifications()[0].adapter, "E1");
                EXPECT_EQ(sim::DhcpNotifications()[0].ipAddress, 0x0100000Au);
            }
        }
        EXPECT_EQ(sim::TotalLoadCount(), 0);
    }
}

// A miss among several lookups leaves only that one null, and the library's
// flag stays down for good: the all-or-nothing "loaded" of a class.
TEST_F(SharedHelpers, OneMissingFunctionAmongSeveralSpoilsTheFlagButNotTheOthers) {
    orvane::RuntimeLibrary client("DHCPCSVC.DLL");
    ORVANE_RUNTIME_FUNCTION_IN(dhcpcsvc, DhcpNotifyConfigChange);
    orvane::RuntimeFunction<decltype(&dhcpcsvc::DhcpNotifyConfigChange)> missing("DhcpNoSuchFunction");
    orvane::RuntimeFunction<decltype(&dhcpcsvc::DhcpNotifyConfigChange)> again("DhcpNotifyConfigChange");
    EXPECT_FALSE(client.Find(missing, DhcpNotifyConfigChange));
    EXPECT_FALSE(missing.Found());
    EXPECT_TRUE(DhcpNotifyConfigChange.Found());
    EXPECT_TRUE(client.Find(again));
    EXPECT_FALSE(client.AllFound());
}

// ---- Fixed fields -----------------------------------------------------------------------

TEST(FieldText, WholeCutAndAppendNeverPassTheField) {
    char field[6];
    std::memset(field, 'z', sizeof field);
    EXPECT_TRUE(field_text::StoreWhole(field, "12345"));
    EXPECT_STREQ(field, "12345");
    EXPECT_FALSE(field_text::StoreWhole(field, "123456"));
    EXPECT_STREQ(field, "12345");  // left as it was
    field_text::StoreCut(field, "abcdefgh");
    EXPECT_STREQ(field, "abcde");
    field_text::StoreCut(field, "ab");
    field_text::AppendCut(field, "cd");
    EXPECT_STREQ(field, "abcd");
    field_text::AppendCut(field, "efgh");
    EXPECT_STREQ(field, "abcde");
    field_text::AppendCut(field, "x");
    EXPECT_STREQ(field, "abcde");

    EXPECT_TRUE(field_text::HasPrefix("MSTCP\\0000", "MSTCP\\"));
    EXPECT_FALSE(field_text::HasPrefix("MSTCP\\", "MSTCP\\"));
    EXPECT_FALSE(field_text::HasPrefix("mstcp\\0000", "MSTCP\\"));
}

TEST(FieldText, SlotListsCountJoinAndList) {
    char slots[4][8] = {"a", "bb", "", "d"};
    EXPECT_EQ(field_text::CountSlots(slots), 2u);
    EXPECT_EQ(field_text::JoinSlots(slots, ','), "a,bb");
    EXPECT_EQ(field_text::JoinSlots(slots, 4, ' '), "a bb  d");  // a count of the caller's
    EXPECT_EQ(field_text::JoinSlots(slots, 0, ','), "");
    EXPECT_EQ(field_text::ListSlots(slots, 2), (std::vector<std::string>{"a", "bb"}));
    char full[2][4] = {"x", "y"};
    EXPECT_EQ(field_text::CountSlots(full), 2u);

    char stored[3][4] = {"old", "old", "old"};
    field_text::StoreSlots(stored, {"1", "12345", ""});
    EXPECT_STREQ(stored[0], "1");
    EXPECT_STREQ(stored[1], "");  // too long: emptied, not cut
    EXPECT_STREQ(stored[2], "");
}

// The two splitters take the same items; they differ only in what an item
// too long for its slot becomes.
TEST(FieldText, SplittersAgreeOnItemsAndDifferOnlyOnLongOnes) {
    struct Case {
        std::string text;
        char separator;
        DWORD taken;
        std::vector<std::string> emptied, cut;
    } cases[] = {
        {"", ',', 0, {}, {}},
        {",", ',', 1, {""}, {""}},
        {",a", ',', 2, {"", "a"}, {"", "a"}},
        {"a  b ", ' ', 3, {"a", "", "b"}, {"a", "", "b"}},
        {"a,b c", ' ', 2, {"a,b", "c"}, {"a,b", "c"}},
        {"a,,b", ',', 3, {"a", "", "b"}, {"a", "", "b"}},
        {"a,b,", ',', 2, {"a", "b"}, {"a", "b"}},
        {"a, b", ',', 2, {"a", " b"}, {"a", " b"}},
        {"a b", ' ', 2, {"a", "b"}, {"a", "b"}},
        {"a b", ',', 1, {"a b"}, {"a b"}},
        {"1234,5", ',', 2, {"", "5"}, {"123", "5"}},
        {"1,2,3,4,5", ',', 3, {"1", "2", "3"}, {"1", "2", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char emptied[3][4] = {"old", "old", "old"};
        char cut[3][4] = {"old", "old", "old"};
        EXPECT_EQ(field_text::SplitListEmptyingLongItems(c.text, c.separator, emptied), c.taken);
        EXPECT_EQ(field_text::SplitListCuttingLongItems(c.text, c.separator, cut), c.taken);
        for (size_t k = 0; k < 3; ++k) {
            const std::string untouched = "old";
            EXPECT_EQ(emptied[k], k < c.emptied.size() ? c.emptied[k] : untouched) << k;
            EXPECT_EQ(cut[k], k < c.cut.size() ? c.cut[k] : untouched) << k;
        }
    }
}

// ---- Windows 95/98 WINS switch ---------------------------------------------------------

// Whatever state the values are in, switching one way makes the detection
// read that way back, for the machine's key and for an adapter's key alike.
TEST(Win9xWins, SwitchAndDetectionAgreeForTheMachineAndAnAdapter) {
    const char* kAdapter = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";
    const std::vector<std::string> seeds = {
        "",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]\n\"ScopeID\"=\"s\"\n"
        "\"NameServer1\"=\"1.1.1.1\"\n\"NodeType\"=\"8\"\n\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000]\n"
        "\"NameServer2\"=\"2.2.2.2\"\n\"NodeType\"=\"8\"\n\n",
    };
    for (const std::string& seed : seeds) {
        for (const char* key : {reg_paths::kMstcp, kAdapter}) {
            SCOPED_TRACE(std::string(key) + (seed.empty() ? " empty" : " seeded"));
            sim::Reset();
            ASSERT_TRUE(sim::ImportReg("REGEDIT4\n\n" + seed).ok);
            CRegistry reg(HKEY_LOCAL_MACHINE);
            win9x_wins::Switch(reg, key, true);
            EXPECT_TRUE(win9x_wins::FromDhcp(reg, key));
            win9x_wins::Switch(reg, key, false);
            EXPECT_FALSE(win9x_wins::FromDhcp(reg, key));
            std::string text;
            EXPECT_TRUE(reg.GetString(reg_paths::kMstcp, "ScopeID", text));
            EXPECT_EQ(text, "");  // a scope that had gone comes back empty
            EXPECT_TRUE(reg.GetString(key, "NodeType", text));
            EXPECT_EQ(text, "1");
        }
    }
}

TEST(Win9xWins, AnyOneValueMeansManualWins) {
    const char* kAdapter = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0000";
    for (const char* checked : {kAdapter, reg_paths::kMstcp}) {
        for (const char* name : {"ScopeID", "NameServer1", "NameServer2", "NodeType"}) {
            SCOPED_TRACE(std::string(checked) + " " + name);
            sim::Reset();
            CRegistry reg(HKEY_LOCAL_MACHINE);
            EXPECT_TRUE(win9x_wins::FromDhcp(reg, checked));
            // The scope is the machine's, whichever key is asked about.
            ASSERT_TRUE(reg.SetString(std::string(name) == "ScopeID" ? reg_paths::kMstcp : checked, name, ""));
            EXPECT_FALSE(win9x_wins::FromDhcp(reg, checked));
        }
    }
    // The adapter's values do not count for the machine, nor the machine's for an adapter.
    sim::Reset();
    CRegistry reg(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.SetString(kAdapter, "NodeType", "8"));
    EXPECT_TRUE(win9x_wins::FromDhcp(reg, reg_paths::kMstcp));
    ASSERT_TRUE(reg.SetString(reg_paths::kMstcp, "NodeType", "8"));
    EXPECT_TRUE(win9x_wins::FromDhcp(reg, "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0001"));
}

}  // namespace
