#include "shell/MainFrame.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "ShellFixture.h"
#include "core/PassportReaderWindow.h"
#include "core/Version.h"
#include "devices/DevicePassport.h"
#include "devices/PassportWindowEndpoint.h"

using namespace shelltest;
using platform::WindowEndpoint;
using platform::WindowFrame;
using shell::CMainFrame;

namespace {

// Waits (bounded) on one endpoint's descriptor until cond holds, letting each look run.
bool Until(WindowEndpoint& e, const std::function<bool()>& look) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        if (look()) return true;
        pollfd p{e.Descriptor(), POLLIN, 0};
        ::poll(&p, 1, 50);
    }
    return false;
}

std::optional<WindowFrame> Next(WindowEndpoint& e) {
    WindowFrame f;
    if (Until(e, [&] { return e.Receive(f); })) return f;
    return std::nullopt;
}

class MainFrame : public ShellTest {
protected:
    void Make(int osVersion = CVersion::VERSION_NT4) {
        shell::FrameHooks hooks;
        hooks.showIcon = [this] { ++iconsAdded; };
        hooks.restoreWindow = [this] { ++restores; };
        frame = std::make_unique<CMainFrame>(app, std::move(hooks), osVersion);
    }
    static void Remove(const char* name) {
        using namespace platform;
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKeyRoot.c_str(), 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return;
        static_cast<void>(RegDeleteValue(key, name));
        RegCloseKey(key);
    }
    // Lets the frame take what reached it until cond holds.
    bool FrameUntil(const std::function<bool()>& cond) {
        return Until(frame->Endpoint(), [&] {
            frame->OnEndpointReadable();
            return cond();
        });
    }

    shell::AppState app;
    std::unique_ptr<CMainFrame> frame;
    int iconsAdded = 0;
    int restores = 0;
};

}  // namespace

TEST_F(MainFrame, UpdateLockDecidesOnceWhetherTheSheetsMayOpen) {
    struct Case {
        std::optional<std::uint32_t> lock, config;
        bool allowed;
        std::optional<std::string> configAfter;
    };
    PutString(kKeyRoot, "Devices Selected", "0");
    const Case cases[] = {
        {std::nullopt, 1, true, "1"},
        {0, std::nullopt, true, std::nullopt},
        {1, 1, true, "0"},
        {1, std::nullopt, false, std::nullopt},
        {1, 0, false, "0"},
    };
    for (const Case& c : cases) {
        for (const char* name : {"Update Lock", "Update Config"}) Remove(name);
        if (c.lock) PutDword(kKeyRoot, "Update Lock", *c.lock);
        if (c.config) PutDword(kKeyRoot, "Update Config", *c.config);
        Make();
        app.configurationAllowed = !c.allowed;
        frame->OnCreate("VEKA");
        EXPECT_EQ(app.configurationAllowed, c.allowed);
        EXPECT_EQ(Get(kKeyRoot, "Update Config"), c.configAfter);
        frame.reset();
    }
}

TEST_F(MainFrame, TakesTheWindowsOtherProgramsHandOver) {
    WindowEndpoint status;
    WindowEndpoint later;
    ASSERT_TRUE(status.Bind());
    ASSERT_TRUE(later.Bind());
    Make();
    frame->OnCreate("VEKA001");
    ASSERT_NE(frame->Handle(), 0u);

    // The frame announces itself to every window.
    const auto hello = Next(status);
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->name, CMainFrame::kSvVekaRequest);
    EXPECT_EQ(hello->wParam, frame->Handle());
    EXPECT_EQ(hello->lParam, 0);
    ASSERT_TRUE(Next(later));

    // Nothing goes out before a status window is handed over.
    frame->SendToOutsideWindow(10001, 'G');
    ASSERT_TRUE(status.Send(frame->Handle(),
                            WindowFrame::Registered("SvhandleRequest", status.Handle(), 7)));
    ASSERT_TRUE(FrameUntil([&] { return app.outsideWindowArrived; }));
    EXPECT_EQ(app.outsideWindow, status.Handle());
    EXPECT_EQ(app.outsideWindowParam, 7);
    frame->SendToOutsideWindow(10001, 'G');
    const auto letter = Next(status);
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->number, 10001u);
    EXPECT_EQ(letter->wParam, static_cast<platform::WPARAM>('G'));

    ASSERT_TRUE(status.Send(frame->Handle(),
                            WindowFrame::Registered("PassportReaderRequest", later.Handle(), 42)));
    ASSERT_TRUE(status.Send(frame->Handle(), WindowFrame::Registered("ShowIcon", 0, 0)));
    ASSERT_TRUE(FrameUntil([&] { return iconsAdded == 1; }));
    EXPECT_EQ(core::GetPassportReaderWindow().window, later.Handle());
    EXPECT_EQ(core::GetPassportReaderWindow().value, 42);

    // A second hand-over replaces the first: only it hears of the exit.
    app.outsideWindowArrived = false;
    ASSERT_TRUE(
        later.Send(frame->Handle(), WindowFrame::Registered("SvhandleRequest", later.Handle(), 0)));
    ASSERT_TRUE(FrameUntil([&] { return app.outsideWindowArrived; }));
    frame->OnDestroy();
    const auto bye = Next(later);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->number, CMainFrame::WM_EXIT_NOTICE);
    EXPECT_EQ(bye->wParam, 0u);
    WindowFrame none;
    EXPECT_FALSE(status.Receive(none));
    EXPECT_EQ(LogLines("CMainFrame::~CMainFrame():").size(), 1u);
}

