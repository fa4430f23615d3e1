// The ZEL route dialog and the VORS dialog in the Qt view, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <memory>

#include "brxapicfg/BRXConfig.h"
#include "platform/Profile.h"
#include "support/TempRoot.h"
#include "uikitqt/QtDialogView.h"
#include "zel/VorsDlg.h"
#include "zel/ZelDlg.h"

namespace {

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

class ZelDlgQt : public ::testing::Test {
protected:
    ZelDlgQt() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    static std::string Ini(const char* file, const char* section, const char* key) {
        char value[32] = {};
        (void)platform::GetPrivateProfileString(section, key, "", value, sizeof value, file);
        return value;
    }

    support::TempRoot root;

private:
    int m_argc = 1;
    char m_name[16] = "zel_dlg_qt_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

TEST_F(ZelDlgQt, TypedServiceAddressIsWrittenOnOk) {
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

// Ticked connectivity: the commands as typed (at most 9 characters) are kept in upper case.
TEST_F(ZelDlgQt, VorsCommandsTypedAndKept) {
    zel::CVorsDlg dialog;
    const int result = uikitqt::RunQtModal(dialog, [](QDialog& d) {
        auto* home = Control<QLineEdit>(d, zel::vorsdlg::kHome);
        auto* nordia = Control<QLineEdit>(d, zel::vorsdlg::kNordia);
        auto* require = Control<QCheckBox>(d, zel::vorsdlg::kRequire);
        auto* c1c2 = Control<QCheckBox>(d, zel::vorsdlg::kC1C2);
        auto* ok = Control<QPushButton>(d, zel::vorsdlg::kOK);
        ASSERT_TRUE(home && nordia && require && c1c2 && ok);
        EXPECT_EQ(home->text(), "..TREVO");
        EXPECT_FALSE(require->isChecked());
        QTest::mouseClick(require, Qt::LeftButton);
        nordia->clear();
        QTest::keyClicks(nordia, "..nordia-long");
        EXPECT_EQ(nordia->text(), "..nordia-");
        QTest::mouseClick(c1c2, Qt::LeftButton);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_EQ(result, uikit::IDOK);
    EXPECT_EQ(Ini("VORS.INI", "NORDIA", "CHGCHG"), "..NORDIA-");
    EXPECT_EQ(Ini("VORS.INI", "HOME", "CHGCHG"), "..TREVO");
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "HostTrans"), "1");
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "C1C2Trans"), "1");
}

// Unticked connectivity keeps no command; Cancel writes nothing.
TEST_F(ZelDlgQt, VorsUntickedAndCancel) {
    struct Case {
        int button;
        int result;
        const char* hostTrans;
    };
    for (const Case& k : {Case{zel::vorsdlg::kCancel, uikit::IDCANCEL, ""},
                          Case{zel::vorsdlg::kOK, uikit::IDOK, "0"}}) {
        zel::CVorsDlg dialog;
        const int result = uikitqt::RunQtModal(dialog, [&](QDialog& d) {
            auto* nordia = Control<QLineEdit>(d, zel::vorsdlg::kNordia);
            ASSERT_NE(nordia, nullptr);
            QTest::keyClicks(nordia, "x");
            QTest::mouseClick(Control<QPushButton>(d, k.button), Qt::LeftButton);
        });
        EXPECT_EQ(result, k.result);
        EXPECT_EQ(Ini("VORS.INI", "NORDIA", "CHGCHG"), "");
        EXPECT_EQ(Ini("TREVO.INI", "VORS", "HostTrans"), k.hostTrans);
    }
}

}  // namespace
