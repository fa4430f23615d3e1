// The ARLO route dialog in the Qt view, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

#include "arlo/ArloDlg.h"
#include "brxapicfg/BRXConfig.h"
#include "support/TempRoot.h"
#include "uikitqt/QtDialogView.h"

namespace {

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

TEST(ArloDlgQt, TypedAddressIsWrittenOnOk) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    support::TempRoot root;
    int argc = 1;
    char name[] = "arlo_dlg_qt_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    arlo::CArloDlg dialog("R1", true);
    const int result = uikitqt::RunQtModal(dialog, [](QDialog& d) {
        auto* lniata = Control<QLineEdit>(d, arlo::dlg::kLniata);
        ASSERT_NE(lniata, nullptr);
        lniata->clear();
        QTest::keyClicks(lniata, "000000");
        Control<QLineEdit>(d, arlo::dlg::kClassName)->setText("CLS1");
        QTest::mouseClick(Control<QPushButton>(d, uikit::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(result, uikit::IDOK);
    BRXConfig cfg;
    unsigned long useClass = 0;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, "R1", "Use Class Name", &useClass);
    EXPECT_EQ(useClass, 1u);
    std::string className;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, "R1", "Class Name", &className);
    EXPECT_EQ(className, "CLS1");
}

}  // namespace
