// The device list page: Add, Properties and Remove over the store, with the wizard run by a
// script in place of the operator.
#include "wizard/VekaPrpDevices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "support/LoopbackProvider.h"
#include "uikit/MemorySheetSite.h"
#include "uikit/PrintSetup.h"
#include "wizard/RouteRecords.h"
#include "wizard/VekaPrp.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;
using wizard::CVekaPrpAddPrp;
using wizard::CVekaPrpDevice;
using wizard::CVekaPrpDevices;
using C = wizard::CVekaPrpComplete;

namespace {

using Script = std::function<void(CVekaPrpAddPrp&)>;
// Acts on a page of the wizard before its Next is pressed.
using PageHook = std::function<void(int pageId, uikit::MemoryPanel& panel)>;

class DeviceList : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        std::filesystem::create_directories(root / "drive_c");  // the file page's folder
        PutDword(kApp + "\\Defaults\\Device", "Maximum Devices Selectable", 4);
        uikit::SetModalRunner([this](uikit::IDialogModel& model) {
            auto* sheet = dynamic_cast<CVekaPrpAddPrp*>(&model);
            if (!sheet) return uikit::IDCANCEL;
            wizards.push_back(sheet->GetCompletePage().GetRouteName());
            uikit::MemorySheetSite site(*sheet);
            sheet->Attach(site);
            m_site = &site;
            if (script) script(*sheet);
            m_site = nullptr;
            return sheet->Ended() ? sheet->Result() : result;
        });
    }
    void TearDown() override {
        uikit::SetModalRunner(nullptr);
        WizardTest::TearDown();
    }

    // A script: names the device, picks its type, goes on to the finish page and finishes.
    Script Finish(
        const std::string& name, const std::string& type,
        const Script& before = [](CVekaPrpAddPrp&) {},
        const PageHook& hook = [](int, uikit::MemoryPanel&) {}) {
        return [this, name, type, before, hook](CVekaPrpAddPrp& sheet) {
            before(sheet);
            auto& panel = m_site->Active();
            panel.SetText(CVekaPrpDevice::IDC_DEVICE_NAME, name);
            panel.Select(CVekaPrpDevice::IDC_DEVICE_TYPE,
                         RowOf(panel, CVekaPrpDevice::IDC_DEVICE_TYPE, type));
            // A new route is configured before the route page lets the wizard on.
            PutString(kRoot + "\\Routes\\" + sheet.GetCompletePage().GetRouteName(),
                      "Service Provider", "NONE");
            for (int i = 0; i < 12 && sheet.ActivePage().TemplateId() != 481; ++i) {
                OperateOn(sheet, m_site->Active());
                hook(sheet.ActivePage().TemplateId(), m_site->Active());
                if (!sheet.Next()) break;
            }
            EXPECT_TRUE(sheet.Finish());
        };
    }

    std::vector<std::vector<std::string>> Rows(uikit::MemoryPanel& panel) {
        return panel.Rows(CVekaPrpDevices::IDC_DEVICE_LIST);
    }

    // The page with its panel, initialised and active.
    struct Page {
        CVekaPrpDevices page;
        uikit::MemoryPanel panel{page.Spec()};
        explicit Page(std::string instance = {}) : page(std::move(instance)) {
            page.OnInitDialog(panel);
            page.OnSetActive(panel);
        }
    };

    Script script;
    int result = uikit::IDCANCEL;
    std::vector<std::string> wizards;          // the device id of each wizard run
    uikit::MemorySheetSite* m_site = nullptr;  // the running wizard's
};

TEST_F(DeviceList, ListsTheConfiguredDevices) {
    PutDevice("Device 01", "File", "Front");
    PutDevice("Device 03", "Queue", "Back");
    PutDword(kApp + "\\Device 03", "Enabled", 0);
    PutDevice("Device 05", "File", "Beyond the limit");
    Page p;
    EXPECT_EQ(Rows(p.panel),
              (std::vector<std::vector<std::string>>{{"Front", "File", "Y", "Device 01"},
                                                     {"Back", "Queue", "N", "Device 03"}}));
    EXPECT_TRUE(p.panel.IsEnabled(CVekaPrpDevices::IDC_ADD));
    EXPECT_FALSE(p.panel.IsEnabled(CVekaPrpDevices::IDC_SCN));
}

