// The alias page (the device manager's printers of the device's class) and the extended
// settings page (defaults by type, enabling, an existing device's values written at once).
#include <gtest/gtest.h>

#include <algorithm>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/VekaPrpExtDevices.h"
#include "wizard/VekaPrpExtedStyle.h"
#include "wizard/VekaPrpInterfaceQueue.h"

using namespace wizardtest;
using wizard::CVekaPrpExtDevices;
using E = wizard::CVekaPrpExtedStyle;

namespace {

constexpr int kStay = -1;

class ExtendedPages : public WizardTest {
protected:
    void Scratch(const std::string& type) { PutString(kApp + "\\Temp", "Device Type", type); }
};

// The list holds the device manager's printers of the type's class; a stored alias is
// selected when it is still listed (else nothing), a new device gets the first printer.
// Next records the alias in the scratch key; with nothing selected it stays.
TEST_F(ExtendedPages, AliasesOfTheDevicesClass) {
    PutDeviceManagerPrinter("ATB2 Front", 2);
    PutDeviceManagerPrinter("ATB2 Back", 2);
    PutDeviceManagerPrinter("TNV Desk", 1);
    PutDevice("Device 01", "Printer (TNV/KDM)", "T");
    PutString(kApp + "\\Device 01", "Device Alias", "TNV Desk");
    PutDevice("Device 02", "Printer (KDM)", "K");
    PutString(kApp + "\\Device 02", "Device Alias", "Gone");
    const struct {
        const char* type;
        const char* key;
        std::vector<std::string> listed;
        const char* selected;  // none: nothing selected, Next stays
        int next;
    } cases[] = {
        {"Printer (ATB2/KDM)", "\\Device 05", {"ATB2 Back", "ATB2 Front"}, "ATB2 Back", 476},
        {"Printer (TNV/KDM)", "\\Device 01", {"TNV Desk"}, "TNV Desk", 476},
        {"Printer (KDM)", "\\Device 02", {"TNV Desk"}, nullptr, kStay},
        {"Printer (KDM)", "", {"TNV Desk"}, "TNV Desk", 476},
    };
    for (const auto& c : cases) {
        boxes.clear();
        Scratch(c.type);
        Shown<CVekaPrpExtDevices> a(c.key);
        std::vector<std::string> listed;
        for (const auto& row : a.panel.Rows(CVekaPrpExtDevices::IDC_DEVICE_ALIAS))
            listed.push_back(row[0]);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, c.listed) << c.type;
        EXPECT_EQ(a.Selected(CVekaPrpExtDevices::IDC_DEVICE_ALIAS), c.selected ? c.selected : "");
        EXPECT_EQ(a.Next(), c.next) << c.type;
        if (c.selected) {
            EXPECT_EQ(Get(kApp + "\\Temp", "Device Alias"), c.selected);
            EXPECT_EQ(a.page.GetAlias(), c.selected);
            EXPECT_TRUE(boxes.empty());
        } else {
            EXPECT_EQ(boxes, std::vector<std::string>{
                                 "Select the device manager's printer for this device first."});
        }
    }
}

// After a Next the chosen alias stays over the stored one when the page comes again; with no
// printer at all the list is empty and Next stays.
TEST_F(ExtendedPages, TheChosenAliasStays) {
    PutDeviceManagerPrinter("TNV A", 1);
    PutDeviceManagerPrinter("TNV B", 1);
    PutDevice("Device 01", "Printer (TNV/KDM)", "T");
    PutString(kApp + "\\Device 01", "Device Alias", "TNV A");
    Scratch("Printer (TNV/KDM)");
    Shown<CVekaPrpExtDevices> a("\\Device 01");
    const int b = RowOf(a.panel, CVekaPrpExtDevices::IDC_DEVICE_ALIAS, "TNV B");
    a.panel.Select(CVekaPrpExtDevices::IDC_DEVICE_ALIAS, b);
    EXPECT_EQ(a.Next(), 476);
    a.page.OnSetActive(a.panel);
    EXPECT_EQ(a.Selected(CVekaPrpExtDevices::IDC_DEVICE_ALIAS), "TNV B");

    Scratch("Printer (ATB2/KDM)");
    Shown<CVekaPrpExtDevices> none("\\Device 01");
    EXPECT_EQ(none.panel.RowCount(CVekaPrpExtDevices::IDC_DEVICE_ALIAS), 0);
    EXPECT_EQ(none.Next(), kStay);
}

