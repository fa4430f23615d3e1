// The add-device wizard and the configuration sheet in the Qt view (offscreen): the clicks
// reach the pages, and the buttons follow them; the system printer page's fonts and page
// setup are Qt's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "WizardFixture.h"
#include "uikit/PrintSetup.h"
#include "uikitqt/QtPrintSetup.h"
#include "uikitqt/QtSheetView.h"
#include "wizard/VekaPrp.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;

namespace {

class WizardQt : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override {
        m_app.reset();
        WizardTest::TearDown();
    }

private:
    int m_argc = 1;
    char m_name[16] = "wizard_qt_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

QPushButton* Button(QDialog& d, const char* name) {
    return d.findChild<QPushButton*>(name);
}

TEST_F(WizardQt, ANewFileDeviceFromStartToFinish) {
    std::filesystem::create_directories(root / "drive_c");  // the file page's folder
    PutString(kRoot + "\\Service Providers\\ZEL", "Description", "Gateway");
    PutString(kRoot + "\\Routes\\Device 01", "Service Provider", "ZEL");
    wizard::CVekaPrpAddPrp sheet("Trevo Printing Module Properties", 0, "Device 01");
    sheet.GetCompletePage().SetRouteName("Device 01");
    std::vector<int> shown;
    const int result = uikitqt::RunQtSheet(sheet, [&](QDialog& d) {
        auto* pages = d.findChild<QStackedWidget*>("pages");
        auto* next = Button(d, "sheet-next");
        ASSERT_TRUE(pages && next);
        EXPECT_FALSE(Button(d, "sheet-back")->isEnabled());
        auto* type = Control<QComboBox>(d, 1021);
        ASSERT_NE(type, nullptr);
        EXPECT_EQ(type->count(), 17);
        const int file = type->findText("File");
        type->setCurrentIndex(file);
        emit type->activated(file);
        EXPECT_TRUE(Control<QLabel>(d, 1126)->text().startsWith("Select \"File\""));
        next->click();  // no name yet
        EXPECT_EQ(boxes, std::vector<std::string>{"A device name is required."});
        QTest::keyClicks(Control<QLineEdit>(d, 1027), "Journal");
        for (int i = 0; i < 8 && next->isVisible(); ++i) {
            next->click();
            shown.push_back(sheet.ActivePage().TemplateId());
        }
        EXPECT_TRUE(Button(d, "sheet-back")->isEnabled());
        // The route page's list answered for its provider.
        auto* providers = Control<QListWidget>(d, 1116);
        ASSERT_NE(providers, nullptr);
        EXPECT_EQ(providers->currentItem()->text(), "ZEL");
        EXPECT_EQ(Control<QLabel>(d, 1118)->text(), "Gateway");
        Button(d, "sheet-finish")->click();
    });
    EXPECT_EQ(shown, (std::vector<int>{237, 238, 106, 241, 481}));
    EXPECT_EQ(result, uikit::ID_WIZFINISH);
    EXPECT_EQ(Get(kApp + "\\Temp", "Device Type"), "File");
}

// The configuration sheet: the list's rows, Remove after the question, Cancel turned into
// Close.
TEST_F(WizardQt, ConfigurationSheetRemovesADevice) {
    PutDevice("Device 01", "File", "Journal");
    PutDword(kApp, "Devices Selected", 1);
    answers.push_back(1);  // OK
    wizard::CVekaPrp sheet(wizard::CVekaPrp::CaptionId(), 0);
    const int result = uikitqt::RunQtSheet(sheet, [&](QDialog& d) {
        auto* list = Control<QTreeWidget>(d, 1001);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(3), "Device 01");
        list->topLevelItem(0)->setSelected(true);
        Control<QPushButton>(d, 1014)->click();
        EXPECT_EQ(list->topLevelItemCount(), 0);
        EXPECT_EQ(Button(d, "sheet-cancel")->text(), "Close");
        Button(d, "sheet-cancel")->click();
    });
    EXPECT_EQ(result, uikit::IDCANCEL);
    EXPECT_FALSE(KeyExists(kApp + "\\Device 01"));
    EXPECT_EQ(Get(kApp, "Devices Selected"), "0");
}

