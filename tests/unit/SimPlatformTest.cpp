// The simulated platform's own rules beyond the registry conformance
// checks: failure injection, platform modes, modules, recorders and the
// code page.
#include <gtest/gtest.h>
#include <winsock.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sim/control.h"

namespace {

class SimPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        ASSERT_TRUE(sim::ImportReg("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Locked\\Inner]\r\n\"v\"=\"1\"\r\n\r\n").ok);
    }
};

TEST_F(SimPlatformTest, ReadOnlySubtreesRefuseEveryChange) {
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\Locked", sim::KeyAccess::ReadOnly));
    for (sim::Platform p : {sim::Platform::Win98, sim::Platform::NT4}) {
        sim::SetPlatform(p);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Locked\\Inner", 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Locked\\Inner", 0, KEY_READ, &key), ERROR_SUCCESS);
        const BYTE data[] = "x";
        EXPECT_EQ(RegSetValueExA(key, "w", 0, REG_SZ, data, 2), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_ACCESS_DENIED);
        RegCloseKey(key);
        HKEY created = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Locked\\New", 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                                  nullptr),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Locked\\Inner"), ERROR_ACCESS_DENIED);
        // In 95/98 mode a recursive delete of the parent is refused as a whole.
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Locked"), ERROR_ACCESS_DENIED);
        EXPECT_TRUE(sim::KeyExists("HKLM\\Locked\\Inner"));
    }
    EXPECT_EQ(sim::OpenKeyHandles(), 0u);
}

