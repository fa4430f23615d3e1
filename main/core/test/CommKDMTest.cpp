// The printer-session access against a simulated forms printer on a pseudo-terminal: a
// session's road, its failures, and what the wait for an answer says after a write.
#include "core/CommKDM.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "printersim/FormPrinter.h"
#include "support/TempRoot.h"

namespace core {
namespace {

using printersim::FormAnswer;
using printersim::FormRequest;

class CommKDMTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(printer.Start());
        platform::SetPortPath("COM9", printer.LinePath());
        platform::HKEY h = nullptr;
        ASSERT_EQ(platform::RegCreateKeyEx(
                      platform::HKEY_LOCAL_MACHINE,
                      "Software\\The TREVO Group\\TREVODeviceManager\\Printers\\QT5200", 0, "", 0,
                      platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  platform::ERROR_SUCCESS);
        ASSERT_EQ(platform::RegSetValueEx(h, "Port", 0, platform::REG_SZ,
                                          reinterpret_cast<const platform::BYTE*>("COM9"), 4),
                  platform::ERROR_SUCCESS);
        platform::RegCloseKey(h);
    }
    void TearDown() override { platform::ClearPortPaths(); }
    static CMessageBuffer Buffer(const std::string& text) {
        CMessageBuffer b;
        b.SetData(text);
        return b;
    }
    void Refuse(char letter, FormAnswer answer) {
        printer.SetScript([letter, answer](const FormRequest& r) {
            return r.letter == letter ? std::optional<FormAnswer>(answer) : std::nullopt;
        });
    }

    printersim::FormPrinter printer;
};

TEST_F(CommKDMTest, ASessionSelectsItsFormWritesReadsAndEnds) {
    for (int mode : {1, CCommKDM::kModeHostName}) {
        SCOPED_TRACE(mode);
        CCommKDM comm("A4 FF Bar", "QT5200", mode);
        EXPECT_EQ(comm.ClosePort(), 1);  // closed: nothing to do
        ASSERT_EQ(comm.OpenPort(), 1) << comm.GetLastError();
        EXPECT_EQ(comm.GetPortState(), PORT_OPEN);
        ASSERT_EQ(comm.ConfigurePort(), 1);
        EXPECT_EQ(comm.GetPortState(), PORT_AVAILABLE);
        EXPECT_EQ(comm.ReadPortWaitForReceive(1500), 1);  // nothing written yet
        ASSERT_EQ(comm.WritePort(Buffer("LINE")), 1);
        EXPECT_EQ(comm.ReadPortWaitForReceive(1500), 0);
        printer.QueueForRead("ANSWER");
        CMessageBuffer in;
        ASSERT_EQ(comm.ReadPort(in), 1);
        EXPECT_EQ(std::string(in.Data().begin(), in.Data().end()), "ANSWER");
        EXPECT_EQ(comm.ReadPort(in), 0);  // no more bytes
        ASSERT_EQ(comm.ClosePort(), 1);
        EXPECT_EQ(comm.GetPortState(), PORT_CLOSED);
        EXPECT_FALSE(comm.IsOpen());
    }
    // The printer needing the host name gets it and no form.
    EXPECT_EQ(printer.Letters(), "SFWRRESHWRRE");
    EXPECT_EQ(printer.Host(), "Trevo Air");
}

TEST_F(CommKDMTest, FailuresLeaveNoHalfOpenPrinter) {
    CCommKDM unknown("A4 FF Bar", "NOSUCH", 1);
    EXPECT_EQ(unknown.OpenPort(), 0);
    EXPECT_EQ(unknown.GetLastError(), "Error = 1801(The printer name is invalid.)");

    for (char letter : {'S', 'H'}) {
        Refuse(letter, {FormAnswer::Kind::Refused, "", 9});
        CCommKDM comm("A4 FF Bar", "QT5200", CCommKDM::kModeHostName);
        EXPECT_EQ(comm.OpenPort(), 0) << letter;
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(comm.GetPortState(), PORT_CLOSED);
    }
    Refuse('F', {FormAnswer::Kind::Refused, "", 4});
    CCommKDM comm("A4 FF Bar", "QT5200", 1);
    ASSERT_EQ(comm.OpenPort(), 1);
    EXPECT_EQ(comm.ConfigurePort(), 0);
    EXPECT_EQ(comm.GetPortState(), PORT_OPEN);
}

TEST_F(CommKDMTest, ABusyPrinterTakesNothingAndTheWriteStaysPending) {
    CCommKDM comm("A4 FF Bar", "QT5200", 1);
    ASSERT_EQ(comm.OpenPort(), 1);
    ASSERT_EQ(comm.ConfigurePort(), 1);
    Refuse('W', {FormAnswer::Kind::Busy, "", 0});
    EXPECT_EQ(comm.WritePort(Buffer("LINE")), 0);
    EXPECT_EQ(comm.GetLastError(), "IO_PENDING, QT5200");
    EXPECT_EQ(comm.ReadPortWaitForReceive(1500), 1);
    EXPECT_EQ(comm.ReadPortWaitForReceive(0), 0);
    printer.SetScript({});
    EXPECT_EQ(comm.WritePort(Buffer("LINE")), 1);
    EXPECT_EQ(printer.CurrentDocument(), "LINE");
    EXPECT_EQ(comm.WritePort(CMessageBuffer{}), 1);  // nothing to write
}

}  // namespace
}  // namespace core
