// The add-device wizard's order of pages by device type, and its Back through the history.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "WizardFixture.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/PassportFlag.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;
using wizard::CVekaPrpAddPrp;
using wizard::CVekaPrpDevice;

namespace {

using PageHook = std::function<void(int pageId, uikit::MemoryPanel& panel)>;

class WizardFlow : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        // The file page's folder, and the device manager's printers for the alias page.
        std::filesystem::create_directories(root / "drive_c");
        PutDeviceManagerPrinter("ATB2 Desk", 2);
        PutDeviceManagerPrinter("TNV Desk", 1);
    }

    // Names the device and picks its type on the type page, then presses Next until the
    // finish page (at most 12 times), letting `hook` act on each page first; the pages shown.
    std::vector<int> Walk(
        CVekaPrpAddPrp& sheet, uikit::MemorySheetSite& site, const std::string& type,
        const PageHook& hook = [](int, uikit::MemoryPanel&) {}) {
        sheet.Attach(site);
        auto& panel = site.Active();
        panel.SetText(CVekaPrpDevice::IDC_DEVICE_NAME, "Desk " + type);
        panel.Select(CVekaPrpDevice::IDC_DEVICE_TYPE,
                     RowOf(panel, CVekaPrpDevice::IDC_DEVICE_TYPE, type));
        for (int i = 0; i < 12 && sheet.ActivePage().TemplateId() != 481; ++i) {
            OperateOn(sheet, site.Active());
            hook(sheet.ActivePage().TemplateId(), site.Active());
            if (!sheet.Next()) break;
        }
        return site.ShownIds();
    }
};

TEST_F(WizardFlow, EveryTypeVisitsItsPages) {
    // The route page lets the wizard on once the route has a provider.
    PutString(kRoot + "\\Routes\\Device 01", "Service Provider", "ZEL");
    using Setup = std::function<void(CVekaPrpAddPrp&)>;
    const Setup none = [](CVekaPrpAddPrp&) {};
    const PageHook multiple = [](int page, uikit::MemoryPanel& panel) {
        if (page == 237) panel.Select(1020, 1);
    };
    const struct {
        const char* type;
        Setup setup;
        std::vector<int> pages;
        PageHook hook = [](int, uikit::MemoryPanel&) {};
    } cases[] = {
        {"Printer", none, {233, 235, 236, 106, 241, 481}},
        {"Printer",
         [this](CVekaPrpAddPrp&) {
             onPage[235] = [](uikit::CPropertySheet& s, uikit::MemoryPanel& p) {
                 Choose(s, p, wizard::CVekaPrpPort::IDC_PORT_LIST, "LPT1");
             };
         },
         {233, 235, 106, 241, 481}},
        {"Printer (ATB2)", none, {233, 235, 236, 106, 241, 481}},
        {"Printer (ATB2/Airline)", none, {233, 235, 236, 106, 241, 481}},
        {"Printer (ATB2-BAGTAG/Airline-TQX)", none, {233, 235, 236, 106, 241, 481}},
        {"Async-Mini", none, {233, 235, 236, 106, 241, 481}},
        {"Printer Mitosa SCN", none, {233, 235, 236, 106, 241, 481}},
        {"Printer Mitosa Hardcopy", none, {233, 235, 236, 106, 483, 241, 481}},
        {"Passport Reader", none, {233, 235, 236, 106, 241, 481}},
        {"Passport Reader",
         [this](CVekaPrpAddPrp&) {
             onPage[236] = [](uikit::CPropertySheet&, uikit::MemoryPanel& p) {
                 p.SetCheck(wizard::CVekaPrpPortCom::IDC_PASSPORT_TO_FILE, true);
             };
         },
         {233, 235, 236, 244, 241, 481}},
        {"Printer (ATB2/KDM)", none, {233, 102, 476, 106, 241, 481}},
        {"Printer (TNV/KDM)", none, {233, 102, 476, 106, 241, 481}},
        {"Printer (KDM)", none, {233, 102, 476, 106, 241, 481}},
        {"System", none, {233, 478, 106, 241, 481}},
        {"Zeroziro", none, {233, 484, 106, 241, 481}},
        {"File", none, {233, 237, 238, 106, 241, 481}},
        {"File", none, {233, 237, 239, 106, 241, 481}, multiple},
        {"Queue", none, {233, 240, 106, 241, 481}},
        {"Interface Queue", none, {233, 107, 106, 241, 481}},
        {"Named Pipe", none, {233, 480, 106, 241, 481}},
    };
    std::vector<std::string> typesSeen;
    for (const auto& c : cases) {
        CVekaPrpAddPrp sheet("Properties", 0, "Device 01");
        sheet.GetCompletePage().SetRouteName("Device 01");
        uikit::MemorySheetSite site(sheet);
        onPage.clear();
        c.setup(sheet);
        EXPECT_EQ(Walk(sheet, site, c.type, c.hook), c.pages) << c.type;
        EXPECT_EQ(Get(kApp + "\\Temp", "Device Type"), c.type);
        EXPECT_EQ(wizard::PassportReaderFlag(), std::string(c.type) == "Passport Reader");
        EXPECT_TRUE(sheet.ShowsFinish());
        EXPECT_TRUE(sheet.Finish());
        EXPECT_EQ(sheet.Result(), uikit::ID_WIZFINISH);
        if (typesSeen.empty() || typesSeen.back() != c.type) typesSeen.push_back(c.type);
    }
    EXPECT_EQ(typesSeen.size(), 17u);
    EXPECT_TRUE(boxes.empty());
}

