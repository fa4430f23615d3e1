// The page setup drawn with Qt, on the offscreen platform: what the operator sets comes back
// in the unit given, a cancelled dialog gives back what it was given.
#include "uikitqt/QtPrintSetup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QRadioButton>

#include <cstdlib>
#include <memory>

namespace {

using uikitqt::MarginUnit;

class QtPrintSetup : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "uikitqt_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

// Either unit: the dialog shows the page as given (untouched margins come back exactly);
// landscape and a new top margin come back when confirmed, nothing changes when cancelled.
TEST_F(QtPrintSetup, ThePageSetupGivesBackWhatTheDialogHolds) {
    const struct {
        MarginUnit unit;
        double shownTop;  // 1000 in the dialog's own unit
        double typedTop;
        std::uint32_t top;
    } cases[] = {
        {MarginUnit::ThousandthInch, 1.0, 0.5, 500},
        {MarginUnit::HundredthMillimetre, 10.0, 25.0, 2500},
    };
    for (const auto& c : cases) {
        for (const bool confirm : {true, false}) {
            uikit::PageSetup setup{uikit::DMORIENT_PORTRAIT, 1000, 1000, 1250, 750};
            uikitqt::RunPageSetupQt(setup, c.unit, [&](QDialog& d) {
                auto* landscape = d.findChild<QRadioButton*>("landscape");
                auto* top = d.findChild<QDoubleSpinBox*>("topMargin");
                ASSERT_TRUE(landscape && top);
                EXPECT_DOUBLE_EQ(top->value(), c.shownTop);
                landscape->click();
                top->setValue(c.typedTop);
                if (confirm)
                    d.accept();
                else
                    d.reject();
            });
            const uikit::PageSetup expected =
                confirm ? uikit::PageSetup{uikit::DMORIENT_LANDSCAPE, 1000, c.top, 1250, 750}
                        : uikit::PageSetup{uikit::DMORIENT_PORTRAIT, 1000, 1000, 1250, 750};
            EXPECT_EQ(setup, expected) << confirm << " " << c.shownTop;
        }
    }
}

}  // namespace
