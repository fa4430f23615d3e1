// Port settings: what reaches the line when a port opens, settings the line refuses, the
// settings dialog with its refused combinations, and the port list.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "FakePortBackend.h"
#include "TestUi.h"
#include "platform/Win32Error.h"
#include "ports/LptLineservice.h"
#include "ports/PDM.h"
#include "support/TempRoot.h"

namespace lineserv_test {
namespace {

using namespace platform;

class SettingsTest : public support::TempRootTest {
protected:
    std::string log() { return root.ReadFile("Lineserv.Log").value_or(""); }
    FakePortBackend backend;
    TestUi ui;
};

Dcb withBits(std::uint8_t bits, std::uint8_t stop) {
    Dcb dcb;
    dcb.BaudRate = 9600;
    dcb.ByteSize = bits;
    dcb.StopBits = stop;
    return dcb;
}

TEST_F(SettingsTest, ConstructorSettingsReachTheLineWhenItOpens) {
    struct Case {
        ENUM_FLOWCONTROL flow;
        ENUM_PARITY parity;
        bool cts, xon;
        bool rtsUnderHandshake;
    };
    const Case cases[] = {
        {FLOWCONTROL_NONE, PARITY_NONE, false, false, false},
        {FLOWCONTROL_HARDWARE, PARITY_MARK, true, false, true},
        {FLOWCONTROL_XONXOFF, PARITY_EVEN, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.flow));
        PDM port("COM3:", 19200, DATABITS_7, STOPBITS_TWO, c.flow, c.parity);
        ASSERT_EQ(port.openPort(), 1);
        EXPECT_EQ(port.openPort(), 1);  // already open: not opened again
        const Dcb dcb = backend.line("COM3")->lastState();
        EXPECT_EQ(dcb.BaudRate, 19200u);
        EXPECT_EQ(dcb.ByteSize, 7);
        EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
        EXPECT_EQ(dcb.Parity, c.parity);
        EXPECT_EQ(dcb.fParity, c.parity != PARITY_NONE);
        EXPECT_EQ(dcb.fOutxCtsFlow, c.cts);
        EXPECT_EQ(dcb.fRtsControl, c.cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE);
        EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
        EXPECT_EQ(dcb.fOutX, c.xon);
        EXPECT_EQ(dcb.fInX, c.xon);
        EXPECT_EQ(dcb.XonChar, c.xon ? 0x11 : 0);
        EXPECT_EQ(dcb.XoffChar, c.xon ? 0x13 : 0);
        EXPECT_EQ(dcb.XonLim, 100);
        EXPECT_EQ(port.setRTS(1), c.rtsUnderHandshake ? 0 : 1);
        EXPECT_EQ(port.setDTR(1), 1);
        EXPECT_EQ(port.closePort(), 1);
        EXPECT_EQ(port.closePort(), 1);  // closing a closed port
        EXPECT_EQ(port.setDTR(1), 0);    // closed
    }
}

TEST_F(SettingsTest, ALineThatRefusesASettingStillOpensAndHoldsItsHandshakeLines) {
    // The port's stored default asks for the DSR/DTR handshake, which the line cannot do.
    Dcb defaults = withBits(8, ONESTOPBIT);
    defaults.fOutxDsrFlow = true;
    defaults.fDtrControl = DTR_CONTROL_HANDSHAKE;
    backend.defaults["COM2"] = defaults;
    CommLineservice port("COM2");
    ASSERT_EQ(port.startDocPort(), 1);
    EXPECT_TRUE(backend.line("COM2")->lastState().fOutxDsrFlow);
    EXPECT_EQ(port.setDTR(1), 0);
    EXPECT_EQ(port.setRTS(0), 1);
    EXPECT_NE(log().find("CommLineserv: COM2 SetCommState: a setting is not supported on this "
                         "line\n"),
              std::string::npos);
}

TEST_F(SettingsTest, EachTimeOutReachesTheLineAtTheNextOpenOnly) {
    using Field = DWORD CommTimeouts::*;
    const Field fields[] = {
        &CommTimeouts::ReadIntervalTimeout, &CommTimeouts::ReadTotalTimeoutMultiplier,
        &CommTimeouts::ReadTotalTimeoutConstant, &CommTimeouts::WriteTotalTimeoutMultiplier,
        &CommTimeouts::WriteTotalTimeoutConstant};
    const struct {
        void (CommLineservice::*set)(std::uint32_t);
        Field field;
    } cases[] = {
        {&CommLineservice::setReadIntervalTimeout, &CommTimeouts::ReadIntervalTimeout},
        {&CommLineservice::setReadTotalTimeoutMultiplier,
         &CommTimeouts::ReadTotalTimeoutMultiplier},
        {&CommLineservice::setReadTotalTimeoutConstant, &CommTimeouts::ReadTotalTimeoutConstant},
        {&CommLineservice::setWriteTotalTimeoutMultiplier,
         &CommTimeouts::WriteTotalTimeoutMultiplier},
        {&CommLineservice::setWriteTotalTimeoutConstant, &CommTimeouts::WriteTotalTimeoutConstant},
    };
    // Each field as the line has it: only `set` holds `value`, every other one 0.
    const auto expectOnly = [&](Field set, DWORD value) {
        const CommTimeouts t = backend.line("COM4")->timeouts();
        for (std::size_t i = 0; i < std::size(fields); ++i)
            EXPECT_EQ(t.*fields[i], fields[i] == set ? value : 0u) << "field " << i;
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        CommLineservice port("COM4");
        ASSERT_EQ(port.startDocPort(), 1);
        expectOnly(nullptr, 0);
        (port.*cases[i].set)(0x12345678u);
        expectOnly(nullptr, 0);
        ASSERT_EQ(port.endDocPort(), 1);
        ASSERT_EQ(port.startDocPort(), 1);
        expectOnly(cases[i].field, 0x12345678u);
    }
}

TEST_F(SettingsTest, TheDialogRefusesInvalidStopBitsAndStoresValidSettings) {
    const std::string text =
        "The use of 5 data bits with 2 stop bits is an invalid combination, as is 6, 7 or 8 "
        "data bits with 1.5 stop bits.";
    backend.defaults["COM2"] = withBits(8, ONESTOPBIT);
    ui.answers = {withBits(7, ONE5STOPBITS), withBits(5, TWOSTOPBITS), withBits(5, ONE5STOPBITS)};
    int owner = 0;
    SetLastError(0);
    EXPECT_EQ(CommLineservice::configurePort(&owner, "COM2:"), 1);
    ASSERT_EQ(ui.boxes.size(), 2u);
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "COM2: COM PORT SETTINGS ERROR");
        EXPECT_EQ(box.icon, lineserv::MessageIcon::Warning);
    }
    // Every round opens on the stored default, not on the refused choice.
    ASSERT_EQ(ui.dialogShown.size(), 3u);
    EXPECT_EQ(ui.dialogShown[1], withBits(8, ONESTOPBIT));
    EXPECT_EQ(ui.dialogPorts[0], "COM2");
    EXPECT_EQ(backend.defaults["COM2"], withBits(5, ONE5STOPBITS));

    struct Failure {
        const char* port;
        DWORD error;
    };
    for (const Failure& f :
         {Failure{"COM2", ERROR_CANCELLED}, Failure{"COM9", ERROR_FILE_NOT_FOUND}}) {
        SetLastError(0);
        EXPECT_EQ(CommLineservice::configurePort(nullptr, f.port), 0);
        EXPECT_EQ(GetLastError(), f.error);
    }
}

