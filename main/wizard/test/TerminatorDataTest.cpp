#include "wizard/TerminatorData.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(TerminatorData, CustomFieldDecoding) {
    const struct {
        const char* field;
        std::string bytes;
    } cases[] = {
        {"~0D~0A", "\r\n"},
        {"A~4", "\x41\x40"},
        {"A~", "A"},
        {"~0d", "\0"s},     // lower-case digits count 0
        {"~G1X", "\x01X"},  // so does any other character
        {"~~41",
         "\x04"
         "1"},
        {"~FF~00B", "\xFF\0B"s},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wizard::DecodeTerminatorField(c.field), c.bytes) << c.field;
}

TEST(TerminatorData, ByType) {
    EXPECT_EQ(wizard::MakeTerminatorData(1, 3, "x"), "\r\f");
    EXPECT_EQ(wizard::MakeTerminatorData(2, 3, "x"), "\r");
    EXPECT_EQ(wizard::MakeTerminatorData(3, 3, "x"), "\r\n\n\n");
    EXPECT_EQ(wizard::MakeTerminatorData(3, 4000000000u, ""), "\r" + std::string(60, '\n'));
    EXPECT_EQ(wizard::MakeTerminatorData(4, 0, "~1B~45"), "\x1B\x45");
    EXPECT_EQ(wizard::MakeTerminatorData(0, 0, "~1B"), "");
    EXPECT_EQ(wizard::MakeTerminatorData(5, 0, "~1B"), "");
}

}  // namespace
