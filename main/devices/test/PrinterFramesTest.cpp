#include "devices/PrinterFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Hex.h"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PrinterFramesTest, MessagesAreFramedForBothLines) {
    const Bytes ab = {'A', 'B'};
    EXPECT_EQ(MakeATB2Frame(ab), support::FromHex("02 02 02 41 42 03 00 72"));
    EXPECT_EQ(MakeATB2Frame(Bytes{}), support::FromHex("02 02 02 03 03 03"));
    EXPECT_EQ(MakeAsyncMiniFrame(ab), support::FromHex("16 16 41 42 17 14"));
}

// What the cutter takes from the gathered bytes: the data of the first whole frame, its
// size as counted, whether its checks hold, and what stays for the next read.
TEST(PrinterFramesTest, TheFirstWholeFrameIsCutAndTheRestKept) {
    struct Case {
        bool atb2;
        const char* gathered;
        const char* data;  // nullptr: no whole frame
        std::size_t counted;
        bool checkOk;
        const char* left;
    };
    const Case cases[] = {
        {true, "02 02 02 41 42 03 00 72", "AB", 8, true, ""},
        {true, "FF 00 02 02 02 41 42 03 00 72 02 02", "AB", 8, true, "02 02"},      // junk dropped
        {true, "02 02 02 41 42 03 00", nullptr, 0, false, "02 02 02 41 42 03 00"},  // one check
        {true, "02 02 02 41 42", nullptr, 0, false, "02 02 02 41 42"},
        {true, "02 02 02 41 03 42 03 00 00", "A", 7, false, "00 00"},  // ends at first ETX
        {true, "02 02 02 41 42 03 01 72", "AB", 8, false, ""},         // a wrong check still passes
        {true, "02 02 02 03 03 03 02", "", 6, true, "02"},
        {false, "16 16 41 42 17 14", "AB", 6, true, ""},
        {false, "00 16 16 41 42 17 99 16 16", "AB", 6, false, "16 16"},
        {false, "16 16 41 42 17", nullptr, 0, false, "16 16 41 42 17"},
        {false, "16 41 17 00", nullptr, 0, false, "16 41 17 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gathered);
        Bytes gathered = support::FromHex(c.gathered);
        const CutFrame cut = c.atb2 ? CutATB2Frame(gathered) : CutAsyncMiniFrame(gathered);
        EXPECT_EQ(cut.bFound, c.data != nullptr);
        if (c.data) {
            EXPECT_EQ(cut.strData, c.data);
            EXPECT_EQ(cut.nFrameBytes, c.counted);
            EXPECT_EQ(cut.bCheckOk, c.checkOk);
        }
        EXPECT_EQ(gathered, support::FromHex(c.left));
    }
}

}  // namespace
}  // namespace devices