TEST_F(SettingsTest, PortsAreListedIntoTheComboBox) {
    int combo = 0;
    EXPECT_EQ(Lineservice::enumPorts(&combo), 0);
    backend.ports = {"COM1:", "COM2:", "LPT1:"};
    EXPECT_EQ(Lineservice::enumPorts(&combo), 1);
    EXPECT_EQ(ui.strings, backend.ports);
    EXPECT_EQ(ui.combos, std::vector<void*>(3, &combo));
}

TEST(LiveObjects, OnlyPortsWithANameAreCountedAndEveryOneIsCountedOff) {
    const unsigned long before = Lineservice::classInstance;
    {
        PDM serial("COM1");
        LptLineservice parallel("LPT1:");
        CommLineservice nameless(nullptr);
        EXPECT_EQ(Lineservice::classInstance, before + 2);
        EXPECT_EQ(nameless.getPortState(), 0);
        EXPECT_EQ(nameless.startDocPort(), 0);
    }
    EXPECT_EQ(Lineservice::classInstance, before);
}

TEST(ParallelPollLimits, AnEndlessReadIntervalBecomesOnePoll) {
    LptLineservice port("LPT1");
    struct Case {
        std::uint32_t given, limit;
    };
    for (const Case c : {Case{0xFFFFFFFFu, 1}, Case{0, 0}, Case{250, 250}}) {
        port.setReadIntervalTimeout(c.given);
        EXPECT_EQ(port.getReadPollLimit(), c.limit);
    }
    port.setWriteTotalTimeoutConstant(1000);
    EXPECT_EQ(port.getWritePollLimit(), 1000u);
    EXPECT_EQ(port.getPortType(), PORTTYPE_PARALLEL);
    EXPECT_EQ(port.configurePort(), 1);
}

}  // namespace
}  // namespace lineserv_test
