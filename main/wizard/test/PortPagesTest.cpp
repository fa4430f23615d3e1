// The port page and the COM port page: the ports each device type is offered, the choice
// and where it leads, and the line settings a device starts from.
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/PassportFlag.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;
using wizard::CVekaPrpPort;
using wizard::CVekaPrpPortCom;

namespace {

// A wizard for "Device 01" with its port pages reached directly, the device type set in the
// scratch key as the type page sets it.
class PortPages : public WizardTest {
protected:
    void Open(const std::string& type, const std::string& deviceId = "Device 01") {
        PutString(kApp + "\\Temp", "Device Type", type);
        sheet = std::make_unique<wizard::CVekaPrpAddPrp>("W", 4, deviceId);
        site = std::make_unique<uikit::MemorySheetSite>(*sheet);
        sheet->Attach(*site);
    }
    std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        for (const auto& row : site->Active().Rows(CVekaPrpPort::IDC_PORT_LIST))
            listed.push_back(row[0]);
        return listed;
    }
    CVekaPrpPortCom& Com() { return sheet->GetPortComPage(); }
    // The COM page's list selections, as text.
    std::vector<std::string> Shown() {
        auto& panel = site->Active();
        std::vector<std::string> shown;
        for (int id : {CVekaPrpPortCom::IDC_BAUD_RATE, CVekaPrpPortCom::IDC_DATA_BITS,
                       CVekaPrpPortCom::IDC_PARITY, CVekaPrpPortCom::IDC_STOP_BITS,
                       CVekaPrpPortCom::IDC_FLOW_CONTROL})
            shown.push_back(panel.Selected(id) < 0 ? "-"
                                                   : panel.RowText(id, panel.Selected(id), 0));
        return shown;
    }

    std::unique_ptr<wizard::CVekaPrpAddPrp> sheet;
    std::unique_ptr<uikit::MemorySheetSite> site;
};

using Ports = std::vector<std::string>;

// Devices that answer back are offered COM ports only; the first one listed is taken; the
// passport reader flag follows the type; a machine without a usable port offers "<none>".
TEST_F(PortPages, PortsOfferedByType) {
    const struct {
        const char* type;
        Ports machine;
        Ports listed;
    } cases[] = {
        {"Printer", {"COM1:", "COM2:", "LPT1:", "FILE:"}, {"COM1", "COM2", "LPT1"}},
        {"Printer Mitosa Hardcopy", {"LPT2:", "COM3:"}, {"LPT2", "COM3"}},
        {"Printer (ATB2-BAGTAG/Airline-TQX)", {"LPT1:", "COM1:"}, {"LPT1", "COM1"}},
        {"Passport Reader", {"COM1:", "LPT1:"}, {"COM1"}},
        {"Printer (ATB2)", {"COM1:", "LPT1:"}, {"COM1"}},
        {"Async-Mini", {"COM1:", "LPT1:"}, {"COM1"}},
        {"Printer Mitosa SCN", {"COM1:", "LPT1:"}, {"COM1"}},
        {"Printer (ATB2/Airline)", {"COM1:", "LPT1:"}, {"COM1"}},
        {"Passport Reader", {"LPT1:", "FILE:"}, {"<none>"}},
        {"Printer", {}, {"<none>"}},
    };
    for (const auto& c : cases) {
        ports.ports = c.machine;
        Open(c.type);
        EXPECT_EQ(Listed(), c.listed) << c.type;
        EXPECT_EQ(wizard::PassportReaderFlag(), std::string(c.type) == "Passport Reader");
        const std::string first = c.listed.front() == "<none>" ? "" : c.listed.front();
        EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), first) << c.type;
    }
}

// Next goes by the chosen port; "<none>" (or a port no longer listed) is no port: 413.
TEST_F(PortPages, NextByPort) {
    const struct {
        Ports machine;
        const char* choose;  // a row clicked, or none
        int page;            // -1: stays with 413
    } cases[] = {
        {{"COM1:", "LPT1:"}, nullptr, 236},
        {{"COM1:", "LPT1:"}, "LPT1", 106},
        {{"COM1:", "COM12:"}, "COM12", 236},
        {{}, "<none>", -1},
    };
    for (const auto& c : cases) {
        boxes.clear();
        ports.ports = c.machine;
        Open("Printer");
        if (c.choose) Choose(*sheet, site->Active(), CVekaPrpPort::IDC_PORT_LIST, c.choose);
        EXPECT_EQ(sheet->Next(), c.page > 0);
        if (c.page > 0) {
            EXPECT_EQ(sheet->ActivePage().TemplateId(), c.page);
            EXPECT_TRUE(boxes.empty());
        } else {
            EXPECT_EQ(boxes, std::vector<std::string>{"A port is required for this device."});
            EXPECT_EQ(sheet->GetPortPage().GetSelectedPort(), "");
        }
    }
    // A stored port that the machine no longer has is shown, but is no port to go on with.
    PutDevice("Device 02", "Printer", "P");
    PutString(kApp + "\\Device 02", "Port", "COM9");
    ports.ports = {"COM1:"};
    boxes.clear();
    Open("Printer", "Device 02");
    EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), "COM9");
    EXPECT_FALSE(sheet->Next());
    EXPECT_EQ(boxes.size(), 1u);
}