TEST_F(SimPlatformTest, DeniedKeysAreListedButCannotBeOpened) {
    ASSERT_TRUE(sim::SetKeyAccess("HKLM\\Locked\\Inner", sim::KeyAccess::Denied));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Locked", 0, KEY_READ, &key), ERROR_SUCCESS);
    char name[16];
    EXPECT_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Inner");
    HKEY inner = nullptr;
    EXPECT_EQ(RegOpenKeyExA(key, "Inner", 0, KEY_READ, &inner), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

// Key handles and private heaps are kept in slots used again: the handle
// of a closed key or destroyed heap must stay invalid when its slot serves
// a new one.
TEST_F(SimPlatformTest, ClosedHandlesStayInvalidWhenTheirPlaceIsUsedAgain) {
    HKEY first = nullptr, second = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Locked", 0, KEY_READ, &first), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Locked\\Inner", 0, KEY_READ, &second), ERROR_SUCCESS);
    EXPECT_NE(first, second);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(first, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(second, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    // A value between two handles names neither.
    const HKEY between = reinterpret_cast<HKEY>(reinterpret_cast<uintptr_t>(second) + 2);
    EXPECT_EQ(RegQueryValueExA(between, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    EXPECT_EQ(sim::OpenKeyHandles(), 0u);

    HANDLE old = HeapCreate(0, 0, 0);
    ASSERT_NE(old, nullptr);
    void* oldBlock = HeapAlloc(old, 0, 4);
    ASSERT_TRUE(HeapDestroy(old));
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    EXPECT_NE(heap, old);
    EXPECT_EQ(HeapAlloc(old, 0, 4), nullptr);
    EXPECT_FALSE(HeapFree(old, 0, oldBlock));
    EXPECT_FALSE(HeapDestroy(old));
    void* block = HeapAlloc(heap, 0, 4);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(HeapAlloc(reinterpret_cast<HANDLE>(reinterpret_cast<uintptr_t>(heap) + 8), 0, 4), nullptr);
    EXPECT_EQ(sim::LiveHeapBlocks(), 1u);
    HANDLE other = HeapCreate(0, 0, 0);
    ASSERT_NE(HeapAlloc(other, 0, 4), nullptr);
    EXPECT_FALSE(HeapFree(other, 0, block));  // not its block
    EXPECT_EQ(sim::LiveHeapBlocks(), 2u);
    EXPECT_TRUE(HeapFree(heap, 0, block));
    EXPECT_FALSE(HeapFree(heap, 0, block));
    EXPECT_TRUE(HeapDestroy(heap));
    EXPECT_TRUE(HeapDestroy(other));
    EXPECT_EQ(sim::LiveHeaps(), 0u);
}

TEST_F(SimPlatformTest, VersionQueryFollowsTheModeAndChecksTheStructureSize) {
    struct Case {
        sim::Platform platform;
        DWORD id, major, minor;
        const char* windows;
    };
    const Case cases[] = {{sim::Platform::Win98, 1, 4, 10, "C:\\WINDOWS"},
                          {sim::Platform::NT4, 2, 4, 0, "C:\\WINNT"},
                          {sim::Platform::Win2000, 2, 5, 0, "C:\\WINNT"}};
    for (const Case& c : cases) {
        sim::SetPlatform(c.platform);
        OSVERSIONINFOA info;
        std::memset(&info, 0, sizeof info);
        EXPECT_FALSE(GetVersionExA(&info));  // size field not set
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        info.dwOSVersionInfoSize = 148;
        ASSERT_TRUE(GetVersionExA(&info));
        EXPECT_EQ(info.dwPlatformId, c.id);
        EXPECT_EQ(info.dwMajorVersion, c.major);
        EXPECT_EQ(info.dwMinorVersion, c.minor);
        char dir[MAX_PATH];
        EXPECT_EQ(GetWindowsDirectoryA(dir, MAX_PATH), std::strlen(c.windows));
        EXPECT_STREQ(dir, c.windows);
        EXPECT_EQ(GetWindowsDirectoryA(dir, 3), std::strlen(c.windows) + 1);  // too small: size needed
    }
}

INT_PTR WINAPI Answer42() { return 42; }

TEST_F(SimPlatformTest, ModulesLoadByFileNameAndCountTheirLoads) {
    sim::AddModule("DHCPCSVC.DLL", {{"DhcpNotifyConfigChange", sim::Proc(&Answer42)}});
    HMODULE a = LoadLibraryA("dhcpcsvc.dll");
    HMODULE b = LoadLibraryA("C:\\WINNT\\System32\\DHCPCSVC");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(sim::LoadCount("DHCPCSVC.DLL"), 2);
    FARPROC f = GetProcAddress(a, "DhcpNotifyConfigChange");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f(), 42);
    EXPECT_EQ(GetProcAddress(a, "dhcpnotifyconfigchange"), nullptr);  // export names are exact
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(a, "DhcpNotifyConfigChangeEx"), nullptr);
    EXPECT_EQ(GetProcAddress(a, MAKEINTRESOURCEA(1)), nullptr);  // by name only
    ASSERT_TRUE(sim::RemoveFunction("dhcpcsvc", "DhcpNotifyConfigChange"));
    EXPECT_EQ(GetProcAddress(a, "DhcpNotifyConfigChange"), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_FALSE(FreeLibrary(b));  // released twice
    EXPECT_EQ(sim::TotalLoadCount(), 0);
    ASSERT_TRUE(sim::RemoveModule("DHCPCSVC.DLL"));
    EXPECT_EQ(LoadLibraryA("DHCPCSVC.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    // The system library offers the computer-name functions.
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(GetProcAddress(kernel, "GetComputerNameA"), nullptr);
    FreeLibrary(kernel);
}

TEST_F(SimPlatformTest, MessageBoxesAndCommandsAreRecorded) {
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK | MB_ICONSTOP), IDOK);
    EXPECT_EQ(std::system("NOTEPAD ADAPTER-DUMP.TXT"), 0);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "text");
    EXPECT_EQ(sim::MessageBoxes()[0].caption, "caption");
    EXPECT_EQ(sim::MessageBoxes()[0].style, UINT(MB_OK | MB_ICONSTOP));
    ASSERT_EQ(sim::Commands().size(), 1u);
    EXPECT_EQ(sim::Commands()[0], "NOTEPAD ADAPTER-DUMP.TXT");
    sim::ClearRecords();
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(SimPlatformTest, AnsiCodePageIsWindows1252) {
    const char ansi[] = "caf\xe9 \x80";  // café €
    WCHAR wide[16];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 16), 7);
    EXPECT_EQ(wide[3], u'\u00e9');
    EXPECT_EQ(wide[5], u'\u20ac');
    char back[16];
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 7);
    EXPECT_STREQ(back, ansi);
    const WCHAR unmappable[] = {u'\u4e2d', 0};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, unmappable, -1, back, sizeof back, nullptr, &usedDefault), 2);
    EXPECT_EQ(back[0], '?');
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 3), 0);  // too small
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(SimPlatformTest, InetAddrParsesDottedAddressesInNetworkOrder) {
    struct Case {
        const char* text;
        ULONG expected;
    };
    const Case cases[] = {
        {"10.1.2.3", 0x0302010Au},       {"0.0.0.0", 0u},
        {"255.255.255.255", INADDR_NONE}, {"256.1.1.1", INADDR_NONE},
        {"1.2.3", 0x03000201u},          {"", INADDR_NONE},
        {"a.b.c.d", INADDR_NONE},        {"1.2.3.4.5", INADDR_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(inet_addr(c.text), c.expected) << c.text;
}

}  // namespace