// The count decides, not the slots: at the limit no wizard starts even with a slot free.
TEST_F(DeviceList, AddAtTheLimit) {
    PutDevice("Device 01", "File", "A");
    PutDword(kApp, "Devices Selected", 4);
    Page p;
    p.page.OnAdd(p.panel);
    EXPECT_EQ(boxes,
              std::vector<std::string>{"The maximum number of devices has already been selected."});
    EXPECT_TRUE(wizards.empty());
}

// Add takes the first free slot; Finish writes the record, the session and the route, counts
// the device and lists it; the sheet's Cancel becomes Close.
TEST_F(DeviceList, AddWritesTheFirstFreeSlot) {
    PutDevice("Device 01", "File", "A");
    PutDevice("Device 03", "File", "C");
    PutDword(kApp, "Devices Selected", 2);
    wizard::CVekaPrp sheet(105, 0);
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    auto& panel = site.Active();
    script = Finish("Back Office", "File");
    sheet.Command(CVekaPrpDevices::IDC_ADD);
    EXPECT_EQ(wizards, std::vector<std::string>{"Device 02"});
    const std::string key = kApp + "\\Device 02";
    EXPECT_EQ(
        ValueNames(key),
        (std::vector<std::string>{
            "Device Name", "Device Type", "Device Session", "Host", "Enabled", "Answer Back",
            "Insert Line Feed", "Terminator Type", "Final Line Feeds", "Terminator Field",
            "Terminator Data", "File Location", "File Name", "Maximum File Size",
            "Multiple File Limit", "Multiple Files", "Single File Append", "Single File Type"}));
    EXPECT_EQ(Get(key, "Device Session"), "Device 02");
    EXPECT_EQ(Get(key, "Terminator Data"), "\r\f");
    EXPECT_EQ(Get(key, "Maximum File Size"), "1024000");
    EXPECT_EQ(Get(key, "Single File Append"), "1");
    EXPECT_EQ(Get(kApp, "Devices Selected"), "3");
    EXPECT_EQ(Get(kRoot + "\\Sessions\\Device 02\\TREVO", "Route Name"), "Device 02");
    EXPECT_EQ(Get(kRoot + "\\Routes\\Device 02", "Alias"), "Device 02");
    EXPECT_EQ(Rows(panel).back(),
              (std::vector<std::string>{"Back Office", "File", "Y", "Device 02"}));
    EXPECT_TRUE(sheet.CancelIsClose());
    // The scratch key goes with the sheet.
    EXPECT_TRUE(KeyExists(kApp + "\\Temp"));
    sheet.Cancel();
    EXPECT_FALSE(KeyExists(kApp + "\\Temp"));
}

// Properties rewrites the device in place: the count stays, the row moves to the end, and
// values the new type does not write stay in the key.
TEST_F(DeviceList, PropertiesKeepsTheCount) {
    PutDevice("Device 01", "File", "A");
    PutString(kApp + "\\Device 01", "File Location", "D:\\OUT");
    PutDevice("Device 02", "Queue", "B");
    PutDword(kApp, "Devices Selected", 2);
    Page p;
    p.page.OnProperties(p.panel);
    EXPECT_EQ(boxes, std::vector<std::string>{"Select a device first."});
    p.panel.Select(CVekaPrpDevices::IDC_DEVICE_LIST, 0);
    script = Finish("A", "Named Pipe");
    p.page.OnProperties(p.panel);
    EXPECT_EQ(wizards, std::vector<std::string>{"Device 01"});
    EXPECT_EQ(Get(kApp, "Devices Selected"), "2");
    EXPECT_EQ(Rows(p.panel),
              (std::vector<std::vector<std::string>>{{"B", "Queue", "Y", "Device 02"},
                                                     {"A", "Named Pipe", "Y", "Device 01"}}));
    EXPECT_EQ(Get(kApp + "\\Device 01", "Device Type"), "Named Pipe");
    EXPECT_EQ(Get(kApp + "\\Device 01", "File Location"), "D:\\OUT");

    // Cancel writes nothing and leaves the list.
    script = [](CVekaPrpAddPrp& sheet) { sheet.Cancel(); };
    p.panel.Select(CVekaPrpDevices::IDC_DEVICE_LIST, 0);
    p.page.OnProperties(p.panel);
    EXPECT_EQ(Get(kApp, "Devices Selected"), "2");
    EXPECT_EQ(Rows(p.panel).size(), 2u);
}

