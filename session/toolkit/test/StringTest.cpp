#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "FailingHeap.h"
#include "toolkit/String.h"

using UTKString::CString;

namespace {

TEST(StringTest, BlocksAreExactAndReusedAsTheyGrowAndShrink) {
    CString fromEmpty("");
    EXPECT_EQ(fromEmpty.size(), 0u);
    EXPECT_STREQ(fromEmpty.c_str(), "");

    CString s;
    s = "abc";
    EXPECT_EQ(s.size(), 4u);
    EXPECT_EQ(s.length(), 3u);
    s = "x";  // the block is reused, never shrunk
    EXPECT_EQ(s.size(), 4u);
    EXPECT_STREQ(s.c_str(), "x");
    EXPECT_EQ(std::memcmp(s.c_str(), "x\0\0\0", 4), 0);  // the tail is wiped

    s += "yz";  // fits the block
    EXPECT_EQ(s.size(), 4u);
    s += "!";  // needs exactly one byte more
    EXPECT_EQ(s.size(), 5u);
    EXPECT_STREQ(s.c_str(), "xyz!");
    s += s;  // appending itself
    EXPECT_STREQ(s.c_str(), "xyz!xyz!");
    EXPECT_EQ(s.size(), 9u);

    s.reserve(3);  // never shrinks
    EXPECT_EQ(s.size(), 9u);
    s.reserve(20);
    EXPECT_EQ(s.size(), 20u);
    EXPECT_STREQ(s.c_str(), "xyz!xyz!");

    const CString& self = s;
    s = self;  // assigning itself keeps the text
    EXPECT_STREQ(s.c_str(), "xyz!xyz!");
    s = s.c_str() + 4;  // a tail of its own text
    EXPECT_STREQ(s.c_str(), "xyz!");

    s = '\0';
    EXPECT_EQ(s.length(), 1u);
    CString nothing(static_cast<const char*>(nullptr));
    EXPECT_EQ(nothing.size(), 0u);
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.size(), 0u);
}

TEST(StringTest, IndexGrowsTheBlockButNotTheText) {
    CString s;
    s[10] = 'q';
    EXPECT_EQ(s.size(), 11u);
    EXPECT_EQ(s.length(), 0u);
    EXPECT_STREQ(s.c_str(), "");
    s[0] = 'a';
    EXPECT_EQ(s.size(), 11u);
}

TEST(StringTest, AssigningAnEmptyStringKeepsTheBlock) {
    CString s("abc");
    s = CString();
    EXPECT_EQ(s.size(), 4u);
    EXPECT_TRUE(s.empty());
    CString none;
    EXPECT_NE(s, none);
    EXPECT_LT(none, s);
    EXPECT_FALSE(s == "");  // "" builds a string without a block
}

TEST(StringTest, ComparisonsOrderUnsignedBytesAndBlocklessStringsFirst) {
    const CString none1;
    const CString none2;
    EXPECT_TRUE(none1 == none2);
    EXPECT_FALSE(none1 < none2);
    EXPECT_FALSE(none1 > none2);
    EXPECT_TRUE(none1 <= none2 && none1 >= none2);

    struct Case {
        const char* lower;
        const char* higher;
    };
    const Case cases[] = {{"a", "b"}, {"a", "ab"}, {"z", "\xE9"}, {"ABC", "abc"}, {"ab", "b"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lower) + " < " + c.higher);
        const CString lo(c.lower);
        const CString hi(c.higher);
        EXPECT_TRUE(lo < hi);
        EXPECT_TRUE(lo <= hi);
        EXPECT_TRUE(hi > lo);
        EXPECT_TRUE(hi >= lo);
        EXPECT_TRUE(lo != hi);
        EXPECT_FALSE(lo == hi);
        EXPECT_TRUE(lo < c.higher);
        EXPECT_TRUE(hi > c.lower);
        EXPECT_TRUE(lo == c.lower);
    }
    EXPECT_TRUE(CString("b") == 'b');
    EXPECT_TRUE(CString("a") < 'b');
    EXPECT_TRUE(none1 < CString("x"));
}

TEST(StringTest, FailedAllocationsNeverLoseAnExistingText) {
    CString s("abc");
    const CString tail("defgh");
    {
        const FailingHeap failing;
        s += tail;  // needs a larger block that cannot come
        EXPECT_STREQ(s.c_str(), "abc");
        EXPECT_EQ(s.size(), 4u);
        s.reserve(100);
        EXPECT_EQ(s.size(), 4u);
        s[50] = 'x';  // lands on a scratch byte, not past the block
        EXPECT_STREQ(s.c_str(), "abc");
        s = "a much longer text";  // a failed assignment leaves no block
        EXPECT_EQ(s.size(), 0u);
        EXPECT_STREQ(s.c_str(), "");
    }
    s = "ok";
    EXPECT_STREQ(s.c_str(), "ok");
}

TEST(StringTest, StrnlenStopsAtNulOrMaximum) {
    EXPECT_EQ(UTKString::strnlen("hello", 10), 5u);
    EXPECT_EQ(UTKString::strnlen("hello", 3), 3u);
    EXPECT_EQ(UTKString::strnlen("hello", 0), 0u);
}

}  // namespace
