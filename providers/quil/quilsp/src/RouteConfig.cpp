#include "quilsp/RouteConfig.h"

#include "brxapicfg/BRXConfig.h"

namespace quilsp {

std::optional<std::string> RouteConfig::Text(const char* name) const {
    if (m_route.empty()) return std::nullopt;
    std::string value;
    if (BRXConfig().GetValue(kRoutesRoot, m_route, name, &value) != 0) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> RouteConfig::Number(const char* name) const {
    if (m_route.empty()) return std::nullopt;
    unsigned long value = 0;
    if (BRXConfig().GetValue(kRoutesRoot, m_route, name, &value) != 0) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

void RouteConfig::SetText(const char* name, const std::string& value) const {
    if (!m_route.empty()) (void)BRXConfig().SetValue(kRoutesRoot, m_route, name, value);
}

void RouteConfig::SetNumber(const char* name, std::uint32_t value) const {
    if (!m_route.empty())
        (void)BRXConfig().SetValue(kRoutesRoot, m_route, name, static_cast<unsigned long>(value));
}

void RouteConfig::Delete(const char* name) const {
    if (!m_route.empty()) (void)BRXConfig().DeleteValue(kRoutesRoot, m_route, name);
}

}  // namespace quilsp