// The page keeps at most 35 of the ports the machine has.
TEST_F(PortPages, AtMost35Ports) {
    ports.ports.clear();
    for (int n = 1; n <= 40; ++n) ports.ports.push_back("COM" + std::to_string(n) + ":");
    Open("Printer");
    EXPECT_EQ(Listed().size(), 35u);
    EXPECT_EQ(Listed().back(), "COM35");
}

// An existing device shows its stored port when its stored type has one; a change of type
// on the type page forgets the choice.
TEST_F(PortPages, StoredPortAndChangeOfType) {
    PutDevice("Device 01", "Printer", "P");
    PutString(kApp + "\\Device 01", "Port", "LPT1");
    PutDevice("Device 02", "File", "F");
    PutString(kApp + "\\Device 02", "Port", "LPT1");
    Open("Printer");
    EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), "LPT1");
    Open("Printer", "Device 02");
    EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), "COM1");

    Choose(*sheet, site->Active(), CVekaPrpPort::IDC_PORT_LIST, "COM2");
    EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), "COM2");
    ASSERT_TRUE(sheet->SetActivePage(0));
    PutString(kApp + "\\Temp", "Device Type", "Async-Mini");
    ASSERT_TRUE(sheet->SetActivePage(4));
    EXPECT_EQ(site->Active().GetText(CVekaPrpPort::IDC_SELECTED), "COM1");
    EXPECT_EQ(site->Active().Selected(CVekaPrpPort::IDC_PORT_LIST), -1);
}

// A new device starts from its type's line settings; the lists hold the line settings
// there are, in their order.
TEST_F(PortPages, LineSettingsOfANewDevice) {
    using S = std::vector<std::string>;
    const struct {
        const char* type;
        S settings;
    } cases[] = {
        {"Printer", {"4800", "7", "Even", "1", "Hardware"}},
        {"Printer Mitosa Hardcopy", {"4800", "7", "Even", "1", "Hardware"}},
        {"Printer (ATB2-BAGTAG/Airline-TQX)", {"4800", "7", "Even", "1", "Hardware"}},
        {"Passport Reader", {"4800", "7", "Even", "1", "Hardware"}},
        {"File", {"4800", "7", "Even", "1", "Hardware"}},
        {"Printer (ATB2)", {"4800", "8", "None", "1", "None"}},
        {"Async-Mini", {"4800", "8", "None", "1", "None"}},
        {"Interface Queue", {"4800", "8", "None", "1", "None"}},
        {"Printer (ATB2/Airline)", {"9600", "8", "None", "1", "Hardware"}},
        {"Printer Mitosa SCN", {"9600", "8", "None", "1", "Hardware"}},
        {"Printer (TNV/KDM)", {"9600", "8", "None", "1", "Xon/Xoff"}},
        {"Printer (ATB2/KDM)", {"9600", "8", "None", "1", "None"}},
        {"Printer (KDM)", {"9600", "8", "None", "1", "None"}},
    };
    for (const auto& c : cases) {
        // Added (a device id whose key is not there yet) or without a device.
        for (const char* id : {"Device 01", ""}) {
            Open(c.type, id);
            ASSERT_TRUE(sheet->SetActivePage(5));
            EXPECT_EQ(Shown(), c.settings) << c.type << " '" << id << "'";
        }
    }
    auto rows = [&](int id) {
        S texts;
        for (const auto& row : site->Active().Rows(id)) texts.push_back(row[0]);
        return texts;
    };
    EXPECT_EQ(rows(CVekaPrpPortCom::IDC_BAUD_RATE),
              (S{"75", "110", "150", "300", "600", "1200", "1800", "2400", "4800", "7200", "9600",
                 "14400", "19200", "38400", "57600"}));
    EXPECT_EQ(rows(CVekaPrpPortCom::IDC_DATA_BITS), (S{"4", "5", "6", "7", "8"}));
    EXPECT_EQ(rows(CVekaPrpPortCom::IDC_PARITY), (S{"Even", "Odd", "None", "Mark", "Space"}));
    EXPECT_EQ(rows(CVekaPrpPortCom::IDC_STOP_BITS), (S{"1", "1.5", "2"}));
    EXPECT_EQ(rows(CVekaPrpPortCom::IDC_FLOW_CONTROL), (S{"Hardware", "Xon/Xoff", "None"}));
}

