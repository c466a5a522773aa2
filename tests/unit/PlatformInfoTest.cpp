#include <gtest/gtest.h>

#include <winsock.h>

#include "PlatformInfo.h"
#include "sim/control.h"

namespace {

class PlatformInfoTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override { EXPECT_EQ(sim::WinsockOpenStartups(), 0); }
};

TEST_F(PlatformInfoTest, VersionProbesInEachMode) {
    struct Case {
        sim::Platform platform;
        bool nt;
        DWORD major;
    };
    const Case cases[] = {
        {sim::Platform::Win98, false, 0}, {sim::Platform::NT4, true, 4}, {sim::Platform::Win2000, true, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(sim::PlatformName(c.platform));
        sim::SetPlatform(c.platform);
        CPlatformInfo probe;
        EXPECT_EQ(probe.IsNT(), c.nt);
        EXPECT_EQ(probe.GetNTMajorVersion(), c.major);
    }
}

TEST_F(PlatformInfoTest, RasVersionOnNTLooksAtNoFile) {
    sim::SetPlatform(sim::Platform::NT4);
    sim::FailFileVersionRead(true);  // would give #1 if a file were read
    sim::SetFileVersion("C:\\WINNT\\System\\rasapi32.dll", 4, 0, 0, 1381);
    CPlatformInfo probe;
    EXPECT_EQ(probe.GetRasVersion(), "WinNT RAS");
}

TEST_F(PlatformInfoTest, RasVersionFromTheDialUpLibraryOfTheWindowsDirectory) {
    struct Case {
        const char* what;
        bool plant, withVersion, failRead, failQuery;
        const char* expected;
    };
    const Case cases[] = {
        {"planted 4.10.0.1903", true, true, false, false, "4.10.0.1903"},
        {"no file", false, false, false, false, "No DUN Version"},
        {"file without version", true, false, false, false, "No DUN Version"},
        {"read fails", true, true, true, false, "Error/DUN Version (#1)"},
        {"root block missing", true, true, false, true, "Error/DUN Version (#2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetWindowsDirectory("D:\\WIN98");
        if (c.plant && c.withVersion) sim::SetFileVersion("d:\\win98\\SYSTEM\\RASAPI32.DLL", 4, 10, 0, 1903);
        if (c.plant && !c.withVersion) sim::SetFileWithoutVersion("D:\\WIN98\\System\\rasapi32.dll");
        sim::FailFileVersionRead(c.failRead);
        sim::FailFileVersionQuery(c.failQuery);
        CPlatformInfo probe;
        EXPECT_EQ(probe.GetRasVersion(), c.expected);
    }
    // A file in another folder is not the system's dial-up library.
    sim::Reset();
    sim::SetFileVersion("C:\\WINDOWS\\rasapi32.dll", 4, 10, 0, 1903);
    EXPECT_EQ(CPlatformInfo().GetRasVersion(), "No DUN Version");
    // The parts are printed as numbers, whatever their size.
    sim::SetFileVersion("C:\\WINDOWS\\System\\rasapi32.dll", 65535, 0, 12, 345);
    EXPECT_EQ(CPlatformInfo().GetRasVersion(), "65535.0.12.345");
}

// The test holds a startup of its own, as a host may: the probe ends its own
// use after an answer and after a refused version, and ends nothing after a
// startup that failed otherwise (that one started nothing).
TEST_F(PlatformInfoTest, WinsockVersionReportsTheHighestSupported) {
    struct Case {
        WORD high;
        int error;
        const char* expected;
        int heldAfter;
    };
    const Case cases[] = {
        {0x0202, 0, "2.2", 1},
        {0x0101, 0, "1.1", 1},
        {0x0002, 0, "2.0", 1},
        {0x0202, 10092, "WINSOCK error: WSAVERNOTSUPPORTED", 0},
        {0x0202, 10091, "WINSOCK error: 10091", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        sim::Reset();
        WSADATA data;
        ASSERT_EQ(WSAStartup(0x0101, &data), 0);
        sim::SetWinsockHighVersion(c.high);
        sim::SetWinsockStartupError(c.error);
        EXPECT_EQ(CPlatformInfo().GetWinsockVersion(), c.expected);
        EXPECT_EQ(sim::WinsockOpenStartups(), c.heldAfter);
        if (sim::WinsockOpenStartups() > 0) WSACleanup();
    }
}

TEST(PlatformComparisons, WinsPerAdapterDecisionsAreByteWise) {
    struct Case {
        const char* text;
        bool ras;  // as a dial-up version text
    };
    const Case cases[] = {
        {"4.10.0.1903", true},  {"4.10.0.1902", false}, {"4.10.0.2222", true},
        {"4.10.0.999", false},  // ".999" < "1903": the dot sorts below "1"
        {"No DUN Version", true},   // "sion" > "1903"
        {"Error/DUN Version (#1)", false},  // "(" sorts below "1"
        {"903", true},  // shorter than four: the whole text, and "9" > "1"
        {"", false},     {"WinNT RAS", false},  // " RAS": the blank sorts lowest
    };
    for (const Case& c : cases) EXPECT_EQ(CPlatformInfo::RasVersionKeepsWinsPerAdapter(c.text), c.ras) << c.text;
    EXPECT_TRUE(CPlatformInfo::WinsockVersionKeepsWinsPerAdapter("2.2"));
    EXPECT_TRUE(CPlatformInfo::WinsockVersionKeepsWinsPerAdapter("2.20"));
    EXPECT_FALSE(CPlatformInfo::WinsockVersionKeepsWinsPerAdapter("2.1"));
    EXPECT_FALSE(CPlatformInfo::WinsockVersionKeepsWinsPerAdapter("1.1"));
    EXPECT_TRUE(CPlatformInfo::WinsockVersionKeepsWinsPerAdapter("WINSOCK error: WSAVERNOTSUPPORTED"));
}

}  // namespace