struct Look {
    const char* field;
    int checked;  // the checked radio
    bool hint;
    bool lineFeedRadio;
    bool answerBack;
    bool insertLineFeed;  // checked
};

// A new device's trailer by type, with the enabling of its type.
TEST_F(ExtendedPages, NewDeviceDefaultsAndEnablingByType) {
    const char* trailer = "~0D~0A***EOM***~0C~0D~0A";
    const struct {
        const char* type;
        Look look;
        int next;
    } cases[] = {
        {"File", {"~0D~0A***EOM***~0D~0A~0C", E::IDC_FORM_FEED, false, false, false, true}, 241},
        {"Interface Queue", {trailer, E::IDC_CUSTOM, true, false, false, false}, 241},
        {"System", {trailer, E::IDC_FORM_FEED, false, false, false, true}, 241},
        {"Printer", {trailer, E::IDC_FORM_FEED, false, true, false, true}, 241},
        {"Printer (ATB2)", {trailer, E::IDC_FORM_FEED, false, false, false, true}, 241},
        {"Printer (KDM)", {"", E::IDC_FORM_FEED, false, true, false, true}, 241},
        {"Printer (ATB2-BAGTAG/Airline-TQX)",
         {"", E::IDC_FORM_FEED, false, true, false, true},
         241},
        {"Printer (ATB2/Airline)", {"", E::IDC_FORM_FEED, false, false, true, true}, 241},
        {"Named Pipe", {"", E::IDC_FORM_FEED, false, false, false, true}, 241},
        {"Printer Mitosa Hardcopy", {"", E::IDC_FORM_FEED, false, false, false, true}, 483},
    };
    for (const auto& c : cases) {
        Scratch(c.type);
        Shown<E> e("\\Device 01");
        const Look& l = c.look;
        EXPECT_EQ(e.panel.GetText(E::IDC_TERMINATOR_FIELD), l.field) << c.type;
        for (const int radio :
             {E::IDC_FORM_FEED, E::IDC_NO_FORM_FEED, E::IDC_LINE_FEEDS, E::IDC_CUSTOM})
            EXPECT_EQ(e.panel.GetCheck(radio), radio == l.checked) << c.type << " " << radio;
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_HINT), l.hint) << c.type;
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_TERMINATOR_FIELD), l.hint) << c.type;
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_LINE_FEEDS), l.lineFeedRadio) << c.type;
        EXPECT_FALSE(e.panel.IsEnabled(E::IDC_FINAL_LINE_FEEDS)) << c.type;
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_ANSWER_BACK), l.answerBack) << c.type;
        EXPECT_TRUE(e.panel.IsEnabled(E::IDC_INSERT_LINE_FEED)) << c.type;
        EXPECT_EQ(e.panel.GetCheck(E::IDC_INSERT_LINE_FEED), l.insertLineFeed) << c.type;
        EXPECT_EQ(e.Next(), c.next) << c.type;
        EXPECT_FALSE(KeyExists(kApp + "\\Device 01")) << c.type;  // a new device: no writes
    }
    // A passport reader: every control off, no terminator.
    Scratch("Passport Reader");
    Shown<E> reader("\\Device 01");
    for (const int id : {E::IDC_INSERT_LINE_FEED, E::IDC_ANSWER_BACK, E::IDC_FORM_FEED,
                         E::IDC_NO_FORM_FEED, E::IDC_LINE_FEEDS, E::IDC_CUSTOM,
                         E::IDC_TERMINATOR_FIELD, E::IDC_FINAL_LINE_FEEDS, E::IDC_HINT})
        EXPECT_FALSE(reader.panel.IsEnabled(id)) << id;
    EXPECT_EQ(reader.Next(), 241);
    EXPECT_EQ(reader.page.GetTerminatorType(), 0);
}

