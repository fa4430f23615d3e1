// The program's tray icon on the desktop's tray: the picture by its resource id from the
// program's icons, the tip, and the clicks handed back as the tray messages the program's
// tray knows (a double click, the right button). Without a tray on the desktop every call
// fails, and the program keeps its window shown.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

#include "shell/WindowModel.h"

class QSystemTrayIcon;

namespace vekaqt {

class CTrayIconQt final : public QObject, public shell::ITrayIcon {
public:
    // notify: the icon's resource id and the mouse message of a click.
    explicit CTrayIconQt(std::function<void(std::uint32_t icon, int mouseMessage)> notify,
                         QObject* parent = nullptr);

    bool Add(std::uint32_t icon, const std::string& tip) override;
    bool Modify(std::uint32_t icon, const std::string& tip) override;
    bool Delete() override;

    [[nodiscard]] QSystemTrayIcon* Icon() const noexcept { return m_pIcon; }
    [[nodiscard]] std::uint32_t CurrentIcon() const noexcept { return m_icon; }

private:
    bool Show(std::uint32_t icon, const std::string& tip);

    std::function<void(std::uint32_t, int)> m_notify;
    QSystemTrayIcon* m_pIcon = nullptr;
    std::uint32_t m_icon = 0;
};

}  // namespace vekaqt
