// The driver's setup sheet as the program with a display shows it: one tab per page, OK and
// Cancel below the tabs, and a refused page brought to the front.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cstdlib>
#include <string>
#include <vector>

#include "hostdriver/DriverSetup.h"
#include "hostdriver/SetupSheet.h"
#include "support/DriverHarness.h"
#include "uikitqt/QtDialogView.h"

namespace quildrv {
namespace {

using namespace setup;

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

class SetupSheetQt : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        static int argc = 1;
        static char name[] = "quildrv_qt_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    void TearDown() override {
        uikit::SetModalRunner(nullptr);
        uikit::SetMessageSink(nullptr);
    }

    support::DriverHarness config;
    std::vector<std::string> messages;
};

TEST_F(SetupSheetQt, ThePagesAreTabsAndARefusedPageComesToTheFront) {
    config.SetRoute("DEVTYPE", "TERMINAL");
    uikit::SetModalRunner([this](uikit::IDialogModel& model) {
        return uikitqt::RunQtModal(model, [this](QDialog& d) {
            auto* pages = d.findChild<QTabWidget*>("pages");
            ASSERT_NE(pages, nullptr);
            ASSERT_EQ(pages->count(), 3);
            EXPECT_EQ(pages->tabText(0), "General");
            EXPECT_EQ(pages->tabText(1), "Network");
            EXPECT_EQ(pages->tabText(2), "Debug");
            auto* lniata = Control<QLineEdit>(d, kLniata);
            auto* ok = Control<QPushButton>(d, uikit::IDOK);
            EXPECT_TRUE(pages->widget(0)->isAncestorOf(lniata));
            EXPECT_TRUE(pages->widget(1)->isAncestorOf(Control<QLineEdit>(d, kDefaultHost)));
            EXPECT_TRUE(pages->widget(2)->isAncestorOf(Control<QLineEdit>(d, kLogFile)));
            EXPECT_FALSE(pages->isAncestorOf(ok));
            EXPECT_TRUE(Control<QRadioButton>(d, kTerminal)->isChecked());

            pages->setCurrentIndex(2);
            lniata->setText("1A2B");
            ok->click();
            EXPECT_EQ(messages.size(), 1u);
            EXPECT_EQ(pages->currentIndex(), 0);  // where the LNIATA is
            EXPECT_TRUE(d.isVisible());

            lniata->setText("1A2B01");
            Control<QLineEdit>(d, kDefaultHost)->setText("HOST2");
            ok->click();
        });
    });
    EXPECT_EQ(ConfigureDriverWith(&config), 1);
    const SetupSettings written = ReadSetupSettings(config);
    EXPECT_EQ(written.lniata, "1A2B01");
    EXPECT_EQ(written.defaultHost, "HOST2");
    EXPECT_EQ(written.port, "30031");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(kSetupBadLniata), std::string::npos) << messages[0];
}

}  // namespace
}  // namespace quildrv
