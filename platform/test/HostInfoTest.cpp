#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "platform/HostInfo.h"

using namespace platform;

TEST(HostInfo, ComputerNameIsTheShortHostNameInCapitals) {
    const struct {
        const char* host;
        const char* computer;
    } cases[] = {
        {"vm", "VM"},
        {"agent-04.branch.example.com", "AGENT-04"},
        {"averyveryverylonghostname", "AVERYVERYVERYLO"},
        {"MiXeD1", "MIXED1"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ComputerNameFromHostName(c.host), c.computer) << c.host;

    const std::string here = ComputerName();
    EXPECT_FALSE(here.empty());
    EXPECT_LE(here.size(), kMaxComputerNameLength);
    EXPECT_EQ(ComputerNameFromHostName(here), here);
    EXPECT_EQ(ComputerNameFromHostName(HostName()), here);
}

TEST(HostInfo, VersionFactsComeFromTheKernelRelease) {
    const struct {
        const char* release;
        std::uint32_t major, minor, build;
    } cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"5.15.133.1-microsoft-standard", 5, 15, 133},
        {"4.0", 4, 0, 0},
        {"7", 7, 0, 0},
        {"x.1", 0, 0, 0},
        {"99999999999.2.3", UINT32_MAX, 2, 3},
    };
    for (const auto& c : cases) {
        OsVersion v;
        v.build = 77;
        ParseKernelRelease(c.release, v);
        EXPECT_EQ(v.major, c.major) << c.release;
        EXPECT_EQ(v.minor, c.minor) << c.release;
        EXPECT_EQ(v.build, c.build) << c.release;
    }
    OsVersion here;
    ASSERT_TRUE(QueryOsVersion(here));
    EXPECT_EQ(here.platformId, kPlatformWin32Nt);
    EXPECT_FALSE(here.release.empty());
    EXPECT_GT(here.major, 0u);
}

TEST(HostInfo, LocalAddressIsDottedIPv4OrNothing) {
    const std::string address = LocalIPv4Address();
    if (address.empty()) GTEST_SKIP() << "the host name does not resolve here";
    int dots = 0;
    for (char c : address) {
        if (c == '.')
            ++dots;
        else
            EXPECT_TRUE(c >= '0' && c <= '9') << address;
    }
    EXPECT_EQ(dots, 3) << address;
}
