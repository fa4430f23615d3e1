#include "hostcontrol/HostTable.h"

#include <new>

namespace hostcontrol {

bool CHostTableMap::SetAt(const std::string& name, const _HOSTTABLE& entry) noexcept {
    try {
        m_map[name] = std::make_unique<_HOSTTABLE>(entry);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CHostTableMap::Lookup(const std::string& name, _HOSTTABLE*& out) const noexcept {
    const auto found = m_map.find(name);
    if (found == m_map.end()) return false;
    out = found->second.get();
    return true;
}

bool CHostTableMap::RemoveKey(const std::string& name) noexcept {
    if (m_map.empty()) return true;
    return m_map.erase(name) == 1;
}

bool CHostTableMap::GetFirst(_HOSTTABLE*& out) const noexcept {
    if (m_map.empty()) return false;
    out = m_map.begin()->second.get();
    return true;
}

}  // namespace hostcontrol
