// The simulated registry keeps the machine's order: values in creation
// order, new subkeys where the platform mode puts them, nothing existing
// ever moved. Checked through the Reg* functions against a plain model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "SimRegistry.h"
#include "sim/control.h"

namespace {

using simreg::Subkeys;
using simreg::Values;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool SameName(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// What NT does with a new subkey: before the first sibling that sorts
// after it, names compared upper-cased.
void InsertAsNt(std::vector<std::string>& keys, const std::string& name) {
    auto it = std::find_if(keys.begin(), keys.end(), [&](const std::string& k) { return Upper(k) > Upper(name); });
    keys.insert(it, name);
}

HKEY Open(const std::string& path) { return simreg::Create(HKEY_LOCAL_MACHINE, path); }

TEST(SimRegistryOrder, NewSubkeysGoWhereThePlatformModePutsThem) {
    struct Case {
        sim::Platform platform;
        std::vector<std::string> expected;
    };
    // A file lists "b", "_x", "A" (not in NT's order); "B1" comes later.
    const Case cases[] = {
        {sim::Platform::Win98, {"b", "_x", "A", "B1"}},
        {sim::Platform::NT4, {"b", "B1", "_x", "A"}},
        {sim::Platform::Win2000, {"b", "B1", "_x", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(sim::PlatformName(c.platform));
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[HKLM\\T\\b]\r\n[HKLM\\T\\_x]\r\n[HKLM\\T\\A]\r\n").ok);
        sim::SetPlatform(c.platform);
        RegCloseKey(Open("T\\B1"));
        // An import naming existing keys in another order moves none of them.
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n[HKLM\\T\\A]\r\n\"v\"=\"1\"\r\n[HKLM\\T\\B]\r\n\"w\"=\"1\"\r\n").ok);
        HKEY t = Open("T");
        EXPECT_EQ(Subkeys(t), c.expected);
        RegCloseKey(t);
    }
}

// Random creations and deletions of subkeys and values, in numbers that
// span many of the lists' blocks, agree with the model after every step:
// order, counts and the longest name and data. The last run switches from
// Windows 98 to NT half way, so NT places keys among siblings in no order.
TEST(SimRegistryOrder, RandomEditsKeepTheModelsOrder) {
    struct Run {
        sim::Platform first, then;
    };
    for (const Run& run : {Run{sim::Platform::Win98, sim::Platform::Win98}, Run{sim::Platform::NT4, sim::Platform::NT4},
                           Run{sim::Platform::Win98, sim::Platform::NT4}}) {
        SCOPED_TRACE(std::string(sim::PlatformName(run.first)) + " then " + sim::PlatformName(run.then));
        sim::Reset();
        sim::SetPlatform(run.first);
        std::mt19937 random(7);
        std::vector<std::string> keys, values;
        std::vector<size_t> sizes;  // data size of each value, as stored (with its NUL)
        HKEY t = Open("T");
        auto find = [](std::vector<std::string>& list, const std::string& name) {
            return std::find_if(list.begin(), list.end(), [&](const std::string& s) { return SameName(s, name); });
        };
        for (int step = 0; step < 3000; ++step) {
            if (step == 1500) sim::SetPlatform(run.then);
            const sim::Platform platform = sim::GetPlatform();
            const std::string name = "n" + std::to_string(random() % 1200) + (random() % 2 ? "_" : "Q");
            const int what = static_cast<int>(random() % 4);
            if (what == 0) {
                HKEY k = nullptr;
                ASSERT_EQ(RegCreateKeyExA(t, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                          ERROR_SUCCESS);
                RegCloseKey(k);
                if (find(keys, name) == keys.end()) {
                    if (platform == sim::Platform::Win98) keys.push_back(name);
                    else InsertAsNt(keys, name);
                }
            } else if (what == 1) {
                auto it = find(keys, name);
                EXPECT_EQ(RegDeleteKeyA(t, name.c_str()), it == keys.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
                if (it != keys.end()) keys.erase(it);
            } else if (what == 2) {
                const std::string data(random() % 40, 'd');
                ASSERT_EQ(RegSetValueExA(t, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                         static_cast<DWORD>(data.size() + 1)),
                          ERROR_SUCCESS);
                auto it = find(values, name);
                if (it == values.end()) {
                    values.push_back(name);
                    sizes.push_back(data.size() + 1);
                } else {
                    sizes[static_cast<size_t>(it - values.begin())] = data.size() + 1;
                }
            } else {
                auto it = find(values, name);
                EXPECT_EQ(RegDeleteValueA(t, name.c_str()), it == values.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
                if (it != values.end()) {
                    sizes.erase(sizes.begin() + (it - values.begin()));
                    values.erase(it);
                }
            }
            if (step % 100 != 99) continue;
            ASSERT_EQ(Subkeys(t), keys) << "step " << step;
            ASSERT_EQ(Values(t), values) << "step " << step;
            DWORD subkeys = 0, longestKey = 0, count = 0, longestValue = 0, largest = 0;
            ASSERT_EQ(RegQueryInfoKeyA(t, nullptr, nullptr, nullptr, &subkeys, &longestKey, nullptr, &count,
                                       &longestValue, &largest, nullptr, nullptr),
                      ERROR_SUCCESS);
            auto longest = [](const std::vector<std::string>& names) {
                size_t n = 0;
                for (auto& s : names) n = std::max(n, s.size());
                return n;
            };
            EXPECT_EQ(subkeys, keys.size());
            EXPECT_EQ(longestKey, longest(keys));
            EXPECT_EQ(count, values.size());
            EXPECT_EQ(longestValue, longest(values));
            EXPECT_EQ(largest, 2 * (sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end())));
        }
        RegCloseKey(t);
    }
}


// A long list emptied from its front: its first blocks empty one after the
// other, and what follows must still be found, replaced and removed.
TEST(SimRegistryOrder, AListEmptiedFromItsFrontKeepsTheRest) {
    for (sim::Platform platform : {sim::Platform::Win98, sim::Platform::NT4}) {
        SCOPED_TRACE(sim::PlatformName(platform));
        sim::Reset();
        sim::SetPlatform(platform);
        HKEY t = Open("T");
        std::vector<std::string> names;  // in creation and in sorted order alike
        for (int i = 0; i < 400; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "k%03d", i);
            names.push_back(name);
            RegCloseKey(Open(std::string("T\\") + name));
            ASSERT_EQ(RegSetValueExA(t, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2), ERROR_SUCCESS);
        }
        while (!names.empty()) {
            ASSERT_EQ(RegDeleteKeyA(t, names.front().c_str()), ERROR_SUCCESS);
            ASSERT_EQ(RegDeleteValueA(t, names.front().c_str()), ERROR_SUCCESS);
            names.erase(names.begin());
            if (names.size() % 50 != 0) continue;
            if (!names.empty()) {  // a new value of the same name takes the old one's place
                ASSERT_EQ(RegSetValueExA(t, names.back().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("bb"), 3),
                          ERROR_SUCCESS);
            }
            ASSERT_EQ(Subkeys(t), names);
            ASSERT_EQ(Values(t), names);
        }
        RegCloseKey(t);
    }
}
}  // namespace