TEST_F(MainFrame, ASecondStartAsksTheFirstToRestoreItsWindow) {
    EXPECT_FALSE(shell::RestoreFirstInstance("VEKA001"));
    Make();
    frame->OnCreate("VEKA001");
    EXPECT_FALSE(shell::RestoreFirstInstance("VEKA002"));
    ASSERT_TRUE(shell::RestoreFirstInstance("VEKA001"));
    EXPECT_TRUE(FrameUntil([&] { return restores == 1; }));
}

TEST_F(MainFrame, AStatusWindowThatWentIsLoggedOncePerHandOver) {
    Make();
    frame->OnCreate("VEKA");
    {
        WindowEndpoint status;
        ASSERT_TRUE(status.Bind());
        app.outsideWindow = status.Handle();
    }
    for (int i = 0; i < 3; ++i) frame->SendToOutsideWindow(10001, 'R');
    EXPECT_EQ(LogLines("CMainFrame::SendToOutsideWindow(): Send()").size(), 1u);
}

TEST_F(MainFrame, ThePassportReaderTypesIntoTheSubscribedWindow) {
    WindowEndpoint reader;
    ASSERT_TRUE(reader.Bind());
    Make();
    frame->OnCreate("VEKA");
    ASSERT_TRUE(Next(reader));  // the frame's announcement
    ASSERT_TRUE(reader.Send(frame->Handle(),
                            WindowFrame::Registered("PassportReaderRequest", reader.Handle(), 5)));
    ASSERT_TRUE(FrameUntil([] { return devices::GetPassportWindow() != nullptr; }));

    // More characters than a datagram socket queues unread: the rest wait at the frame's
    // endpoint and go out as the frame's loop reads.
    const std::string text = "P/X12345678/UTO/12AUG74/F-SPECIMEN/TEST";
    const auto window = devices::GetPassportWindow();
    for (const char c : text) ASSERT_TRUE(window->SendChar(static_cast<std::uint8_t>(c)));
    std::string typed;
    ASSERT_TRUE(Until(reader, [&] {
        frame->OnEndpointReadable();
        WindowFrame f;
        while (reader.Receive(f)) {
            EXPECT_EQ(f.number, devices::CPassportWindowEndpoint::WM_CHAR);
            EXPECT_EQ(f.lParam, 0);
            EXPECT_EQ(f.sender, frame->Handle());
            typed += static_cast<char>(f.wParam);
        }
        return typed.size() >= text.size();
    }));
    EXPECT_EQ(typed, text);

    // The frame going takes the window with it.
    frame->OnDestroy();
    EXPECT_EQ(devices::GetPassportWindow(), nullptr);
}

TEST_F(MainFrame, MinimisingHidesTheWindowOnceStartUpHidIt) {
    struct Case {
        int os;
        std::uint32_t state;
        bool hides;
    };
    for (const Case& c :
         {Case{CVersion::VERSION_NT4, 0, true}, Case{CVersion::VERSION_NT4, 1, false},
          Case{CVersion::VERSION_NT351, 0, false}}) {
        app.startupWindowState = c.state;
        Make(c.os);
        EXPECT_EQ(frame->HideOnMinimize(), c.hides) << c.os << " " << c.state;
    }
}
