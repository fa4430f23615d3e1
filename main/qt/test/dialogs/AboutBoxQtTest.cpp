// The about box as Qt draws it: the branded caption and text, and the version list with its
// two columns and a row per part.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdlib>

#include "res/VekaStringTable.h"
#include "shell/AboutBox.h"
#include "support/TempRoot.h"
#include "uikitqt/QtDialogView.h"

namespace {

class AboutBoxQt : public support::TempRootTest {
protected:
    static void SetUpTestSuite() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // never a real display
        if (QApplication::instance() != nullptr) return;
        static int argc = 1;
        static char name[] = "veka_qt_dialog_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    void SetUp() override { res::RegisterVekaStrings(); }
};

}  // namespace

TEST_F(AboutBoxQt, TheProductAndTheVersionsOfItsParts) {
    root.WriteFile("windows/VEKACFG.ini", "[NAMETYPE]\nVEKANAME=Trevo Print\n");
    shell::CAboutBox box;
    const int result = uikitqt::RunQtModal(box, [&](QDialog& view) {
        EXPECT_EQ(view.windowTitle(), "About Trevo Print");
        auto* text = view.findChild<QLabel*>("control-1044");
        auto* list = view.findChild<QTreeWidget*>("control-1111");
        auto* ok = view.findChild<QPushButton*>("control-1");
        ASSERT_TRUE(text && list && ok);
        EXPECT_EQ(text->text(), "Trevo Print 4.6.0.19 ");
        ASSERT_EQ(list->columnCount(), 2);
        EXPECT_EQ(list->headerItem()->text(0), "File Name");
        EXPECT_EQ(list->headerItem()->text(1), "Version");
        EXPECT_EQ(list->columnWidth(0), 100);
        EXPECT_EQ(list->topLevelItemCount(),
                  static_cast<int>(shell::CAboutBox::VersionRows().size()));
        ASSERT_GT(list->topLevelItemCount(), 0);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "veka");
        EXPECT_EQ(list->topLevelItem(0)->text(1), "4.6.0.19");
        ok->click();
    });
    EXPECT_EQ(result, uikit::IDOK);
}
