#include "hostdriver/IdleTimer.h"

#include <algorithm>
#include <vector>

#include "hostdriver/PerfClock.h"
#include "hostdriver/Slots.h"
#include "hostdriver/WorkerThread.h"
#include "platform/Event.h"
#include "platform/Wait.h"
#include "toolkit/Mutex.h"

namespace quildrv {

class CIdleList {
public:
    static CIdleList& Instance() {
        static CIdleList list;
        return list;
    }

    UTKTools::CRecursiveMutex lock;
    std::vector<CIdleTimer*> timers;  // under lock; an unlisted timer leaves null
    // Held while the handlers of a pass run; unlisting takes it, so it waits for them.
    UTKTools::CRecursiveMutex calling;
    platform::Event stop{platform::EventReset::Manual};
    CWorkerThread thread;

    static unsigned Run(void* argument);
    void Pass();
};

CIdleTimer::~CIdleTimer() {
    Unregister();
}

void CIdleTimer::Register() {
    CIdleList& list = CIdleList::Instance();
    UTKTools::CGuard guard(list.lock);
    if (m_slot >= 0) return;
    m_slot = TakeFreeSlot(list.timers, this);
    m_start = GetTickCount();
}

void CIdleTimer::Unregister() {
    CIdleList& list = CIdleList::Instance();
    UTKTools::CGuard calling(list.calling);
    UTKTools::CGuard guard(list.lock);
    FreeSlot(list.timers, m_slot);
}

void CIdleTimer::Reset() {
    UTKTools::CGuard guard(CIdleList::Instance().lock);
    m_start = GetTickCount();
}

bool CIdleTimer::Listed() const {
    UTKTools::CGuard guard(CIdleList::Instance().lock);
    return m_slot >= 0;
}

void CIdleList::Pass() {
    UTKTools::CGuard calls(calling);
    std::vector<CIdleTimer*> expired;
    {
        UTKTools::CGuard guard(lock);
        const std::uint32_t now = GetTickCount();
        for (CIdleTimer* timer : timers)
            if (timer != nullptr && now - timer->m_start >= timer->m_owner->IdleLimitMs())
                expired.push_back(timer);
    }
    // A handler may end another owner and free its timer: only a timer still listed is used.
    for (CIdleTimer* timer : expired) {
        CIdleOwner* owner = nullptr;
        {
            UTKTools::CGuard guard(lock);
            if (std::find(timers.begin(), timers.end(), timer) != timers.end())
                owner = timer->m_owner;
        }
        if (owner != nullptr) owner->OnIdle();
    }
}

unsigned CIdleList::Run(void* argument) {
    auto* list = static_cast<CIdleList*>(argument);
    while (platform::WaitForSingleObject(list->stop, CIdleTimer::kCycleMs) ==
           platform::WAIT_TIMEOUT)
        list->Pass();
    return 0;
}

bool StartIdleThread() {
    CIdleList& list = CIdleList::Instance();
    list.stop.Reset();
    return list.thread.Start(&CIdleList::Run, &list);
}

void StopIdleThread() {
    CIdleList& list = CIdleList::Instance();
    list.stop.Set();
    list.thread.Stop();
}

void RunIdlePass() {
    CIdleList::Instance().Pass();
}

bool IdleThreadRunning() {
    return CIdleList::Instance().thread.Running();
}

}  // namespace quildrv