// Remove asks first, Cancel (the default) keeping everything and clearing the selection;
// OK removes the device's records and its row.
TEST_F(DeviceList, RemoveAsksFirst) {
    PutDevice("Device 01", "File", "A");
    PutDword(kApp, "Devices Selected", 1);
    wizard::WriteSessionAndRoute("Device 01", {});
    wizard::CVekaPrp sheet(105, 0);
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    auto& panel = site.Active();
    panel.Select(CVekaPrpDevices::IDC_DEVICE_LIST, 0);
    sheet.Command(CVekaPrpDevices::IDC_REMOVE);
    EXPECT_EQ(boxes, std::vector<std::string>{"The selected device will be removed.\nChanges "
                                              "will take effect only after this application is "
                                              "restarted."});
    EXPECT_EQ(panel.Selected(CVekaPrpDevices::IDC_DEVICE_LIST), -1);
    EXPECT_TRUE(KeyExists(kApp + "\\Device 01"));
    EXPECT_FALSE(sheet.CancelIsClose());

    answers.push_back(uikit::IDOK);
    panel.Select(CVekaPrpDevices::IDC_DEVICE_LIST, 0);
    sheet.Command(CVekaPrpDevices::IDC_REMOVE);
    EXPECT_FALSE(KeyExists(kApp + "\\Device 01"));
    EXPECT_FALSE(KeyExists(kRoot + "\\Sessions\\Device 01"));
    EXPECT_FALSE(KeyExists(kRoot + "\\Routes\\Device 01"));
    EXPECT_EQ(Get(kApp, "Devices Selected"), "0");
    EXPECT_TRUE(Rows(panel).empty());
    EXPECT_TRUE(sheet.CancelIsClose());
}

// Record contents by type: a passport reader has no answer-back and no terminator, its file
// name made from the passport page's folder; an interface queue no answer-back; a custom
// terminator that decodes to a zero byte is stored whole; a ticket printer its alias and
// the chosen form with the form's type and form-feed bar.
TEST_F(DeviceList, RecordsByType) {
    PutDword(kApp, "Devices Selected", 0);
    Page p;
    onPage[236] = [](uikit::CPropertySheet&, uikit::MemoryPanel& panel) {
        panel.SetCheck(wizard::CVekaPrpPortCom::IDC_PASSPORT_TO_FILE, true);
    };
    script = Finish("Reader", "Passport Reader");
    p.page.OnAdd(p.panel);
    const std::string reader = kApp + "\\Device 01";
    EXPECT_FALSE(Get(reader, "Answer Back"));
    EXPECT_FALSE(Get(reader, "Terminator Data"));
    EXPECT_EQ(Get(reader, "File Name"), "C:\\PASSPORT.TXT");
    EXPECT_EQ(Get(reader, "Port"), "COM1");
    EXPECT_EQ(Get(reader, "Emulation"), "DTR");
    EXPECT_EQ(Get(reader, "Baud Rate"), "4800");

    script = Finish(
        "Queue", "Interface Queue", [](CVekaPrpAddPrp&) {},
        [](int page, uikit::MemoryPanel& panel) {
            if (page == 106) panel.SetText(1134, "~0d");
        });
    p.page.OnAdd(p.panel);
    const std::string queue = kApp + "\\Device 02";
    EXPECT_FALSE(Get(queue, "Answer Back"));
    EXPECT_EQ(Get(queue, "Terminator Field"), "~0d");
    EXPECT_EQ(GetBytes(queue, "Terminator Data"), std::string(1, '\0'));

    onPage[235] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
        Choose(sheet, panel, wizard::CVekaPrpPort::IDC_PORT_LIST, "LPT2");
    };
    script = Finish("Copies", "Printer Mitosa Hardcopy");
    p.page.OnAdd(p.panel);
    const std::string hardcopy = kApp + "\\Device 03";
    EXPECT_EQ(Get(hardcopy, "Port"), "LPT2");
    EXPECT_FALSE(Get(hardcopy, "Baud Rate"));
    EXPECT_EQ(Get(hardcopy, "Bin Choice"), "Manual Sheet Feeder");
    EXPECT_EQ(Get(kApp, "Devices Selected"), "3");

    PutDeviceManagerPrinter("TNV Desk", 1);
    onPage[476] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
        Choose(sheet, panel, wizard::CVekaPrpForm::IDC_FORM, "BSP-DE/CH/FR");
    };
    script = Finish("Tickets", "Printer (TNV/KDM)");
    p.page.OnAdd(p.panel);
    const std::string tickets = kApp + "\\Device 04";
    EXPECT_EQ(Get(tickets, "Device Alias"), "TNV Desk");
    EXPECT_EQ(Get(tickets, "Form"), "BSP-DE/CH/FR");
    EXPECT_EQ(Get(tickets, "FormType"), "85");
    EXPECT_EQ(Get(tickets, "FFPresent"), "0");
}

