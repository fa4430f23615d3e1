// The form page (the device manager's forms: those the printers need made once, the chosen
// one's type and form-feed bar) and the bin page of the hardcopy printer.
#include <gtest/gtest.h>

#include <algorithm>

#include "WizardFixture.h"
#include "platform/Registry.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/VekaPrpDevice.h"
#include "wizard/VekaPrpForm.h"
#include "wizard/VekaPrpMitosaForms.h"

using namespace wizardtest;
using wizard::CVekaPrpForm;
using wizard::CVekaPrpMitosaForms;

namespace {

const std::string kForms =
    "Software\\The TREVO Group\\TREVODeviceManager\\Devices\\QT5200 Printer\\Forms";
const char* const kCreatedLine = "PrinterGetForm Creating Form BSP_DE";

const std::vector<std::string> kPaperForms = {
    "8.5x11 Blank Continuous", "8.5x11 Blank Manual", "8.5x11 Blank Upper Feeder", "8.5x11 FF Bar",
    "A4 Blank Continuous",     "A4 Blank Manual",     "A4 Blank Upper Feeder",     "A4 FF Bar"};

// Deletes a key that has no subkeys of its own.
void DeleteKey(const std::string& parent, const std::string& name) {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, parent.c_str(), 0,
                               platform::KEY_ALL_ACCESS, &key) != platform::ERROR_SUCCESS)
        return;
    static_cast<void>(platform::RegDeleteKey(key, name.c_str()));
    platform::RegCloseKey(key);
}

