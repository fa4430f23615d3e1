#include "buildstamp/Buildstamp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Buildstamp, OneRecordPerPartAndNothingForAShortBuffer) {
    const int count = QueryForAllVersionsNum();
    ASSERT_GT(count, 0);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(count) * buildstamp::kRecordSize,
                                      0xEE);
    EXPECT_NE(QueryForAllVersions(nullptr, count), 0);
    EXPECT_NE(QueryForAllVersions(buffer.data(), count - 1), 0);
    ASSERT_EQ(QueryForAllVersions(buffer.data(), count), 0);
    const auto* first = reinterpret_cast<const char*>(buffer.data());
    EXPECT_EQ(std::string(first), "veka");
    EXPECT_EQ(std::string(first + buildstamp::kVersionOffset), "4.6.0.19");
    const auto* last = first + (count - 1) * buildstamp::kRecordSize;
    EXPECT_EQ(last[buildstamp::kRecordSize - 1], '\0');  // every record is its own
}
