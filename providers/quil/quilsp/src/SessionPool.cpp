#include "quilsp/SessionPool.h"

#include <mutex>

#include "quilsp/Session.h"

namespace quilsp {

namespace {

std::mutex g_attachLock;
CSessionPool* g_pool = nullptr;
int g_attached = 0;

}  // namespace

CSessionPool::CSessionPool() = default;

CSessionPool::~CSessionPool() {
    std::map<std::string, std::unique_ptr<CSession>> sessions;
    {
        platform::CriticalSection::Guard guard(m_lock);
        sessions.swap(m_sessions);
    }
}

CSessionPool* CSessionPool::Attach() {
    std::lock_guard lock(g_attachLock);
    if (g_pool == nullptr) g_pool = new CSessionPool();
    ++g_attached;
    return g_pool;
}

void CSessionPool::Detach() {
    CSessionPool* gone = nullptr;
    {
        std::lock_guard lock(g_attachLock);
        if (g_attached == 0) return;
        if (--g_attached == 0) {
            gone = g_pool;
            g_pool = nullptr;
        }
    }
    delete gone;
}

CSessionPool* CSessionPool::Instance() noexcept {
    std::lock_guard lock(g_attachLock);
    return g_pool;
}

CSessionPool::Result CSessionPool::GetSession(ISessionOwner* owner, const CPoolKey& key,
                                              bool isDefault, CSession*& session) {
    platform::CriticalSection::Guard guard(m_lock);
    session = nullptr;
    const auto it = m_sessions.find(key.Key());
    if (it != m_sessions.end()) {
        session = it->second.get();
        // A session whose owner has gone reports to the one that takes it now.
        if (session->Owner() == nullptr) session->SetOwner(owner);
        if (session->Pooled()) return Result::Existing;
        session->Reinitialise(owner, isDefault);
        return Result::New;
    }
    try {
        auto created = std::make_unique<CSession>(owner, key, isDefault);
        session = created.get();
        m_sessions.emplace(key.Key(), std::move(created));
    } catch (...) {
        session = nullptr;
        return Result::Failed;
    }
    if (isDefault) m_defaultKey = key.Key();
    return Result::New;
}

CSession* CSessionPool::Find(const CPoolKey& key) {
    platform::CriticalSection::Guard guard(m_lock);
    const auto it = m_sessions.find(key.Key());
    return it == m_sessions.end() ? nullptr : it->second.get();
}

bool CSessionPool::RemoveSession(const CPoolKey& key) {
    std::unique_ptr<CSession> gone;
    {
        platform::CriticalSection::Guard guard(m_lock);
        const auto it = m_sessions.find(key.Key());
        if (it == m_sessions.end()) return false;
        gone = std::move(it->second);
        m_sessions.erase(it);
    }
    return true;
}

bool CSessionPool::ChangeKey(const CPoolKey& oldKey, const CPoolKey& newKey, bool isDefault) {
    platform::CriticalSection::Guard guard(m_lock);
    if (oldKey.Key() == newKey.Key()) {
        if (m_sessions.count(oldKey.Key()) == 0) return false;
    } else {
        auto node = m_sessions.extract(oldKey.Key());
        if (node.empty()) return false;
        std::unique_ptr<CSession> displaced;
        if (auto it = m_sessions.find(newKey.Key()); it != m_sessions.end()) {
            // A session already under the new key gives way; it is deleted outside the map.
            displaced = std::move(it->second);
            m_sessions.erase(it);
        }
        node.key() = newKey.Key();
        node.mapped()->SetKey(newKey);
        m_sessions.insert(std::move(node));
    }
    if (isDefault) m_defaultKey = newKey.Key();
    return true;
}

void CSessionPool::ForgetOwner(const ISessionOwner* owner) {
    platform::CriticalSection::Guard guard(m_lock);
    for (auto& [key, session] : m_sessions)
        if (session->Owner() == owner) session->SetOwner(nullptr);
}

std::string CSessionPool::DefaultKey() {
    platform::CriticalSection::Guard guard(m_lock);
    return m_defaultKey;
}

std::size_t CSessionPool::Size() {
    platform::CriticalSection::Guard guard(m_lock);
    return m_sessions.size();
}

}  // namespace quilsp
