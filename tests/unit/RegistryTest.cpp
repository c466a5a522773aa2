#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Registry.h"
#include "sim/control.h"

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\A]\r\n\"a1\"=\"x\"\r\n\"a2\"=dword:00000002\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"b1\"=\"y\"\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\A\\B\\D]\r\n\"d1\"=hex:01\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\A\\C]\r\n\"c1\"=\"z\"\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Empty]\r\n\r\n"
                                   "[HKEY_CURRENT_CONFIG\\X]\r\n\"v\"=\"1\"\r\n\r\n")
                        .ok);
    }
    void TearDown() override {
        // Every operation closes what it opened.
        EXPECT_EQ(sim::OpenKeyHandles(), 0u);
        EXPECT_EQ(sim::LiveHeaps(), 0u);
    }
};

// Records the walk's callbacks in order.
class Recorder : public CRegistry {
public:
    explicit Recorder(HKEY root, int stopAfter = -1) : CRegistry(root), m_stopAfter(stopAfter) {}
    bool OnValue(const char* path, const char* name, CRegValue&, DWORD depth) override {
        events.push_back("V" + std::to_string(depth) + " " + path + " " + name);
        return Continue();
    }
    bool OnKey(const char* name, DWORD depth) override {
        events.push_back("K" + std::to_string(depth) + " " + name);
        return Continue();
    }
    std::vector<std::string> events;

private:
    bool Continue() { return m_stopAfter < 0 || static_cast<int>(events.size()) < m_stopAfter; }
    int m_stopAfter;
};

TEST_F(RegistryTest, TypedReadsAcceptOnlyTheirTypesAndWritesCreateTheWholePath) {
    CRegistry reg(HKEY_LOCAL_MACHINE);
    std::string s = "untouched";
    DWORD n = 99;
    EXPECT_FALSE(reg.GetString("A", "a2", s));  // a number is not a text
    EXPECT_FALSE(reg.GetDword("A", "a1", n));
    EXPECT_FALSE(reg.GetDword("A", "missing", n));
    EXPECT_FALSE(reg.GetDword("Nowhere", "a2", n));
    EXPECT_EQ(s, "untouched");
    EXPECT_EQ(n, 99u);
    BYTE b = 0;
    EXPECT_TRUE(reg.GetBinary("A\\B\\D", "d1", &b, 1));
    EXPECT_EQ(b, 1);
    EXPECT_FALSE(reg.GetBinary("A\\B\\D", "d1", &b, 4));

    const char* path = "New\\Deep\\Path";
    ASSERT_TRUE(reg.SetDword(path, "n", 0xFFFFFFFFu));
    ASSERT_TRUE(reg.SetString(path, "s", "text"));
    ASSERT_TRUE(reg.SetString(path, "", "default"));
    ASSERT_TRUE(reg.SetMultiString(path, "m", {"a", "b"}));
    ASSERT_TRUE(reg.SetMultiString(path, "e", {}));
    std::string d;
    StringList m, e{"x"};
    EXPECT_TRUE(reg.GetDword(path, "n", n));
    EXPECT_TRUE(reg.GetString(path, "s", s));
    EXPECT_TRUE(reg.GetString(path, "", d));
    EXPECT_TRUE(reg.GetMultiString(path, "m", m));
    EXPECT_TRUE(reg.GetMultiString(path, "e", e));
    EXPECT_EQ(n, 0xFFFFFFFFu);
    EXPECT_EQ(s, "text");
    EXPECT_EQ(d, "default");
    EXPECT_EQ(m, (StringList{"a", "b"}));
    EXPECT_TRUE(e.empty());
    CRegValue raw;
    ASSERT_TRUE(reg.QueryValue(path, "s", raw));
    EXPECT_EQ(raw.Type(), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.Size(), 5u);  // text and NUL
}