// The radios set the type and the edits that go with it; the count of line feeds is
// checked against 0 to 60 while it can be edited.
TEST_F(ExtendedPages, RadiosAndTheLineFeedCount) {
    Scratch("Printer");
    Shown<E> e;
    const struct {
        int radio;
        int type;
        bool count, custom;
    } clicks[] = {{E::IDC_LINE_FEEDS, 3, true, false},
                  {E::IDC_CUSTOM, 4, false, true},
                  {E::IDC_NO_FORM_FEED, 2, false, false},
                  {E::IDC_FORM_FEED, 1, false, false},
                  {E::IDC_LINE_FEEDS, 3, true, false}};
    for (const auto& c : clicks) {
        e.page.OnCommand(c.radio, e.panel);
        EXPECT_EQ(e.page.GetTerminatorType(), c.type);
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_FINAL_LINE_FEEDS), c.count);
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_TERMINATOR_FIELD), c.custom);
        EXPECT_EQ(e.panel.IsEnabled(E::IDC_HINT), c.custom);
        EXPECT_TRUE(e.panel.GetCheck(c.radio));
    }
    for (const char* count : {"61", "-1", "x", ""}) {
        boxes.clear();
        e.panel.SetText(E::IDC_FINAL_LINE_FEEDS, count);
        EXPECT_EQ(e.Next(), kStay) << count;
        EXPECT_EQ(boxes, std::vector<std::string>{"Enter a whole number from 0 to 60."});
    }
    e.panel.SetText(E::IDC_FINAL_LINE_FEEDS, "60");
    EXPECT_EQ(e.Next(), 241);
    EXPECT_EQ(e.page.GetFinalLineFeeds(), 60u);
}

// An existing device is loaded once and its values are written into its key at once on Next,
// the type from the checked radio. A stored count of 67 or more reads as 0; one the page
// does not allow but cannot be changed either does not hold the operator on the page.
TEST_F(ExtendedPages, AnExistingDeviceIsLoadedAndWritten) {
    const std::string key = kApp + "\\Device 01";
    const struct {
        const char* type;
        std::uint32_t stored, terminatorType;
        const char* shown;
        int next;
    } cases[] = {
        {"Printer", 80, 3, "0", 241},
        {"Printer", 61, 3, "61", kStay},
        {"File", 62, 1, "62", 241},
        {"Printer (ATB2/Airline)", 66, 2, "66", 241},
    };
    for (const auto& c : cases) {
        boxes.clear();
        PutDevice("Device 01", c.type, "D");
        PutDword(key, "Final Line Feeds", c.stored);
        PutDword(key, "Terminator Type", c.terminatorType);
        PutDword(key, "Insert Line Feed", 0);
        PutDword(key, "Answer Back", 7);
        PutString(key, "Terminator Field", "~1B");
        Scratch(c.type);
        Shown<E> e("\\Device 01");
        EXPECT_EQ(e.panel.GetText(E::IDC_FINAL_LINE_FEEDS), c.shown) << c.type;
        EXPECT_EQ(e.panel.GetText(E::IDC_TERMINATOR_FIELD), "~1B");
        EXPECT_FALSE(e.panel.GetCheck(E::IDC_INSERT_LINE_FEED));
        EXPECT_EQ(e.panel.GetCheck(E::IDC_ANSWER_BACK),
                  std::string(c.type) == "Printer (ATB2/Airline)");
        EXPECT_EQ(e.Next(), c.next) << c.type;
        if (c.next == kStay) continue;
        EXPECT_EQ(Get(key, "Terminator Type"), std::to_string(c.terminatorType)) << c.type;
        EXPECT_EQ(Get(key, "Final Line Feeds"), c.shown);
        EXPECT_EQ(Get(key, "Answer Back"),
                  std::string(c.type) == "Printer (ATB2/Airline)" ? "1" : "0");
        EXPECT_EQ(Get(key, "Insert Line Feed"), "0");
    }
    // No radio checked (a stored type the page cannot show): written as 0.
    PutDevice("Device 01", "File", "D");
    PutDword(key, "Terminator Type", 3);
    PutDword(key, "Final Line Feeds", 5);
    Scratch("File");
    Shown<E> e("\\Device 01");
    EXPECT_EQ(e.Next(), 241);
    EXPECT_EQ(Get(key, "Terminator Type"), "0");
}

