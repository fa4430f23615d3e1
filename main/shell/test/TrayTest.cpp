#include "shell/Tray.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ShellFixture.h"
#include "notify/Notify.h"
#include "platform/DynamicLibrary.h"
#include "shell/RelayBinding.h"

using namespace shelltest;
using shell::CRelayBinding;
using shell::CTray;

namespace {

// The toolkit's tray as the tests see it: what was added, changed and removed.
class RecordingTray final : public shell::ITrayIcon {
public:
    bool Add(std::uint32_t icon, const std::string& tip) override {
        calls.push_back("add " + std::to_string(icon) + " " + tip);
        return true;
    }
    bool Modify(std::uint32_t icon, const std::string& tip) override {
        calls.push_back("modify " + std::to_string(icon) + " " + tip);
        return true;
    }
    bool Delete() override {
        calls.push_back("delete");
        return true;
    }
    std::vector<std::string> calls;
};

// The test relay module of a folder ("full": every export; "partial": no
// SendDeviceIconStatus; "none": no module), made the plug-in folder while the object lives,
// and what it was handed.
class FakeRelay {
public:
    explicit FakeRelay(const std::string& variant)
        : m_folder(std::string(TREVO_FAKE_RELAY_DIR) + "/" + variant) {
        if (const char* old = std::getenv("TREVO_PLUGIN_DIR")) m_saved = old;
        ::setenv("TREVO_PLUGIN_DIR", m_folder.c_str(), 1);
        if (variant == "full") {
            const platform::SymbolBinding bindings[] = {
                platform::BindSymbol("FakeRelayCounts", m_counts),
                platform::BindSymbol("FakeRelayDevice", m_device),
                platform::BindSymbol("FakeRelayIcon", m_icon),
                platform::BindSymbol("FakeRelayReset", m_reset)};
            EXPECT_TRUE(m_module.Open(m_folder + "/VEKAUTIL.so") && m_module.Bind(bindings))
                << m_module.error();
            m_reset();
        }
    }
    ~FakeRelay() { ::setenv("TREVO_PLUGIN_DIR", m_saved.c_str(), 1); }

    int Devices() { return Count(0); }
    int Icons() { return Count(1); }
    int Listening() { return Count(2); }
    platform::HWND Window() {
        Count(0);
        return m_window;
    }
    DEVICESTATUS Device(int i) {
        DEVICESTATUS d{};
        EXPECT_TRUE(m_device(i, &d));
        return d;
    }
    shell::IconStatusRecord Icon(int i) {
        ICONSTATUS raw{};
        EXPECT_TRUE(m_icon(i, &raw));
        shell::IconStatusRecord r{};
        std::memcpy(&r, &raw, sizeof r);
        return r;
    }

private:
    int Count(int which) {
        int n[3] = {};
        m_counts(&n[0], &n[1], &n[2], &m_window);
        return n[which];
    }
    std::string m_folder;
    std::string m_saved;
    platform::DynamicLibrary m_module;
    void (*m_counts)(int*, int*, int*, platform::HWND*) = nullptr;
    bool (*m_device)(int, DEVICESTATUS*) = nullptr;
    bool (*m_icon)(int, ICONSTATUS*) = nullptr;
    void (*m_reset)() = nullptr;
    platform::HWND m_window = 0;
};

std::string LogText() {
    return Notify::ReadLog();
}

class Tray : public ShellTest {
protected:
    shell::AppState app;
};

}  // namespace

TEST_F(Tray, IconAndLetterSumUpTheDevices) {
    struct Case {
        bool activity, warning, connection;
        std::uint32_t icon;
        char letter;
    };
    const Case cases[] = {
        {true, false, false, 251, 'G'}, {true, true, true, 451, 'R'},
        {true, true, false, 473, 'Y'},  {false, false, false, 250, 'G'},
        {false, true, true, 450, 'R'},  {false, true, false, 474, 'Y'},
        {false, false, true, 250, 'G'},  // the connection flag counts only with the warning
    };
    RecordingTray tray;
    CTray model(app, nullptr);
    model.SetTrayIcon(&tray);
    EXPECT_EQ(model.CurrentIcon(), 450u);
    ASSERT_TRUE(model.TaskBarAddIcon());
    for (const Case& c : cases) {
        const shell::StatusIcon status =
            shell::SelectStatusIcon(c.activity, c.warning, c.connection);
        EXPECT_EQ(status.letter, c.letter);
        model.TaskBarModifyIcon(status);
        EXPECT_EQ(tray.calls.back(), "modify " + std::to_string(c.icon) + " Trevo Printing Module");
    }
    model.TaskBarDeleteIcon();
    EXPECT_EQ(tray.calls.back(), "delete");
    EXPECT_EQ(tray.calls.front(), "add 450 Trevo Printing Module");
}

