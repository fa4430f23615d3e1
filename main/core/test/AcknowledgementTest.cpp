#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "HostTrevoFixture.h"

namespace {

using core::CHostTrevo;
using hosttest::HostLinkTest;
using hosttest::Msg;

class AcknowledgementTest : public HostLinkTest {};

// Each case brings the link to a state with host messages as a device receives them (each
// acknowledged), then builds one acknowledgement.
TEST_F(AcknowledgementTest, Builders) {
    struct Case {
        const char* name;
        std::vector<const char*> before;  // host messages, each judged and acknowledged
        const char* last;                 // the message the builder answers (judged only)
        char cStatus;                     // device status after writing it
        std::function<std::string(CHostTrevo&)> build;
        std::string ack;
        const char* hold;
    };
    auto generic = [](CHostTrevo& h) { return h.MsgAckToHostCreate(); };
    const Case cases[] = {
        {"generic after reset and AA",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '0',
         generic,
         "CA20\x15",
         "hold=0 ltsn='   '"},
        {"generic of the reset itself",
         {},
         "C3 D9 4E",
         '0',
         generic,
         "C\x01"
         "20\x15",
         "none"},
        {"generic of CQ carries the last TSN",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C3 D8 4E",
         '0',
         generic,
         "CA20\x15",
         "hold=0 ltsn='   '"},
        {"generic with status 7 keeps the TSN",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C1 C2 C8 4E",
         '7',
         generic,
         "CA27\x15",
         "hold=0 ltsn='   '"},
        {"generic with status 5 starts the hold",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C1 C2 C8 4E",
         '5',
         generic,
         "CA25\x15",
         "hold=1 ltsn=0x41"},
        {"generic transmission error repeats the TSN before",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C1 C2 C8 4E",
         '2',
         generic,
         "CA22\x15",
         "hold=0 ltsn='   '"},
        {"generic error on the first after reset has no TSN",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '3',
         generic,
         "C\x01"
         "23\x15",
         "none"},
        {"interface queue",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreate('0'); },
         "CA00\x15",
         "hold=0 ltsn='   '"},
        {"generic unprotected EOM U", {}, "C4 C1 C8 5F", '0', generic, "\x14", "none"},
        {"generic unprotected EOM C", {}, "C4 C1 C8 4E", '0', generic, "", "none"},
        {"printer, hold after BC",
         {"C3 D9 4E", "C1 C1 C8 4E", "C1 C2 C8 4E"},
         "C2 C3 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateATB2('5'); },
         "CC25\x15",
         "hold=1 ltsn=0x43"},
        {"printer, control message",
         {"C3 D9 4E"},
         "C3 D8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateATB2('0'); },
         "C@20\x15",
         "none"},
        {"printer, unprotected",
         {},
         "C4 C1 C8 5F",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateTNV('0'); },
         "",
         "none"},
        {"TNV",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateTNV('4'); },
         "CA24\x15",
         "none"},
        {"async-mini",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateAsyncMini('5'); },
         "CA05\x15",
         "none"},
        {"async-mini, control message",
         {},
         "C3 D9 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgAckToHostCreateAsyncMini('0'); },
         "C@00\x15",
         "none"},
        {"out of sequence",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C1 C3 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.MsgOutOfSequenceToHostCreate(); },
         "CA21\x15",
         "hold=0 ltsn='   '"},
        {"reset request",
         {"C3 D9 4E"},
         "C1 C1 C8 4E",
         '0',
         [](CHostTrevo& h) { return h.RequestForHostReset(); },
         "C@27\x15",
         "none"},
        {"hold after the TSN moved on",
         {"C3 D9 4E", "C1 C1 C8 4E"},
         "C1 C2 C8 4E",
         '3',
         [](CHostTrevo& h) {
             h.MaintainTSNThenHold();
             return h.MsgAckToHostCreate();
         },
         "CB25\x15",
         "hold=1 ltsn=0x42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry.values.clear();
        Make({});
        for (const char* hex : c.before) Receive(hex);
        std::string last = Msg(c.last);
        host->SetDeviceStatus('0');
        host->MsgFromHost(last);
        host->SetDeviceStatus(c.cStatus);
        EXPECT_EQ(hosttest::Hex(c.build(*host)), hosttest::Hex(c.ack));
        EXPECT_EQ(TempHold(), c.hold);
    }
}

TEST_F(AcknowledgementTest, OnTheWire) {
    Make({});
    Receive("C3 D9 4E");
    EXPECT_EQ(wire, "C3 7C F2 F0 4E");
    Receive("C1 C1 C8 4E");
    EXPECT_EQ(wire, "C3 C1 F2 F0 4E");
    core::CHostStatistics statistics;
    host->GetHostStatistics(&statistics);
    EXPECT_EQ(statistics.m_dwCount[0], 2u);

    // Not connected: nothing goes out and the link says why.
    host->SetConnectionState(core::CONNECTION_DISCONNECTED);
    control.sent.clear();
    host->SetDeviceStatus('4');
    EXPECT_FALSE(host->MsgSendToHost("CA24\x15", true));
    EXPECT_TRUE(control.sent.empty());
    EXPECT_EQ(host->GetLastError(), "Unable to send to host.");
    EXPECT_EQ(host->GetHostState(), core::HOST_AVAIL_PERM_HOLD);
    host->GetHostStatistics(&statistics);
    EXPECT_EQ(statistics.m_dwCount[4], 1u);
}

// A repeated message is acknowledged once more without being counted twice: the next
// protected message is not taken for a copy.
TEST_F(AcknowledgementTest, ProtectedCountNeverGoesBelowZero) {
    Make({});
    EXPECT_EQ(Receive("C3 D9 4E"), 1);
    EXPECT_EQ(Receive("C1 C1 C8 4E"), 0);
    EXPECT_EQ(Receive("C1 C1 C8 4E"), 3);
    EXPECT_EQ(wire, "C3 C1 F2 F1 4E");
    EXPECT_EQ(Receive("C2 C1 C8 4E"), 1);  // BA: out of sequence, and answered
    EXPECT_EQ(wire, "C3 C1 F2 F1 4E");
}

TEST_F(AcknowledgementTest, PrinterFrame) {
    Make({});
    std::string answer = "DAAW*PEMRSOK1ASC";
    EXPECT_EQ(host->MsgFromATB2(answer, false), core::ACK_HOST_ONLY);
    EXPECT_EQ(hosttest::Hex(host->MsgAckToATB2Create()), "02 02 02 45 41 03 07 F2");
    std::string reset = "CR";
    EXPECT_EQ(host->MsgFromATB2(reset, false), core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST);
    EXPECT_EQ(host->MsgAckToATB2Create(), "");
}

}  // namespace
