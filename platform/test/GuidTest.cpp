#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

#include "platform/Guid.h"

using namespace platform;

namespace {

constexpr Guid kPrinter{
    0x5A17C0D7, 0x9B2E, 0x4C61, {0xA3, 0xF4, 0x2D, 0x8E, 0x6B, 0x10, 0xC7, 0xA5}};

}  // namespace

TEST(Guid, ParsesWithoutRegardToCaseAndWritesCapitals) {
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}", "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}"},
        {"{5a17c0d7-9b2e-4c61-a3f4-2d8e6b10c7a5}", "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}"},
        {"{00000000-0000-0000-0000-000000000000}", "{00000000-0000-0000-0000-000000000000}"},
        {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
        {"{0123abCD-0a0B-Cc0d-e0F1-000102030405}", "{0123ABCD-0A0B-CC0D-E0F1-000102030405}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto id = Guid::Parse(c.text);
        ASSERT_TRUE(id);
        EXPECT_EQ(id->ToString(), c.written);
        EXPECT_EQ(Guid::Parse(id->ToString()), id);
    }
    EXPECT_EQ(Guid::Parse("{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}"), kPrinter);
    EXPECT_TRUE(Guid{}.IsNull());
    EXPECT_FALSE(kPrinter.IsNull());
}

TEST(Guid, RefusesEverythingButTheExactForm) {
    const char* bad[] = {
        "",
        "5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5",     // no braces
        "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5",    // one brace
        "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}}",  // too long
        "{5A17C0D7-9B2E-4C61-A3F42D8E6B10C7A5F}",   // dash missing, digit instead
        "{5A17C0D79B2E-4C61-A3F4-2D8E6B10C7A5F}",   // dash moved
        "{5A17C0DG-9B2E-4C61-A3F4-2D8E6B10C7A5}",   // not hex
        "{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A }",   // space
        "{+A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}",   // sign
        "(5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5)",   // other brackets
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Guid::Parse(text));
    }
    EXPECT_FALSE(Guid::Parse(std::string("{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A\0}", 38)));
}

TEST(Guid, OrdersAndHashesByEveryByte) {
    // Ids that differ in one field each: all distinct, all ordered, all hashed apart.
    Guid ids[6] = {kPrinter, kPrinter, kPrinter, kPrinter, kPrinter, kPrinter};
    ids[1].data1 += 1;
    ids[2].data2 += 1;
    ids[3].data3 += 1;
    ids[4].data4[0] += 1;
    ids[5].data4[7] += 1;
    std::unordered_set<Guid> set(std::begin(ids), std::end(ids));
    EXPECT_EQ(set.size(), 6u);
    for (int i = 1; i < 6; ++i) {
        EXPECT_NE(ids[0], ids[i]);
        EXPECT_LT(ids[0], ids[i]);
        EXPECT_TRUE(set.contains(ids[i]));
    }
}
