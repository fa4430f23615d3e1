// The dialog hooks of the program with a display, with a provider's route dialog reached the
// way the program reaches it: the configuration library loads the provider by name.
#include "vekaqt/DialogHooksQt.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "brxapicfg/BRXConfig.h"
#include "support/TempRoot.h"
#include "uikit/PrintSetup.h"

namespace {

using vekaqttest::ModalScript;

template <typename T>
T* Control(QWidget& dialog, int id) {
    return dialog.findChild<T*>(QString("control-%1").arg(id));
}

bool IsRouteDialog(QWidget& w) {
    return qobject_cast<QDialog*>(&w) != nullptr && w.windowTitle() == "Common Trevo API - QUIL";
}

class DialogHooksQt : public ::testing::Test {
protected:
    static void SetUpTestSuite() { vekaqttest::EnsureApp(); }
    void SetUp() override { vekaqt::InstallDialogHooks(); }
    void TearDown() override { vekaqt::RemoveDialogHooks(); }

    std::string RouteText(const char* name) {
        std::string value = "(none)";
        (void)BRXConfig().GetValue(BRXConfig::kRoutesKey, "R1", name, &value);
        return value;
    }

    support::TempRoot root;
};

TEST_F(DialogHooksQt, AProvidersRouteDialogRunsWithItsMessagesAndFileChoice) {
    ASSERT_EQ(BRXConfig().SetValue(BRXConfig::kProvidersKey, "QUIL", "DLL Name", "QUILSP.DLL"), 0);
    const std::string traceFile = (root / "route.log").string();
    std::vector<std::string> boxes;
    ModalScript script;
    script.Then(IsRouteDialog, [](QWidget& d) {
        Control<QLineEdit>(d, 1010)->setText("host1");
        Control<QLineEdit>(d, 1013)->setText("GG2B01");
        Control<QPushButton>(d, 1)->click();  // refused: a message box comes
    });
    script.Then([](QWidget& w) { return qobject_cast<QMessageBox*>(&w) != nullptr; },
                [&boxes](QWidget& w) {
                    auto& box = static_cast<QMessageBox&>(w);
                    boxes.push_back(box.text().toStdString());
                    EXPECT_EQ(box.icon(), QMessageBox::Critical);
                    box.accept();
                });
    script.Then(IsRouteDialog, [](QWidget& d) {
        EXPECT_TRUE(d.isVisible());  // still open after the refusal
        Control<QLineEdit>(d, 1013)->setText("1A2B01");
        Control<QCheckBox>(d, 1015)->click();
        ASSERT_TRUE(Control<QPushButton>(d, 1019)->isEnabled());
        Control<QPushButton>(d, 1019)->click();  // Browse: a file dialog comes
    });
    script.Then([](QWidget& w) { return qobject_cast<QFileDialog*>(&w) != nullptr; },
                [&traceFile](QWidget& w) {
                    auto& files = static_cast<QFileDialog&>(w);
                    auto* name = files.findChild<QLineEdit*>("fileNameEdit");
                    ASSERT_NE(name, nullptr);
                    name->setText(QString::fromStdString(traceFile));
                    static_cast<QDialog&>(files).accept();
                });
    script.Then(IsRouteDialog, [&traceFile](QWidget& d) {
        EXPECT_EQ(Control<QLineEdit>(d, 1018)->text().toStdString(), traceFile);
        Control<QPushButton>(d, 1)->click();
    });

    EXPECT_EQ(BRXAPIConfigureServiceProvider("QUIL", "R1", 1), 1);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(boxes, std::vector<std::string>{"The Line is invalid"});
    EXPECT_EQ(RouteText("Remote IP Address"), "host1");
    EXPECT_EQ(RouteText("LNIATA"), "1A2B01");
    EXPECT_EQ(RouteText("Trace File Name"), traceFile);
}

TEST_F(DialogHooksQt, ACancelledFileChoiceGivesNothing) {
    ModalScript script;
    script.Then([](QWidget& w) { return qobject_cast<QFileDialog*>(&w) != nullptr; },
                [](QWidget& w) { static_cast<QFileDialog&>(w).reject(); });
    EXPECT_EQ(vekaqt::ChooseFileQt("log", "x.log"), std::nullopt);
    EXPECT_TRUE(script.Done());
}

// The folder dialog offers folders only under its title and gives the chosen one; Cancel
// gives nothing.
TEST_F(DialogHooksQt, AFolderIsChosenOrNot) {
    std::filesystem::create_directories(root / "drive_d" / "OUT");
    const std::string chosen = (root / "drive_d" / "OUT").string();
    for (const bool accept : {true, false}) {
        ModalScript script;
        script.Then([](QWidget& w) { return qobject_cast<QFileDialog*>(&w) != nullptr; },
                    [&](QWidget& w) {
                        auto& files = static_cast<QFileDialog&>(w);
                        EXPECT_EQ(files.windowTitle(), "Pick one");
                        EXPECT_EQ(files.fileMode(), QFileDialog::Directory);
                        if (!accept) return files.reject();
                        files.setDirectory(QString::fromStdString(chosen));
                        static_cast<QDialog&>(files).accept();
                    });
        EXPECT_EQ(vekaqt::ChooseFolderQt("Pick one"),
                  accept ? std::optional<std::string>(chosen) : std::nullopt);
        EXPECT_TRUE(script.Done());
    }
}

// The print settings' hooks are Qt's: the page setup dialog (landscape taken when
// confirmed), and the font database's families.
TEST_F(DialogHooksQt, ThePageSetupAndTheFontsAreQts) {
    ModalScript script;
    script.Then([](QWidget& w) { return w.objectName() == "page-setup"; },
                [](QWidget& w) {
                    auto* landscape = w.findChild<QRadioButton*>("landscape");
                    ASSERT_NE(landscape, nullptr);
                    landscape->click();
                    static_cast<QDialog&>(w).accept();
                });
    uikit::PageSetup setup{uikit::DMORIENT_PORTRAIT, 1000, 1000, 1000, 1000};
    uikit::RunPageSetup(setup);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(setup, (uikit::PageSetup{uikit::DMORIENT_LANDSCAPE, 1000, 1000, 1000, 1000}));
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families())
        families.push_back(family.toStdString());
    EXPECT_FALSE(families.empty());
    EXPECT_EQ(uikit::FontFamilies(), families);
}

}  // namespace
