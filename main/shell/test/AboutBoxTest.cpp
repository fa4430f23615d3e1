#include "shell/AboutBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellFixture.h"
#include "buildstamp/Buildstamp.h"

using shell::CAboutBox;

class AboutBox : public shelltest::ShellTest {};

// The product's name follows the branding exactly; the list has its two columns and one row
// per part with its version; OK closes the box.
TEST_F(AboutBox, TheBrandedNameTheVersionAndOneRowPerPart) {
    const struct {
        const char* vekaName;
        std::string product;
    } cases[] = {
        {nullptr, "Trevo Printing Module"},
        {"Trevo Print", "Trevo Print"},
        {"Trevo Veka", "Trevo Quorvix"},
        {"trevo print", "Trevo Printing Module"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.product);
        if (c.vekaName)
            root.WriteFile("windows/VEKACFG.ini",
                           std::string("[NAMETYPE]\r\nVEKANAME=") + c.vekaName + "\r\n");
        CAboutBox box;
        EXPECT_EQ(box.Spec().caption, "About " + c.product);
        ASSERT_EQ(box.Spec().controls.size(), 3u);
        EXPECT_EQ(box.Spec().controls[0].id, CAboutBox::IDC_TEXT);
        EXPECT_EQ(box.Spec().controls[0].label, c.product + " 4.6.0.19 ");
    }

    CAboutBox box;
    const uikit::ControlSpec& list = box.Spec().controls[1];
    EXPECT_EQ(list.id, CAboutBox::IDC_VERSIONS);
    EXPECT_EQ(list.kind, uikit::ControlKind::List);
    ASSERT_EQ(list.columns.size(), 2u);
    EXPECT_EQ(list.columns[0].title, "File Name");
    EXPECT_EQ(list.columns[0].width, 100);
    EXPECT_EQ(list.columns[1].title, "Version");
    EXPECT_EQ(list.columns[1].width, 130);

    uikit::MemoryPanel panel(box.Spec());
    box.OnInitDialog(panel);
    const std::vector<std::vector<std::string>>& rows = panel.Rows(CAboutBox::IDC_VERSIONS);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(QueryForAllVersionsNum()));
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"veka", "4.6.0.19"}));
    EXPECT_FALSE(box.Ended());
    box.OnCommand(uikit::IDOK, panel);
    EXPECT_TRUE(box.Ended());
    EXPECT_EQ(box.Result(), uikit::IDOK);
}
