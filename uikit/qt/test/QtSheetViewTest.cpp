// The Qt view of property sheets, on the offscreen platform.
#include "uikitqt/QtSheetView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <cstdlib>

#include "uikitqt/QtDialogView.h"

namespace {

using uikit::ControlKind;

// A page with an edit (id = template id + 1): Next refuses while it is empty; the last page
// asks for Finish.
class Page : public uikit::CPropertyPage {
public:
    Page(int id, bool last)
        : uikit::CPropertyPage(id,
                               {"P" + std::to_string(id), 0, 0, {{id + 1, ControlKind::Edit, ""}}}),
          m_last(last) {}
    void OnSetActive(uikit::IControlPanel&) override {
        Sheet()->SetWizardButtons(m_last ? uikit::PSWIZB_BACK | uikit::PSWIZB_FINISH
                                         : uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    }
    void OnCommand(int id, uikit::IControlPanel& panel) override {
        text = panel.GetText(id);
        if (!m_last)
            Sheet()->SetWizardButtons(text.empty() ? uikit::PSWIZB_BACK
                                                   : uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    }
    bool OnKillActive(uikit::IControlPanel& panel) override {
        return !panel.GetText(TemplateId() + 1).empty() || m_last;
    }
    std::string text;

private:
    bool m_last;
};

struct App {
    App() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        app = std::make_unique<QApplication>(argc, argv);
    }
    int argc = 1;
    char name[16] = "uikitqt_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

template <typename T>
T* Find(QDialog& d, const QString& name) {
    return d.findChild<T*>(name);
}

TEST(QtSheetView, WizardButtonsFollowTheSheet) {
    App app;
    Page a(10, false), b(20, true);
    uikit::CPropertySheet sheet("Wizard");
    sheet.AddPage(a);
    sheet.AddPage(b);
    sheet.SetWizardMode();
    const int result = uikitqt::RunQtModal(sheet, [&](QDialog& d) {
        auto* next = Find<QPushButton>(d, "sheet-next");
        auto* back = Find<QPushButton>(d, "sheet-back");
        auto* finish = Find<QPushButton>(d, "sheet-finish");
        auto* pages = Find<QStackedWidget>(d, "pages");
        ASSERT_TRUE(next && back && finish && pages);
        EXPECT_TRUE(next->isEnabled());
        EXPECT_TRUE(finish->isHidden());
        next->click();  // the page keeps an empty edit
        EXPECT_EQ(pages->currentIndex(), 0);
        QTest::keyClicks(d.findChild<QLineEdit*>("control-11"), "x");
        EXPECT_EQ(a.text, "x");
        next->click();
        EXPECT_EQ(pages->currentIndex(), 1);
        EXPECT_TRUE(next->isHidden());
        EXPECT_TRUE(finish->isVisible());
        back->click();
        EXPECT_EQ(pages->currentIndex(), 0);
        next->click();
        finish->click();
    });
    EXPECT_EQ(result, uikit::ID_WIZFINISH);

    Page c(10, false), e(20, true);
    uikit::CPropertySheet closed("Wizard");
    closed.AddPage(c);
    closed.AddPage(e);
    closed.SetWizardMode();
    EXPECT_EQ(uikitqt::RunQtModal(closed, [](QDialog& d) { d.reject(); }), uikit::IDCANCEL);
}

// Tabs: a page that does not let go keeps its tab in front; OK ends with IDOK.
TEST(QtSheetView, TabsAskThePageToLetGo) {
    App app;
    Page a(10, false), b(20, false);
    uikit::CPropertySheet sheet("Sheet");
    sheet.AddPage(a);
    sheet.AddPage(b);
    const int result = uikitqt::RunQtSheet(sheet, [&](QDialog& d) {
        auto* tabs = Find<QTabWidget>(d, "pages");
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->tabText(1), "P20");
        tabs->setCurrentIndex(1);
        EXPECT_EQ(tabs->currentIndex(), 0);
        QTest::keyClicks(d.findChild<QLineEdit*>("control-11"), "y");
        tabs->setCurrentIndex(1);
        EXPECT_EQ(sheet.ActiveIndex(), 1);
        QTest::keyClicks(d.findChild<QLineEdit*>("control-21"), "z");
        sheet.CancelToClose();
        EXPECT_EQ(Find<QPushButton>(d, "sheet-cancel")->text(), "Close");
        Find<QPushButton>(d, "sheet-ok")->click();
    });
    EXPECT_EQ(result, uikit::IDOK);
    EXPECT_EQ(b.text, "z");
}

}  // namespace
