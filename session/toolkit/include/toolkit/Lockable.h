// UTKTools::CLockable, the abstract lock of the toolkit, and CGuard, which holds one for
// its own lifetime.
#pragma once

#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CLockable {
public:
    virtual ~CLockable();
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    CLockable() = default;
    CLockable(const CLockable&) = default;
    CLockable& operator=(const CLockable&) = default;
};

class UTK_API CGuard {
public:
    explicit CGuard(CLockable& lock) : m_lock(lock) { m_lock.Lock(); }
    virtual ~CGuard() { m_lock.Unlock(); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    CLockable& m_lock;
};

}  // namespace UTKTools
