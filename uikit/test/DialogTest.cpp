#include "uikit/Dialog.h"

#include <gtest/gtest.h>

namespace uikit {
namespace {

class Counter : public IDialogModel {
public:
    Counter() {
        m_spec.controls = {{10, ControlKind::Edit, "", false, 3}, {1, ControlKind::Button, "OK"}};
    }
    const DialogSpec& Spec() const override { return m_spec; }
    void OnInitDialog(IControlPanel& panel) override { panel.SetText(10, "0"); }
    void OnCommand(int id, IControlPanel& panel) override {
        if (id == 1) EndDialog(panel.GetText(10) == "2" ? IDOK : IDCANCEL);
    }

private:
    DialogSpec m_spec;
};

TEST(Dialog, RunsThroughTheInstalledRunnerAndCancelsWithoutOne) {
    Counter model;
    EXPECT_EQ(RunModal(model), IDCANCEL);
    SetModalRunner([](IDialogModel& m) {
        MemoryPanel panel(m.Spec());
        EXPECT_FALSE(panel.IsEnabled(10));
        m.OnInitDialog(panel);
        panel.SetText(10, "2");
        for (int i = 0; i < 3 && !m.Ended(); ++i) m.OnCommand(1, panel);
        return m.Result();
    });
    EXPECT_EQ(RunModal(model), IDOK);
    SetModalRunner(nullptr);

    std::string shown;
    SetMessageSink([&](const std::string& text, MessageIcon) { shown = text; });
    ShowMessage("hello");
    EXPECT_EQ(shown, "hello");
    SetMessageSink(nullptr);
    EXPECT_FALSE(ChooseFile("log", "x.log").has_value());
}

}  // namespace
}  // namespace uikit
