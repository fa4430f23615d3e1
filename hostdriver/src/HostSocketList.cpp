#include "hostdriver/HostSocketList.h"

#include <strings.h>

#include <mutex>

#include "hostdriver/HostSocket.h"
#include "hostdriver/Slots.h"

namespace quildrv {

namespace {

CProcessObject<CHostSocketList> g_registry;

}  // namespace

CHostSocketList::~CHostSocketList() {
    std::vector<std::unique_ptr<Entry>> entries;
    {
        UTKTools::CGuard guard(m_entriesLock);
        entries.swap(m_entries);
    }
    entries.clear();
}

std::optional<std::uint32_t> CHostSocketList::Find(const char* host, std::uint32_t port) {
    UTKTools::CGuard guard(m_entriesLock);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        CHostSocket* socket = m_entries[i]->socket.get();
        if (socket->GetPort() == port && ::strcasecmp(socket->GetHostAddress(), host) == 0)
            return static_cast<std::uint32_t>(i);
    }
    return std::nullopt;
}

std::uint32_t CHostSocketList::GetHostSocket(const char* host, std::uint32_t port) {
    if (host == nullptr) return kNoSocket;
    if (const auto found = Find(host, port)) return *found;
    // Started without a lock of the registry: starting reads settings through the session at
    // index 0 under its entry lock, which a receive thread holds while its delivery may ask
    // for a socket itself.
    auto entry = std::make_unique<Entry>();
    try {
        entry->socket = std::make_unique<CHostSocket>();
    } catch (...) {
        return kNoSocket;
    }
    if (!entry->socket->Init(host, port)) return kNoSocket;
    std::uint32_t index = kNoSocket;
    {
        UTKTools::CGuard guard(m_entriesLock);
        if (const auto found = Find(host, port)) {
            index = *found;  // another caller's came first: this one goes below, unlocked
        } else {
            m_entries.push_back(std::move(entry));
            return static_cast<std::uint32_t>(m_entries.size() - 1);
        }
    }
    entry.reset();
    return index;
}

CHostSocket* CHostSocketList::SocketAt(std::uint32_t index) {
    UTKTools::CGuard guard(m_entriesLock);
    return index < m_entries.size() ? m_entries[index]->socket.get() : nullptr;
}

std::uint8_t CHostSocketList::TakeFlag(const CHostSocket* socket) {
    UTKTools::CGuard guard(m_entriesLock);
    for (auto& entry : m_entries)
        if (entry->socket.get() == socket) return entry->flag.exchange(0);
    return 0;
}

CHostSocketList* GetSocketRegistry() {
    return g_registry.Get();
}

CHostSocketList* CurrentSocketRegistry() {
    return g_registry.Current();
}

void DestroySocketRegistry() {
    g_registry.Destroy();
}

}  // namespace quildrv
