// Patches of the simulated registry hold only what changed, and importing
// one onto the state it was taken from gives the new state exactly, order
// included, in every platform mode.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "SimRegistry.h"
#include "TestMachines.h"
#include "sim/control.h"

namespace {

const sim::Platform kModes[] = {sim::Platform::Win98, sim::Platform::NT4, sim::Platform::Win2000};

struct KeyPath {
    HKEY root;
    std::string path;  // below the root
};

// Every key but the roots, from the export's key lines.
std::vector<KeyPath> AllKeys() {
    static const struct {
        const char* name;
        HKEY handle;
    } kRoots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                  {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
    std::vector<KeyPath> out;
    const std::string text = sim::ExportReg(sim::RegFormat::Regedit4);
    size_t at = 0;
    while ((at = text.find("\r\n[", at)) != std::string::npos) {
        at += 3;
        const std::string line = text.substr(at, text.find("]\r\n", at) - at);
        const size_t sep = line.find('\\');
        if (sep == std::string::npos) continue;
        for (auto& r : kRoots)
            if (line.compare(0, sep, r.name) == 0) out.push_back({r.handle, line.substr(sep + 1)});
    }
    return out;
}

// Deletes a key with its subkeys the way NT allows: bottom up.
void DeleteTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path;
    char name[300];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) DeleteTree(key, name);
    RegCloseKey(key);
    ASSERT_EQ(RegDeleteKeyA(root, path.c_str()), ERROR_SUCCESS) << path;
}

using simreg::Set;

// One random edit of the kinds a program makes: values set, changed,
// deleted or deleted and set again; keys created (nested), deleted, or
// deleted and created again, possibly spelt otherwise.
void RandomEdit(std::mt19937& random, int step) {
    const std::vector<KeyPath> keys = AllKeys();
    ASSERT_FALSE(keys.empty());
    const KeyPath& k = keys[random() % keys.size()];
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(k.root, k.path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const std::vector<std::string> values = simreg::Values(key);
    RegCloseKey(key);
    const std::string tag = std::to_string(step);
    const bool deep = k.path.find('\\') != std::string::npos;  // never a top-level key
    switch (random() % 8) {
        case 0: Set(k.root, k.path, "New" + tag, REG_SZ, "v" + tag + '\0'); break;
        case 1:
            if (!values.empty())
                Set(k.root, k.path, values[random() % values.size()], REG_DWORD, std::string("\1\2\3", 4));
            break;
        case 2:
            if (!values.empty()) simreg::DeleteValue(k.root, k.path, values[random() % values.size()]);
            break;
        case 3:
            if (!values.empty()) {
                const std::string name = values[random() % values.size()];
                simreg::DeleteValue(k.root, k.path, name);
                Set(k.root, k.path, name, REG_BINARY, "moved");
            }
            break;
        case 4: Set(k.root, k.path + "\\Made" + tag + "\\Inner", "", REG_SZ, std::string("x\0", 2)); break;
        case 5:
            if (deep) DeleteTree(k.root, k.path);
            break;
        case 6:
        case 7:
            if (deep) {
                DeleteTree(k.root, k.path);
                std::string again = k.path;
                const size_t last = again.rfind('\\') + 1;
                // Spelt otherwise on case 7: the same key to Windows, another line to the patch.
                if (random() % 8 == 7 && last < again.size())
                    again[last] = static_cast<char>(again[last] ^ 0x20);
                Set(k.root, again, "Again", REG_SZ, std::string("y\0", 2));
            }
            break;
    }
}

// Loads `text` onto a fresh machine of the mode, applies `patch` and
// returns the export.
std::string Apply(sim::Platform mode, const std::string& text, const std::string& patch, sim::RegFormat format) {
    sim::Reset();
    sim::SetPlatform(mode);
    const auto base = sim::ImportReg(text);
    EXPECT_TRUE(base.ok) << base.line << ": " << base.error;
    const auto r = sim::ImportReg(patch);
    EXPECT_TRUE(r.ok) << r.line << ": " << r.error << "\n" << patch;
    return sim::ExportReg(format);
}

// The patch from `before` to the registry as it is now takes the old state
// to the new one, and the undo patch takes it back, compared by full export.
void ExpectPatchesBothWays(sim::Platform mode, const std::string& beforeText, const sim::RegSnapshot& before,
                           sim::RegFormat format) {
    const std::string afterText = sim::ExportReg(format);
    const sim::RegSnapshot after = sim::TakeSnapshot();
    const std::string forward = sim::DiffReg(before, after, format);
    EXPECT_EQ(sim::DiffReg(before, format), forward);
    EXPECT_EQ(Apply(mode, beforeText, forward, format), afterText);
    EXPECT_EQ(Apply(mode, afterText, sim::DiffReg(after, before, format), format), beforeText);
}

std::vector<TestMachine> Samples() {
    std::vector<TestMachine> out;
    for (auto& m : AllTestMachines())
        if (!m.file.empty()) out.push_back(m);
    return out;
}

// A new value, a changed one, a value of a new key: exactly its line under
// its key, whatever else the key holds; a value set to what it holds
// already: nothing at all.
TEST(SimRegPatch, SettingOneValueWritesThatLineOnly) {
    struct Case {
        const char* key;  // below HKLM, holding several values on every sample
        const char* name;
        const char* data;
        const char* line;  // null: no change
    };
    const Case cases[] = {
        {"Orvane\\Six", "Seventh", "7", "\"Seventh\"=\"7\""},
        {"Orvane\\Six", "Third", "7", "\"Third\"=\"7\""},
        {"Orvane\\Six", "third", "7", "\"Third\"=\"7\""},  // the value keeps its spelling
        {"Orvane\\Six\\Fresh", "", "7", "@=\"7\""},
        {"Orvane\\Six", "Third", "3", nullptr},
    };
    const char kSeed[] =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Orvane\\Six]\r\n\"First\"=\"1\"\r\n\"Second\"=\"2\"\r\n"
        "\"Third\"=\"3\"\r\n\"Fourth\"=\"4\"\r\n\"Fifth\"=\"5\"\r\n\"Sixth\"=\"6\"\r\n\r\n";
    for (const TestMachine& m : Samples()) {
        for (sim::Platform mode : kModes) {
            for (const Case& c : cases) {
                SCOPED_TRACE(m.name + " " + sim::PlatformName(mode) + " " + c.key + " " + c.name + " " + c.data);
                sim::Reset();
                sim::SetPlatform(mode);
                ASSERT_TRUE(sim::ImportRegFile(m.file).ok);
                ASSERT_TRUE(sim::ImportReg(kSeed).ok);
                const sim::RegSnapshot before = sim::TakeSnapshot();
                Set(HKEY_LOCAL_MACHINE, c.key, c.name, REG_SZ, std::string(c.data) + '\0');
                const std::string change =
                    c.line ? std::string("[HKEY_LOCAL_MACHINE\\") + c.key + "]\r\n" + c.line + "\r\n\r\n" : "";
                EXPECT_EQ(sim::DiffReg(before, sim::RegFormat::Regedit4), "REGEDIT4\r\n\r\n" + change);
            }
        }
    }
}

