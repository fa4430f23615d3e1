// The load-balancer exchange, the front-end reassembly and code, and the error texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arlo/ArloErrors.h"
#include "arlo/FrontEndText.h"
#include "arlo/LBClient.h"
#include "arlo/ProcessBase.h"
#include "brxapicfg/BRXConfig.h"
#include "brxconn/CMessage.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace arlo::test {
namespace {

using support::FromHex;
using support::ToHex;

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::string Data(const CMessage& m) {
    std::string s;
    (void)m.GetData(s);
    return s;
}

TEST(LoadBalancerTest, RequestsByAddressOrClass) {
    support::TempRoot root;
    BRXConfig cfg;
    const std::string r = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(r, "A", "Load Balancer Name", "127.0.0.1");
    (void)cfg.SetValue(r, "A", "Load Balancer Fallback Name", "127.0.0.2");
    (void)cfg.SetValue(r, "A", "Load Balancer IP Port", 0UL);
    (void)cfg.SetValue(r, "A", "Use Class Name", 0UL);
    (void)cfg.SetValue(r, "A", "LNIATA", "1a2b01");
    (void)cfg.SetValue(r, "A", "Idle Timeout", 30UL);
    CLBClient byAddress(CLBClient::Sending);
    ASSERT_TRUE(byAddress.LoadRouteSettings("A"));
    EXPECT_EQ(byAddress.loadBalancerPort, kDefaultLoadBalancerPort);
    EXPECT_EQ(byAddress.idleTimeoutMs, 120000u);
    byAddress.SetIdentity("0A010203");
    EXPECT_EQ(ToHex(byAddress.RequestFrame()).substr(0, 8), "02 00 2E");
    EXPECT_EQ(byAddress.RequestText(), "GET TREVO_VIA_LNIATA 1A2B01 PORT=0 ID=0A010203");
    byAddress.SetIdentity("");
    EXPECT_EQ(ToHex(byAddress.RequestFrame()).substr(0, 8), "02 00 26");

    (void)cfg.SetValue(r, "A", "Use Class Name", 1UL);
    CLBClient byClass(CLBClient::Sending);
    EXPECT_FALSE(byClass.LoadRouteSettings("A"));  // no class name
    (void)cfg.SetValue(r, "A", "Class Name", "CLS1");
    ASSERT_TRUE(byClass.LoadRouteSettings("A"));
    EXPECT_EQ(ToHex(byClass.RequestFrame()),
              "02 00 1F " + ToHex(Bytes("GET TREVO_VIA_CLASS CLS1 PORT=0")));
}

TEST(LoadBalancerTest, Replies) {
    struct Case {
        std::string body;
        int result;
        std::string name;  // the front end's name for a grant
    };
    const std::string token = std::string("\x01\x02\x03\x04", 4);
    const std::vector<Case> cases = {
        {"R-TOKEN=" + token + " IP_PORT=4100 LNIATA=1A2B01 DNS_NAME=fe.local X", 0, "fe.local"},
        {"R-DNS_NAME=h IP_PORT=7 LNIATA=1A2B01 TOKEN=" + token, 0, "h"},
        {"R-TOKEN=" + token + " IP_PORT=4100 DNS_NAME=fe", kGrantIncomplete, ""},
        {"R-TOKEN=ab", kGrantIncomplete, ""},
        {"R-TOKEN=" + token + " IP_PORT=99999 LNIATA=1A2B01 DNS_NAME=fe", kGrantIncomplete, ""},
        {"E-055 refused", 20055, ""},
        {"E-060", 20060, ""},
        {"E-000", kRefusedWithoutCode, ""},
        {"E-", kRefusedWithoutCode, ""},
        {"HELLO", kOtherReply, ""},
        {"", kNoReply, ""},
    };
    for (const Case& c : cases) {
        CLBClient client(CLBClient::Receiving);
        std::vector<std::uint8_t> wire{0x02, static_cast<std::uint8_t>(c.body.size() >> 8),
                                       static_cast<std::uint8_t>(c.body.size())};
        wire.insert(wire.end(), c.body.begin(), c.body.end());
        // In pieces of one byte.
        for (const std::uint8_t b : wire) client.Feed(std::span<const std::uint8_t>(&b, 1));
        EXPECT_EQ(client.ResultCode(), c.result) << c.body;
        EXPECT_EQ(client.IsComplete(), c.result == 0) << c.body;
        if (c.result == 0) {
            EXPECT_EQ(client.Verdict().grant.dnsName, c.name);
        }
    }
    // A body longer than the buffer is refused before it is read.
    CLBClient big(CLBClient::Receiving);
    const auto header = FromHex("02 04 FE");
    EXPECT_EQ(big.Feed(header), 3u);
    EXPECT_TRUE(big.Failed());
    EXPECT_EQ(big.ResultCode(), kOtherReply);
}

TEST(FrontEndTest, ReassemblesPacketsOfAMessage) {
    CProcessBase p;
    const auto wire = FromHex(
        "02 00 06 00 03 01 02 03 48 49"  // kind 3, first: 4 bytes hidden
        "02 00 02 00 03 4A"              // kind 3: 1 byte hidden
        "02 00 02 00 02 4B"              // kind 2: last
        "02 00 01 00 06");               // the next message's
    std::size_t taken = 0;
    for (std::size_t i = 0; i < wire.size() && !p.IsComplete(); ++i)
        taken += p.Feed(std::span<const std::uint8_t>(&wire[i], 1));
    EXPECT_EQ(taken, wire.size() - 5);
    ASSERT_TRUE(p.IsComplete());
    EXPECT_EQ(Data(p.Message()), "HIJK");

    struct Case {
        const char* wire;
        bool error;
        int result;
    };
    for (const Case& c : std::vector<Case>{
             {"02 00 01 00 06", false, 0},
             {"02 00 00 00", true, kRefusedWithoutCode},
             {"02 00 03 00 04 00 00", true, kRefusedWithoutCode},
             {"02 00 06 00 04 45 2D 31 31 30", true, 23110},
             {"02 00 06 00 04 45 2D 30 30 30", true, kRefusedWithoutCode},
             {"02 00 03 00 02 41 42", true, kRefusedWithoutCode},
             {"02 00 01 00 01", true, kRefusedWithoutCode},
             {"02 00 06 00 07 45 2D 30 37 30", true, 23070},
         }) {
        CProcessBase q;
        q.Feed(FromHex(c.wire));
        EXPECT_EQ(q.IsError(), c.error) << c.wire;
        EXPECT_EQ(q.ResultCode(), c.result) << c.wire;
    }
    CProcessBase keep;
    keep.Feed(FromHex("02 00 01 00 06"));
    EXPECT_TRUE(keep.IsDroppedKind());
}

TEST(FrontEndTest, CharacterCode) {
    struct Case {
        std::string text;
        const char* code;
    };
    for (const Case& c : std::vector<Case>{{"ABC", "C1 C2 C3 4E"},
                                           {"abc", "5D C1 5D C2 5D C3 4E"},
                                           {"AB\x15", "C1 C2 4E"},
                                           {"A B", "C1 40 C2 4E"},
                                           {"1/", "F1 61 4E"}}) {
        CMessage m;
        EncodeFrontEndText(m, Bytes(c.text));
        std::string out;
        (void)m.GetData(out);
        EXPECT_EQ(ToHex(Bytes(out)), c.code) << c.text;
    }
    struct Decode {
        const char* code;
        std::string text;
    };
    for (const Decode& d : std::vector<Decode>{{"5D 40 43", "      "},
                                               {"C1 C2 4E C3", "AB"},
                                               {"5D C1 5D 5D", "a)"},
                                               {"6C C1",
                                                "\x1F"
                                                "A"},
                                               {"00 99 C1", "PRA"},
                                               {"C1 00", "PR"}}) {
        CMessage m;
        DecodeFrontEndText(FromHex(d.code), m, 0, 0);
        EXPECT_EQ(Data(m), d.text) << d.code;
    }
    CMessage copy;
    CopyFrontEndText(FromHex("00 41 00 42 4E 43"), copy, 0, 0);
    EXPECT_EQ(ToHex(Bytes(Data(copy))), "00 41 42 4E");
    CMessage none;
    DecodeFrontEndText(FromHex("C1"), none, 3, 0);
    EXPECT_EQ(none.GetLength(), 0);
}

TEST(ErrorTextTest, Tables) {
    const ErrorText refused = LoadBalancerErrorText(55, "E-055");
    EXPECT_EQ(refused.error, 1015);
    EXPECT_EQ(refused.text,
              "Either the LNIATA or the CLASS Name requested is invalid.  Please use another "
              "name. Error Code : E-055");
    EXPECT_EQ(LoadBalancerErrorText(10, "E-010").text,
              "The Common TREVO API was not able to connect to the Host you requested. Contact "
              "Help Desk. Error Code : E-010");
    EXPECT_EQ(LoadBalancerErrorText(999, "E-999").error, 1025);
    const ErrorText session = SessionErrorText(110, "");
    EXPECT_EQ(session.error, 1020);
    EXPECT_EQ(session.text,
              "This session has been terminated due to inactivity. Please reconnect as you need "
              "it. Error Code :   -110.");
    EXPECT_EQ(SessionErrorText(70, "E-070").text,
              "The System Administrator has terminated this session on the host. Contact Help "
              "Desk. Error Code : E-070");
    EXPECT_EQ(WinsockErrorText(10035).error, 1026);
    EXPECT_EQ(WinsockErrorText(10061).error, 1027);
    EXPECT_STREQ(WinsockName(10061), "Connection Refused");
    EXPECT_EQ(WinsockName(10000), nullptr);
}

}  // namespace
}  // namespace arlo::test
