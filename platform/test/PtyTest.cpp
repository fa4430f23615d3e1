#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/Pty.h"
#include "support/PtyPair.h"

using platform::Pty;

namespace {

std::vector<std::uint8_t> EveryByte() {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::vector<std::uint8_t> ReadSide(Pty& pty, Pty::Side side, std::size_t n) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 1000 && out.size() < n; ++i) {
        std::uint8_t chunk[512];
        const long got =
            pty.Read(side, std::span(chunk).first(std::min(n - out.size(), sizeof chunk)), 5000);
        if (got <= 0) break;
        out.insert(out.end(), chunk, chunk + got);
    }
    return out;
}

}  // namespace

// Binary data crosses the line unchanged both ways: no echo, no signal characters, no
// line-end or flow-control translation.
TEST(Pty, CarriesEveryByteUnchangedBothWays) {
    support::PtyPair pair;
    ASSERT_TRUE(pair.pty().IsOpen());
    ASSERT_FALSE(pair.path().empty());
    const std::vector<std::uint8_t> all = EveryByte();

    pair.Send(all);
    EXPECT_EQ(ReadSide(pair.pty(), Pty::Side::Slave, all.size()), all);

    const std::vector<std::uint8_t> marker = {0x0D, 0x0A, 0x0C};
    ASSERT_TRUE(pair.pty().Write(Pty::Side::Slave, marker, 5000));
    // An echo of what the far end sent would come first.
    EXPECT_EQ(pair.ReadExactly(marker.size()), marker);

    ASSERT_TRUE(pair.pty().Write(Pty::Side::Slave, all, 5000));
    EXPECT_EQ(pair.ReadExactly(all.size()), all);
}

TEST(Pty, ReadsWaitForDataAndStopAtTheDeadline) {
    support::PtyPair pair;
    const std::vector<std::uint8_t> frame = {'A', 'B', 0x03, 'C', 'D', 0x03, 'E'};
    ASSERT_TRUE(pair.pty().Write(Pty::Side::Slave, frame, 5000));
    EXPECT_EQ(pair.ReadThrough(0x03), (std::vector<std::uint8_t>{'A', 'B', 0x03}));
    EXPECT_EQ(pair.ReadThrough(0x03), (std::vector<std::uint8_t>{'C', 'D', 0x03}));
    EXPECT_EQ(pair.ReadExactly(1), std::vector<std::uint8_t>{'E'});
    EXPECT_TRUE(pair.ReadAvailable(std::chrono::milliseconds(20)).empty());

    // With nobody on the line the master has nothing to read until the deadline.
    pair.pty().CloseSlave();
    EXPECT_TRUE(pair.ReadExactly(1, std::chrono::milliseconds(30)).empty());
}