// Key information answers true only with content (more cases in the
// scenario reg/key_info.scn); deletes never take the root, and a tree goes
// bottom-up, which NT needs.
TEST_F(RegistryTest, DeletesAndKeyInformation) {
    for (sim::Platform p : {sim::Platform::Win98, sim::Platform::NT4}) {
        SetUp();
        sim::SetPlatform(p);
        CRegistry reg(HKEY_LOCAL_MACHINE);
        DWORD subkeys = 77, values = 77;
        EXPECT_FALSE(reg.GetKeyInfo("Missing", &subkeys, &values));
        EXPECT_EQ(subkeys, 0u);
        EXPECT_EQ(values, 0u);
        EXPECT_FALSE(reg.GetKeyInfo("Empty", &subkeys, nullptr));
        EXPECT_FALSE(reg.Delete("A\\B", "missing"));
        EXPECT_TRUE(reg.Delete("A\\B", "b1"));
        EXPECT_TRUE(reg.GetKeyInfo("A\\B", &subkeys, &values));  // a subkey and no value
        EXPECT_EQ(subkeys, 1u);
        EXPECT_EQ(values, 0u);
        EXPECT_FALSE(reg.Delete("Missing"));
        EXPECT_FALSE(reg.Delete(""));  // never the root itself
        ASSERT_TRUE(reg.Delete("A")) << sim::PlatformName(p);
        EXPECT_FALSE(sim::KeyExists("HKLM\\A"));
        EXPECT_TRUE(sim::KeyExists("HKLM\\Empty"));
    }
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseWritesAndStopATreeDelete) {
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\A\\C", sim::KeyAccess::ReadOnly));
    CRegistry reg(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.SetString("A\\C", "c1", "new"));
    EXPECT_FALSE(reg.SetString("A\\C\\New", "v", "new"));
    EXPECT_FALSE(sim::KeyExists("HKLM\\A\\C\\New"));
    std::string s;
    EXPECT_TRUE(reg.GetString("A\\C", "c1", s));
    EXPECT_EQ(s, "z");
    // What the delete reached before the read-only leaf stays gone.
    sim::SetPlatform(sim::Platform::NT4);
    EXPECT_FALSE(reg.Delete("A"));
    EXPECT_FALSE(sim::KeyExists("HKLM\\A\\B"));
    EXPECT_TRUE(sim::KeyExists("HKLM\\A\\C"));
}

