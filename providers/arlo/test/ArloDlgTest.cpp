// The ARLO route dialog, driven headless through a memory panel.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "arlo/ArloDlg.h"
#include "brxapicfg/BRXConfig.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

namespace arlo::test {
namespace {

using uikit::MemoryPanel;

class ArloDlgTest : public ::testing::Test {
protected:
    ArloDlgTest() {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    ~ArloDlgTest() override {
        uikit::SetMessageSink(nullptr);
        uikit::SetFileChooser(nullptr);
    }
    std::string Text(const char* name) {
        std::string v;
        BRXConfig cfg;
        (void)cfg.GetValue(BRXConfig::kRoutesKey, "R1", name, &v);
        return v;
    }
    unsigned long Number(const char* name) {
        unsigned long v = 99;
        BRXConfig cfg;
        (void)cfg.GetValue(BRXConfig::kRoutesKey, "R1", name, &v);
        return v;
    }
    void Set(const char* name, const std::string& v) {
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", name, v);
    }
    // The route's value names in the order they were first written.
    std::vector<std::string> ValueOrder() {
        using namespace platform;
        std::vector<std::string> names;
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                         "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes\\R1", 0, KEY_READ,
                         &key) != 0)
            return names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD length = sizeof name;
            if (RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != 0) break;
            names.emplace_back(name);
        }
        RegCloseKey(key);
        return names;
    }

    support::TempRoot root;
    std::vector<std::string> messages;
};

TEST_F(ArloDlgTest, LniataDecidesTheClassName) {
    struct Case {
        const char* lniata;
        unsigned long useClass;
        bool classEnabled;
        const char* className;
    };
    for (const Case& c : std::vector<Case>{{"000000", 1, true, "CLS1"}, {"1A2B01", 0, false, ""}}) {
        SCOPED_TRACE(c.lniata);
        CArloDlg d("R1", true);
        MemoryPanel p(d.Spec());
        d.OnInitDialog(p);
        p.SetText(dlg::kLniata, c.lniata);
        d.OnCommand(dlg::kLniata, p);
        EXPECT_EQ(p.IsEnabled(dlg::kClassName), c.classEnabled);
        p.SetText(dlg::kClassName, "CLS1");
        d.OnCommand(uikit::IDOK, p);
        ASSERT_EQ(d.Result(), uikit::IDOK);
        EXPECT_EQ(Number("Use Class Name"), c.useClass);
        EXPECT_EQ(Text("Class Name"), c.className);
        EXPECT_EQ(Text("Lniata"), c.lniata);
    }
    // The write order of a new route, and the fixed values.
    EXPECT_EQ(ValueOrder(),
              (std::vector<std::string>{"Load Balancer Name", "Load Balancer IP Port",
                                        "Service Provider", "Class Name", "Lniata",
                                        "Use Class Name", "Load Balancer Fallback Name",
                                        "Tracing Active", "Trace File Name"}));
    EXPECT_EQ(Number("Load Balancer IP Port"), 12001u);
    EXPECT_EQ(Text("Service Provider"), "ARLO");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ArloDlgTest, AnotherProvidersRouteAndDefaults) {
    Set("Service Provider", "QUIL");
    Set("Load Balancer Name", "old-lb");
    Set("Lniata", "000000");
    Set("Class Name", "OLD");
    BRXConfig cfg;
    (void)cfg.SetValue(BRXConfig::kProvidersKey, "Arlo Front-End", "Default Load Balancer Name",
                       "lb1.example");
    CArloDlg d("R1", true);
    MemoryPanel p(d.Spec());
    d.OnInitDialog(p);
    EXPECT_EQ(p.GetText(dlg::kPrimary), "");
    EXPECT_EQ(p.GetText(dlg::kClassName), "");
    EXPECT_EQ(p.GetText(dlg::kRouteName), "R1");
    p.SetCheck(dlg::kTracing, true);
    d.OnCommand(dlg::kTracing, p);
    EXPECT_TRUE(p.IsEnabled(dlg::kTraceFile));
    // A cancelled Browse keeps the name.
    uikit::SetFileChooser([](const std::string&, const std::string&) { return std::nullopt; });
    p.SetText(dlg::kTraceFile, "");
    d.OnCommand(dlg::kBrowse, p);
    EXPECT_EQ(p.GetText(dlg::kTraceFile), "");
    d.OnCommand(uikit::IDOK, p);
    ASSERT_EQ(d.Result(), uikit::IDOK);
    EXPECT_EQ(Text("Load Balancer Name"), "lb1.example");
    EXPECT_EQ(Text("Load Balancer Fallback Name"), "");
    EXPECT_EQ(Text("Trace File Name"), "BRXAPI.LOG");
    EXPECT_EQ(Number("Tracing Active"), 1u);
}

TEST_F(ArloDlgTest, TerminalAddressChecks) {
    struct Case {
        const char* lniata;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{{"1A2B0", "LNIATA Should be exactly 6 chars"},
                                           {"1G2B01", "Line is invalid"},
                                           {"1A2X01", "Interchanged address is invalid"},
                                           {"1A2B0Z", "The terminal address is invalid"}}) {
        messages.clear();
        CArloDlg d("R1", true);
        MemoryPanel p(d.Spec());
        d.OnInitDialog(p);
        p.SetText(dlg::kLniata, c.lniata);
        d.OnCommand(uikit::IDOK, p);
        EXPECT_FALSE(d.Ended()) << c.lniata;
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(p.Focus(), dlg::kLniata);
    }
    EXPECT_TRUE(ValueOrder().empty());  // nothing written
}

}  // namespace
}  // namespace arlo::test
