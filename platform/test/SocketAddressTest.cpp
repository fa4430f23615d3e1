#include <gtest/gtest.h>

#include <algorithm>

#include "platform/SocketAddress.h"
#include "platform/WinsockError.h"

using namespace platform;

TEST(SocketAddress, DottedTextsParseAsTheClassicCallDoesAndNamesDoNot) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> ip;
    };
    const Case cases[] = {
        {"10.1.2.3", 0x0A010203u},   {"127.0.0.1", 0x7F000001u},       {"127.1", 0x7F000001u},
        {"0x7f.0.0.1", 0x7F000001u}, {"255.255.255.255", 0xFFFFFFFFu}, {"1.2.3.256", std::nullopt},
        {"localhost", std::nullopt}, {"10.1.2.3.4", std::nullopt},     {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(InetAddr(c.text), c.ip) << c.text;
    EXPECT_EQ(InetNtoa(0x0A010203u), "10.1.2.3");
    EXPECT_EQ(InetNtoa(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ((SocketAddress{0x7F000001u, 30031}).ToString(), "127.0.0.1:30031");
    EXPECT_EQ(HostToNetwork16(0x1234), NetworkToHost16(0x1234));
    EXPECT_EQ(NetworkToHost32(HostToNetwork32(0x01020304u)), 0x01020304u);
}

TEST(SocketAddress, ResolvesNamesAndReportsUnknownHostsWithTheirSocketError) {
    std::vector<std::uint32_t> addresses;
    ASSERT_EQ(ResolveHost("localhost", addresses), 0);
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), 0x7F000001u), addresses.end());

    SocketAddress address;
    ASSERT_EQ(ResolveAddress("10.1.2.3", 30051, address), 0);
    EXPECT_EQ(address, (SocketAddress{0x0A010203u, 30051}));

    WSASetLastError(0);
    const int rc = ResolveHost("no-such-host.invalid", addresses);
    EXPECT_GE(rc, WSAHOST_NOT_FOUND);
    EXPECT_LE(rc, WSANO_DATA);
    EXPECT_EQ(WSAGetLastError(), rc);
    EXPECT_TRUE(addresses.empty());
    EXPECT_EQ(ResolveAddress("", 1, address), WSAHOST_NOT_FOUND);
}