// The printers of the machine: a queue device's queue and column offset, a system printer's
// printer, font, size, orientation and margins as its page took them.
TEST_F(DeviceList, PrinterRecords) {
    PutDword(kApp, "Devices Selected", 0);
    Page p;
    onPage[240] = [](uikit::CPropertySheet&, uikit::MemoryPanel& panel) {
        panel.SetText(wizard::CVekaPrpQueue::IDC_COLUMN_OFFSET, "7");
    };
    script = Finish("Tickets", "Queue");
    p.page.OnAdd(p.panel);
    const std::string queue = kApp + "\\Device 01";
    EXPECT_EQ(Get(queue, "Queue Name"), "Laser");
    EXPECT_EQ(Get(queue, "Column Offset"), "7");

    uikit::SetPageSetupRunner([](uikit::PageSetup& setup) {
        setup = {uikit::DMORIENT_LANDSCAPE, 100, 200, 300, 400};
    });
    uikit::SetFontLister([] { return std::vector<std::string>{"Courier 10 Pitch"}; });
    onPage[484] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel&) {
        sheet.Command(wizard::CVekaPrpSystem::IDC_PAGE_SETUP);
    };
    script = Finish("Reports", "Zeroziro");
    p.page.OnAdd(p.panel);
    uikit::SetPageSetupRunner({});
    uikit::SetFontLister({});
    const std::string reports = kApp + "\\Device 02";
    const std::vector<std::pair<const char*, const char*>> values = {
        {"Printer Name", "Laser"}, {"Font", "Courier 10 Pitch"}, {"Font Size", "10"},
        {"Orientation", "2"},      {"MarginTop", "200"},         {"MarginBottom", "400"},
        {"MarginLeft", "100"},     {"MarginRight", "300"}};
    for (const auto& [name, value] : values) EXPECT_EQ(Get(reports, name), value) << name;
}

// The stock-number button: enabled only on a coupon printer's row, runs its dialog for that
// device, and is disabled again afterwards.
TEST_F(DeviceList, StockNumberForCouponPrinters) {
    PutDevice("Device 01", "File", "A");
    PutDevice("Device 02", "Printer Mitosa SCN", "Coupons");
    std::vector<std::string> opened;
    CVekaPrpDevices page("", [&](const std::string& id) { opened.push_back(id); });
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    for (const int row : {0, 1}) {
        panel.Select(CVekaPrpDevices::IDC_DEVICE_LIST, row);
        page.OnCommand(CVekaPrpDevices::IDC_DEVICE_LIST, panel);
        EXPECT_EQ(panel.IsEnabled(CVekaPrpDevices::IDC_SCN), row == 1);
    }
    page.OnCommand(CVekaPrpDevices::IDC_SCN, panel);
    EXPECT_EQ(opened, std::vector<std::string>{"Device 02"});
    EXPECT_FALSE(panel.IsEnabled(CVekaPrpDevices::IDC_SCN));
}

