// The region commands read from the two ini files, and what outgoing text does with them.
#include <gtest/gtest.h>

#include "platform/Profile.h"
#include "support/Hex.h"
#include "support/TempRoot.h"
#include "zel/VorsSettings.h"

namespace zel {
namespace {

using support::ToHex;

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

class VorsTest : public ::testing::Test {
protected:
    void HostTrans(const char* value) {
        // Written under a name in another case: the files are found all the same.
        ASSERT_TRUE(platform::WritePrivateProfileString("VORS", "HostTrans", value, "trevo.ini"));
    }
    void Region(const char* region, const char* command) {
        ASSERT_TRUE(platform::WritePrivateProfileString(region, "CHGCHG", command, "Vors.ini"));
    }
    support::TempRoot root;
};

TEST_F(VorsTest, CommandsOnlyWithHostTrans) {
    LoadRegionCommands();
    EXPECT_EQ(CurrentVors().hostTrans, 0);
    HostTrans("1");
    LoadRegionCommands();  // no region sections
    for (const auto& c : CurrentVors().commands) EXPECT_TRUE(c.empty());
    EXPECT_EQ(FindRegionSwitch(Text("1"), CurrentVors()), PrinterSwitch::None);

    Region("NORDIA", "..NOR");
    Region("HOME", "..TREVO");
    Region("SUDRIA", "S");  // one character: no command
    HostTrans("2");
    LoadRegionCommands();
    for (const auto& c : CurrentVors().commands) EXPECT_TRUE(c.empty());

    HostTrans("1");
    LoadRegionCommands();
    const VorsSettings vors = CurrentVors();
    EXPECT_EQ(ToHex(vors.commands[0]), "4B 4B D5 D6 D9");
    EXPECT_TRUE(vors.commands[2].empty());
    EXPECT_EQ(ToHex(vors.commands[4]), "4B 4B E3 D9 C5 E5 D6");
}

TEST_F(VorsTest, PrinterSwitchAtTheStart) {
    VorsSettings vors;
    vors.commands[1] = {0x4B, 0xC5};
    vors.commands[4] = {0x4B, 0xE3};
    struct Case {
        std::vector<std::uint8_t> text;
        PrinterSwitch result;
    };
    for (const Case& k : std::vector<Case>{
             {{0x4B, 0xC5, 0x40}, PrinterSwitch::On},
             {{0x40, 0x4B, 0xC5}, PrinterSwitch::On},
             {{0x40, 0x40, 0x4B, 0xC5}, PrinterSwitch::None},
             {{0x4B, 0xE3}, PrinterSwitch::Off},
             {{0x4B}, PrinterSwitch::None},
         })
        EXPECT_EQ(FindRegionSwitch(k.text, vors), k.result) << ToHex(k.text);
}

}  // namespace
}  // namespace zel
