// The ZEL route dialog in the Qt view, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

#include "brxapicfg/BRXConfig.h"
#include "support/TempRoot.h"
#include "uikitqt/QtDialogView.h"
#include "zel/ZelDlg.h"

namespace {

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

TEST(ZelDlgQt, TypedServiceAddressIsWrittenOnOk) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    support::TempRoot root;
    int argc = 1;
    char name[] = "zel_dlg_qt_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    zel::CZelDlg dialog("Z1", true);
    const int result = uikitqt::RunQtModal(dialog, [](QDialog& d) {
        auto* lniata = Control<QLineEdit>(d, zel::dlg::kLniata);
        ASSERT_NE(lniata, nullptr);
        QTest::keyClicks(lniata, "svc3");
        Control<QLineEdit>(d, zel::dlg::kGateway)->setText("10.0.0.1");
        QTest::mouseClick(Control<QPushButton>(d, uikit::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(result, uikit::IDOK);
    BRXConfig cfg;
    std::string lniata;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, "Z1", "Lniata", &lniata);
    EXPECT_EQ(lniata, "000003");
    unsigned long port = 0;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, "Z1", "ZEL Port", &port);
    EXPECT_EQ(port, 1413u);
}

}  // namespace
