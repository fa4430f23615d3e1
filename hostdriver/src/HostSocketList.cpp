#include "hostdriver/HostSocketList.h"

#include <strings.h>

#include <mutex>

#include "hostdriver/HostSocket.h"

namespace quildrv {

namespace {

std::mutex g_registryMutex;
CHostSocketList* g_registry = nullptr;  // under g_registryMutex

}  // namespace

CHostSocketList::~CHostSocketList() {
    std::vector<std::unique_ptr<Entry>> entries;
    {
        UTKTools::CGuard guard(m_entriesLock);
        entries.swap(m_entries);
    }
    entries.clear();
}

std::uint32_t CHostSocketList::GetHostSocket(const char* host, std::uint32_t port) {
    if (host == nullptr) return kNoSocket;
    UTKTools::CGuard lookup(m_lookup);
    {
        UTKTools::CGuard guard(m_entriesLock);
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            CHostSocket* socket = m_entries[i]->socket.get();
            if (socket->GetPort() == port && ::strcasecmp(socket->GetHostAddress(), host) == 0)
                return static_cast<std::uint32_t>(i);
        }
    }
    auto entry = std::make_unique<Entry>();
    try {
        entry->socket = std::make_unique<CHostSocket>();
    } catch (...) {
        return kNoSocket;
    }
    if (!entry->socket->Init(host, port)) return kNoSocket;
    UTKTools::CGuard guard(m_entriesLock);
    m_entries.push_back(std::move(entry));
    return static_cast<std::uint32_t>(m_entries.size() - 1);
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
    std::lock_guard lock(g_registryMutex);
    if (g_registry == nullptr) g_registry = new CHostSocketList;
    return g_registry;
}

CHostSocketList* CurrentSocketRegistry() {
    std::lock_guard lock(g_registryMutex);
    return g_registry;
}

void DestroySocketRegistry() {
    CHostSocketList* registry = nullptr;
    {
        std::lock_guard lock(g_registryMutex);
        registry = g_registry;
        g_registry = nullptr;
    }
    delete registry;
}

}  // namespace quildrv