// Random edit sequences on every sample in every mode: the patch takes the
// old state to the new one and the undo patch takes it back, compared by
// full export.
TEST(SimRegPatch, RandomEditsRoundTripBothWays) {
    for (const TestMachine& m : Samples()) {
        for (sim::Platform mode : kModes) {
            for (unsigned seed : {1u, 2u, 3u}) {
                SCOPED_TRACE(m.name + " " + sim::PlatformName(mode) + " seed " + std::to_string(seed));
                sim::Reset();
                sim::SetPlatform(mode);
                const auto loaded = sim::ImportRegFile(m.file);
                ASSERT_TRUE(loaded.ok);
                const sim::RegFormat format = loaded.format;
                const std::string beforeText = sim::ExportReg(format);
                const sim::RegSnapshot before = sim::TakeSnapshot();
                std::mt19937 random(seed);
                for (int step = 0; step < 30; ++step) {
                    RandomEdit(random, step);
                    if (HasFatalFailure()) return;
                }
                ExpectPatchesBothWays(mode, beforeText, before, format);
            }
        }
    }
}

// Hand-made moves, including NT modes on keys a file listed out of NT's
// order (loaded before the mode was set), where the order of the patch's
// lines decides where a written key lands.
TEST(SimRegPatch, MovedKeysAndValuesLandWhereTheyWere) {
    struct Case {
        const char* what;
        sim::Platform mode;
        const char* base;  // REGEDIT4 body, loaded in Windows 98 mode
        std::function<void()> change;
    };
    auto del = [](const char* path) { DeleteTree(HKEY_LOCAL_MACHINE, path); };
    auto make = [](const char* path) { Set(HKEY_LOCAL_MACHINE, path, "v", REG_SZ, std::string("1\0", 2)); };
    const Case cases[] = {
        {"98: a key restored in the middle moves its later siblings", sim::Platform::Win98,
         "[HKEY_LOCAL_MACHINE\\T\\a]\r\n[HKEY_LOCAL_MACHINE\\T\\c]\r\n\"w\"=\"2\"\r\n[HKEY_LOCAL_MACHINE\\T\\c\\d]\r\n",
         [&] {
             del("T\\a");
             del("T\\c");
             make("T\\a");
             make("T\\b");
             make("T\\c");
         }},
        {"98: a re-created key goes last", sim::Platform::Win98,
         "[HKEY_LOCAL_MACHINE\\T\\a]\r\n[HKEY_LOCAL_MACHINE\\T\\b]\r\n",
         [&] {
             del("T\\a");
             make("T\\a");
         }},
        {"NT: a key created before its later sibling was deleted", sim::Platform::NT4,
         "[HKEY_LOCAL_MACHINE\\T\\Z]\r\n[HKEY_LOCAL_MACHINE\\T\\A]\r\n",
         [&] {
             make("T\\M");
             del("T\\Z");
         }},
        {"NT: keys written among others out of order", sim::Platform::Win2000,
         "[HKEY_LOCAL_MACHINE\\T\\q]\r\n[HKEY_LOCAL_MACHINE\\T\\b]\r\n[HKEY_LOCAL_MACHINE\\T\\x]\r\n",
         [&] {
             make("T\\c");
             make("T\\r");
             make("T\\_u");
         }},
        {"NT: values re-created keep creation order", sim::Platform::NT4,
         "[HKEY_LOCAL_MACHINE\\T]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\"c\"=\"3\"\r\n",
         [&] {
             simreg::DeleteValue(HKEY_LOCAL_MACHINE, "T", "a");
             Set(HKEY_LOCAL_MACHINE, "T", "d", REG_SZ, std::string("4\0", 2));
             Set(HKEY_LOCAL_MACHINE, "T", "a", REG_SZ, std::string("1\0", 2));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string base = std::string("REGEDIT4\r\n\r\n") + c.base;
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg(base).ok);
        sim::SetPlatform(c.mode);
        const std::string beforeText = sim::ExportReg(sim::RegFormat::Regedit4);
        const sim::RegSnapshot before = sim::TakeSnapshot();
        c.change();
        const std::string afterText = sim::ExportReg(sim::RegFormat::Regedit4);
        const std::string patch = sim::DiffReg(before, sim::RegFormat::Regedit4);
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg(base).ok);
        sim::SetPlatform(c.mode);
        ASSERT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), beforeText);
        ASSERT_TRUE(sim::ImportReg(patch).ok) << patch;
        EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit4), afterText) << patch;
    }
}