class FormPages : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        PutDeviceManagerPrinter("TNV Desk", 1);
        PutDeviceManagerPrinter("ATB2 Desk", 2);
    }
    // The scratch key as the type and alias pages leave it.
    void Scratch(const std::string& type, const std::string& alias) {
        PutString(kApp + "\\Temp", "Device Type", type);
        PutString(kApp + "\\Temp", "Device Alias", alias);
    }
    // A form the device manager holds already.
    void PutForm(const std::string& name, std::uint32_t type, std::uint32_t bar) {
        PutString(kForms + "\\" + name, "Prompt", "");
        PutDword(kForms + "\\" + name, "Field 4", type);
        PutDword(kForms + "\\" + name, "Field 18", bar);
    }
    static std::vector<std::string> Sorted(const std::vector<std::vector<std::string>>& rows) {
        std::vector<std::string> texts;
        for (const auto& row : rows) texts.push_back(row[0]);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    static std::vector<std::string> With(std::vector<std::string> names,
                                         const std::vector<std::string>& more) {
        names.insert(names.end(), more.begin(), more.end());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Which forms each type makes sure of: none for the ATB2 printer (it lists what there is),
// the paper forms for the form printer, and the ticket form too for the ticket printer. Each
// is made once: the next activation finds them. The list holds every form and the first is
// chosen.
TEST_F(FormPages, TheFormsEachTypeNeedsAreMadeOnce) {
    const struct {
        const char* type;
        std::vector<std::string> made;
    } cases[] = {
        {"Printer (ATB2/KDM)", {}},
        {"Printer (KDM)", kPaperForms},
        {"Printer (TNV/KDM)", With(kPaperForms, {"BSP-DE/CH/FR"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        for (const std::string& form : With(kPaperForms, {"BSP-DE/CH/FR"})) DeleteKey(kForms, form);
        PutForm("Own Form", 0, 0);
        Scratch(c.type, "TNV Desk");
        const std::size_t logged = LogLines(kCreatedLine).size();
        Shown<CVekaPrpForm> f;
        EXPECT_EQ(Sorted(f.panel.Rows(CVekaPrpForm::IDC_FORM)), With(c.made, {"Own Form"}));
        EXPECT_EQ(f.panel.Selected(CVekaPrpForm::IDC_FORM), 0);
        EXPECT_EQ(f.page.GetFormName(), f.Selected(CVekaPrpForm::IDC_FORM));
        EXPECT_EQ(LogLines(kCreatedLine).size(), logged + c.made.size());
        f.page.OnSetActive(f.panel);
        EXPECT_EQ(LogLines(kCreatedLine).size(), logged + c.made.size());
        EXPECT_EQ(f.panel.RowCount(CVekaPrpForm::IDC_FORM), static_cast<int>(c.made.size() + 1));
    }
}

// The records made: the ticket form's numbers in full, the texts with their blanks, and the
// form-feed bar of the two bar forms.
TEST_F(FormPages, TheMadeFormsCarryTheirRecords) {
    Scratch("Printer (TNV/KDM)", "TNV Desk");
    Shown<CVekaPrpForm> f;
    const std::string bsp = kForms + "\\BSP-DE/CH/FR";
    const std::uint32_t numbers[] = {8, 85, 85, 370,  4800, 3500, 2, 2, 0,
                                     0, 0,  66, 4135, 375,  1,    0, 0};
    for (int field = 3; field < 20; ++field)
        EXPECT_EQ(Get(bsp, ("Field " + std::to_string(field)).c_str()),
                  std::to_string(numbers[field - 3]))
            << field;
    EXPECT_EQ(Get(bsp, "Prompt"), "DDD");
    EXPECT_EQ(Get(bsp, "Description"), "DD");
    EXPECT_EQ(Get(kForms + "\\A4 Blank Manual", "Prompt"), "Insert    A4 Blank");
    EXPECT_EQ(Get(kForms + "\\8.5x11 Blank Continuous", "Prompt"), "Insert    BlankPaper");
    EXPECT_EQ(Get(kForms + "\\A4 Blank Upper Feeder", "Prompt"), "   ");
    EXPECT_EQ(Get(kForms + "\\A4 Blank Upper Feeder", "Description"),
              "A4 European size blank paper for Upper Feeder bin");
    EXPECT_EQ(Get(kForms + "\\8.5x11 Blank Manual", "Field 14"), "63");
    EXPECT_EQ(Get(kForms + "\\A4 Blank Continuous", "Field 3"), "8");
    for (const char* bar : {"8.5x11 FF Bar", "A4 FF Bar"}) {
        EXPECT_EQ(Get(kForms + "\\" + bar, "Field 18"), "1") << bar;
        EXPECT_EQ(Get(kForms + "\\" + bar, "Field 14"), "0") << bar;
        EXPECT_EQ(Get(kForms + "\\" + bar, "Description"), bar);
    }
}

// Next takes the chosen form's type (field 4) and form-feed bar (field 18) from its record;
// a form whose record cannot be read gives 0 and 0, whatever a choice before gave.
TEST_F(FormPages, NextTakesTheChosenFormsTypeAndBar) {
    Scratch("Printer (TNV/KDM)", "TNV Desk");
    const struct {
        const char* form;
        std::uint32_t type;
        std::uint32_t bar;
    } cases[] = {
        {"BSP-DE/CH/FR", 85, 0},
        {"8.5x11 FF Bar", 0, 1},
        {"Gone Form", 0, 0},
    };
    Shown<CVekaPrpForm> f;
    for (const auto& c : cases) {
        if (std::string(c.form) == "Gone Form") {
            PutForm(c.form, 7, 1);
            f.page.OnSetActive(f.panel);
            f.panel.Select(CVekaPrpForm::IDC_FORM, RowOf(f.panel, CVekaPrpForm::IDC_FORM, c.form));
            DeleteKey(kForms, c.form);
        } else {
            f.panel.Select(CVekaPrpForm::IDC_FORM, RowOf(f.panel, CVekaPrpForm::IDC_FORM, c.form));
        }
        EXPECT_EQ(f.Next(), 106) << c.form;
        EXPECT_EQ(f.page.GetFormName(), c.form);
        EXPECT_EQ(f.page.GetFormType(), c.type) << c.form;
        EXPECT_EQ(f.page.GetFormFeedBar(), c.bar) << c.form;
    }
}

// An existing form printer shows its stored form, or nothing when the device manager no
// longer has it (Next then takes no form); one without a stored form, and the ATB2 printer
// whose stored form is not read, show the first.
TEST_F(FormPages, AnExistingDevicesForm) {
    PutForm("A Form", 1, 0);
    PutForm("B Form", 2, 0);
    const struct {
        const char* type;
        const char* stored;  // none: no "Form" value
        const char* shown;   // "": nothing selected; none: the first form
    } cases[] = {
        {"Printer (TNV/KDM)", "B Form", "B Form"},
        {"Printer (KDM)", "Gone Form", ""},
        {"Printer (KDM)", nullptr, nullptr},
        {"Printer (ATB2/KDM)", "B Form", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        DeleteKey(kApp, "Device 02");
        PutDevice("Device 02", c.type, "Forms");
        if (c.stored) PutString(kApp + "\\Device 02", "Form", c.stored);
        Scratch(c.type, "TNV Desk");
        Shown<CVekaPrpForm> f("\\Device 02");
        const std::string shown = c.shown ? c.shown : f.panel.RowText(CVekaPrpForm::IDC_FORM, 0, 0);
        EXPECT_EQ(f.panel.Selected(CVekaPrpForm::IDC_FORM) < 0, shown.empty());
        EXPECT_EQ(f.Selected(CVekaPrpForm::IDC_FORM), shown);
        EXPECT_EQ(f.Next(), 106);
        EXPECT_EQ(f.page.GetFormName(), shown);
    }
}

// A printer that does not open gives no forms: nothing is made or listed, Next goes on
// with no form.
TEST_F(FormPages, APrinterThatDoesNotOpenGivesAnEmptyList) {
    Scratch("Printer (TNV/KDM)", "Not A Printer");
    Shown<CVekaPrpForm> f;
    EXPECT_EQ(f.panel.RowCount(CVekaPrpForm::IDC_FORM), 0);
    EXPECT_FALSE(KeyExists(kForms));
    EXPECT_TRUE(LogLines(kCreatedLine).empty());
    EXPECT_EQ(LogLines("CVekaPrpForm::LoadForm(): PrinterOpen():").size(), 1u);
    EXPECT_EQ(f.Next(), 106);
    EXPECT_EQ(f.page.GetFormName(), "");
    EXPECT_EQ(f.page.GetFormType(), 0u);
    EXPECT_EQ(f.page.GetFormFeedBar(), 0u);
}

// Back from the form page goes to the page before it in the sheet (the alias page) and
// takes nothing off the history.
TEST_F(FormPages, BackGoesToThePageBeforeItInTheSheet) {
    wizard::CVekaPrpAddPrp sheet("Properties", 0, "Device 01");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    auto& type = site.Active();
    type.SetText(wizard::CVekaPrpDevice::IDC_DEVICE_NAME, "Forms");
    type.Select(wizard::CVekaPrpDevice::IDC_DEVICE_TYPE,
                RowOf(type, wizard::CVekaPrpDevice::IDC_DEVICE_TYPE, "Printer (KDM)"));
    ASSERT_TRUE(sheet.Next());
    ASSERT_TRUE(sheet.Next());
    ASSERT_EQ(sheet.ActivePage().TemplateId(), 476);
    ASSERT_TRUE(sheet.Back());
    EXPECT_EQ(sheet.ActivePage().TemplateId(), 102);
    EXPECT_EQ(sheet.History(), (std::vector<std::uint32_t>{233, 102}));
}

// The bin page: a new device starts at the first bin, an existing one shows its stored bin
// (the first when it has none); Next takes the chosen bin and goes to the route page.
TEST_F(FormPages, TheBinOfTheHardcopyPrinter) {
    PutDevice("Device 01", "Printer Mitosa Hardcopy", "Copies");
    PutString(kApp + "\\Device 01", "Bin Choice", "Tractor Feeder");
    PutDevice("Device 02", "Printer Mitosa Hardcopy", "Copies");
    const struct {
        const char* key;
        const char* shown;
        const char* chosen;  // none: kept
    } cases[] = {
        {"", "Manual Sheet Feeder", nullptr},
        {"\\Device 01", "Tractor Feeder", nullptr},
        {"\\Device 02", "Manual Sheet Feeder", "Auto Sheet Feeder"},
    };
    for (const auto& c : cases) {
        Shown<CVekaPrpMitosaForms> b(c.key);
        EXPECT_EQ(b.panel.RowCount(CVekaPrpMitosaForms::IDC_BIN), 3);
        EXPECT_EQ(b.Selected(CVekaPrpMitosaForms::IDC_BIN), c.shown) << c.key;
        if (c.chosen)
            b.panel.Select(CVekaPrpMitosaForms::IDC_BIN,
                           RowOf(b.panel, CVekaPrpMitosaForms::IDC_BIN, c.chosen));
        EXPECT_EQ(b.Next(), 241);
        EXPECT_EQ(b.page.GetBinChoice(), c.chosen ? c.chosen : c.shown);
    }
}

}  // namespace
