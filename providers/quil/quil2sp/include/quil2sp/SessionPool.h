// The process's pool of QUIL2SP sessions, one reference-counted instance shared by every
// provider object, keyed by plain text (the provider forms it from LNIATA and host), so
// that connections with the same key share one session. The pool owns its sessions.
//
// Lock order: the pool's lock after the provider lock; no session call that reaches a
// provider object runs under it. Sessions are deleted outside it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "quilsp/PoolKey.h"
#include "toolkit/Mutex.h"

namespace quilsp {

class CSession;
class ISessionOwner;

class CSessionPool {
public:
    enum class Result { Existing = 0, New = 1, Failed = -1 };

    // Each provider object acquires the pool when it is made and releases it when it goes;
    // the first acquire makes it, the last release deletes it with every session.
    static CSessionPool* AcquirePool();
    static void ReleasePool();
    static CSessionPool* Instance();

    // The session of the key, made for the provider when absent (true). A present one is
    // taken up again for the provider; true when no other user has it in use.
    bool FindOrCreateSession(ISessionOwner* provider, const std::string& key, bool isDefault,
                             CSession*& session);
    // False when the key is not present.
    bool RemoveSession(const std::string& key);
    // Sessions that report to the owner report to nobody from now on (the owner is going).
    void ForgetOwner(const ISessionOwner* owner);
    std::size_t Size();

    virtual ~CSessionPool();
    CSessionPool(const CSessionPool&) = delete;
    CSessionPool& operator=(const CSessionPool&) = delete;

private:
    CSessionPool() = default;

    UTKTools::CCriticalSection m_lock{5000};
    std::map<std::string, std::unique_ptr<CSession>> m_sessions;
};

}  // namespace quilsp
