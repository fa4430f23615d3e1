#include "core/Branding.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TempRoot.h"

using core::BrandText;

// The branding name picks the texts exactly; another case, the old section or no file at all
// give the plain product texts and leave the title alone.
TEST(Branding, NamePicksTheTextsExactly) {
    const struct {
        const char* ini;  // null: no file
        std::uint32_t title, tray, product, caption;
    } cases[] = {
        {"[NAMETYPE]\nVEKANAME=Trevo Print\n", 1200, 1201, 1202, 1203},
        {"[NAMETYPE]\nVEKANAME=Trevo Veka\n", 1250, 1251, 1252, 1253},
        {"[NAMETYPE]\nVEKANAME=trevo print\n", 0, 103, 104, 105},
        {"[VEKANAME]\nNAMETYPE=Trevo Print\n", 0, 103, 104, 105},
        {nullptr, 0, 103, 104, 105},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "(no file)");
        support::TempRoot root;
        if (c.ini) root.WriteFile("windows/VEKACFG.ini", c.ini);
        EXPECT_EQ(core::BrandStringId(BrandText::Title), c.title);
        EXPECT_EQ(core::BrandStringId(BrandText::TrayTip), c.tray);
        EXPECT_EQ(core::BrandStringId(BrandText::ProductName), c.product);
        EXPECT_EQ(core::BrandStringId(BrandText::PropertiesCaption), c.caption);
    }
}
