#include <gtest/gtest.h>

#include "LogEntries.h"
#include "core/Version.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

TEST(Version, ClassifiesOnlyTheThreeKnownSystemsAndCachesAKnownAnswer) {
    const struct {
        std::uint32_t platformId, major, minor;
        int expected;
    } cases[] = {
        {platform::kPlatformWin32Windows, 4, 0, CVersion::VERSION_WIN95},
        {platform::kPlatformWin32Nt, 4, 0, CVersion::VERSION_NT4},
        {platform::kPlatformWin32Nt, 3, 51, CVersion::VERSION_NT351},
        {platform::kPlatformWin32Windows, 4, 10, 0},
        {platform::kPlatformWin32Nt, 5, 0, 0},
        {platform::kPlatformWin32Nt, 6, 1, 0},
        {platform::kPlatformWin32Nt, 3, 5, 0},
        {0, 4, 0, 0},
    };
    for (const auto& c : cases) {
        int asked = 0;
        CVersion version([&](platform::OsVersion& os) {
            ++asked;
            os.platformId = c.platformId;
            os.major = c.major;
            os.minor = c.minor;
            return true;
        });
        EXPECT_EQ(version.GetOSVersion(), c.expected)
            << c.platformId << " " << c.major << "." << c.minor;
        EXPECT_EQ(version.GetOSVersion(), c.expected);
        EXPECT_EQ(asked, c.expected ? 1 : 2);  // an unknown answer is asked again
    }
}

TEST(Version, AFailedQuestionIsLoggedAndGivesZero) {
    support::TempRoot root;
    CVersion version([](platform::OsVersion&) {
        platform::SetLastError(platform::ERROR_ACCESS_DENIED);
        return false;
    });
    EXPECT_EQ(version.GetOSVersion(), 0);
    EXPECT_EQ(LogTextsSince(0),
              std::vector<std::string>{"CVersion::GetOSVersion(): ::GetVersionEx():  "
                                       "Time = T (5) Access is denied."});
    // This system is none of the three.
    EXPECT_EQ(CVersion().GetOSVersion(), 0);
}
