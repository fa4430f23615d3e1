#include "quil2sp/SessionPool.h"

#include <mutex>

#include "quil2sp/Session.h"

namespace quilsp {

namespace {

std::mutex g_useLock;
CSessionPool* g_pool = nullptr;
int g_useCount = 0;

}  // namespace

CSessionPool* CSessionPool::AcquirePool() {
    std::lock_guard lock(g_useLock);
    if (g_pool == nullptr) {
        g_pool = new CSessionPool();
        g_useCount = 0;
    }
    ++g_useCount;
    return g_pool;
}

void CSessionPool::ReleasePool() {
    CSessionPool* gone = nullptr;
    {
        std::lock_guard lock(g_useLock);
        if (g_useCount == 0) return;
        if (--g_useCount == 0) {
            gone = g_pool;
            g_pool = nullptr;
        }
    }
    delete gone;
}

CSessionPool* CSessionPool::Instance() {
    std::lock_guard lock(g_useLock);
    return g_pool;
}

CSessionPool::~CSessionPool() {
    std::map<std::string, std::unique_ptr<CSession>> sessions;
    UTKTools::CGuard guard(m_lock);
    sessions.swap(m_sessions);
}

bool CSessionPool::FindOrCreateSession(ISessionOwner* provider, const std::string& key,
                                       bool isDefault, CSession*& session) {
    UTKTools::CGuard guard(m_lock);
    session = nullptr;
    if (const auto it = m_sessions.find(key); it != m_sessions.end()) {
        session = it->second.get();
        const bool free = !session->InUse();
        session->Initialize(provider, isDefault);
        return free;
    }
    try {
        auto created = std::make_unique<CSession>(provider, CPoolKey(key), isDefault);
        session = created.get();
        m_sessions.emplace(key, std::move(created));
    } catch (...) {
        session = nullptr;
        return false;
    }
    return true;
}

bool CSessionPool::RemoveSession(const std::string& key) {
    std::unique_ptr<CSession> gone;
    UTKTools::CGuard guard(m_lock);
    const auto it = m_sessions.find(key);
    if (it == m_sessions.end()) return false;
    gone = std::move(it->second);
    m_sessions.erase(it);
    return true;
}

void CSessionPool::ForgetOwner(const ISessionOwner* owner) {
    UTKTools::CGuard guard(m_lock);
    for (auto& [key, session] : m_sessions)
        if (session->Owner() == owner) session->SetOwner(nullptr);
}

std::size_t CSessionPool::Size() {
    UTKTools::CGuard guard(m_lock);
    return m_sessions.size();
}

}  // namespace quilsp
