// The ZEL route dialog and the VORS dialog, driven headless through a memory panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "platform/Profile.h"
#include "support/TempRoot.h"
#include "zel/VorsDlg.h"
#include "zel/ZelDlg.h"
#include "zel/ZelTexts.h"

namespace zel {
namespace {

using uikit::MemoryPanel;

class ZelDlgTest : public ::testing::Test {
protected:
    ZelDlgTest() {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    ~ZelDlgTest() override {
        uikit::SetMessageSink(nullptr);
        uikit::SetModalRunner(nullptr);
    }
    std::string Text(const char* key, const char* name) {
        std::string v;
        BRXConfig cfg;
        (void)cfg.GetValue(BRXConfig::kRoutesKey, key, name, &v);
        return v;
    }
    unsigned long Number(const std::string& base, const char* key, const char* name) {
        unsigned long v = 99;
        BRXConfig cfg;
        (void)cfg.GetValue(base, key, name, &v);
        return v;
    }
    // Opens the dialog, types the two fields and presses OK: the dialog's result.
    int Ok(const std::string& lniata, const std::string& gateway, bool tracing = false) {
        CZelDlg d("Z1", true);
        MemoryPanel panel(d.Spec());
        d.OnInitDialog(panel);
        panel.SetText(dlg::kLniata, lniata);
        panel.SetText(dlg::kGateway, gateway);
        panel.SetCheck(dlg::kTracing, tracing);
        d.OnCommand(uikit::IDOK, panel);
        return d.Ended() ? d.Result() : -1;
    }
    std::string Ini(const char* file, const char* section, const char* key) {
        char value[32] = {};
        (void)platform::GetPrivateProfileString(section, key, "", value, sizeof value, file);
        return value;
    }

    support::TempRoot root;
    std::vector<std::string> messages;
};

TEST_F(ZelDlgTest, AddressesChecked) {
    struct Case {
        const char* lniata;
        const char* gateway;
        int message;  // 0: accepted
        const char* kept;
    };
    for (const Case& k : std::vector<Case>{
             {"svc3", "10.1.2.3", 0, "000003"},
             {"SVCf", "10.1.2.3", 0, "00000F"},
             {"SVC0", "10.1.2.3", IDS_SVC_ZERO, ""},
             {"SVC", "10.1.2.3", IDS_LNIATA_LENGTH, ""},
             {"12345", "10.1.2.3", IDS_LNIATA_LENGTH, ""},
             {"G12345", "10.1.2.3", IDS_LINE_INVALID, ""},
             {"123X45", "10.1.2.3", IDS_INTERCHANGE_INVALID, ""},
             {"1234G5", "10.1.2.3", IDS_TERMINAL_INVALID, ""},
             {"1a2b3c", "192.168.100.200", 0, "1A2B3C"},
             {"012345", "192.168.100.2001", IDS_ADDRESS_FORMAT, ""},  // 16 characters
             {"012345", "1.2.3.4567", IDS_ADDRESS_FORMAT, ""},        // a 4-digit group
             {"012345", "1.2..3", IDS_ADDRESS_FORMAT, ""},
             {"012345", "1.2.3.x", IDS_ADDRESS_FORMAT, ""},
         }) {
        messages.clear();
        const int result = Ok(k.lniata, k.gateway);
        if (k.message == 0) {
            EXPECT_EQ(result, uikit::IDOK) << k.lniata << " " << k.gateway;
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(Text("Z1", "Lniata"), k.kept);
        } else {
            EXPECT_EQ(result, -1) << k.lniata << " " << k.gateway;
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], ZelText(static_cast<std::uint32_t>(k.message)));
        }
    }
    // A kept service address is shown again in its entered form.
    CZelDlg d("Z1", true);
    MemoryPanel panel(d.Spec());
    d.OnInitDialog(panel);
    EXPECT_EQ(panel.GetText(dlg::kLniata), "1A2B3C");
    ASSERT_EQ(Ok("svc7", "10.0.0.1"), uikit::IDOK);
    CZelDlg again("Z1", true);
    MemoryPanel shown(again.Spec());
    again.OnInitDialog(shown);
    EXPECT_EQ(shown.GetText(dlg::kLniata), "SVC7");
    EXPECT_EQ(shown.GetText(dlg::kGateway), "10.0.0.1");
}

TEST_F(ZelDlgTest, OkWritesRouteAndTraceKey) {
    ASSERT_EQ(Ok("012345", "10.0.0.1", true), uikit::IDOK);
    EXPECT_EQ(Text("Z1", "Service Provider"), "ZEL");
    EXPECT_EQ(Number(BRXConfig::kRoutesKey, "Z1", "ZEL Port"), 1413u);
    EXPECT_EQ(Text("Z1", "Server IP Address"), "10.0.0.1");
    EXPECT_EQ(Number(BRXConfig::kRoutesKey, "Z1", "Tracing Active"), 1u);
    EXPECT_EQ(Text("Z1", "Trace File Name"), "BRXAPI.LOG");
    EXPECT_EQ(Number(BRXConfig::kApiKey, "TRACE", "Tracing Active"), 1u);
    // The trace key is what the dialog shows next time, for every route.
    CZelDlg d("Z2", true);
    MemoryPanel panel(d.Spec());
    d.OnInitDialog(panel);
    EXPECT_TRUE(panel.GetCheck(dlg::kTracing));
    EXPECT_TRUE(panel.IsEnabled(dlg::kTraceFile));
    EXPECT_EQ(panel.GetText(dlg::kTraceFile), "BRXAPI.LOG");
    d.OnCommand(dlg::kCancel, panel);
    EXPECT_EQ(d.Result(), uikit::IDCANCEL);
    // Without write access the dialog only shows.
    CZelDlg readOnly("Z1", false);
    MemoryPanel ro(readOnly.Spec());
    readOnly.OnInitDialog(ro);
    EXPECT_FALSE(ro.IsEnabled(uikit::IDOK));
}

TEST_F(ZelDlgTest, VorsCommands) {
    // Opened from the route dialog through the modal runner.
    std::vector<std::string> typed{"..nordx", "..estx"};
    bool require = true;
    uikit::SetModalRunner([&](uikit::IDialogModel& m) {
        MemoryPanel panel(m.Spec());
        m.OnInitDialog(panel);
        EXPECT_EQ(panel.GetText(vorsdlg::kHome), "..TREVO");
        panel.SetText(vorsdlg::kNordia, typed[0]);
        panel.SetText(vorsdlg::kEstaria, typed[1]);
        panel.SetCheck(vorsdlg::kRequire, require);
        panel.SetCheck(vorsdlg::kC1C2, true);
        m.OnCommand(vorsdlg::kOK, panel);
        return m.Result();
    });
    CZelDlg d("Z1", true);
    MemoryPanel panel(d.Spec());
    d.OnInitDialog(panel);
    d.OnCommand(dlg::kVorsHost, panel);
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "HostTrans"), "1");
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "C1C2Trans"), "1");
    EXPECT_EQ(Ini("VORS.INI", "NORDIA", "CHGCHG"), "..NORDX");
    EXPECT_EQ(Ini("VORS.INI", "HOME", "CHGCHG"), "..TREVO");

    // Unticked: only "HostTrans" 0; the edited commands are not stored.
    typed = {"..other", "..x"};
    require = false;
    d.OnCommand(dlg::kVorsHost, panel);
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "HostTrans"), "0");
    EXPECT_EQ(Ini("VORS.INI", "NORDIA", "CHGCHG"), "..NORDX");

    // Ticking the box fills the fields from the file again; Cancel writes nothing.
    CVorsDlg vors;
    MemoryPanel vp(vors.Spec());
    vors.OnInitDialog(vp);
    EXPECT_FALSE(vp.GetCheck(vorsdlg::kRequire));
    vp.SetText(vorsdlg::kNordia, "edited");
    vp.SetCheck(vorsdlg::kRequire, true);
    vors.OnCommand(vorsdlg::kRequire, vp);
    EXPECT_EQ(vp.GetText(vorsdlg::kNordia), "..NORDX");
    vors.OnCommand(vorsdlg::kCancel, vp);
    EXPECT_EQ(vors.Result(), uikit::IDCANCEL);
    EXPECT_EQ(Ini("TREVO.INI", "VORS", "HostTrans"), "0");
}

}  // namespace
}  // namespace zel