TEST_F(Tray, WithoutATrayTheIconIsNotAddedAndTheTipFollowsTheBranding) {
    CTray model(app, nullptr);
    model.LoadIcons();
    EXPECT_TRUE(LogLines(" failed").empty());  // every picture is there
    EXPECT_FALSE(model.TaskBarAddIcon());
    EXPECT_EQ(LogLines("NIM_ADD failed").size(), 1u);
    EXPECT_FALSE(model.Added());

    RecordingTray tray;
    model.SetTrayIcon(&tray);
    ASSERT_TRUE(model.TaskBarAddIcon());
    root.WriteFile("windows/VEKACFG.ini", "[NAMETYPE]\nVEKANAME=Trevo Veka\n");
    model.TaskBarModifyIcon({3, 'G'});
    EXPECT_EQ(tray.calls.back(), "modify 250 Trevo Veka");
}

TEST_F(Tray, ADoubleClickShowsTheWindowAndTheRightButtonTheMenu) {
    CTray model(app, nullptr);
    int shown = 0;
    std::vector<int> menu;
    model.showWindow = [&] { ++shown; };
    model.trackMenu = [&](const std::vector<shell::MenuItem>& items) {
        for (const auto& item : items) menu.push_back(item.id);
    };
    model.OnTrayNotify(450, CTray::WM_LBUTTONDBLCLK);
    model.OnTrayNotify(474, CTray::WM_LBUTTONDBLCLK);
    model.OnTrayNotify(999, CTray::WM_LBUTTONDBLCLK);  // not one of ours
    model.OnTrayNotify(450, 0x0201);                   // a single click does nothing
    EXPECT_EQ(shown, 2);
    model.OnTrayNotify(450, CTray::WM_RBUTTONDOWN);
    EXPECT_EQ(menu, (std::vector<int>{32776, 32773, 57665}));
}

TEST_F(Tray, TheRelayGetsTheIconOnlyInServiceMode) {
    FakeRelay relay("full");
    CRelayBinding binding;
    ASSERT_TRUE(binding.Bind());
    RecordingTray tray;
    CTray model(app, &binding);
    model.SetTrayIcon(&tray);
    model.TaskBarModifyIcon({4, 'R'});
    EXPECT_EQ(relay.Icons(), 0);
    app.serviceMode = true;
    model.TaskBarModifyIcon({4, 'R'});
    ASSERT_EQ(relay.Icons(), 1);
    EXPECT_EQ(relay.Icon(0).index, 4u);
    EXPECT_STREQ(relay.Icon(0).tip, "Trevo Printing Module");
}

TEST_F(Tray, TheRelayIsBoundWithAllFourEntryPointsOrNotAtAll) {
    for (const char* variant : {"partial", "none"}) {
        FakeRelay relay(variant);
        const std::string before = LogText();
        CRelayBinding binding;
        EXPECT_FALSE(binding.Bind()) << variant;
        binding.SetCallbackInterface(5);
        binding.BeginListening();
        binding.SendDeviceStatus({});
        binding.SendDeviceIconStatus(0, "tip");
        EXPECT_EQ(LogText(), before) << variant;
    }
    FakeRelay relay("full");
    CRelayBinding binding;
    ASSERT_TRUE(binding.Bind());
    binding.SetCallbackInterface(77);
    binding.BeginListening();
    EXPECT_EQ(relay.Window(), 77u);
    EXPECT_EQ(relay.Listening(), 1);
}

TEST_F(Tray, RowsReachTheRelayBlankedAndCut) {
    FakeRelay relay("full");
    CRelayBinding binding;
    ASSERT_TRUE(binding.Bind());
    shell::CStatusList::Row row = {std::string(100, 'N'), "File", "", "", "CONNECTED", "OFFLINE",
                                   std::string(300, 'M')};
    binding.SendDeviceStatus(row);
    ASSERT_EQ(relay.Devices(), 1);
    const DEVICESTATUS d = relay.Device(0);
    EXPECT_EQ(std::string(d.deviceName), std::string(63, 'N'));
    EXPECT_STREQ(d.deviceType, "File");
    EXPECT_STREQ(d.lniata, " ");
    EXPECT_STREQ(d.deviceStatus, " ");
    EXPECT_STREQ(d.connectionStatus, "CONNECTED");
    EXPECT_STREQ(d.hostStatus, "OFFLINE");
    EXPECT_EQ(std::string(d.message), std::string(127, 'M'));
    row[shell::CStatusList::COL_ADDRESS] = "0A1B2C3D";  // longer than its field
    EXPECT_STREQ(CRelayBinding::MakeDeviceStatus(row).lniata, "0A1B2C");
}