// Back retraces the pages from which Next was pressed; the first page after the type page
// goes back to it whatever the type; the form page goes back to the page before it in the
// sheet and leaves the history as it is, so that the alias page is met twice on the way back.
TEST_F(WizardFlow, BackRetracesTheHistory) {
    PutString(kRoot + "\\Routes\\Device 01", "Service Provider", "ZEL");
    {
        CVekaPrpAddPrp sheet("Properties", 0, "Device 01");
        sheet.GetCompletePage().SetRouteName("Device 01");
        uikit::MemorySheetSite site(sheet);
        const auto forward = Walk(sheet, site, "Printer Mitosa Hardcopy");
        EXPECT_EQ(sheet.History(), (std::vector<std::uint32_t>{233, 235, 236, 106, 483, 241}));
        for (int i = 0; i < 10 && sheet.Back(); ++i) {
        }
        const auto all = site.ShownIds();
        const std::vector<int> back(all.begin() + static_cast<long>(forward.size()), all.end());
        EXPECT_EQ(back, (std::vector<int>{241, 483, 106, 236, 235, 233}));
        EXPECT_FALSE(sheet.CanBack());  // the type page: Next only
    }
    {
        CVekaPrpAddPrp sheet("Properties", 0, "Device 01");
        sheet.GetCompletePage().SetRouteName("Device 01");
        uikit::MemorySheetSite site(sheet);
        const auto forward = Walk(sheet, site, "Printer (KDM)");
        for (int i = 0; i < 10 && sheet.ActivePage().TemplateId() != 233; ++i)
            ASSERT_TRUE(sheet.Back());
        const auto all = site.ShownIds();
        const std::vector<int> back(all.begin() + static_cast<long>(forward.size()), all.end());
        EXPECT_EQ(back, (std::vector<int>{241, 106, 476, 102, 102, 233}));
    }
}

// A name is required and must not be another device's (exactly, case counting); the
// device's own name passes. The page stays, with the message shown once.
TEST_F(WizardFlow, BlankAndTakenNames) {
    PutDevice("Device 01", "File", "Front Desk");
    PutDevice("Device 02", "File", "Back Office");
    const struct {
        std::string name;
        const char* message;  // none: Next goes on with the name
        std::string taken;
    } cases[] = {
        {"   ", "A device name is required.", ""},
        {"Back Office",
         "The device name entered has already\nbeen assigned to another device.\nChoose a "
         "unique name for this device.",
         ""},
        {"  Front Desk", nullptr, "Front Desk"},
        {"back office", nullptr, "back office"},
    };
    for (const auto& c : cases) {
        boxes.clear();
        CVekaPrpAddPrp sheet("Properties", 0, "Device 01");
        uikit::MemorySheetSite site(sheet);
        sheet.Attach(site);
        EXPECT_EQ(site.Active().GetText(CVekaPrpDevice::IDC_DEVICE_NAME), "Front Desk");
        site.Active().SetText(CVekaPrpDevice::IDC_DEVICE_NAME, c.name);
        const bool moved = sheet.Next();
        EXPECT_EQ(moved, c.message == nullptr) << c.name;
        if (c.message)
            EXPECT_EQ(boxes, std::vector<std::string>{c.message});
        else
            EXPECT_EQ(sheet.GetDevicePage().GetDeviceName(), c.taken);
    }
}

// A numbered instance's wizard: device keys after the instance id, and names compared with
// that instance's devices only.
TEST_F(WizardFlow, AnInstanceKeepsToItsOwnDevices) {
    PutDevice("001Device 01", "File", "Instance desk");
    PutDevice("Device 01", "File", "Main desk");
    for (const char* name : {"Main desk", "Instance desk"}) {
        boxes.clear();
        CVekaPrpAddPrp sheet("Properties", 0, "001Device 02");
        EXPECT_EQ(sheet.GetFinishPage().GetDeviceKey(), "\\001Device 02");
        uikit::MemorySheetSite site(sheet);
        sheet.Attach(site);
        site.Active().SetText(CVekaPrpDevice::IDC_DEVICE_NAME, name);
        EXPECT_EQ(sheet.Next(), std::string(name) == "Main desk") << name;
    }
    EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
