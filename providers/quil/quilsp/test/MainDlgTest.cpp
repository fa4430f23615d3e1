// The route configuration dialog, driven headless through a memory panel.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "platform/Registry.h"
#include "quilsp/MainDlg.h"
#include "quilsp/RouteConfig.h"
#include "support/TempRoot.h"

namespace quilsp {
namespace {

using uikit::MemoryPanel;

class MainDlgTest : public ::testing::Test {
protected:
    MainDlgTest() {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    ~MainDlgTest() override {
        uikit::SetMessageSink(nullptr);
        uikit::SetModalRunner(nullptr);
        uikit::SetFileChooser(nullptr);
        uikit::SetFileViewer(nullptr);
    }

    // Opens the dialog for route R1, lets `edit` work on the panel, then presses `button`.
    int Run(int kind, const std::function<void(CMainDlg&, MemoryPanel&)>& edit,
            int button = uikit::IDOK, const char* route = "R1") {
        CMainDlg dialog(route, kind, true);
        MemoryPanel panel(dialog.Spec());
        dialog.OnInitDialog(panel);
        edit(dialog, panel);
        dialog.OnCommand(button, panel);
        return dialog.Ended() ? dialog.Result() : 0;
    }

    support::TempRoot root;
    RouteConfig cfg{"R1"};
    std::vector<std::string> messages;
};

TEST_F(MainDlgTest, OkWritesTheRouteWithThePortOfItsKind) {
    struct Case {
        int kind;
        const char* lniata;
        int option;  // -1: no dynamic option
        std::optional<std::uint32_t> port;
    };
    const Case cases[] = {
        {1, "000000", 1, 30030},  {1, "000000", 0, 30032},        {1, "1A2B01", -1, 30031},
        {2, "1A2B01", -1, 30051}, {2, "000000", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lniata) + " kind " + std::to_string(c.kind));
        cfg.Delete("Remote Port");
        cfg.SetText("PooledTA Code", "OLD");
        const int result = Run(c.kind, [&](CMainDlg& d, MemoryPanel& p) {
            p.SetText(dlg::kHostName, "host1");
            p.SetText(dlg::kLniata, c.lniata);
            d.OnCommand(dlg::kLniata, p);
            if (c.option >= 0) {
                const int radio = c.option == 0 ? dlg::kPseudoCityRadio : dlg::kProfileRadio;
                p.SetCheck(dlg::kPseudoCityRadio, c.option == 0);
                p.SetCheck(dlg::kProfileRadio, c.option == 1);
                d.OnCommand(radio, p);
                EXPECT_TRUE(p.IsEnabled(c.option == 0 ? dlg::kPseudoCity : dlg::kProfileName));
                p.SetText(c.option == 0 ? dlg::kPseudoCity : dlg::kProfileName, "ABC123");
            }
        });
        EXPECT_EQ(result, uikit::IDOK);
        EXPECT_EQ(cfg.Number("Remote Port"), c.port);
        EXPECT_EQ(cfg.Text("Device"), c.kind == 2 ? "PRINTER" : "TERMINAL");
        EXPECT_EQ(cfg.Text("Service Provider"), "QUIL");
        EXPECT_EQ(cfg.Text("PooledTA Code"),
                  c.option >= 0 ? "ABC123" : std::optional<std::string>());
        EXPECT_EQ(cfg.Text("Remote IP Address"), "host1");
    }
    EXPECT_TRUE(messages.empty());
}

// The names of a route's values in the order they were made.
std::vector<std::string> ValuesInOrder(const std::string& route) {
    std::vector<std::string> names;
    platform::HKEY key = nullptr;
    const std::string path = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes\\" + route;
    if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, platform::KEY_READ,
                               &key) != platform::ERROR_SUCCESS)
        return names;
    for (platform::DWORD i = 0; i < 64; ++i) {
        char name[256];
        platform::DWORD length = sizeof name;
        if (platform::RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            platform::ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    platform::RegCloseKey(key);
    return names;
}

// OK writes a new route's values in its fixed order: address, terminal, kind, the pool's
// values or the port, then provider and tracing.
TEST_F(MainDlgTest, OkWritesANewRoutesValuesInOrder) {
    struct Case {
        const char* route;
        int kind;
        const char* lniata;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"Pooled",
         1,
         "000000",
         {"Remote IP Address", "LNIATA", "Device", "DynamicTA Option", "PooledTA Code",
          "Remote Port", "Service Provider", "Trace File Name", "Tracing Active"}},
        {"PooledPrinter",
         2,
         "000000",
         {"Remote IP Address", "LNIATA", "Device", "DynamicTA Option", "PooledTA Code",
          "Service Provider", "Trace File Name", "Tracing Active"}},
        {"Fixed",
         1,
         "1A2B01",
         {"Remote IP Address", "LNIATA", "Device", "Remote Port", "Service Provider",
          "Trace File Name", "Tracing Active"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.route);
        ASSERT_TRUE(ValuesInOrder(c.route).empty());
        const int result = Run(
            c.kind,
            [&](CMainDlg& d, MemoryPanel& p) {
                p.SetText(dlg::kHostName, "host1");
                p.SetText(dlg::kLniata, c.lniata);
                d.OnCommand(dlg::kLniata, p);
                p.SetText(dlg::kPseudoCity, "ABC123");
            },
            uikit::IDOK, c.route);
        EXPECT_EQ(result, uikit::IDOK);
        EXPECT_EQ(ValuesInOrder(c.route), c.order);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainDlgTest, RefusesBadTerminalAddressesAndMissingCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"1A2B0", "LNIATA should be exactly 6 characters"},
        {"G12B01", "The Line is invalid"},
        {"1AG B01", "LNIATA should be exactly 6 characters"},
        {"12GB01", "The Line is invalid"},
        {"123G01", "The Interchange Address is invalid"},
        {"1234G1", "The Terminal Address is invalid"},
        {"12340Z", "The Terminal Address is invalid"},
        {"000000", "Please enter valid Pseudocity Code"},
    };
    for (const auto& c : cases) {
        const std::string lniata = c.first;
        const std::string text = c.second;
        SCOPED_TRACE(lniata);
        messages.clear();
        const int result =
            Run(1, [&](CMainDlg&, MemoryPanel& p) { p.SetText(dlg::kLniata, lniata); });
        EXPECT_EQ(result, 0) << "the dialog stays open";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], text);
    }
    EXPECT_FALSE(cfg.Text("LNIATA").has_value()) << "nothing written";
}

