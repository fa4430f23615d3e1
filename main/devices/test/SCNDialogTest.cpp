#include "devices/SCNDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/HostTrevo.h"
#include "core/HostTrevoRegistry.h"
#include "core/Registry.h"
#include "support/TempRoot.h"

namespace devices {
namespace {

class SCNDialogTest : public support::TempRootTest {
protected:
    void SetUp() override {
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        ASSERT_TRUE(registry.SetString(Key(), "Device Name", "Coupons"));
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    void TearDown() override { uikit::SetMessageSink({}); }
    static std::string Key() {
        return std::string(core::CHostTrevo::kApplicationKey) + "\\Device 01";
    }
    std::string Stored() {
        std::string v = "<none>";
        static_cast<void>(registry.QueryString(Key(), "Current SCN", v));
        return v;
    }

    core::CHostTrevoRegistry registry;
    std::vector<std::string> messages;
};

TEST_F(SCNDialogTest, ShowsTheStoredNumberAfterItsPrefixAndTheDeviceName) {
    CSCNDialog missing("Device 01");
    uikit::MemoryPanel panel(missing.Spec());
    missing.OnInitDialog(panel);
    EXPECT_FALSE(missing.Ended());
    EXPECT_EQ(panel.GetText(CSCNDialog::IDC_SCN), "");  // no number stored
    EXPECT_EQ(panel.GetText(CSCNDialog::IDC_DEVICE_NAME), "Coupons");

    ASSERT_TRUE(registry.SetString(Key(), "Current SCN", "9545000314712"));
    CSCNDialog stored("Device 01");
    stored.OnInitDialog(panel);
    EXPECT_EQ(panel.GetText(CSCNDialog::IDC_SCN), "5000314712");
}

TEST_F(SCNDialogTest, OkStoresThirteenDigitsOrStaysOpen) {
    struct Case {
        const char* entered;
        bool stored;
    };
    const Case cases[] = {
        {"5000314712", true},    // the default's last ten digits: the default itself
        {"0000000001", false},   // leading zeros: too short
        {"500031471", false},    // nine digits
        {"abcdefghij", false},   // no number
        {"50003147129", false},  // fourteen digits
    };
    for (const Case& c : cases) {
        messages.clear();
        ASSERT_TRUE(registry.SetString(Key(), "Current SCN", "9540000000000"));
        CSCNDialog dialog("Device 01");
        uikit::MemoryPanel panel(dialog.Spec());
        dialog.OnInitDialog(panel);
        panel.SetText(CSCNDialog::IDC_SCN, c.entered);
        dialog.OnCommand(uikit::IDOK, panel);
        EXPECT_EQ(dialog.Ended(), c.stored) << c.entered;
        if (c.stored) {
            EXPECT_EQ(dialog.Result(), uikit::IDOK);
            EXPECT_EQ(Stored(), std::string("954") + c.entered);
            EXPECT_TRUE(messages.empty());
        } else {
            EXPECT_EQ(Stored(), "9540000000000") << c.entered;
            EXPECT_EQ(messages, std::vector<std::string>{CSCNDialog::kInvalidScn}) << c.entered;
        }
    }
}

TEST_F(SCNDialogTest, AKeyThatCannotBeOpenedCancelsAtOnce) {
    CSCNDialog dialog("Device 09");
    uikit::MemoryPanel panel(dialog.Spec());
    dialog.OnInitDialog(panel);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.Result(), uikit::IDCANCEL);
}

}  // namespace
}  // namespace devices
