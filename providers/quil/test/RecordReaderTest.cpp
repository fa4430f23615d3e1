// Cutting a received stream into records, and refusing lengths that cannot be right.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quil/RecordReader.h"
#include "support/Hex.h"

using support::FromHex;
using support::ToHex;

namespace quil {
namespace {

TEST(RecordReaderTest, JoinsRecordsWhateverTheReadSizes) {
    const auto stream = FromHex(
        "FE 01 00 00 00 00 00 14 10 30 00 00 00 00 00 00 00 00 00 00 "
        "FE 01 00 00 00 00 00 1D 11 31 00 00 0A 0B 0C 00 01 02 03 04 07 04 00 00 C1 C2 C3 C4 4E");
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{8}, stream.size()}) {
        RecordReader reader;
        std::vector<std::string> records;
        for (std::size_t pos = 0; pos < stream.size(); pos += chunk) {
            const std::size_t n = std::min(chunk, stream.size() - pos);
            ASSERT_TRUE(
                reader.Feed(std::span<const std::uint8_t>(stream).subspan(pos, n),
                            [&](std::span<const std::uint8_t> r) { records.push_back(ToHex(r)); }));
        }
        ASSERT_EQ(records.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(records[0].size(), 20u * 3 - 1);
        EXPECT_EQ(records[1].substr(records[1].size() - 14), "C1 C2 C3 C4 4E") << chunk;
        EXPECT_FALSE(reader.Pending());
    }
}

TEST(RecordReaderTest, BrokenLengthsBreakTheStreamForGood) {
    struct Case {
        const char* bytes;
        RecordReader::Error error;
    };
    const Case cases[] = {
        {"FD 01 00 00 00 00 00 14", RecordReader::Error::BadStreamHeader},
        {"FE 02 00 00 00 00 00 14", RecordReader::Error::BadStreamHeader},
        {"FE 01 00 00 00 00 00 08", RecordReader::Error::TooShort},
        {"FE 01 00 00 00 00 00 13", RecordReader::Error::TooShort},
        {"FE 01 00 00 00 00 00 00", RecordReader::Error::TooShort},
        {"FE 01 00 00 FF FF FF FF", RecordReader::Error::TooLong},
        {"FE 01 00 00 00 10 00 01", RecordReader::Error::TooLong},
        // 20 + 4 option bytes announced in a record of 23
        {"FE 01 00 00 00 00 00 17 10 31", RecordReader::Error::OptionsOverrun},
        {"FE 01 00 00 00 00 00 14 10 3F", RecordReader::Error::OptionsOverrun},
        // 8 option words (the field's top bit) in a record of 51
        {"FE 01 00 00 00 00 00 33 10 38", RecordReader::Error::OptionsOverrun},
    };
    for (const auto& c : cases) {
        RecordReader reader;
        bool delivered = false;
        const auto sink = [&](std::span<const std::uint8_t>) { delivered = true; };
        EXPECT_FALSE(reader.Feed(FromHex(c.bytes), sink)) << c.bytes;
        EXPECT_EQ(reader.error(), c.error) << c.bytes;
        // Even a good record afterwards is not taken.
        EXPECT_FALSE(reader.Feed(FromHex("FE 01 00 00 00 00 00 14 10 30 00 00 00 00 00 00 00 00 "
                                         "00 00"),
                                 sink));
        EXPECT_FALSE(delivered) << c.bytes;
    }
    // A smaller cap of our own is honoured.
    RecordReader small(100);
    EXPECT_FALSE(small.Feed(FromHex("FE 01 00 00 00 00 00 65"), {}));
    // Lengths that just fit: the cap itself, exactly 32 or 60 option bytes.
    const struct {
        std::uint32_t cap;
        const char* head;
        std::size_t size;
    } fits[] = {
        {100, "FE 01 00 00 00 00 00 64 10 30", 100},
        {kMaxRecordLength, "FE 01 00 00 00 00 00 34 10 38", 52},
        {kMaxRecordLength, "FE 01 00 00 00 00 00 50 10 3F", 80},
    };
    for (const auto& f : fits) {
        RecordReader reader(f.cap);
        std::vector<std::uint8_t> rec = FromHex(f.head);
        rec.resize(f.size, 0);
        int count = 0;
        EXPECT_TRUE(reader.Feed(rec, [&](std::span<const std::uint8_t>) { ++count; })) << f.head;
        EXPECT_EQ(count, 1) << f.head;
    }
}

TEST(RecordReaderTest, DriverRulesPassOverHeaderOnlyRecordsAndLeaveOptionsToTheReader) {
    const RecordReader::Rules rules{.skipHeaderOnly = true, .checkOptionWords = false};
    RecordReader reader(kMaxRecordLength, rules);
    std::vector<std::string> records;
    const auto sink = [&](std::span<const std::uint8_t> r) { records.push_back(ToHex(r)); };
    // A header-only record, then a record announcing more options than it holds.
    EXPECT_TRUE(reader.Feed(FromHex("FE 01 00 00 00 00 00 08 FE 01 00 00 00 00 00 14 "
                                    "10 3F 00 00 00 00 00 00 00 00 00 00"),
                            sink));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].substr(24, 5), "10 3F");
    // Every other short length still breaks the stream.
    for (const char* bytes :
         {"FE 01 00 00 00 00 00 07", "FE 01 00 00 00 00 00 13", "FE 01 00 00 7F FF FF FF"}) {
        RecordReader broken(kMaxRecordLength, rules);
        EXPECT_FALSE(broken.Feed(FromHex(bytes), sink)) << bytes;
    }
}

}  // namespace
}  // namespace quil
