// The front ends' texts and tables on their own: OTHERHOSTS and PTRURLLIST editing, host
// information lines and PAID resolution, the cluster table, host error classes and the shapes
// of queued error messages, the idle limit and the desktop payload's sizing.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "hostdriver/DesktopPayload.h"
#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostCode.h"
#include "hostdriver/HostErrors.h"
#include "hostdriver/HostInfoTable.h"
#include "hostdriver/HostTexts.h"
#include "hostdriver/TerminalMFE.h"
#include "support/Hex.h"
#include "winmon/Winmon.h"

namespace quildrv {
namespace {

using support::FromHex;
using support::ToHex;

TEST(OtherHostsTest, EntriesMatchWholeNamesAndRewrittenEntriesMoveToTheEnd) {
    const std::string list =
        "HOST10/STATE=1/LID=00000001/RID=000001;HOST1/STATE=7/LID=0000ABCD/RID=1A2B01;";
    EXPECT_EQ(EntryOf(list, "host1"), "HOST1/STATE=7/LID=0000ABCD/RID=1A2B01;");
    EXPECT_EQ(EntryOf(list, "HOST"), "");
    EXPECT_EQ(EntryOf(list, "STATE=1"), "");
    EXPECT_EQ(EntryField(EntryOf(list, "HOST1"), "STATE"), "7");
    EXPECT_EQ(EntryField(EntryOf(list, "HOST1"), "RID"), "1A2B01");
    EXPECT_FALSE(EntryField("HOST1;", "LID").has_value());

    const std::string rewritten =
        ReplaceEntry(list, "HOST10", OtherHostEntry("HOST10", 0, {0, 0, 0, 2}, {0xAB, 0, 1}));
    EXPECT_EQ(rewritten,
              "HOST1/STATE=7/LID=0000ABCD/RID=1A2B01;HOST10/STATE=0/LID=00000002/RID=AB0001;");
    EXPECT_EQ(RemoveEntry(list, "HOST1"), "HOST10/STATE=1/LID=00000001/RID=000001;");
    EXPECT_EQ(ReplaceEntry("A/STATE=1", "B", "B/STATE=0;"), "A/STATE=1;B/STATE=0;");
    EXPECT_EQ(EntryHosts(list), (std::vector<std::string>{"HOST10", "HOST1"}));

    // A text that grows past any fixed buffer is handled whole.
    std::string big;
    for (int i = 0; i < 400; ++i) big += OtherHostEntry("H" + std::to_string(i), 1, {}, {});
    EXPECT_EQ(EntryField(EntryOf(big, "H399"), "STATE"), "1");
    EXPECT_EQ(EntryHosts(RemoveEntry(big, "H0")).size(), 399u);
}

TEST(OtherHostsTest, UrlListAddsANameOnceAndHandsNamesOutInOrder) {
    std::string list;
    EXPECT_TRUE(AddListName(list, "127.0.0.2", 1022));
    EXPECT_FALSE(AddListName(list, "127.0.0.2", 1022));
    EXPECT_TRUE(AddListName(list, "127.0.0.20", 1022));
    EXPECT_FALSE(AddListName(list, std::string(1100, 'x'), 1022));
    EXPECT_FALSE(AddListName(list, "a;b", 1022));
    EXPECT_EQ(list, "127.0.0.2;127.0.0.20;");
    EXPECT_EQ(TakeFirstName(list), "127.0.0.2");
    EXPECT_EQ(TakeFirstName(list), "127.0.0.20");
    EXPECT_FALSE(TakeFirstName(list).has_value());

    // A last entry without its ";" stays a name of its own.
    list = "127.0.0.2";
    EXPECT_TRUE(AddListName(list, "127.0.0.3", 1022));
    EXPECT_EQ(list, "127.0.0.2;127.0.0.3;");
    EXPECT_FALSE(AddListName(list, "127.0.0.2", 1022));
}

TEST(HexTextTest, RidsAndLidsRoundTripAndBadTextsAreRefused) {
    EXPECT_EQ(RidText({0x1A, 0x2B, 0x01}), "1A2B01");
    EXPECT_EQ(LidText({0, 0, 0xAB, 0xCD}), "0000ABCD");
    EXPECT_EQ(RidFromText("1a2b01"), (Rid{0x1A, 0x2B, 0x01}));
    EXPECT_FALSE(RidFromText("1A2B0").has_value());
    EXPECT_FALSE(LidFromText("0000ABCG").has_value());
}

TEST(HexTextTest, AThinClientsLidStaysTheSameForItsTerminalAndComputer) {
    // Stored LIDs outlive the program: the function must not change.
    struct Case {
        const char* lniata;
        const char* computer;
        std::uint32_t lid;
    };
    const Case cases[] = {
        {"1A2B01", "WS01", 0x32AC65C1u},
        {"1A2B02", "WS01", 0x4F0046D6u},
        {"1A2B01", "WS02", 0x2FAC6108u},
        {"1A2B0", "1WS01", 0x06C110CFu},  // the split between the two counts
        {"000000", "WORKSTATION1", 0xE95B0CADu},
        {"", "", 0x050C5D1Fu},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ThinClientLid(c.lniata, c.computer), c.lid) << c.lniata << " " << c.computer;
    EXPECT_LE(ComputerName().size(), 12u);
}

TEST(HostInfoTest, LinesPrefixesAndTheFirstMatch) {
    struct Line {
        const char* text;
        bool valid;
    };
    const Line lines[] = {{"XY;127.0.0.2;C2;", true},
                          {"AB*;.HOST.EXAMPLE;C1;rest", true},
                          {"XY", false},
                          {"A;;C;", false},
                          {"A;B", false},
                          {"XY;other.example;C3;\r", true}};
    std::string file;
    for (const Line& l : lines) {
        EXPECT_EQ(ParseHostInfoLine(l.text).has_value(), l.valid) << l.text;
        file += std::string(l.text) + "\n";
    }
    std::istringstream in(file);
    CHostInfoTable table;
    EXPECT_EQ(table.Load(in), 3u);
    EXPECT_EQ(table.Resolve("xy"), "127.0.0.2");            // the first of two matches
    EXPECT_EQ(table.Resolve("AB12"), "AB12.HOST.EXAMPLE");  // a prefix entry
    EXPECT_FALSE(table.Resolve("XYZ").has_value());         // an exact record of another length
    EXPECT_FALSE(table.Resolve("").has_value());
    EXPECT_EQ(HostInfoLine({"AB*", ".HOST.EXAMPLE", "C1"}), "AB*;.HOST.EXAMPLE;C1;\r\n");
}

TEST(HostInfoTest, ClustersKeepStateLidAndRidForAllTheirHosts) {
    CHostInfoTable table;
    table.Add({"XY", "127.0.0.2", "C2"});
    table.Add({"XZ", "127.0.0.3", "C2"});
    EXPECT_EQ(table.State("127.0.0.2"), CHostInfoTable::kNoCluster);
    EXPECT_EQ(table.State("unknown"), CHostInfoTable::kNoCluster);
    table.SetState("127.0.0.2", 1);
    EXPECT_EQ(table.State("XZ"), 1);
    EXPECT_FALSE(table.DomainRid("127.0.0.3").has_value());
    table.SetDomainRid("127.0.0.3", {1, 2, 3});
    table.SetDomainLid("127.0.0.3", {0, 0, 1, 1});
    EXPECT_EQ(table.DomainRid("127.0.0.2"), (Rid{1, 2, 3}));
    EXPECT_EQ(table.DomainLid("XY"), (Lid{0, 0, 1, 1}));
    table.SetDomainRid("unknown", {9, 9, 9});
    EXPECT_FALSE(table.DomainRid("unknown").has_value());
}

TEST(HostErrorTest, TextsAreClassifiedByTheirCodeAndOnlyWhereTheyReach) {
    struct Case {
        const char* text;
        int kind;
        int code;
    };
    const Case cases[] = {
        {"P01", 0, 1032},
        {"S07- STAGING", 8, 1040},
        {"C06 X", 18, 1050},
        {"C05", 21, 1052},
        {"7QHOST UNREACHABLE", 19, 1016},
        {"7QHOST UNREACHABL", 21, 1052},
        {"7QA CRITICAL FOS OUTAGE", 20, 1051},
        {"S0", 21, 1052},
        {"", 21, 1052},
    };
    for (const Case& c : cases) {
        const HostErrorClass got = ClassifyHostErrorText(c.text);
        EXPECT_EQ(got.kind, c.kind) << c.text;
        EXPECT_EQ(got.code, c.code) << c.text;
    }
    EXPECT_EQ(ClassifyHostError(*ToHostCode("S06 RA8S")).kind, 7);
}

TEST(HostErrorTest, ErrorAndReplacementMessagesHaveTheirShapes) {
    EXPECT_EQ(ToHex(ErrorMessage(FromHex("D1 D2 D3 D4 D5"))), "D1 D2 5B D3 D4 5B D5");
    EXPECT_EQ(ToHex(ErrorMessage(FromHex("D1 D2 D3"))), "D1 D2 5B 5B D3");
    EXPECT_EQ(ToHex(ErrorMessage(FromHex("D1 D2"))), "D1 D2");
    EXPECT_EQ(ToHex(ReplacementMessage(kRa8sText, FromHex("E2 F0 F6 4E"))),
              "E2 F0 F7 D8 5B D9 C1 F8 E2 5B 4E");
    EXPECT_EQ(ToHex(ReplacementMessage(kRa8sText, FromHex("E2"))), "F7 D8 5B D9 C1 F8 E2 5B 4E");
}

TEST(TerminalSettingsTest, IdleTimeOutIsGivenInMinutes) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"3", 180000}, {"0", 7200000}, {"", 7200000}, {"ten", 7200000}, {"-4", 7200000}};
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(CTerminalMFE::IdleLimitFromText(text), ms) << text;
}

std::vector<unsigned> g_sizes;

unsigned LongPayload(char* buffer, unsigned size) {
    g_sizes.push_back(size);
    const std::string text(899, 'W');
    if (size > text.size()) std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 900;
}

unsigned EndlessPayload(char* /*buffer*/, unsigned size) {
    g_sizes.push_back(size);
    return size + 1;
}

TEST(DesktopPayloadTest, ALongPayloadIsAskedForAgainWithItsSizeAndTheRoundsAreBounded) {
    std::string asked;
    winmon::SetDesktopPayloadSource(&LongPayload);
    g_sizes.clear();
    EXPECT_EQ(DesktopPayloadText(&asked).size(), 899u);
    EXPECT_EQ(asked, "512/500;912/900;");

    winmon::SetDesktopPayloadSource(&EndlessPayload);
    g_sizes.clear();
    (void)DesktopPayloadText();
    EXPECT_LE(g_sizes.size(), 4u);
    winmon::SetDesktopPayloadSource(nullptr);
    EXPECT_FALSE(DesktopPayloadText().empty());
}

}  // namespace
}  // namespace quildrv
