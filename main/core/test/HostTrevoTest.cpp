#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HostTrevoFixture.h"
#include "notify/Notify.h"

namespace {

using hosttest::HostLinkTest;
using hosttest::Msg;
using hosttest::Options;

struct Step {
    const char* in;  // host message, EBCDIC hex
    int verdict;
    const char* wire = "";            // acknowledgement sent to the host, EBCDIC hex
    const char* delivered = nullptr;  // text for the device, when the step checks it
    const char* calls = "";           // connection hooks called
    char cStatusAfterWrite = '0';
};

class MsgFromHostTest : public HostLinkTest {
protected:
    void Run(const Options& options, const std::vector<Step>& steps, const char* scenario) {
        Make(options);
        int row = 0;
        for (const Step& s : steps) {
            ++row;
            SCOPED_TRACE(std::string(scenario) + " row " + std::to_string(row) + ": " + s.in);
            EXPECT_EQ(Receive(s.in, s.cStatusAfterWrite), s.verdict);
            EXPECT_EQ(wire, s.wire);
            if (s.delivered) {
                EXPECT_EQ(delivered, s.delivered);
            }
            std::string calls;
            for (const auto& c : host->calls) calls += (calls.empty() ? "" : "; ") + c;
            EXPECT_EQ(calls, s.calls);
            host->calls.clear();
        }
    }
};

TEST_F(MsgFromHostTest, ProtectedMessagesAndSequenceNumbers) {
    Run({},
        {
            {"C1 C1 C8 C9 4E", 1, "C3 7C F2 F7 4E"},             // protected before any reset
            {"C3 D9 4E", 1, "C3 7C F2 F0 4E"},                   // reset: no TSN yet
            {"C1 C1 C8 C9 4E", 0, "C3 C1 F2 F0 4E", "HI"},       // AA delivered
            {"C1 C1 C8 C9 4E", 3, "C3 C1 F2 F1 4E"},             // AA repeated: acknowledged again
            {"C1 C3 C8 4E", 1, "C3 C1 F2 F1 4E"},                // AC out of sequence
            {"C1 C3 C8 4E", 2},                                  // second copy of AC dropped
            {"C1 C2 C8 4E", 0, "C3 C2 F2 F0 4E", "H"},           // AB, the expected one
            {"C4 C1 C8 4E", 2},                                  // unprotected in protected mode
            {"C6 C1 C8 4E", 2},                                  // C1 outside A to E
            {"00 C1 C8 4E", 2},                                  // zero C1
            {"C3 D8 4E", 1, "C3 C2 F2 F0 4E"},                   // CQ carries the last TSN
            {"C1 C3 C8 4E", 0, "C3 C2 F2 F7 4E", "H", "", '7'},  // status 7: the TSN stays
            {"C3 C1 4E", 1, "C3 7C F2 F0 4E"},                   // other control: protected off
            {"C1 C4 C8 4E", 1, "C3 C2 F2 F7 4E"},                // protected, now unprotected mode
            {"C4 C1 C8 C9 4E", 0, "", "HI"},                     // unprotected: no acknowledgement
            {"C4 C5 C8 6D", 0, "6D", "H"},                       // ... except for EOM I
        },
        "plain device");
}

TEST_F(MsgFromHostTest, SequenceWrapsFromPToA) {
    std::vector<Step> steps = {{"C3 D9 4E", 1, "C3 7C F2 F0 4E"}};
    static const char* const kLetters[] = {"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8",
                                           "C9", "D1", "D2", "D3", "D4", "D5", "D6"};
    std::vector<std::string> texts;
    for (const char* letter : kLetters) {
        texts.push_back(std::string("C1 ") + letter + " C8 4E");
        texts.push_back(std::string("C3 ") + letter + " F2 F0 4E");
    }
    for (std::size_t i = 0; i < texts.size(); i += 2) {
        steps.push_back({texts[i].c_str(), 0, texts[i + 1].c_str(), "H"});
    }
    steps.push_back({"C2 D7 C8 4E", 0, "C3 D7 F2 F0 4E", "H"});  // BP
    steps.push_back({"C2 C1 C8 4E", 0, "C3 C1 F2 F0 4E", "H"});  // BA follows P
    steps.push_back({"C2 C2 C8 4E", 0, "C3 C2 F2 F0 4E", "H"});
    Run({}, steps, "wrap");
    EXPECT_EQ(host->GetHostExpectedTSN(), 0xC3);
}

TEST_F(MsgFromHostTest, ControlFramesAndSignals) {
    Options on;
    on.bControlFrames = true;
    Run(on,
        {
            {"FF FF 01", 2, "", nullptr, "OnConnect 1"},
            {"FF FF 02", 2, "", nullptr, "OnConnect 0"},
            {"FF FF 03", 2, "", nullptr, "HostStartReconnect to GOODHOST"},
            {"FF FF 04 C1 C2", 5, "", nullptr, "AddHostsFromControlFrame FF FF 04 C1 C2"},
            {"FF FF 07", 2},
            {"FF FF", 2},
            {"C3 E2 4E", 5},                                   // CS
            {"C5 C1 C8 4E", 0, "", "H", "IssueChangeChange"},  // C1 E
        },
        "control frames on");
    Run({},
        {
            {"C3 E2 4E", 2},
            {"C5 C1 C8 4E", 0, "", "H", "IssueChangeChange"},
            {"FF FF 04 C8 4E", 0, "", "H"},  // an ordinary message while no reset was seen
            {"C3 D9 4E", 1, "C3 7C F2 F0 4E"},
            {"FF FF 04 C8 4E", 2},  // and an invalid one after it
            {"FF FF 01", 2},
        },
        "control frames off");
}

TEST_F(MsgFromHostTest, DeviceKinds) {
    Options passThrough;
    passThrough.bPassThrough = true;
    Run(passThrough,
        {
            {"C3 E3 4E", 1, "C3 7C F2 F0 4E"},        // CT answered
            {"C3 D9 4E", 0, "C3 7C F2 F0 4E", "CR"},  // CR delivered with C1 C2
            {"C1 C1 C8 C9 4E", 0, "C3 7C F2 F0 4E", "AAHI"},
            {"C1 C1 C8 C9 4E", 0, "C3 7C F2 F0 4E", "AAHI"},  // no repeat check
            {"C3 C1 4E", 1, "C3 7C F2 F0 4E"},
            {"00 C1 C8 4E", 2},
        },
        "pass-through");
    Options deliverCT = passThrough;
    deliverCT.bDeliverCT = true;
    Run(deliverCT, {{"C3 E3 4E", 0, "C3 7C F2 F0 4E", "CT"}}, "pass-through with CT");
    Options special;
    special.bSpecialActions = true;
    Run(special, {{"C3 D9 4E", 4}, {"C3 E3 4E", 4}, {"C3 D9 4E", 4}}, "special actions");
}

TEST_F(MsgFromHostTest, RejectProtectedOnce) {
    Make({});
    host->m_bRejectProtected = true;
    EXPECT_EQ(Receive("C4 C1 C8 4E"), 0);  // not protected: passes and clears the request
    EXPECT_FALSE(host->m_bRejectProtected);
    host->m_bRejectProtected = true;
    EXPECT_EQ(Receive("C1 C1 C8 4E"), 2);
    EXPECT_TRUE(host->m_bProtectedRejected);
    EXPECT_FALSE(host->m_bRejectProtected);
    EXPECT_EQ(Receive("C1 C1 C8 4E"), 1);  // the next one is judged again
}

TEST_F(MsgFromHostTest, MessagesTooShortAreRejectedAndLogged) {
    Options on;
    on.bControlFrames = true;
    Make(on);
    for (const char* hex : {"", "C1", "FF", "4E"}) {
        EXPECT_EQ(Receive(hex), 2) << hex;
        EXPECT_EQ(wire, "");
    }
    EXPECT_TRUE(host->calls.empty());
    const std::optional<std::string> log = Notify::ReadLog();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("'Device 01', Invalid Data hence rejecting, 1 bytes"), std::string::npos);
}

TEST_F(MsgFromHostTest, ResetAndPrinterSeriesFlags) {
    Make({});
    EXPECT_EQ(Receive("C3 D9 4E"), 1);
    EXPECT_TRUE(host->m_bResetSeen);
    EXPECT_EQ(Receive("C1 C1 C8 4E"), 0);
    EXPECT_TRUE(host->m_bAASeen);
    EXPECT_TRUE(host->m_bNewForm);
    EXPECT_FALSE(host->m_bMessagePending);
    EXPECT_FALSE(host->IsCompleteMessage());
    EXPECT_EQ(Receive("C2 C2 C8 4E"), 0);
    EXPECT_TRUE(host->m_bBSeries);
    EXPECT_TRUE(host->m_bBSeen);
    EXPECT_FALSE(host->m_bBWithoutAA);
    EXPECT_TRUE(host->IsCompleteMessage());
    EXPECT_EQ(Receive("C1 C3 C8 4E"), 0);
    EXPECT_FALSE(host->m_bBSeries);
    EXPECT_TRUE(host->m_bProtectedSeen);
}

}  // namespace
