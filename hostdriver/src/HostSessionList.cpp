#include "hostdriver/HostSessionList.h"

#include <mutex>

#include "hostdriver/HostSession.h"
#include "hostdriver/Slots.h"

namespace quildrv {

namespace {

CProcessObject<CHostSessionList> g_registry;

}  // namespace

CHostSessionList::~CHostSessionList() {
    for (auto& entry : m_entries) {
        entry->lock.Lock();
        entry->session = nullptr;
        entry->lock.Unlock();
    }
}

CHostSessionList::Entry* CHostSessionList::EntryAt(std::int32_t index) {
    UTKTools::CGuard guard(m_array);
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) return nullptr;
    return m_entries[static_cast<std::size_t>(index)].get();
}

bool CHostSessionList::Register(CHostSession* session) {
    if (session == nullptr) return false;
    // No entry lock: a free slot has no delivery to wait for, and a receive thread that holds
    // another entry's lock may be waiting for a lock its caller holds.
    UTKTools::CGuard guard(m_array);
    std::size_t slot = 0;
    while (slot < m_entries.size() && m_entries[slot]->session != nullptr) ++slot;
    if (slot == m_entries.size()) m_entries.push_back(std::make_unique<Entry>());
    session->SetRegistryIndex(static_cast<std::int32_t>(slot));
    m_entries[slot]->session = session;
    return true;
}

void CHostSessionList::Unregister(std::int32_t index) {
    Entry* entry = EntryAt(index);
    if (entry == nullptr) return;
    UTKTools::CGuard lock(entry->lock);  // waits for a delivery to the session
    UTKTools::CGuard guard(m_array);
    if (entry->session != nullptr && entry->session.load()->RegistryIndex() == index)
        entry->session = nullptr;
}

CHostSession* CHostSessionList::GetHostSessionEntry(std::int32_t index) {
    Entry* entry = EntryAt(index);
    if (entry == nullptr) return nullptr;
    entry->lock.Lock();
    return entry->session;
}

void CHostSessionList::ReleaseHostSessionEntry(std::int32_t index) {
    if (Entry* entry = EntryAt(index)) entry->lock.Unlock();
}

void CHostSessionList::StartKeepAliveAll() {
    std::size_t count = 0;
    {
        UTKTools::CGuard guard(m_array);
        count = m_entries.size();
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        if (CHostSession* session = GetHostSessionEntry(index)) session->StartKeepAlive();
        ReleaseHostSessionEntry(index);
    }
}

CHostSessionList* GetSessionRegistry() {
    return g_registry.Get();
}

CHostSessionList* CurrentSessionRegistry() {
    return g_registry.Current();
}

void DestroySessionRegistry() {
    g_registry.Destroy();
}

}  // namespace quildrv