// An existing device on a COM port shows its stored settings, one on a parallel port its
// type's; what the operator chose stays when the page is shown again.
TEST_F(PortPages, StoredLineSettingsAndTheOperatorsChoice) {
    PutDevice("Device 01", "Printer (ATB2)", "A");
    const std::string key = kApp + "\\Device 01";
    PutString(key, "Port", "COM2");
    PutDword(key, "Baud Rate", 19200);
    PutDword(key, "Data Bits", 7);
    PutString(key, "Parity", "Odd");
    PutString(key, "Stop Bits", "2");
    PutString(key, "Flow Control", "Xon/Xoff");
    PutString(key, "Protocol", "DTR");
    PutDevice("Device 02", "Printer (ATB2)", "B");
    PutString(kApp + "\\Device 02", "Port", "LPT1");
    PutDword(kApp + "\\Device 02", "Baud Rate", 110);

    Open("Printer (ATB2)", "Device 02");
    ASSERT_TRUE(sheet->SetActivePage(5));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"4800", "8", "None", "1", "None"}));

    Open("Printer (ATB2)");
    ASSERT_TRUE(sheet->Next());
    ASSERT_EQ(sheet->ActivePage().TemplateId(), 236);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"19200", "7", "Odd", "2", "Xon/Xoff"}));
    auto& panel = site->Active();
    panel.Select(CVekaPrpPortCom::IDC_BAUD_RATE, 0);
    ASSERT_TRUE(sheet->Next());
    ASSERT_TRUE(sheet->Back());
    EXPECT_EQ(Shown(), (std::vector<std::string>{"75", "7", "Odd", "2", "Xon/Xoff"}));
    ASSERT_TRUE(sheet->Next());
    EXPECT_EQ(Com().GetBaudRate(), "75");
    EXPECT_EQ(Com().GetDataBits(), "7");
    EXPECT_EQ(Com().GetParity(), "Odd");
    EXPECT_EQ(Com().GetStopBits(), "2");
    EXPECT_EQ(Com().GetFlowControl(), "Xon/Xoff");
    EXPECT_EQ(Com().GetProtocol(), "DTR");
}

// The file check box is a passport reader's only, set from its stored file; checked, Next
// goes to the passport file page. "System Settings" has no system dialog to show.
TEST_F(PortPages, PassportDataToFile) {
    PutDevice("Device 01", "Passport Reader", "R");
    PutString(kApp + "\\Device 01", "Port", "COM1");
    const struct {
        const char* type;
        const char* file;  // stored, or none
        bool enabled;
        bool checked;
        int next;
    } cases[] = {
        {"Passport Reader", "C:\\DATA\\PASS.TXT", true, true, 244},
        {"Passport Reader", ".", true, false, 106},
        {"Passport Reader", nullptr, true, false, 106},
        {"Printer", "C:\\DATA\\PASS.TXT", false, false, 106},
    };
    for (const auto& c : cases) {
        if (c.file)
            PutString(kApp + "\\Device 01", "File Name", c.file);
        else
            PutString(kApp + "\\Device 01", "File Name", "");
        Open(c.type);
        ASSERT_TRUE(sheet->SetActivePage(5));
        auto& panel = site->Active();
        EXPECT_EQ(panel.IsEnabled(CVekaPrpPortCom::IDC_PASSPORT_TO_FILE), c.enabled) << c.type;
        EXPECT_EQ(panel.GetCheck(CVekaPrpPortCom::IDC_PASSPORT_TO_FILE), c.checked) << c.type;
        ASSERT_TRUE(sheet->Next());
        EXPECT_EQ(sheet->ActivePage().TemplateId(), c.next);
        EXPECT_EQ(Com().GetPassportDataToFile(), c.checked ? 1 : 0);
    }
    Open("Passport Reader");
    ASSERT_TRUE(sheet->Next());
    sheet->Command(CVekaPrpPortCom::IDC_SYSTEM_SETTINGS);
    const auto lines = LogLines("CVekaPrpPortCom::OnSystemSettings(): ::ConfigurePort");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("COM1: 50"), std::string::npos) << lines[0];
}

}  // namespace
