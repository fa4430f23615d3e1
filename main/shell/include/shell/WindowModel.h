// The main window as the program offers it to a window toolkit's view: what to show and
// what the user did. Only standard types and pure virtual calls cross it, so that a view
// built into a module of its own (and loaded only when there is a display) shares nothing
// with the program but this header and the platform layer.
//
// Threads: user-interface thread. The view drives the program's event loop from its own
// (EventLoop::SetDrivenFromOutside) and calls Refresh-worthy getters after each turn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
class EventLoop;
}

namespace shell {

struct MenuItem {
    int id;
    std::string text;
};

// The window toolkit's tray icon as the program's tray drives it: the picture by its
// resource id (res/TrayIcons.h) and the tip. Each call false when the tray refused it.
class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    virtual bool Add(std::uint32_t icon, const std::string& tip) = 0;
    virtual bool Modify(std::uint32_t icon, const std::string& tip) = 0;
    virtual bool Delete() = 0;
};

// What the view offers the program: its tray icon (null when the desktop has no tray), and
// the window to bring back and a menu to pop up at the pointer, both asked by the tray.
class IWindowView {
public:
    virtual ~IWindowView() = default;
    [[nodiscard]] virtual ITrayIcon* Tray() = 0;
    virtual void ShowWindow() = 0;
    virtual void TrackMenu(const std::vector<MenuItem>& menu) = 0;
};

struct WindowColumn {
    std::string title;
    int sampleChars = 0;  // the column is as wide as this many "X" and a blank, plus 10
};

class IWindowModel {
public:
    // Commands of the menus.
    enum : int {
        ID_DEVICES_PROPERTIES = 32772,
        ID_DEVICES_RECONNECT = 32773,
        ID_MINIMIZE = 32775,
        ID_RESTORE = 32776,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
    };
    static constexpr int kWidth = 654;
    static constexpr int kHeight = 209;

    virtual ~IWindowModel() = default;
    [[nodiscard]] virtual platform::EventLoop& Loop() = 0;
    [[nodiscard]] virtual std::string Title() = 0;
    [[nodiscard]] virtual std::vector<WindowColumn> Columns() = 0;
    [[nodiscard]] virtual std::vector<std::array<std::string, 7>> Rows() = 0;
    [[nodiscard]] virtual std::string StatusBarText() = 0;
    // Whether "&Properties" stays in the "&Device" menu.
    [[nodiscard]] virtual bool ConfigurationAllowed() = 0;
    // The view, once its window exists (null when it goes): the program adds its tray icon
    // to the view's tray.
    virtual void AttachView(IWindowView* view) = 0;
    // Whether the window starts hidden (only when a tray icon can bring it back).
    [[nodiscard]] virtual bool StartHidden() = 0;
    // The tray icon was clicked: the icon's resource id and the mouse message
    // (0x0203 double click, 0x0204 right button).
    virtual void OnTrayNotify(std::uint32_t icon, int mouseMessage) = 0;
    // A menu command (or the status list's double click: ID_DEVICES_PROPERTIES).
    virtual void OnCommand(int id) = 0;
    // The window is asked to close; true when it may (a service keeps its window).
    [[nodiscard]] virtual bool OnClose() = 0;
    // True once the program has closed by itself (a stop signal): the view ends too.
    [[nodiscard]] virtual bool Ended() = 0;
};

// The entry point of the window module: shows the model's window, runs until it closes,
// and gives the exit code.
using RunWindowFunction = int (*)(IWindowModel* model, int argc, char** argv);
inline constexpr char kRunWindowSymbol[] = "TrevoRunVekaWindow";
inline constexpr char kWindowModule[] = "VekaWindow";

}  // namespace shell
