// Every export, called with what a careless or hostile host might pass:
// null pointers, sizes of 0 and 0xFFFFFFFF, out-of-range indexes and
// over-long texts, on each sample machine. Nothing may crash (the
// sanitizer build watches for reads and writes out of bounds), the string
// getters must keep to the copy-out rule, and nothing is written after
// the terminator.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Library.h"
#include "Orvane.h"
#include "TestMachines.h"
#include "sim/control.h"
#include "SimModule.h"

namespace {

constexpr size_t kBufferSize = 4096;
constexpr char kFill = '\x5A';

struct Hostile {
    DWORD index;
    char* buffer;
    DWORD size;
    const char* text;
    DWORD* reason;
};

template <typename T>
T Make(const Hostile& h, bool afterBuffer) {
    if constexpr (std::is_same_v<T, LPSTR>) {
        return h.buffer;
    } else if constexpr (std::is_same_v<T, LPCSTR>) {
        return h.text;
    } else if constexpr (std::is_same_v<T, LPDWORD>) {
        return h.reason;
    } else {
        static_assert(std::is_same_v<T, DWORD>, "exports take DWORDs and pointers only");
        return afterBuffer ? h.size : h.index;
    }
}

template <typename R, typename... A, size_t... I>
long long InvokeWith(R(WINAPI* fn)(A...), const Hostile& h, std::index_sequence<I...>) {
    // previous[i]: whether argument i follows a buffer, and so is its size.
    constexpr bool previous[] = {false, std::is_same_v<A, LPSTR>...};
    if constexpr (std::is_void_v<R>) {
        fn(Make<A>(h, previous[I])...);
        return -1;
    } else {
        return fn(Make<A>(h, previous[I])...);
    }
}

template <typename R, typename... A>
long long Invoke(R(WINAPI* fn)(A...), const Hostile& h) {
    return InvokeWith(fn, h, std::index_sequence_for<A...>{});
}

template <typename R, typename... A>
constexpr bool TakesBuffer(R(WINAPI*)(A...)) {
    return (std::is_same_v<A, LPSTR> || ...);
}

struct Export {
    const char* name;
    bool copyOut;
    long long (*call)(const Hostile&);
};

#define ORVANE_HOSTILE_ENTRY(family, result, name, argc, params) \
    {#name, TakesBuffer(&::name), [](const Hostile& h) { return Invoke(&::name, h); }},
const Export kAll[] = {ORVANE_EXPORTS(ORVANE_HOSTILE_ENTRY)};
#undef ORVANE_HOSTILE_ENTRY

class HostileArguments : public ::testing::TestWithParam<TestMachine> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.Entered());  // the adapter dump lands here
        ASSERT_TRUE(LoadTestMachine(GetParam()));
        orvane::InstallSimModule();
        m_module = LoadLibraryA("Orvane.dll");
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override {
        if (m_module) FreeLibrary(m_module);
        EXPECT_EQ(g_library.attachCount, 0);
        ExpectNothingLeft();
    }
    ScratchDir m_scratch;
    HMODULE m_module = nullptr;
};

TEST_P(HostileArguments, NoExportCrashesOrWritesOutsideTheRules) {
    const DWORD indexes[] = {0, 1, 9, 10, 16, 17, 31, 32, 0x7FFFFFFF, 0xFFFFFFFF};
    const DWORD sizes[] = {0, 1, 16, kBufferSize, 0xFFFFFFFF};
    const std::string longText(70000, '9');
    const char* texts[] = {nullptr, "", "10.1.2.3", "123456789012345", "1234567890123456", longText.c_str()};
    std::vector<char> buffer(kBufferSize + 1);
    DWORD reason = 0xdeadbeef;

    for (const Export& e : kAll) {
        SCOPED_TRACE(e.name);
        for (DWORD index : indexes) {
            if (e.copyOut) {
                Hostile nullBuffer{index, nullptr, 64, nullptr, nullptr};
                EXPECT_EQ(e.call(nullBuffer), 0);
                for (DWORD size : sizes) {
                    std::fill(buffer.begin(), buffer.end(), kFill);
                    Hostile h{index, buffer.data(), size, nullptr, nullptr};
                    const long long rc = e.call(h);
                    ASSERT_TRUE(rc == 0 || rc == 1) << rc;
                    if (size == 0) {
                        EXPECT_EQ(rc, 0);
                    }
                    if (rc == 0) {
                        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(buffer.size(), kFill));
                    } else {
                        const size_t length = std::strlen(buffer.data());
                        ASSERT_LT(length, size > kBufferSize ? kBufferSize : size);
                        for (size_t i = length + 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kFill) << i;
                    }
                }
            } else {
                for (const char* text : texts) {
                    Hostile h{index, nullptr, 0, text, nullptr};
                    e.call(h);
                    Hostile withReason{index, nullptr, 0, text, &reason};
                    e.call(withReason);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, HostileArguments, ::testing::ValuesIn(AllTestMachines()), TestMachineName);

}  // namespace
