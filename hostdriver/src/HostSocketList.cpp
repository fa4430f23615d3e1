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
    return g_registry.Get();
}

CHostSocketList* CurrentSocketRegistry() {
    return g_registry.Current();
}

void DestroySocketRegistry() {
    g_registry.Destroy();
}

}  // namespace quildrv
