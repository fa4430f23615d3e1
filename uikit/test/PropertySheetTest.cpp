#include "uikit/PropertySheet.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "uikit/MemorySheetSite.h"

namespace uikit {
namespace {

// A page that records what its sheet calls and answers as its fields say.
class Page : public CPropertyPage {
public:
    Page(int id, std::vector<std::string>& calls)
        : CPropertyPage(id, {"P" + std::to_string(id), 0, 0, {{id + 1, ControlKind::Edit, ""}}}),
          m_calls(calls) {}
    void OnInitDialog(IControlPanel&) override { Log("init"); }
    void OnSetActive(IControlPanel&) override {
        Log("set");
        seenButtons = Sheet()->WizardButtons();
        if (buttons) Sheet()->SetWizardButtons(buttons);
    }
    bool OnKillActive(IControlPanel&) override {
        Log("kill");
        return keep == 0 || --keep < 0;
    }
    int OnWizardNext(IControlPanel&) override {
        Log("next");
        Sheet()->PushPage(static_cast<std::uint32_t>(TemplateId()));
        return next;
    }
    int OnWizardBack(IControlPanel&) override {
        Log("back");
        return back ? back : static_cast<int>(Sheet()->PopPage());
    }
    bool OnWizardFinish(IControlPanel&) override { return finish; }
    void OnCommand(int id, IControlPanel&) override { Log("cmd" + std::to_string(id)); }
    void OnDestroy() override { Log("destroy"); }

    int next = 0, back = 0, keep = 0;
    std::uint32_t buttons = 0, seenButtons = 0;
    bool finish = true;

private:
    void Log(const std::string& what) { m_calls.push_back(std::to_string(TemplateId()) + what); }
    std::vector<std::string>& m_calls;
};

struct Wizard {
    std::vector<std::string> calls;
    Page a{10, calls}, b{20, calls}, c{30, calls};
    CPropertySheet sheet{"W"};
    MemorySheetSite site{sheet};
    Wizard() {
        for (Page* p : {&a, &b, &c}) sheet.AddPage(*p);
        sheet.SetWizardMode();
    }
};

TEST(PropertySheet, HistoryHoldsTenAndGivesZeroWhenEmpty) {
    CPropertySheet sheet("S");
    EXPECT_EQ(sheet.PopPage(), 0u);
    for (std::uint32_t id = 1; id <= 10; ++id) EXPECT_EQ(sheet.PushPage(id), id);
    EXPECT_EQ(sheet.PushPage(11), 10u);  // dropped
    EXPECT_EQ(sheet.History().back(), 10u);
    EXPECT_EQ(sheet.PopPage(), 10u);
    EXPECT_EQ(sheet.PushPage(12), 10u);
    EXPECT_EQ(sheet.PopPage(), 12u);
    sheet.ClearHistory();
    EXPECT_EQ(sheet.PopPage(), 0u);
}

// Next: the page lets go, names the next page (0: the next in the sheet, -1: stay); Back
// from the history, 0 falling back to the page before; a page that does not let go stays
// and is not asked where to go.
TEST(PropertySheet, WizardMovesAsThePagesSay) {
    Wizard w;
    w.a.next = 30;
    w.sheet.Attach(w.site);
    EXPECT_EQ(w.sheet.ActiveIndex(), 0);
    EXPECT_TRUE(w.sheet.Next());
    EXPECT_EQ(w.site.ShownIds(), (std::vector<int>{10, 30}));
    EXPECT_TRUE(w.sheet.Back());  // history: 10
    EXPECT_EQ(w.sheet.ActivePage().TemplateId(), 10);

    w.a.next = 0;
    EXPECT_TRUE(w.sheet.Next());  // the next in the sheet
    EXPECT_EQ(w.sheet.ActivePage().TemplateId(), 20);
    w.b.next = CPropertyPage::kStay;
    EXPECT_FALSE(w.sheet.Next());
    w.b.next = 99;  // no such page
    EXPECT_FALSE(w.sheet.Next());
    w.b.keep = 1;
    w.calls.clear();
    EXPECT_FALSE(w.sheet.Next());
    EXPECT_EQ(w.calls, (std::vector<std::string>{"20kill"}));

    // An empty history: back to the page before in the sheet.
    w.sheet.ClearHistory();
    EXPECT_TRUE(w.sheet.Back());
    EXPECT_EQ(w.sheet.ActivePage().TemplateId(), 10);
    EXPECT_FALSE(w.sheet.Back());  // nothing before the first page
    // Back on a page made before: not made again.
    EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "10init"), 0);
}

