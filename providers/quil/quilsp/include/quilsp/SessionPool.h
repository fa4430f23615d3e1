// The process-wide pool of QUIL sessions, keyed by LNIATA and host, so that connections with
// the same terminal address at the same host share one session. The pool owns its sessions.
//
// Lock order: the pool's lock only; no session call that reaches a provider runs under it
// but session construction and re-initialisation, which call no provider.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/CriticalSection.h"
#include "quilsp/PoolKey.h"

namespace quilsp {

class CSession;
class ISessionOwner;

class CSessionPool {
public:
    enum class Result { Existing = 0, New = 1, Failed = -1 };

    CSessionPool();
    virtual ~CSessionPool();
    CSessionPool(const CSessionPool&) = delete;
    CSessionPool& operator=(const CSessionPool&) = delete;

    // The process's pool: Attach creates it for the first provider object, Detach deletes it
    // (with every session) when the last one goes.
    static CSessionPool* Attach();
    static void Detach();
    static CSessionPool* Instance() noexcept;

    // The session of the key, created when absent. An existing session without the default
    // flag is re-initialised for the owner and counts as new.
    Result GetSession(ISessionOwner* owner, const CPoolKey& key, bool isDefault,
                      CSession*& session);
    // The session of the key, or nullptr.
    CSession* Find(const CPoolKey& key);
    bool RemoveSession(const CPoolKey& key);
    bool ChangeKey(const CPoolKey& oldKey, const CPoolKey& newKey, bool isDefault);
    // Sessions that report to the owner report to nobody from now on (the owner is going).
    void ForgetOwner(const ISessionOwner* owner);

    std::string DefaultKey();
    std::size_t Size();

private:
    platform::CriticalSection m_lock;
    std::map<std::string, std::unique_ptr<CSession>> m_sessions TREVO_GUARDED_BY(m_lock);
    std::string m_defaultKey TREVO_GUARDED_BY(m_lock);
};

}  // namespace quilsp
