// The route completion page, configuring routes through the configuration library and the
// loopback provider's own configuration.
#include "wizard/VekaPrpComplete.h"

#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "support/LoopbackProvider.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/PassportFlag.h"
#include "wizard/VekaPrpAddPrp.h"

using namespace wizardtest;
using wizard::CVekaPrpAddPrp;
using C = wizard::CVekaPrpComplete;

namespace {

constexpr int kRoutePageIndex = 12;
const std::string kProviders = kRoot + "\\Service Providers";
const std::string kRoute = kRoot + "\\Routes\\Device 01";

class RoutePage : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        PutString(kProviders + "\\ARLO", "Description", "Load-balanced front end");
        PutString(kProviders + "\\LOOPBACK", "DLL Name", support::kLoopbackDllName);
        PutString(kProviders + "\\ZEL", "DLL Name", "ZELSP.DLL");
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        sheet.GetCompletePage().SetRouteName("Device 01");
    }
    void TearDown() override {
        support::Loopback()->Reset();
        WizardTest::TearDown();
    }
    uikit::MemoryPanel& Start() {
        sheet.Attach(site);
        return site.Active();
    }

    CVekaPrpAddPrp sheet{"W", kRoutePageIndex, "Device 01"};
    uikit::MemorySheetSite site{sheet};
};

// A new route: Back only until the chosen provider has configured it; a configuration that
// does not succeed changes nothing here; one that does writes the route's first values and
// lets the wizard on.
TEST_F(RoutePage, ANewRouteIsConfiguredFirst) {
    auto& panel = Start();
    ASSERT_EQ(sheet.ActivePage().TemplateId(), 241);
    EXPECT_EQ(panel.RowCount(C::IDC_PROVIDERS), 3);
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_BACK);
    EXPECT_FALSE(panel.IsEnabled(C::IDC_CONFIGURE));
    EXPECT_FALSE(sheet.Next());

    // Nothing chosen: nothing to configure.
    sheet.Command(C::IDC_CONFIGURE);
    EXPECT_FALSE(KeyExists(kRoute));

    panel.Select(C::IDC_PROVIDERS, RowOf(panel, C::IDC_PROVIDERS, "LOOPBACK"));
    sheet.Command(C::IDC_PROVIDERS);
    EXPECT_TRUE(panel.IsEnabled(C::IDC_CONFIGURE));
    EXPECT_EQ(panel.GetText(C::IDC_DESCRIPTION), C::kNoDescription);

    support::Loopback()->SetConfigResult(2);
    sheet.Command(C::IDC_CONFIGURE);
    EXPECT_EQ(Get(kRoute, "Device Kind"), "2");  // the provider's own value
    EXPECT_FALSE(Get(kRoute, "Alias"));
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_BACK);

    support::Loopback()->SetConfigResult(1);
    sheet.Command(C::IDC_CONFIGURE);
    EXPECT_EQ(Get(kRoute, "Alias"), "Device 01");
    EXPECT_EQ(Get(kRoute, "End System"), "TREVO");
    EXPECT_EQ(Get(kRoute, "Service Provider"), "LOOPBACK");
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_NEXT);
    EXPECT_TRUE(sheet.Next());
    EXPECT_EQ(sheet.ActivePage().TemplateId(), 481);
}

// An existing route: its provider chosen (names compare without case) with its description,
// Next at once; a provider no longer listed leaves the first entry chosen and no description.
TEST_F(RoutePage, AnExistingRouteChoosesItsProvider) {
    PutString(kRoute, "Service Provider", "arlo");
    auto& panel = Start();
    EXPECT_EQ(panel.RowText(C::IDC_PROVIDERS, panel.Selected(C::IDC_PROVIDERS), 0), "ARLO");
    EXPECT_EQ(panel.GetText(C::IDC_DESCRIPTION), "Load-balanced front end");
    EXPECT_TRUE(panel.IsEnabled(C::IDC_CONFIGURE));
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);

    CVekaPrpAddPrp other("W", kRoutePageIndex, "Device 01");
    other.GetCompletePage().SetRouteName("Device 01");
    PutString(kRoute, "Service Provider", "GONE");
    uikit::MemorySheetSite otherSite(other);
    other.Attach(otherSite);
    EXPECT_EQ(otherSite.Active().Selected(C::IDC_PROVIDERS), 0);
    EXPECT_EQ(otherSite.Active().GetText(C::IDC_DESCRIPTION), "");
}

// The route is read on the first activation only.
TEST_F(RoutePage, LaterActivationsKeepTheChoice) {
    PutString(kRoute, "Service Provider", "ZEL");
    auto& panel = Start();
    sheet.PushPage(106);
    ASSERT_TRUE(sheet.Back());
    EXPECT_EQ(sheet.ActivePage().TemplateId(), 106);
    PutString(kRoute, "Service Provider", "ARLO");
    ASSERT_TRUE(sheet.Next());
    EXPECT_EQ(sheet.ActivePage().TemplateId(), 241);
    EXPECT_EQ(panel.RowText(C::IDC_PROVIDERS, panel.Selected(C::IDC_PROVIDERS), 0), "ZEL");
}

// A passport reader has no route: the page is disabled, lets the wizard on and writes nothing.
TEST_F(RoutePage, PassportReaderPasses) {
    wizard::SetPassportReaderFlag(true);
    auto& panel = Start();
    EXPECT_FALSE(panel.IsEnabled(C::IDC_PROVIDERS));
    EXPECT_FALSE(panel.IsEnabled(C::IDC_CONFIGURE));
    EXPECT_EQ(sheet.WizardButtons(), uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    EXPECT_TRUE(sheet.Next());
    EXPECT_FALSE(KeyExists(kRoute));
}

}  // namespace
