// The Qt view of the program's main window: a fixed-size frame (654 x 209) with the menus,
// the seven-column status list and the status bar, drawn from an IWindowModel. Its menu
// items and the list's double click become the model's commands; a close asks the model.
// Qt's loop also drives the program's event loop: a socket notifier on the loop's poll
// descriptor and a single-shot timer for its next timer run one turn of it each, after
// which the window is redrawn from the model. One thread does both. The window is also the
// model's view: it brings the tray icon, shows itself again and pops the tray's menu up.
#pragma once

#include <QMainWindow>

#include "shell/WindowModel.h"

class QAction;
class QMenu;
class QSocketNotifier;
class QTimer;
class QTreeWidget;

namespace vekaqt {

class CTrayIconQt;

class CMainWindowQt final : public QMainWindow, public shell::IWindowView {
public:
    explicit CMainWindowQt(shell::IWindowModel& model);
    ~CMainWindowQt() override;

    // Redraws title, rows and status bar from the model.
    void Refresh();
    // The menu item with this command id (for tests), or null.
    [[nodiscard]] QAction* Action(int id) const;
    [[nodiscard]] QTreeWidget* StatusList() const noexcept { return m_pList; }
    [[nodiscard]] CTrayIconQt* TrayIcon() const noexcept { return m_pTray; }
    // The menu the tray popped up last (for tests), or null.
    [[nodiscard]] QMenu* TrayMenu() const noexcept { return m_pTrayMenu; }

    // IWindowView
    shell::ITrayIcon* Tray() override;
    void ShowWindow() override;
    void TrackMenu(const std::vector<shell::MenuItem>& menu) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void AddCommand(QMenu* menu, const QString& text, int id);
    // A command of a menu: exit closes, minimise and restore act on the window, the rest
    // goes to the model.
    void Command(int id);
    // One turn of the program's loop, then the timer for its next timer, then a redraw.
    void Turn();

    shell::IWindowModel& m_model;
    QTreeWidget* m_pList = nullptr;
    QSocketNotifier* m_pNotifier = nullptr;
    QTimer* m_pTimer = nullptr;
    CTrayIconQt* m_pTray = nullptr;
    QMenu* m_pTrayMenu = nullptr;
    bool m_bPropertiesRemoved = false;
};

}  // namespace vekaqt
