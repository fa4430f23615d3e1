#include "core/BlockCheck.h"

#include <gtest/gtest.h>

#include "support/Hex.h"

namespace {

using support::FromHex;

enum class Kind { Bcc, Rotated, AsyncMini };

TEST(BlockCheckTest, Frames) {
    struct Case {
        const char* name;
        Kind kind;
        const char* frame;
        bool bSubstitutes;
        std::uint8_t bcc;
    };
    const Case cases[] = {
        {"STX A ETX", Kind::Bcc, "02 41 03", false, 0x42},
        {"acknowledgement frame", Kind::Bcc, "02 02 02 41 42 03", false, 0x00},
        {"acknowledgement frame rotated", Kind::Rotated, "02 02 02 41 42 03", false, 0x72},
        {"DLE and STX inside are skipped", Kind::Bcc, "02 41 10 02 42 03", false, 0x00},
        {"no end byte: every byte", Kind::Bcc, "41 42 44", false, 0x47},
        {"bytes after ETX are not read", Kind::Bcc, "41 03 FF 77", false, 0x42},
        {"empty", Kind::Bcc, "", false, 0x00},
        {"substitutes: real controls are data", Kind::Bcc, "02 41 03 10 42", true, 0x12},
        {"substitutes: F3 ends, F2 and 5D skipped", Kind::Bcc, "F2 41 5D F3 42", true, 0xB2},
        {"rotated ETX alone", Kind::Rotated, "03", false, 0x03},
        {"rotated 01 ETX", Kind::Rotated, "01 03", false, 0x83},
        {"rotated substitutes", Kind::Rotated, "F2 01 F3 55", true, 0x73},
        {"async-mini frame", Kind::AsyncMini, "16 16 41 42 17 14", false, 0x14},
        {"async-mini DLE skipped", Kind::AsyncMini, "16 41 10 42 17", false, 0x14},
        {"async-mini substitutes", Kind::AsyncMini, "5F 41 5D 42 7E 99", true, 0x7D},
        {"async-mini substitutes: real ETB is data", Kind::AsyncMini, "41 17 42", true, 0x14},
    };
    for (const Case& c : cases) {
        const auto bytes = FromHex(c.frame);
        std::uint8_t bcc = 0;
        switch (c.kind) {
            case Kind::Bcc:
                bcc = core::CalculateBCC(bytes, c.bSubstitutes);
                break;
            case Kind::Rotated:
                bcc = core::CalculateBCCRotated(bytes, c.bSubstitutes);
                break;
            case Kind::AsyncMini:
                bcc = core::CalculateBCCAsyncMini(bytes, c.bSubstitutes);
                break;
        }
        EXPECT_EQ(bcc, c.bcc) << c.name;
    }
}

TEST(BlockCheckTest, ReadsNoMoreThanItIsGiven) {
    const auto frame = FromHex("41 42 43 03");
    EXPECT_EQ(core::CalculateBCC(std::span(frame).first(2), false), 0x03);
    EXPECT_EQ(core::CalculateBCCRotated(std::span(frame).first(0), false), 0x00);
}

}  // namespace
