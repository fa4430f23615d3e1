// The Qt view of a dialog model, on the offscreen platform.
#include "uikitqt/QtDialogView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

namespace {

using uikit::ControlKind;

// Enables OK once the edit holds three characters and the box is ticked; OK ends with IDOK.
class Model : public uikit::IDialogModel {
public:
    Model() {
        m_spec.caption = "Test";
        m_spec.controls = {{10, ControlKind::Edit, "", true, 3},
                           {11, ControlKind::Check, "&Tick"},
                           {uikit::IDOK, ControlKind::Button, "OK", false},
                           {uikit::IDCANCEL, ControlKind::Button, "Cancel"}};
    }
    const uikit::DialogSpec& Spec() const override { return m_spec; }
    void OnInitDialog(uikit::IControlPanel& panel) override { panel.SetText(10, "a"); }
    void OnCommand(int id, uikit::IControlPanel& panel) override {
        commands.push_back(id);
        if (id == uikit::IDOK) {
            text = panel.GetText(10);
            EndDialog(uikit::IDOK);
        } else if (id == uikit::IDCANCEL) {
            EndDialog(uikit::IDCANCEL);
        } else {
            panel.Enable(uikit::IDOK, panel.GetText(10).size() == 3 && panel.GetCheck(11));
        }
    }
    std::vector<int> commands;
    std::string text;

private:
    uikit::DialogSpec m_spec;
};

template <typename T>
T* Control(QDialog& d, int id) {
    return d.findChild<T*>(QString("control-%1").arg(id));
}

TEST(QtDialogView, ClicksAndEditsBecomeCommands) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
    int argc = 1;
    char name[] = "uikitqt_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    Model model;
    const int result = uikitqt::RunQtModal(model, [](QDialog& d) {
        auto* edit = Control<QLineEdit>(d, 10);
        auto* ok = Control<QPushButton>(d, uikit::IDOK);
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(edit->text(), "a");
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClicks(edit, "bcd");  // at most 3 characters
        Control<QCheckBox>(d, 11)->click();
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    EXPECT_EQ(result, uikit::IDOK);
    EXPECT_EQ(model.text, "abc");

    Model cancelled;
    EXPECT_EQ(uikitqt::RunQtModal(cancelled, [](QDialog& d) { d.reject(); }), uikit::IDCANCEL);
    EXPECT_EQ(cancelled.commands.back(), uikit::IDCANCEL);
}

}  // namespace
