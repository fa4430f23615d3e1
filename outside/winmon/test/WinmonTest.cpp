// The built-in payload: the host name by the size protocol, cut to a short buffer and still
// terminated; a swapped-in source answers instead of it until it is taken back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/HostInfo.h"
#include "winmon/Winmon.h"

namespace {

unsigned FakePayload(char* buffer, unsigned size) {
    if (size >= 3) std::memcpy(buffer, "WS", 3);
    return 3;
}

TEST(WinmonTest, TheHostNameIsGivenByItsSizeAndCutToTheBuffer) {
    const std::string name = platform::HostName();
    ASSERT_FALSE(name.empty());
    const auto needed = static_cast<unsigned>(name.size() + 1);
    std::vector<char> buffer(needed, 'x');
    EXPECT_EQ(winmon::GetDesktopControlPayload(buffer.data(), needed), needed);
    EXPECT_EQ(std::string(buffer.data()), name);

    std::vector<char> small(2, 'x');
    EXPECT_EQ(winmon::GetDesktopControlPayload(small.data(), 2), needed);
    EXPECT_EQ(std::string(small.data()), name.substr(0, 1));
    EXPECT_EQ(winmon::GetDesktopControlPayload(nullptr, 0), needed);

    winmon::SetDesktopPayloadSource(&FakePayload);
    char fake[8] = {};
    EXPECT_EQ(winmon::GetDesktopControlPayload(fake, sizeof fake), 3u);
    EXPECT_STREQ(fake, "WS");
    winmon::SetDesktopPayloadSource(nullptr);
    EXPECT_EQ(winmon::GetDesktopControlPayload(nullptr, 0), needed);
}

}  // namespace