// Depth first, pre-order, values before subkeys (the order itself is also
// in the scenario reg/walk_order.scn).
TEST_F(RegistryTest, WalkReportsWhatItsFlagsAskForAndStopsWhenTold) {
    const std::vector<std::string> all = {"V0 A a1", "V0 A a2", "K0 B",         "V1 A\\B b1",
                                          "K1 D",    "V2 A\\B\\D d1", "K0 C", "V1 A\\C c1"};
    struct Case {
        const char* what;
        HKEY root;
        const char* start;
        DWORD flags;
        int stopAfter;
        const char* denied;
        bool result;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"everything", HKEY_LOCAL_MACHINE, "A", RegWalkValues | RegWalkKeys, -1, nullptr, true, all},
        {"keys only", HKEY_LOCAL_MACHINE, "A", RegWalkKeys, -1, nullptr, true, {"K0 B", "K1 D", "K0 C"}},
        {"values only", HKEY_LOCAL_MACHINE, "A", RegWalkValues, -1, nullptr, true,
         {"V0 A a1", "V0 A a2", "V1 A\\B b1", "V2 A\\B\\D d1", "V1 A\\C c1"}},
        {"stopped three levels down", HKEY_LOCAL_MACHINE, "A", RegWalkValues | RegWalkKeys, 6, nullptr, false,
         std::vector<std::string>(all.begin(), all.begin() + 6)},
        {"stopped at a key", HKEY_LOCAL_MACHINE, "A", RegWalkKeys, 1, nullptr, false, {"K0 B"}},
        {"denied key announced, not entered", HKEY_LOCAL_MACHINE, "A", RegWalkValues | RegWalkKeys, -1, "HKLM\\A\\B",
         true, {"V0 A a1", "V0 A a2", "K0 B", "K0 C", "V1 A\\C c1"}},
        {"missing start", HKEY_LOCAL_MACHINE, "Missing", RegWalkValues, -1, nullptr, false, {}},
        {"from a root", HKEY_CURRENT_CONFIG, nullptr, RegWalkValues | RegWalkKeys, -1, nullptr, true,
         {"K0 X", "V1 X v"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.denied) {
            ASSERT_TRUE(sim::SetKeyAccess(c.denied, sim::KeyAccess::Denied));
        }
        Recorder r(c.root, c.stopAfter);
        EXPECT_EQ(r.Walk(c.start, c.flags), c.result);
        EXPECT_EQ(r.events, c.events);
    }
    // Without flags every subkey is still entered; the base class refuses
    // every callback.
    Recorder none(HKEY_LOCAL_MACHINE);
    const size_t opensBefore = sim::KeyOpenCount();
    ASSERT_TRUE(none.Walk("A", 0));
    EXPECT_EQ(sim::KeyOpenCount() - opensBefore, 4u);  // A, B, D and C
    CRegistry plain(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(plain.Walk("A", RegWalkValues));
    EXPECT_FALSE(plain.Walk("A", RegWalkKeys));
}

// The deepest tree Windows allows, walked to its bottom value with the
// right paths and depths; the walk keeps its keys on a stack of its own,
// so the depth costs it no recursion.
TEST_F(RegistryTest, WalkReachesTheBottomOfATree512LevelsDeep) {
    std::string path = "Deep";
    for (int level = 2; level <= 512; ++level) path += "\\k";
    ASSERT_TRUE(CRegistry(HKEY_LOCAL_MACHINE).SetString(path.c_str(), "Class", "Net"));
    Recorder r(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(r.Walk("Deep", RegWalkValues | RegWalkKeys));
    ASSERT_EQ(r.events.size(), 512u);  // 511 keys below Deep, then the value
    EXPECT_EQ(r.events[510], "K510 k");
    EXPECT_EQ(r.events.back(), "V511 " + path + " Class");
    EXPECT_FALSE(CRegistry(HKEY_LOCAL_MACHINE).SetString((path + "\\one-too-many").c_str(), "x", "y"));
    EXPECT_TRUE(CRegistry(HKEY_LOCAL_MACHINE).Delete("Deep"));
}

struct Seen {
    std::vector<std::string> names;
    std::string stopAt;
};

bool Collect(void* context, const char* path, const char* name, CRegValue& value) {
    auto* seen = static_cast<Seen*>(context);
    std::string text;
    value.GetString(text);
    seen->names.push_back(std::string(path) + "\\" + name + "=" + text);
    return seen->stopAt != name;
}

TEST_F(RegistryTest, WalkerForwardsValuesToItsHandler) {
    CRegWalker walker(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(walker.Walk("A", RegWalkValues | RegWalkKeys));  // no handler: walks everything
    Seen seen, stopping;
    walker.SetHandler(&Collect, &seen);
    ASSERT_TRUE(walker.Walk("A", RegWalkValues | RegWalkKeys));
    EXPECT_EQ(seen.names, (std::vector<std::string>{"A\\a1=x", "A\\a2=", "A\\B\\b1=y", "A\\B\\D\\d1=", "A\\C\\c1=z"}));
    stopping.stopAt = "b1";
    walker.SetHandler(&Collect, &stopping);
    EXPECT_FALSE(walker.Walk("A", RegWalkValues | RegWalkKeys));
    EXPECT_EQ(stopping.names.size(), 3u);
}

// The key a walk starts at without a subkey is the caller's: the walk borrows
// it and leaves it open (Windows must never be asked to close a predefined
// root either). Bound to an opened key, the sim's handle count shows it.
TEST_F(RegistryTest, WalkAtTheBoundKeyLeavesThatKeyOpen) {
    HKEY a = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &a), ERROR_SUCCESS);
    Recorder r(a);
    ASSERT_TRUE(r.Walk(nullptr, RegWalkValues));
    EXPECT_EQ(r.events, (std::vector<std::string>{"V0  a1", "V0  a2", "V1 B b1", "V2 B\\D d1", "V1 C c1"}));
    EXPECT_EQ(sim::OpenKeyHandles(), 1u);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKeyA(a, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS);
}

}  // namespace
