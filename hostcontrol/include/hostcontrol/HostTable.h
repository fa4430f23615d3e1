// The device's end systems: one entry per connected end system (names compared exactly),
// and the entry type. The table owns its entries; the entries point at their connections,
// which the device owns.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "brxconn/CLniata.h"

namespace hostcontrol {

class CConnImp;

struct _HOSTTABLE {
    CLniata lniata;
    std::string endSystem;
    CConnImp* conn = nullptr;
};

class CHostTableMap {
public:
    // Stores a copy of the entry under the name, replacing one that was there.
    bool SetAt(const std::string& name, const _HOSTTABLE& entry) noexcept;
    bool Lookup(const std::string& name, _HOSTTABLE*& out) const noexcept;
    // True on an empty table; else whether the name was there.
    bool RemoveKey(const std::string& name) noexcept;
    void RemoveAll() noexcept { m_map.clear(); }
    [[nodiscard]] std::size_t GetCount() const noexcept { return m_map.size(); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_map.empty(); }
    // The entry that comes first in the table's (stable, name) order.
    bool GetFirst(_HOSTTABLE*& out) const noexcept;

private:
    std::map<std::string, std::unique_ptr<_HOSTTABLE>> m_map;
};

}  // namespace hostcontrol