// The general page's trace file is written when the sheet closes straight from its edit,
// by the close box (Escape) as by the Close button; typing turned Cancel into Close.
TEST_F(WizardQt, TheTraceFileIsWrittenWhenTheSheetClosesFromItsEdit) {
    const std::string trace = kRoot + "\\Trace";
    PutString(trace, "Trace File Name", "C:\\BRXAPI.LOG");
    for (const bool escape : {true, false}) {
        wizard::CVekaPrp sheet(wizard::CVekaPrp::CaptionId(), 1);
        const char* typed = escape ? "1" : "2";
        const int result = uikitqt::RunQtSheet(sheet, [&](QDialog& d) {
            auto* edit = Control<QLineEdit>(d, 1058);
            ASSERT_NE(edit, nullptr);
            edit->setFocus();
            edit->end(false);
            QTest::keyClicks(edit, typed);
            EXPECT_EQ(Button(d, "sheet-cancel")->text(), "Close");
            if (escape)
                d.reject();
            else
                Button(d, "sheet-cancel")->click();
        });
        EXPECT_EQ(result, uikit::IDCANCEL);
        EXPECT_EQ(Get(trace, "Trace File Name"),
                  std::string("C:\\BRXAPI.LOG1") + (escape ? "" : "2"));
    }
}

// The system printer page in the Qt view: its fonts are the font database's, and "Page
// Setup..." opens the page setup dialog, whose landscape page the page keeps.
TEST_F(WizardQt, TheSystemPageDrawsFontsAndThePageSetup) {
    uikit::SetFontLister(uikitqt::FontFamiliesQt);
    uikit::SetPageSetupRunner([](uikit::PageSetup& setup) { uikitqt::RunPageSetupQt(setup); });
    wizard::CVekaPrpAddPrp sheet("Trevo Printing Module Properties", 0, "Device 01");
    uikitqt::RunQtSheet(sheet, [&](QDialog& d) {
        auto* type = Control<QComboBox>(d, 1021);
        ASSERT_NE(type, nullptr);
        const int system = type->findText("System");
        type->setCurrentIndex(system);
        emit type->activated(system);
        QTest::keyClicks(Control<QLineEdit>(d, 1027), "Reports");
        Button(d, "sheet-next")->click();
        ASSERT_EQ(sheet.ActivePage().TemplateId(), 478);
        auto* fonts = Control<QComboBox>(d, 1128);
        ASSERT_NE(fonts, nullptr);
        QStringList shown;
        for (int i = 0; i < fonts->count(); ++i) shown << fonts->itemText(i);
        EXPECT_EQ(shown, QFontDatabase::families());
        EXPECT_EQ(Control<QComboBox>(d, 1091)->currentText(), "Laser");
        EXPECT_EQ(Control<QComboBox>(d, 1129)->currentText(), "10");
        QTimer::singleShot(0, [] {
            auto* setup = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(setup, nullptr);
            EXPECT_EQ(setup->objectName(), "page-setup");
            auto* landscape = setup->findChild<QRadioButton*>("landscape");
            ASSERT_NE(landscape, nullptr);
            landscape->click();
            setup->accept();
        });
        Control<QPushButton>(d, 1127)->click();
        Button(d, "sheet-next")->click();
        EXPECT_EQ(sheet.ActivePage().TemplateId(), 106);
        Button(d, "sheet-cancel")->click();
    });
    EXPECT_EQ(sheet.GetSystemPage().GetOrientation(), uikit::DMORIENT_LANDSCAPE);
    EXPECT_EQ(sheet.GetSystemPage().GetMarginLeft(), 1000u);
    EXPECT_EQ(sheet.GetSystemPage().GetPrinterName(), "Laser");
    uikit::SetFontLister({});
    uikit::SetPageSetupRunner({});
}

}  // namespace
