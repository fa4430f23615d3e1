// The device type page: the types offered, an existing device loaded with its route's host
// values, and the description of the chosen type.
#include "wizard/VekaPrpDevice.h"

#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/RouteRecords.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;
using wizard::CVekaPrpAddPrp;
using wizard::CVekaPrpDevice;

namespace {

using DeviceTypePage = WizardTest;

std::vector<std::string> Types(uikit::MemoryPanel& panel) {
    std::vector<std::string> types;
    for (const auto& row : panel.Rows(CVekaPrpDevice::IDC_DEVICE_TYPE)) types.push_back(row[0]);
    return types;
}

TEST_F(DeviceTypePage, EveryTypeSortedWithoutALimit) {
    PutDevice("Device 01", "Queue", "Q");
    CVekaPrpAddPrp sheet("W", 0, "Device 02");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    EXPECT_EQ(
        Types(site.Active()),
        (std::vector<std::string>{
            "Async-Mini", "File", "Interface Queue", "Named Pipe", "Passport Reader", "Printer",
            "Printer (ATB2)", "Printer (ATB2-BAGTAG/Airline-TQX)", "Printer (ATB2/Airline)",
            "Printer (ATB2/KDM)", "Printer (KDM)", "Printer (TNV/KDM)", "Printer Mitosa Hardcopy",
            "Printer Mitosa SCN", "Queue", "System", "Zeroziro"}));
    // The first type is chosen, its description shown; a new device starts enabled.
    EXPECT_EQ(site.Active().Selected(CVekaPrpDevice::IDC_DEVICE_TYPE), 0);
    EXPECT_EQ(site.Active().GetText(CVekaPrpDevice::IDC_DESCRIPTION).substr(0, 23),
              "\"Async-Mini\" is a Bi-di");
    EXPECT_TRUE(site.Active().GetCheck(CVekaPrpDevice::IDC_ENABLED));
    EXPECT_TRUE(KeyExists(kApp + "\\Device 01"));
    // Next only on the first page; a type without a description shows none.
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_NEXT);
    site.Active().Select(
        CVekaPrpDevice::IDC_DEVICE_TYPE,
        RowOf(site.Active(), CVekaPrpDevice::IDC_DEVICE_TYPE, "Printer Mitosa SCN"));
    sheet.Command(CVekaPrpDevice::IDC_DEVICE_TYPE);
    EXPECT_EQ(site.Active().GetText(CVekaPrpDevice::IDC_DESCRIPTION), "");
}

// A "VEKADEVICES" section offers the types set to 1 only (an absent key reads 2), and the
// installation loses every device of another type: key, route, session and count, each
// removal logged.
TEST_F(DeviceTypePage, OfferedTypesAndTheRemovalOfOthers) {
    root.WriteFile("windows/VEKACFG.ini", "[VEKADEVICES]\nPrinter=1\nFile=1\nQueue=2\n");
    PutDevice("Device 01", "File", "F");
    PutDevice("Device 02", "Queue", "Q");
    PutDevice("Device 04", "Named Pipe", "P");
    PutDword(kApp, "Devices Selected", 3);
    wizard::WriteSessionAndRoute("Device 02", {});
    CVekaPrpAddPrp sheet("W", 0, "Device 03");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    EXPECT_EQ(Types(site.Active()), (std::vector<std::string>{"File", "Printer"}));
    EXPECT_TRUE(KeyExists(kApp + "\\Device 01"));
    for (const std::string& key : {kApp + "\\Device 02", kApp + "\\Device 04",
                                   kRoot + "\\Routes\\Device 02", kRoot + "\\Sessions\\Device 02"})
        EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_EQ(Get(kApp, "Devices Selected"), "1");
    EXPECT_EQ(LogLines("Removed the records of").size(), 2u);
}

TEST_F(DeviceTypePage, AnEmptySectionOffersEveryType) {
    root.WriteFile("windows/VEKACFG.ini", "[VEKADEVICES]\n[OTHER]\nFile=1\n");
    CVekaPrpAddPrp sheet("W", 0, "Device 01");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    EXPECT_EQ(Types(site.Active()).size(), 17u);
}

// An existing device: its name without leading blanks, type, host and switch, and from its
// route the terminal address, host address and idle time-out by provider.
TEST_F(DeviceTypePage, ExistingDeviceWithItsRoute) {
    const struct {
        const char* provider;
        std::vector<std::pair<const char*, std::string>> route;
        std::string lniata, address;
        std::uint32_t idle;
    } cases[] = {
        {"ZEL",
         {{"Lniata", "ZZ0001"}, {"Server IP Address", "gw.example"}},
         "ZZ0001",
         "gw.example",
         0},
        {"ARLO",
         {{"LNIATA", "AA0001"}, {"Load Balancer Name", "lb.example"}},
         "AA0001",
         "lb.example",
         45},
        {"QUIL", {{"LNIATA", "QQ0001"}}, "", "", 0},
    };
    for (const auto& c : cases) {
        PutDevice("Device 01", "Printer (ATB2)", "  Ticket desk");
        PutString(kApp + "\\Device 01", "Host", "NLM Gateway");
        PutDword(kApp + "\\Device 01", "Enabled", 0);
        const std::string route = kRoot + "\\Routes\\Device 01";
        PutString(route, "Service Provider", c.provider);
        for (const auto& [name, value] : c.route) PutString(route, name, value);
        PutDword(route, "Idle Timeout", 45);
        CVekaPrpAddPrp sheet("W", 0, "Device 01");
        uikit::MemorySheetSite site(sheet);
        sheet.Attach(site);
        const CVekaPrpDevice& page = sheet.GetDevicePage();
        EXPECT_EQ(page.GetDeviceName(), "Ticket desk");
        EXPECT_EQ(site.Active().GetText(CVekaPrpDevice::IDC_DEVICE_NAME), "Ticket desk");
        EXPECT_EQ(page.GetRemoteHost(), "NLM Gateway");
        EXPECT_EQ(page.GetEnabled(), 0);
        EXPECT_EQ(page.GetLniata(), c.lniata) << c.provider;
        EXPECT_EQ(page.GetHostAddress(), c.address);
        EXPECT_EQ(page.GetIdleTimeout(), c.idle);
        const int selected = site.Active().Selected(CVekaPrpDevice::IDC_DEVICE_TYPE);
        EXPECT_EQ(site.Active().RowText(CVekaPrpDevice::IDC_DEVICE_TYPE, selected, 0),
                  "Printer (ATB2)");
    }
    EXPECT_EQ(LogLines("Error: Unknown ServiceProvider QUIL").size(), 1u);
}

// Next writes the chosen type into a fresh scratch key and clears the history.
TEST_F(DeviceTypePage, NextRecordsTheTypeInAFreshScratchKey) {
    PutString(kApp + "\\Temp", "Device Alias", "OLD");
    CVekaPrpAddPrp sheet("W", 0, "Device 01");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    sheet.PushPage(999);
    site.Active().SetText(CVekaPrpDevice::IDC_DEVICE_NAME, "Pipe");
    site.Active().Select(CVekaPrpDevice::IDC_DEVICE_TYPE,
                         RowOf(site.Active(), CVekaPrpDevice::IDC_DEVICE_TYPE, "Named Pipe"));
    ASSERT_TRUE(sheet.Next());
    EXPECT_EQ(sheet.History(), std::vector<std::uint32_t>{233});
    EXPECT_EQ(Get(kApp + "\\Temp", "Device Type"), "Named Pipe");
    EXPECT_FALSE(Get(kApp + "\\Temp", "Device Alias"));
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
}

}  // namespace