// Cancel writes no device, count, list row or session; what the pages wrote while the
// wizard ran stays: the scratch key and the route its provider configured.
TEST_F(DeviceList, CancelKeepsWhatThePagesWrote) {
    PutString(kRoot + "\\Service Providers\\LOOPBACK", "DLL Name", support::kLoopbackDllName);
    ASSERT_NE(support::Loopback(), nullptr);
    support::Loopback()->Reset();
    Page p;
    script = [this](CVekaPrpAddPrp& sheet) {
        auto& panel = m_site->Active();
        panel.SetText(CVekaPrpDevice::IDC_DEVICE_NAME, "Tickets");
        panel.Select(CVekaPrpDevice::IDC_DEVICE_TYPE,
                     RowOf(panel, CVekaPrpDevice::IDC_DEVICE_TYPE, "Printer"));
        for (int i = 0; i < 6 && sheet.ActivePage().TemplateId() != 241; ++i)
            ASSERT_TRUE(sheet.Next());
        auto& route = m_site->Active();
        route.Select(C::IDC_PROVIDERS, RowOf(route, C::IDC_PROVIDERS, "LOOPBACK"));
        sheet.Command(C::IDC_CONFIGURE);
        ASSERT_TRUE(sheet.Next());
        sheet.Cancel();
    };
    p.page.OnAdd(p.panel);
    EXPECT_FALSE(KeyExists(kApp + "\\Device 01"));
    EXPECT_FALSE(KeyExists(kRoot + "\\Sessions\\Device 01"));
    EXPECT_FALSE(Get(kApp, "Devices Selected"));
    EXPECT_TRUE(Rows(p.panel).empty());
    EXPECT_EQ(Get(kApp + "\\Temp", "Device Type"), "Printer");
    EXPECT_EQ(Get(kRoot + "\\Routes\\Device 01", "Alias"), "Device 01");
    EXPECT_EQ(Get(kRoot + "\\Routes\\Device 01", "Service Provider"), "LOOPBACK");
    support::Loopback()->Reset();
}

// The sheet's caption and its general page's title follow the branding.
TEST_F(DeviceList, BrandedCaptions) {
    const struct {
        const char* ini;
        std::uint32_t captionId;
        const char* caption;
        const char* title;
    } cases[] = {
        {"", 105, "Trevo Printing Module Properties", "Trevo Printing Module"},
        {"[NAMETYPE]\nVEKANAME=Trevo Print\n", 1203, "Trevo Print Properties", "Trevo Print"},
        {"[NAMETYPE]\nVEKANAME=Trevo Veka\n", 1253, "Trevo Veka Properties", "Trevo Veka"},
    };
    for (const auto& c : cases) {
        root.WriteFile("windows/VEKACFG.ini", c.ini);
        EXPECT_EQ(wizard::CVekaPrp::CaptionId(), c.captionId);
        wizard::CVekaPrp sheet(wizard::CVekaPrp::CaptionId(), 0);
        EXPECT_EQ(sheet.Caption(), c.caption);
        EXPECT_EQ(sheet.GetVekaPage().Title(), c.title);
    }
}

TEST_F(DeviceList, ReadOnlyStoreDisablesAddAndRemove) {
    PutDevice("Device 01", "File", "A");
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_READ);
    Page p;
    EXPECT_FALSE(p.panel.IsEnabled(CVekaPrpDevices::IDC_ADD));
    EXPECT_FALSE(p.panel.IsEnabled(CVekaPrpDevices::IDC_REMOVE));
    EXPECT_TRUE(p.panel.IsEnabled(CVekaPrpDevices::IDC_PROPERTIES));
}

}  // namespace
