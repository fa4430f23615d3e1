// The coupon printer's stock control number dialog as Qt draws it: what the operator sees
// and types reaches the model, which stores the number.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/HostTrevo.h"
#include "devices/SCNDialog.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"
#include "uikit/Dialog.h"
#include "uikitqt/QtDialogView.h"

namespace {

const std::string kDeviceKey = std::string(core::CHostTrevo::kApplicationKey) + "\\Device 03";

void PutString(const char* name, const std::string& value) {
    using namespace platform;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kDeviceKey.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string GetString(const char* name) {
    using namespace platform;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kDeviceKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char data[256] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? data : "";
}

class SCNDialogQt : public support::TempRootTest {
protected:
    static void SetUpTestSuite() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        if (QApplication::instance() != nullptr) return;
        static int argc = 1;
        static char name[] = "veka_qt_dialog_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    void TearDown() override { uikit::SetMessageSink({}); }

    std::vector<std::string> messages;
};

}  // namespace

TEST_F(SCNDialogQt, TheOperatorsNumberReachesTheStore) {
    PutString("Current SCN", "9541234567890");
    PutString("Device Name", "COUPON 1");
    devices::CSCNDialog dialog("Device 03");
    const int result = uikitqt::RunQtModal(dialog, [&](QDialog& view) {
        auto* number = view.findChild<QLineEdit*>("control-1141");
        auto* name = view.findChild<QLineEdit*>("control-1126");
        auto* ok = view.findChild<QPushButton*>("control-1");
        ASSERT_TRUE(number && name && ok);
        EXPECT_EQ(number->text(), "1234567890");
        EXPECT_EQ(number->maxLength(), 10);
        EXPECT_EQ(name->text(), "COUPON 1");
        EXPECT_FALSE(name->isEnabled());

        // Leading zeros make the number too short: refused, and the dialog stays.
        number->setText("0000000001");
        ok->click();
        EXPECT_EQ(messages, std::vector<std::string>{"Please Enter the Valid SCN"});
        EXPECT_TRUE(view.isVisible());
        EXPECT_EQ(GetString("Current SCN"), "9541234567890");

        number->setText("2000000000");
        ok->click();
    });
    EXPECT_EQ(result, uikit::IDOK);
    EXPECT_EQ(GetString("Current SCN"), "9542000000000");
    EXPECT_EQ(messages.size(), 1u);
}

// A device without a key cancels the dialog as it opens: nothing is shown to wait on.
TEST_F(SCNDialogQt, ADeviceWithoutAKeyIsCancelledUnseen) {
    devices::CSCNDialog dialog("Device 09");
    bool shown = false;
    const int result = uikitqt::RunQtModal(dialog, [&](QDialog& view) {
        shown = true;
        view.reject();
    });
    EXPECT_EQ(result, uikit::IDCANCEL);
    EXPECT_FALSE(shown);
}