TEST_F(MainDlgTest, OpeningShowsTheStoredValues) {
    cfg.SetText("LNIATA", "000000");
    cfg.SetNumber("DynamicTA Option", 1);
    cfg.SetText("PooledTA Code", "PROF01");
    cfg.SetNumber("Tracing Active", 2);
    cfg.SetText("Trace File Name", "trace.log");
    CMainDlg dialog("R1", 1, true);
    MemoryPanel panel(dialog.Spec());
    dialog.OnInitDialog(panel);
    EXPECT_FALSE(panel.GetCheck(dlg::kTracing)) << "only 1 counts as on";
    EXPECT_FALSE(panel.IsEnabled(dlg::kTraceFile));
    EXPECT_EQ(panel.GetText(dlg::kProfileName), "PROF01");
    EXPECT_TRUE(panel.IsEnabled(dlg::kProfileName));
    EXPECT_FALSE(panel.IsEnabled(dlg::kPseudoCity));
    EXPECT_FALSE(panel.IsEnabled(dlg::kAdvanced));

    // A cancelled Browse keeps the name; tracing on enables the trace controls.
    uikit::SetFileChooser([](const std::string& ext, const std::string& initial) {
        EXPECT_EQ(ext, "log");
        EXPECT_EQ(initial, "trace.log");
        return std::optional<std::string>();
    });
    dialog.OnCommand(dlg::kBrowse, panel);
    EXPECT_EQ(panel.GetText(dlg::kTraceFile), "trace.log");
    panel.SetCheck(dlg::kTracing, true);
    dialog.OnCommand(dlg::kTracing, panel);
    EXPECT_TRUE(panel.IsEnabled(dlg::kView));

    // View without a viewer program, then Cancel: nothing is written.
    uikit::SetFileViewer([](const std::string&, bool) { return false; });
    dialog.OnCommand(dlg::kView, panel);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unable to locate the Notepad executable (notepad.exe)");
    dialog.OnCommand(uikit::IDCANCEL, panel);
    EXPECT_EQ(dialog.Result(), uikit::IDCANCEL);
    EXPECT_EQ(cfg.Number("Tracing Active"), 2u);
}

TEST_F(MainDlgTest, ConfigurationEntryRunsTheDialogThroughTheRunner) {
    BRXConfig store;
    (void)store.SetValue(BRXConfig::kProvidersKey, "QUIL", "DLL Name", "QUILSP.DLL");
    // No display: cancelled, nothing written.
    EXPECT_EQ(BRXAPIConfigureServiceProvider("QUIL", "R1", 1), uikit::IDCANCEL);
    EXPECT_FALSE(cfg.Text("LNIATA").has_value());
    uikit::SetModalRunner([](uikit::IDialogModel& m) {
        MemoryPanel panel(m.Spec());
        m.OnInitDialog(panel);
        panel.SetText(dlg::kLniata, "1A2B01");
        panel.SetText(dlg::kHostName, "127.0.0.1");
        m.OnCommand(uikit::IDOK, panel);
        return m.Result();
    });
    EXPECT_EQ(BRXAPIConfigureServiceProvider("QUIL", "R1", 2), uikit::IDOK);
    EXPECT_EQ(cfg.Text("Device"), "PRINTER");
    EXPECT_EQ(cfg.Number("Remote Port"), 30051u);
}

}  // namespace
}  // namespace quilsp
