// The main window's properties command opens the configuration sheet of the program's own
// instance through the installed dialog runner, and answers the runner's result.
#include <gtest/gtest.h>

#include "app/ConfigurationSheet.h"
#include "res/VekaStringTable.h"
#include "support/TempRoot.h"
#include "uikit/Dialog.h"
#include "wizard/VekaPrp.h"

namespace {

class ConfigurationSheet : public support::TempRootTest {
protected:
    void SetUp() override { res::RegisterVekaStrings(); }  // as the program does at start
    void TearDown() override { uikit::SetModalRunner(nullptr); }
};

}  // namespace

TEST_F(ConfigurationSheet, ThePropertiesCommandRunsTheBrandedSheet) {
    std::string caption;
    int pages = 0;
    uikit::SetModalRunner([&](uikit::IDialogModel& model) {
        auto* sheet = dynamic_cast<wizard::CVekaPrp*>(&model);
        if (!sheet) return -1;
        caption = sheet->Caption();
        pages = sheet->PageCount();
        return uikit::IDOK;
    });
    EXPECT_EQ(app::OpenConfigurationSheet(""), uikit::IDOK);
    EXPECT_EQ(caption, "Trevo Printing Module Properties");  // no branding
    EXPECT_EQ(pages, 2);

    root.WriteFile("windows/VEKACFG.ini", "[NAMETYPE]\nVEKANAME=Trevo Veka\n");
    EXPECT_EQ(app::OpenConfigurationSheet("001"), uikit::IDOK);
    EXPECT_EQ(caption, "Trevo Veka Properties");

    // Headless there is no runner: the sheet is cancelled, never reported as shown.
    uikit::SetModalRunner(nullptr);
    EXPECT_EQ(app::OpenConfigurationSheet(""), uikit::IDCANCEL);
}
