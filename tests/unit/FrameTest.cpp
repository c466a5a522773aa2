#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "ExportCatalog.h"
#include "Library.h"
#include "Orvane.h"
#include "sim/control.h"
#include "SimModule.h"

namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ResetLibrary();
    }
    void TearDown() override { ResetLibrary(); }

    // Ends whatever a test left attached, as an unload would.
    static void ResetLibrary() {
        while (g_library.announcedThreads > 0) DllMain(nullptr, DLL_THREAD_DETACH, nullptr);
        while (g_library.attachCount > 0) DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    }
    static bool AllObjects() {
        return g_library.adapters && g_library.tcpip && g_library.identity && g_library.protocols;
    }
    static bool NoObjects() {
        return !g_library.adapters && !g_library.tcpip && !g_library.identity && !g_library.protocols;
    }
};

// The objects live from the first attach to the detach that ends the count,
// the same objects all along; a thread that ran before the load detaches
// without ever having attached, and unknown reasons are accepted and ignored.
TEST_F(FrameTest, TheAttachCountDecidesTheObjectsLife) {
    const DWORD P = DLL_PROCESS_ATTACH, T = DLL_THREAD_ATTACH, t = DLL_THREAD_DETACH, p = DLL_PROCESS_DETACH;
    struct Step {
        DWORD reason;
        int count;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"process and thread", {{P, 1}, {T, 2}, {t, 1}, {p, 0}, {p, 0}, {P, 1}}},
        {"unannounced thread detaches", {{P, 1}, {t, 1}, {t, 1}, {T, 2}, {T, 3}, {t, 2}, {t, 1}, {t, 1}}},
        {"unknown reasons", {{4, 0}, {5, 0}, {0x7FFFFFFF, 0}, {0xFFFFFFFF, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetLibrary();
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const auto* adapters = g_library.adapters;
            EXPECT_TRUE(DllMain(nullptr, c.steps[i].reason, nullptr));
            EXPECT_EQ(g_library.attachCount, c.steps[i].count) << "step " << i;
            EXPECT_TRUE(c.steps[i].count > 0 ? AllObjects() : NoObjects()) << "step " << i;
            if (adapters && c.steps[i].count > 0) {
                EXPECT_EQ(g_library.adapters, adapters) << "step " << i;  // nothing new created
            }
        }
    }
}

TEST_F(FrameTest, ExportsAnswerSafelyWhenTheirObjectsDoNotExist) {
    ASSERT_TRUE(NoObjects());
    char buffer[32] = "sentinel";
    EXPECT_EQ(GetNICCount(), 0);
    EXPECT_EQ(GetNICName(0, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetTCPHostName(buffer, sizeof buffer), 0);
    EXPECT_EQ(GetWNETComputerName(buffer, sizeof buffer), 0);
    EXPECT_EQ(SetNICWriteData(), 0);
    EXPECT_EQ(SetTCPWriteData(), 0);
    EXPECT_EQ(SetWNETWriteData(), 0);
    EXPECT_EQ(SetProtocolInstall(0, 1), 0);
    SetNICIpAddress(0, 0, "1.2.3.4");
    SetTCPHostName("host");
    EXPECT_STREQ(buffer, "sentinel");
    // The frame's own strings need no object.
    EXPECT_EQ(GetDLLVersion(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "1.0.8");
}

TEST_F(FrameTest, CopyOutRuleAtItsBoundaries) {
    struct Case {
        bool nullBuffer;
        DWORD size;
        int result;
        const char* contents;  // what the buffer holds afterwards
    };
    const Case cases[] = {
        {false, 6, 1, "1.0.8"},     {false, 100, 1, "1.0.8"},   {false, 5, 0, "XXXXXXXX"},
        {false, 0, 0, "XXXXXXXX"},  {false, 1, 0, "XXXXXXXX"},  {true, 6, 0, nullptr},
        {true, 0xFFFFFFFF, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char buffer[9] = "XXXXXXXX";
        EXPECT_EQ(GetDLLVersion(c.nullBuffer ? nullptr : buffer, c.size), c.result);
        if (c.contents) {
            EXPECT_STREQ(buffer, c.contents);
        }
        if (c.result == 1) {
            EXPECT_EQ(buffer[6], 'X');  // nothing written after the NUL
        }
    }
    char copyright[256];
    ASSERT_EQ(GetDLLCopyright(copyright, sizeof copyright), 1);
    const size_t length = std::strlen(copyright);
    EXPECT_GT(length, 0u);
    EXPECT_EQ(std::strchr(copyright, '\n'), nullptr);  // one line
    EXPECT_EQ(GetDLLCopyright(copyright, static_cast<DWORD>(length)), 0);
    EXPECT_EQ(GetDLLCopyright(copyright, static_cast<DWORD>(length + 1)), 1);
}

TEST_F(FrameTest, TheModuleLoadsAndUnloadsThroughTheLoader) {
    orvane::InstallSimModule();
    HMODULE first = LoadLibraryA("Orvane.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(g_library.attachCount, 1);
    HMODULE second = LoadLibraryA("ORVANE");
    EXPECT_EQ(second, first);
    EXPECT_EQ(g_library.attachCount, 1);  // the loader attaches a module once
    auto version = reinterpret_cast<INT(WINAPI*)(LPSTR, DWORD)>(
        reinterpret_cast<void*>(GetProcAddress(first, "_GetDLLVersion@8")));
    ASSERT_NE(version, nullptr);
    char buffer[8];
    EXPECT_EQ(version(buffer, sizeof buffer), 1);
    EXPECT_EQ(GetProcAddress(first, "GetDLLVersion"), nullptr);  // only decorated names
    FreeLibrary(second);
    EXPECT_TRUE(AllObjects());
    FreeLibrary(first);
    EXPECT_TRUE(NoObjects());
    EXPECT_EQ(sim::LoadCount("Orvane.dll"), 0);
}

// ---- The list of exports ----------------------------------------------------

template <typename Fn>
struct ArgumentCount;
template <typename R, typename... A>
struct ArgumentCount<R(WINAPI*)(A...)> {
    static constexpr int value = sizeof...(A);
    static constexpr bool allWords = ((sizeof(A) == 4 || std::is_pointer<A>::value) && ...);
};

#define ORVANE_CHECK_DECLARATION(family, result, name, argc, params)                                 \
    static_assert(ArgumentCount<decltype(&::name)>::value == (argc), #name " argument count");         \
    static_assert(ArgumentCount<decltype(&::name)>::allWords, #name " has an argument wider than 32 bits");
ORVANE_EXPORTS(ORVANE_CHECK_DECLARATION)
#undef ORVANE_CHECK_DECLARATION

TEST(ExportCatalog, EightySevenUniqueExportsInTheirFamilies) {
    ASSERT_EQ(orvane::kExportCount, 87);
    std::set<std::string> names;
    std::map<std::string, int> families;
    for (const auto& e : orvane::kExports) {
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        ++families[e.family];
        const std::string name = e.name;
        const bool getOrSet = name.rfind("Get", 0) == 0 || name.rfind("Set", 0) == 0;
        EXPECT_TRUE(getOrSet) << name;
        if (std::string(e.family) != "Protocol") {
            EXPECT_NE(name.find(e.family), std::string::npos) << name;
        }
    }
    EXPECT_EQ(families["DLL"], 2);
    EXPECT_EQ(families["NIC"], 34);
    EXPECT_EQ(families["TCP"], 28);
    EXPECT_EQ(families["WNET"], 18);
    EXPECT_EQ(families["Protocol"], 5);
}

TEST(ExportCatalog, DecoratedNamesCountFourBytesPerArgument) {
    const struct {
        const char* name;
        const char* decorated;
    } cases[] = {{"GetDLLVersion", "_GetDLLVersion@8"},
                 {"GetNICCount", "_GetNICCount@0"},
                 {"GetNICIpAddress", "_GetNICIpAddress@16"},
                 {"SetProtocolServiceBindings", "_SetProtocolServiceBindings@12"}};
    for (const auto& c : cases) {
        const auto* e = std::find_if(std::begin(orvane::kExports), std::end(orvane::kExports),
                                     [&](const auto& x) { return c.name == std::string(x.name); });
        ASSERT_NE(e, std::end(orvane::kExports)) << c.name;
        EXPECT_EQ(orvane::DecoratedName(*e), c.decorated);
    }
}

}  // namespace
