#include "vekaqt/MainWindowQt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "QtTestApp.h"
#include "platform/EventLoop.h"
#include "vekaqt/TrayIconQt.h"

namespace {

class FakeModel final : public shell::IWindowModel, public platform::IMessageTarget {
public:
    platform::EventLoop& Loop() override { return loop; }
    std::string Title() override { return "Trevo Quorvix"; }
    std::vector<shell::WindowColumn> Columns() override {
        return {{"Device Name", 17},   {"Device Type", 14},       {"Trevo Address", 13},
                {"Device Status", 10}, {"Connection Status", 13}, {"Host Status", 8},
                {"Message", 80}};
    }
    std::vector<std::array<std::string, 7>> Rows() override { return rows; }
    std::string StatusBarText() override { return status; }
    bool ConfigurationAllowed() override { return configurationAllowed; }
    void AttachView(shell::IWindowView* v) override { view = v; }
    bool StartHidden() override { return false; }
    void OnTrayNotify(std::uint32_t icon, int mouseMessage) override {
        trayClicks.emplace_back(icon, mouseMessage);
    }
    void OnCommand(int id) override { commands.push_back(id); }
    bool OnClose() override { return mayClose; }
    bool Ended() override { return false; }
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM, platform::LPARAM) override {
        if (msg == platform::WM_USER) ++posts;
        if (msg == platform::WM_TIMER) ++ticks;
        return 0;
    }

    platform::EventLoop loop;
    std::vector<std::array<std::string, 7>> rows;
    std::string status = "Ready";
    bool configurationAllowed = true;
    bool mayClose = false;
    std::vector<int> commands;
    shell::IWindowView* view = nullptr;
    std::vector<std::pair<std::uint32_t, int>> trayClicks;
    int posts = 0;
    int ticks = 0;
};

class MainWindowQt : public ::testing::Test {
protected:
    static void SetUpTestSuite() { vekaqttest::EnsureApp(); }
    static bool Until(const std::function<bool()>& cond) { return vekaqttest::Until(cond); }
    FakeModel model;
};

}  // namespace

TEST_F(MainWindowQt, TheFrameShowsTheModelAndItsMenusReachIt) {
    model.rows.push_back({"Files", "File", "0A1B2C", "AVAILABLE", "CONNECTED", "AVAILABLE", ""});
    model.status = "Scroll right for message(s).";
    vekaqt::CMainWindowQt window(model);
    window.show();
    EXPECT_EQ(window.size(), QSize(654, 209));
    EXPECT_EQ(window.windowTitle(), "Trevo Quorvix");
    ASSERT_EQ(window.StatusList()->columnCount(), 7);
    EXPECT_EQ(window.StatusList()->headerItem()->text(4), "Connection Status");
    ASSERT_EQ(window.StatusList()->topLevelItemCount(), 1);
    EXPECT_EQ(window.StatusList()->topLevelItem(0)->text(2), "0A1B2C");
    EXPECT_EQ(window.statusBar()->currentMessage(), "Scroll right for message(s).");

    for (int id : {32772, 32773, 57664}) {
        ASSERT_NE(window.Action(id), nullptr) << id;
        window.Action(id)->trigger();
    }
    emit window.StatusList()->itemDoubleClicked(window.StatusList()->topLevelItem(0), 0);
    EXPECT_EQ(model.commands, (std::vector<int>{32772, 32773, 57664, 32772}));

    // A row that changes is redrawn after the next command.
    model.rows[0][4] = "DISCONNECTED";
    window.Action(32773)->trigger();
    EXPECT_EQ(window.StatusList()->topLevelItem(0)->text(4), "DISCONNECTED");
}

TEST_F(MainWindowQt, WithoutConfigurationPropertiesLeaveTheDeviceMenu) {
    model.configurationAllowed = false;
    vekaqt::CMainWindowQt window(model);
    QMenu* device = window.menuBar()->actions().at(0)->menu();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->actions().size(), 4);
    emit device->aboutToShow();
    emit device->aboutToShow();  // once only
    EXPECT_EQ(device->actions().size(), 2);
    EXPECT_EQ(window.Action(32772), nullptr);
    EXPECT_NE(window.Action(32775), nullptr);
}

TEST_F(MainWindowQt, AClosePassesThroughTheModel) {
    vekaqt::CMainWindowQt window(model);
    window.show();
    EXPECT_FALSE(window.close());  // a service keeps its window
    EXPECT_TRUE(window.isVisible());
    model.mayClose = true;
    EXPECT_TRUE(window.close());
}

TEST_F(MainWindowQt, QtsLoopDrivesTheProgramsLoop) {
    const platform::HWND h = model.loop.AddTarget(model);
    vekaqt::CMainWindowQt window(model);
    std::thread([&] { ASSERT_TRUE(platform::PostMessage(h, platform::WM_USER, 0, 0)); }).join();
    EXPECT_TRUE(Until([&] { return model.posts == 1; }));
    ASSERT_TRUE(platform::SetTimer(h, 1, 20));
    EXPECT_TRUE(Until([&] { return model.ticks >= 2; }));
    model.loop.RemoveTarget(h);
}

TEST_F(MainWindowQt, TheTrayIconsClicksReachTheModelAndItsMenuTheWindow) {
    {
        vekaqt::CMainWindowQt window(model);
        ASSERT_EQ(model.view, &window);
        vekaqt::CTrayIconQt* tray = window.TrayIcon();
        ASSERT_EQ(window.Tray(), tray);
        // Only a desktop with a tray takes the icon; no picture, no icon.
        EXPECT_EQ(tray->Add(451, "Trevo Quorvix"), QSystemTrayIcon::isSystemTrayAvailable());
        EXPECT_FALSE(tray->Add(999, "Trevo Quorvix"));

        emit tray->Icon()->activated(QSystemTrayIcon::DoubleClick);
        emit tray->Icon()->activated(QSystemTrayIcon::Context);
        emit tray->Icon()->activated(QSystemTrayIcon::Trigger);  // a single click: nothing
        const std::uint32_t icon = tray->CurrentIcon();
        EXPECT_EQ(model.trayClicks,
                  (std::vector<std::pair<std::uint32_t, int>>{{icon, 0x0203}, {icon, 0x0204}}));

        window.TrackMenu({{32776, "&Restore"}, {32773, "&Reconnect"}, {57665, "E&xit"}});
        ASSERT_NE(window.TrayMenu(), nullptr);
        const QList<QAction*> items = window.TrayMenu()->actions();
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(items[0]->text(), "&Restore");
        window.hide();
        items[0]->trigger();
        EXPECT_TRUE(window.isVisible());
        items[1]->trigger();
        EXPECT_EQ(model.commands, std::vector<int>{32773});
        items[2]->trigger();  // the model keeps a service's window
        EXPECT_TRUE(window.isVisible());
    }
    EXPECT_EQ(model.view, nullptr);
}

TEST_F(MainWindowQt, WithoutATrayIconAMinimisedWindowStaysReachable) {
    vekaqt::CMainWindowQt window(model);
    window.show();
    // The window manager minimised it.
    window.overrideWindowState(Qt::WindowMinimized);
    QWindowStateChangeEvent change(Qt::WindowNoState);
    QApplication::sendEvent(&window, &change);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
}