// Buttons set while a page activates take effect after the activation, the last one
// counting; a button that is off refuses its press; Finish and Cancel end the run with their
// results and destroy the pages that were made.
TEST(PropertySheet, PostedButtonsAndResults) {
    Wizard w;
    w.a.buttons = PSWIZB_NEXT;
    w.b.buttons = PSWIZB_BACK;
    w.sheet.Attach(w.site);
    EXPECT_EQ(w.a.seenButtons, PSWIZB_BACK | PSWIZB_NEXT);
    EXPECT_EQ(w.sheet.WizardButtons(), PSWIZB_NEXT);
    EXPECT_FALSE(w.sheet.Back());
    EXPECT_TRUE(w.sheet.Next());
    EXPECT_EQ(w.b.seenButtons, PSWIZB_NEXT);
    EXPECT_FALSE(w.sheet.Next());  // Back only
    EXPECT_FALSE(w.sheet.Finish());
    w.sheet.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    w.sheet.Command(21);  // flushed after the command
    EXPECT_TRUE(w.sheet.ShowsFinish());
    EXPECT_FALSE(w.sheet.CanNext());
    w.b.finish = false;
    EXPECT_FALSE(w.sheet.Finish());
    w.b.finish = true;
    EXPECT_TRUE(w.sheet.Finish());
    EXPECT_EQ(w.sheet.Result(), ID_WIZFINISH);
    EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "10destroy"), 1);
    EXPECT_EQ(std::count(w.calls.begin(), w.calls.end(), "30destroy"), 0);

    Wizard cancelled;
    cancelled.sheet.Attach(cancelled.site);
    cancelled.sheet.CancelToClose();
    EXPECT_TRUE(cancelled.sheet.CancelIsClose());
    cancelled.sheet.Cancel();
    EXPECT_TRUE(cancelled.sheet.Ended());
    EXPECT_EQ(cancelled.sheet.Result(), IDCANCEL);
    EXPECT_FALSE(cancelled.sheet.Next());
}

// A tabbed sheet drawn as one dialog: pages as tabs in one control list, a control's command
// to its page (brought to the front when the current one lets go), OK once the page lets go.
TEST(PropertySheet, TabbedSheetAsOneDialog) {
    std::vector<std::string> calls;
    Page a(10, calls), b(20, calls);
    CPropertySheet sheet("S");
    sheet.AddPage(a);
    sheet.AddPage(b);
    b.SetTitle("Second");
    const DialogSpec& spec = sheet.Spec();
    ASSERT_EQ(spec.controls.size(), 6u);
    EXPECT_EQ(spec.controls[2].kind, ControlKind::Page);
    EXPECT_EQ(spec.controls[2].label, "Second");
    MemoryPanel panel(spec);
    sheet.OnInitDialog(panel);
    sheet.OnCommand(21, panel);
    EXPECT_EQ(sheet.ActiveIndex(), 1);
    EXPECT_EQ(calls.back(), "20cmd21");
    b.keep = 1;
    sheet.OnCommand(IDOK, panel);
    EXPECT_FALSE(sheet.Ended());
    sheet.OnCommand(IDOK, panel);
    EXPECT_EQ(sheet.Result(), IDOK);
}

TEST(Panel, RowsSelectionAndPrefixSearch) {
    MemoryPanel panel({});
    for (const char* text : {"ARLO", "Loopback", "ZEL"}) panel.AddRow(5, {text});
    EXPECT_EQ(FindRowByPrefix(panel, 5, "loop"), 1);
    EXPECT_EQ(FindRowByPrefix(panel, 5, "zel"), 2);
    EXPECT_EQ(FindRowByPrefix(panel, 5, "ZELX"), -1);
    panel.Select(5, 2);
    EXPECT_TRUE(panel.DeleteRow(5, 0));
    EXPECT_EQ(panel.Selected(5), 1);
    EXPECT_FALSE(panel.DeleteRow(5, 7));
    panel.Select(5, 9);
    EXPECT_EQ(panel.Selected(5), -1);
    EXPECT_EQ(panel.RowText(5, 1, 0), "ZEL");
    EXPECT_EQ(panel.RowText(5, 1, 3), "");
}

}  // namespace
}  // namespace uikit