// Within one wizard: a new device's trailer comes back on every visit, whatever was chosen
// before; the enabling follows the type chosen since.
TEST_F(ExtendedPages, NewDeviceTrailersComeBackOnEveryVisit) {
    wizard::CVekaPrpAddPrp sheet("W", 0, "Device 01");
    uikit::MemorySheetSite site(sheet);
    sheet.Attach(site);
    const int index = sheet.FindPage(106);
    auto& page = sheet.GetExtedStylePage();
    auto& panel = site.PagePanel(index);
    Scratch("Printer");
    page.OnInitDialog(panel);
    page.OnSetActive(panel);
    page.OnCommand(E::IDC_CUSTOM, panel);
    panel.SetText(E::IDC_TERMINATOR_FIELD, "~0D");
    EXPECT_TRUE(page.OnKillActive(panel));
    Scratch("Interface Queue");
    page.OnSetActive(panel);
    EXPECT_EQ(panel.GetText(E::IDC_TERMINATOR_FIELD), "~0D~0A***EOM***~0C~0D~0A");
    EXPECT_TRUE(panel.GetCheck(E::IDC_CUSTOM));
    EXPECT_FALSE(panel.IsEnabled(E::IDC_LINE_FEEDS));
    EXPECT_FALSE(panel.GetCheck(E::IDC_INSERT_LINE_FEED));  // the queue's format 0
}

// An interface queue device: the queue page's file format decides the insert-line-feed box
// (a new device starts with it checked): format 0 clears it, 1 clears and disables it, 2
// leaves it, 3 and 4 disable it as it is. The format chosen last counts, also after Back.
TEST_F(ExtendedPages, InsertLineFeedFollowsTheInterfaceQueueFormat) {
    using Q = wizard::CVekaPrpInterfaceQueue;
    using D = wizard::CVekaPrpDevice;
    const struct {
        std::vector<int> formats;  // chosen on the queue page, going back to it in between
        bool checked, enabled;
    } cases[] = {
        {{0}, false, true}, {{1}, false, false},   {{2}, true, true},      {{3}, true, false},
        {{4}, true, false}, {{1, 2}, false, true}, {{0, 4}, false, false}, {{3, 2}, true, true},
    };
    for (const auto& c : cases) {
        wizard::CVekaPrpAddPrp sheet("W", 0, "Device 01");
        uikit::MemorySheetSite site(sheet);
        sheet.Attach(site);
        site.Active().SetText(D::IDC_DEVICE_NAME, "Back office");
        Choose(sheet, site.Active(), D::IDC_DEVICE_TYPE, "Interface Queue");
        ASSERT_TRUE(sheet.Next());
        for (std::size_t i = 0; i < c.formats.size(); ++i) {
            if (i > 0) {
                ASSERT_TRUE(sheet.Back());
            }
            ASSERT_EQ(sheet.ActivePage().TemplateId(), 107);
            site.Active().Select(Q::IDC_FILE_FORMAT, c.formats[i]);
            ASSERT_TRUE(sheet.Next());
            ASSERT_EQ(sheet.ActivePage().TemplateId(), 106);
        }
        const auto& panel = site.Active();
        const int last = c.formats.back();
        EXPECT_EQ(sheet.GetInterfaceQueuePage().GetFileFormat(), last);
        EXPECT_EQ(panel.GetCheck(E::IDC_INSERT_LINE_FEED), c.checked) << last;
        EXPECT_EQ(panel.IsEnabled(E::IDC_INSERT_LINE_FEED), c.enabled) << last;
        EXPECT_TRUE(panel.GetCheck(E::IDC_CUSTOM)) << last;
        ASSERT_TRUE(sheet.Next());
        EXPECT_EQ(sheet.GetExtedStylePage().GetInsertLineFeed(), c.checked ? 1 : 0) << last;
    }
}

}  // namespace