// A UTF-16LE 5.00 patch with text outside ASCII reads back as written.
TEST(SimRegPatch, EncodedUtf16PatchImportsAsTheSameText) {
    sim::Reset();
    Set(HKEY_CURRENT_USER, "Caf\xE9\\\x80uro", "N\xE9", REG_SZ, std::string("\xC0 la \x80\0", 7));
    Set(HKEY_CURRENT_USER, "Caf\xE9\\\x80uro", "Multi", REG_MULTI_SZ, std::string("\xFF\0\x9C\0\0", 5));
    const std::string text = sim::ExportReg(sim::RegFormat::Regedit5);
    const std::string file = sim::EncodeRegText(text, sim::RegEncoding::Utf16Le);
    ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(file.size(), 2 + 2 * text.size());
    EXPECT_NE(file.find(std::string("\xAC\x20", 2)), std::string::npos);  // the euro sign as UTF-16LE
    sim::Reset();
    const auto r = sim::ImportReg(file);
    ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
    EXPECT_EQ(r.encoding, sim::RegEncoding::Utf16Le);
    EXPECT_EQ(r.format, sim::RegFormat::Regedit5);
    EXPECT_EQ(sim::ExportReg(sim::RegFormat::Regedit5), text);
    EXPECT_EQ(sim::EncodeRegText(text, sim::RegEncoding::Ansi), text);
}

}  // namespace

// A wide key (thousands of siblings, a key of thousands of values) gives a
// patch and an export of many pieces: each still imports to the state it
// describes, whether every sibling kept its place or some moved.
TEST(SimRegPatch, WideKeysPatchAndExportWhole) {
    for (sim::Platform mode : kModes) {
        for (bool moved : {false, true}) {
            SCOPED_TRACE(std::string(sim::PlatformName(mode)) + (moved ? " moved" : " in place"));
            sim::Reset();
            sim::SetPlatform(mode);
            std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Wide]\r\n";
            for (int i = 0; i < 3000; ++i) text += "\"V" + std::to_string(i) + "\"=dword:00000001\r\n";
            for (int i = 0; i < 3000; ++i)
                text += "\r\n[HKEY_LOCAL_MACHINE\\Wide\\K" + std::to_string(i) + "]\r\n\"v\"=\"one\"\r\n";
            ASSERT_TRUE(sim::ImportReg(text + "\r\n").ok);
            const std::string beforeText = sim::ExportReg(sim::RegFormat::Regedit4);
            ASSERT_GT(beforeText.size(), 200000u);
            const sim::RegSnapshot before = sim::TakeSnapshot();
            std::string edits = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Wide]\r\n";
            for (int i = 0; i < 3000; i += 2) edits += "\"V" + std::to_string(i) + "\"=dword:00000002\r\n";
            if (moved) edits += "\"V7\"=-\r\n\"V7\"=dword:00000007\r\n\r\n[-HKEY_LOCAL_MACHINE\\Wide\\K5]\r\n";
            for (int i = 0; i < 3000; i += 3)
                edits += "\r\n[HKEY_LOCAL_MACHINE\\Wide\\K" + std::to_string(i) + "]\r\n\"v\"=\"two\"\r\n";
            if (moved) edits += "\r\n[HKEY_LOCAL_MACHINE\\Wide\\New]\r\n";
            ASSERT_TRUE(sim::ImportReg(edits + "\r\n").ok);
            ExpectPatchesBothWays(mode, beforeText, before, sim::RegFormat::Regedit4);
        }
    }
}
