// The typed reads behind the simulated LSA, network API, services and
// shares: each value type and data form, as the simulated platform stored it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MachineRegistry.h"
#include "SecurityTestMachine.h"
#include "SidText.h"
#include "sim/control.h"

namespace {

constexpr char kKey[] = "SOFTWARE\\OrvaneSim\\ReadTest";

struct Case {
    const char* what;
    DWORD type;
    std::string data;
    bool text;  // ReadText answers, with `textValue`
    std::string textValue;
    bool dword;
    DWORD dwordValue;
    bool multi;
    std::vector<std::string> multiValue;
};

TEST(SimMachineReg, EachTypeReadsAsItsOwnKindOnly) {
    const std::string longText(2000, 'x');  // more than a read on the stack takes at once
    std::string longList;
    for (int i = 0; i < 100; ++i) longList += "entry" + std::to_string(i) + std::string(1, '\0');
    longList += '\0';
    std::vector<std::string> longEntries;
    for (int i = 0; i < 100; ++i) longEntries.push_back("entry" + std::to_string(i));
    const Case cases[] = {
        {"text cut at its terminator", REG_SZ, std::string("abc\0junk", 8), true, "abc", false, 0, false, {}},
        {"expandable text", REG_EXPAND_SZ, std::string("%x%\0", 4), true, "%x%", false, 0, false, {}},
        {"empty text", REG_SZ, "", true, "", false, 0, false, {}},
        {"long text", REG_SZ, longText + '\0', true, longText, false, 0, false, {}},
        {"binary is no text", REG_BINARY, "ab", false, "", false, 0, false, {}},
        {"DWORD", REG_DWORD, std::string("\x01\x02\x03\x04", 4), false, "", true, 0x04030201, false, {}},
        {"DWORD of three bytes", REG_DWORD, std::string("\x01\x02\x03", 3), false, "", false, 0, false, {}},
        {"list ends at its empty string", REG_MULTI_SZ, std::string("a\0b\0\0c\0\0", 8), false, "", false, 0, true,
         {"a", "b"}},
        {"list without its last terminator", REG_MULTI_SZ, std::string("a\0bc", 4), false, "", false, 0, true,
         {"a", "bc"}},
        {"long list", REG_MULTI_SZ, longList, false, "", false, 0, true, longEntries},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "v", 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        std::string text = "unchanged";
        DWORD dword = 0;
        std::vector<std::string> multi;
        EXPECT_EQ(machinereg::ReadText(kKey, "v", &text), c.text);
        EXPECT_EQ(machinereg::ReadDword(kKey, "v", &dword), c.dword);
        EXPECT_EQ(machinereg::ReadMultiText(kKey, "v", &multi), c.multi);
        // A refused read leaves its output alone.
        EXPECT_EQ(text, c.text ? c.textValue : "unchanged");
        EXPECT_EQ(dword, c.dwordValue);
        EXPECT_EQ(multi, c.multiValue);
        EXPECT_FALSE(machinereg::ReadText(kKey, "missing", &text));
    }
}

TEST(SimMachineReg, SidTextsHoldOneToFifteenSubAuthorities) {
    std::string text = "S-1-5";
    std::vector<BYTE> sid;
    for (int parts = 1; parts <= 16; ++parts) {
        text += "-" + std::to_string(parts);
        SCOPED_TRACE(text);
        sid.clear();
        EXPECT_EQ(sidtext::Parse(text, &sid), parts <= 15);
        EXPECT_EQ(sidtext::Format(sid.data(), sid.size()), parts <= 15 ? text : "");
    }
}


// A controller entry without its domain's SID is not a controller: a call
// to its server finds the next entry of that name.
TEST(SimMachineReg, AServerIsFoundPastAnIncompleteControllerOfItsName) {
    LoadDomainMachine(sim::Platform::NT4);
    HKEY broken = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrvaneSim\\DomainControllers\\BROKEN", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &broken, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(broken, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("CORPDC"), 7), ERROR_SUCCESS);
    RegCloseKey(broken);
    ASSERT_EQ(machinereg::Subkeys("SOFTWARE\\OrvaneSim\\DomainControllers").front(), "BROKEN");
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetUserModalsGet(WTEXT("\\\\CORPDC"), 2, &buffer), NERR_Success);
    const auto* info = reinterpret_cast<const USER_MODALS_INFO_2*>(buffer);
    EXPECT_EQ(wide::Narrow(info->usrmod2_domain_name), "CORP");
    std::vector<BYTE> corp;
    ASSERT_TRUE(sidtext::Parse(kCorpSid, &corp));
    ASSERT_NE(info->usrmod2_domain_id, nullptr);
    EXPECT_EQ(std::vector<BYTE>(static_cast<const BYTE*>(info->usrmod2_domain_id),
                                static_cast<const BYTE*>(info->usrmod2_domain_id) + corp.size()),
              corp);
    NetApiBufferFree(buffer);
}
}  // namespace
