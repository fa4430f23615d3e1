#include "vekaqt/TrayIconQt.h"

#include <QPixmap>
#include <QSystemTrayIcon>

#include "res/TrayIcons.h"

namespace vekaqt {
namespace {

constexpr int kDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
constexpr int kRightButton = 0x0204;  // WM_RBUTTONDOWN

}  // namespace

CTrayIconQt::CTrayIconQt(std::function<void(std::uint32_t, int)> notify, QObject* parent)
    : QObject(parent), m_notify(std::move(notify)), m_pIcon(new QSystemTrayIcon(this)) {
    connect(m_pIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (!m_notify) return;
                if (reason == QSystemTrayIcon::DoubleClick) m_notify(m_icon, kDoubleClick);
                if (reason == QSystemTrayIcon::Context) m_notify(m_icon, kRightButton);
            });
}

bool CTrayIconQt::Show(std::uint32_t icon, const std::string& tip) {
    const auto png = res::TrayIconPng(icon);
    QPixmap picture;
    if (png.empty() || !picture.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG"))
        return false;
    m_icon = icon;
    m_pIcon->setIcon(QIcon(picture));
    m_pIcon->setToolTip(QString::fromStdString(tip));
    return true;
}

bool CTrayIconQt::Add(std::uint32_t icon, const std::string& tip) {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !Show(icon, tip)) return false;
    m_pIcon->show();
    return true;
}

bool CTrayIconQt::Modify(std::uint32_t icon, const std::string& tip) {
    return m_pIcon->isVisible() && Show(icon, tip);
}

bool CTrayIconQt::Delete() {
    if (!m_pIcon->isVisible()) return false;
    m_pIcon->hide();
    return true;
}

}  // namespace vekaqt
