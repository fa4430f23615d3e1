// The Qt view of a dialog model, on the offscreen platform.
#include "uikitqt/QtDialogView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
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

// A static text's access key belongs to the control after it (a group between them does not
// count): the label shows the key and focuses that control. A text that no control follows
// shows without its key, "&&" as one '&'.
TEST(QtDialogView, AccessKeysOfStaticTexts) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "uikitqt_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    class Labels : public uikit::IDialogModel {
    public:
        Labels() {
            m_spec.caption = "Labels";
            m_spec.controls = {{1, ControlKind::Label, "&Name:"},
                               {10, ControlKind::Edit, ""},
                               {2, ControlKind::Label, "&Port:"},
                               {0, ControlKind::Group, "Ports"},
                               {11, ControlKind::DropList, ""},
                               {3, ControlKind::Label, "Fish && &Chips"},
                               {4, ControlKind::Label, "Tea && &Cake"},
                               {12, ControlKind::Check, "&Sugar"},
                               {uikit::IDCANCEL, ControlKind::Button, "Cancel"}};
        }
        const uikit::DialogSpec& Spec() const override { return m_spec; }
        void OnInitDialog(uikit::IControlPanel&) override {}
        void OnCommand(int id, uikit::IControlPanel&) override {
            if (id == uikit::IDCANCEL) EndDialog(uikit::IDCANCEL);
        }

    private:
        uikit::DialogSpec m_spec;
    } model;
    uikitqt::RunQtModal(model, [](QDialog& d) {
        const struct {
            int label;
            const char* text;
            QWidget* buddy;
        } cases[] = {{1, "&Name:", Control<QWidget>(d, 10)},
                     {2, "&Port:", Control<QWidget>(d, 11)},
                     {3, "Fish & Chips", nullptr},
                     {4, "Tea && &Cake", Control<QWidget>(d, 12)}};
        for (const auto& c : cases) {
            auto* label = Control<QLabel>(d, c.label);
            ASSERT_NE(label, nullptr) << c.label;
            EXPECT_EQ(label->text().toStdString(), c.text);
            EXPECT_EQ(label->buddy(), c.buddy) << c.label;
        }
        d.reject();
    });
}

}  // namespace
