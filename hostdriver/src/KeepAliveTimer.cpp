#include "hostdriver/KeepAliveTimer.h"

#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostSession.h"
#include "hostdriver/PerfClock.h"
#include "hostdriver/Slots.h"
#include "hostdriver/WorkerThread.h"
#include "platform/Event.h"
#include "platform/Wait.h"
#include "toolkit/Mutex.h"

namespace quildrv {

namespace {

constexpr std::uint8_t kPrinterStatusRequest[5] = {0xC3, 0x6F, 0xF2, 0xF0, 0x4E};

}  // namespace

class CKeepAliveList {
public:
    static CKeepAliveList& Instance() {
        static CKeepAliveList list;
        return list;
    }

    UTKTools::CRecursiveMutex lock;
    std::vector<CKeepAliveTimer*> timers;    // under lock; an unlisted timer leaves null
    std::vector<CKeepAliveTimer*> lastPass;  // under lock
    platform::Event stop{platform::EventReset::Manual};
    CWorkerThread thread;

    static unsigned Run(void* argument);
    void FirstHalf();
    void SecondHalf();
};

CKeepAliveTimer::~CKeepAliveTimer() {
    Unregister();
}

void CKeepAliveTimer::Register() {
    CKeepAliveList& list = CKeepAliveList::Instance();
    UTKTools::CGuard guard(list.lock);
    if (m_slot >= 0) return;
    m_slot = TakeFreeSlot(list.timers, this);
}

void CKeepAliveTimer::Unregister() {
    CKeepAliveList& list = CKeepAliveList::Instance();
    UTKTools::CGuard guard(list.lock);
    FreeSlot(list.timers, m_slot);
    for (auto& t : list.lastPass)
        if (t == this) t = nullptr;
}

void CKeepAliveTimer::SetActive(bool active) {
    UTKTools::CGuard guard(CKeepAliveList::Instance().lock);
    m_active = active;
}

void CKeepAliveTimer::Reset() {
    UTKTools::CGuard guard(CKeepAliveList::Instance().lock);
    m_start = GetTickCount();
    m_awaiting = false;
}

bool CKeepAliveTimer::Listed() const {
    UTKTools::CGuard guard(CKeepAliveList::Instance().lock);
    return m_slot >= 0;
}

bool CKeepAliveTimer::Active() const {
    UTKTools::CGuard guard(CKeepAliveList::Instance().lock);
    return m_active;
}

bool CKeepAliveTimer::Awaiting() const {
    UTKTools::CGuard guard(CKeepAliveList::Instance().lock);
    return m_awaiting;
}

void CKeepAliveList::FirstHalf() {
    UTKTools::CGuard guard(lock);
    const std::uint32_t now = GetTickCount();
    for (CKeepAliveTimer* timer : timers) {
        if (timer == nullptr || !timer->m_active) continue;
        CHostSession* session = timer->m_session;
        const std::uint32_t elapsed = now - timer->m_start;
        if (timer->m_awaiting) {
            // The answer is awaited from the keep-alive on; one that stays unanswered for 20 s
            // is logged and the timer starts again, so the next follows 50 s later, not at once.
            if (now - timer->m_sent < CKeepAliveTimer::kAnswerMs) continue;
            session->Log(UTKLogger::CPriority::DEBUG, "KeepAliveThrdProc",
                         "No response received, resetting timer! TimerCount=%u, CurrentCount=%u "
                         "Default=%d, Port=%d Active=%d C20Outstanding=%d",
                         timer->m_start, now, session->DefaultFlag(),
                         static_cast<int>(session->Port()), session->IsActive() ? 1 : 0,
                         session->C20Outstanding() ? 1 : 0);
            timer->m_start = now;
            timer->m_awaiting = false;
            continue;
        }
        if (elapsed < CKeepAliveTimer::kIntervalMs) continue;
        timer->m_sent = now;
        timer->m_awaiting = true;
        const bool printerRequest = session->Port() == 30051 && session->IsActive() &&
                                    (session->DefaultFlag() == 0 || session->C20Outstanding());
        if (printerRequest)
            (void)session->SendToHost(kPrinterStatusRequest, sizeof kPrinterStatusRequest);
        else
            (void)session->SendKeepAlive();
        lastPass.push_back(timer);
    }
}

void CKeepAliveList::SecondHalf() {
    UTKTools::CGuard guard(lock);
    const std::uint32_t now = GetTickCount();
    for (CKeepAliveTimer* timer : lastPass) {
        if (timer == nullptr || !timer->m_active) continue;
        if (now - timer->m_start < CKeepAliveTimer::kIntervalMs) continue;
        CHostSession* session = timer->m_session;
        CMFECallback* frontEnd = session->FrontEnd();
        if (frontEnd == nullptr ||
            (session->Port() == 30051 && frontEnd->AgreesToStopKeepAlive(session)))
            timer->m_active = false;
    }
    lastPass.clear();
}

unsigned CKeepAliveList::Run(void* argument) {
    auto* list = static_cast<CKeepAliveList*>(argument);
    for (;;) {
        if (platform::WaitForSingleObject(list->stop, CKeepAliveTimer::kHalfCycleMs) !=
            platform::WAIT_TIMEOUT)
            return 0;
        list->FirstHalf();
        if (platform::WaitForSingleObject(list->stop, CKeepAliveTimer::kHalfCycleMs) !=
            platform::WAIT_TIMEOUT)
            return 0;
        list->SecondHalf();
    }
}

bool StartKeepAliveThread() {
    CKeepAliveList& list = CKeepAliveList::Instance();
    list.stop.Reset();
    return list.thread.Start(&CKeepAliveList::Run, &list);
}

void StopKeepAliveThread() {
    CKeepAliveList& list = CKeepAliveList::Instance();
    list.stop.Set();
    list.thread.Stop();
}

void RunKeepAliveHalf(bool firstHalf) {
    if (firstHalf)
        CKeepAliveList::Instance().FirstHalf();
    else
        CKeepAliveList::Instance().SecondHalf();
}

bool KeepAliveThreadRunning() {
    return CKeepAliveList::Instance().thread.Running();
}

}  // namespace quildrv
