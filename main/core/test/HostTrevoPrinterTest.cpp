#include <gtest/gtest.h>

#include <string>

#include "HostTrevoFixture.h"

namespace {

using hosttest::HostLinkTest;

class PrinterAnswerTest : public HostLinkTest {};

TEST_F(PrinterAnswerTest, Verdicts) {
    struct Case {
        const char* name;
        std::string answer;
        bool bFramed;
        int verdict;
        std::string text;  // the answer afterwards
        char cStatus;
        core::eHostState hostState;
        const char* lastError;
    };
    const Case cases[] = {
        {"framed reset",
         "\x02\x02\x02"
         "CR\x03\x11\x22",
         true, 0, "CR\x15", '0', core::HOST_AVAIL, ""},
        {"status 3", "CA23", false, 0, "CA23\x15", '3', core::HOST_AVAIL,
         "Communication link failure."},
        {"status 4", "CA24", false, 0, "CA24\x15", '4', core::HOST_AVAIL_PERM_HOLD,
         "Device is unable to accept data."},
        {"status 5", "CA25", false, 0, "CA25\x15", '5', core::HOST_AVAIL_TEMP_HOLD,
         "Request for temporary hold of output queue."},
        {"unknown status", "CA2X", false, 0, "CA2X\x15", '0', core::HOST_AVAIL,
         "'Device 01', Invalid m_byDeviceDS=X"},
        {"data", "DAAW*PEMRSOK1ASC", false, 1, "W*DAAW*PEMRSOK1ASC\x15", '0', core::HOST_AVAIL, ""},
        {"anything else", "XY", false, 2, "XY\x15", '0', core::HOST_AVAIL,
         "Invalid message from ATB2 ignored"},
        {"status too short", "CA2", false, 2, "CA2", '0', core::HOST_AVAIL,
         "'Device 01', Message from ATB2 of 3 bytes too short, ignored"},
        {"data too short", "DAAW*PEMRS", false, 2, "DAAW*PEMRS", '0', core::HOST_AVAIL,
         "'Device 01', Message from ATB2 of 10 bytes too short, ignored"},
        {"frame too short", "\x02\x02\x03", true, 2, "\x02\x02\x03", '0', core::HOST_AVAIL,
         "'Device 01', Message from ATB2 of 3 bytes too short, ignored"},
        {"empty frame", std::string("\x02\x02\x02\x03\x00\x00", 6), true, 2, "", '0',
         core::HOST_AVAIL, "'Device 01', Message from ATB2 of 0 bytes too short, ignored"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make({});
        host->SetHostState(core::HOST_AVAIL);
        host->SetDeviceStatus('0');
        std::string answer = c.answer;
        EXPECT_EQ(host->MsgFromATB2(answer, c.bFramed), c.verdict);
        EXPECT_EQ(hosttest::Hex(answer), hosttest::Hex(c.text));
        EXPECT_EQ(host->GetDeviceStatus(), c.cStatus);
        EXPECT_EQ(host->GetHostState(), c.hostState);
        EXPECT_EQ(host->GetLastError(), c.lastError);
    }
}

TEST_F(PrinterAnswerTest, DataFieldAndAnswerBack) {
    Make({});
    std::string answer = "DAAW*PEMRSOK1ASC";
    ASSERT_EQ(host->MsgFromATB2(answer, false), core::ACK_HOST_ONLY);
    EXPECT_EQ(host->GetDeviceData(), "RSOK");
    EXPECT_TRUE(host->IsDeviceControlMessage());
    std::string back = "DAAW*PEMRSOK1ASC";
    EXPECT_EQ(host->MsgFromATB2AnswerBack(back), core::ACK_HOST_ONLY);
    EXPECT_EQ(back, "PEMRSOK1ASC\x15");

    std::string status = "CA20";
    ASSERT_EQ(host->MsgFromATB2(status, false), core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST);
    EXPECT_FALSE(host->IsDeviceControlMessage());
    std::string other = "DAAW*PEM";
    EXPECT_EQ(host->MsgFromATB2AnswerBack(other), core::IGNORE_BUFFER_FROM_HOST);
}

}  // namespace
