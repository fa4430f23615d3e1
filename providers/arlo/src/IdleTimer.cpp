#include "arlo/IdleTimer.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"

namespace arlo {

struct IdleService {
    std::mutex cs;
    std::vector<CIdleTimer*> table;  // entries are cleared, not removed
    std::unique_ptr<platform::Event> stop;
    std::thread thread;
    std::mutex life;  // start and stop
    int users = 0;    // connections holding the thread (under life)

    static IdleService& Get() {
        static IdleService service;
        return service;
    }
    ~IdleService() {
        if (thread.joinable() && stop) {
            stop->Set();
            thread.join();
        }
    }

    void Check(std::uint32_t now) {
        std::lock_guard<std::mutex> lock(cs);
        for (CIdleTimer* t : table) {
            if (t && t->m_active && now - t->m_start >= t->m_interval) {
                t->m_active = false;
                t->m_owner.OnDisconnect(0);
            }
        }
    }
};

namespace {

std::uint32_t Now() {
    return platform::CurrentClock().TickCount();
}

}  // namespace

CIdleTimer::~CIdleTimer() {
    (void)UnregisterTimer();
}

bool CIdleTimer::RegisterTimer() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.cs);
    if (m_slot >= 0) return true;
    m_start = Now();
    for (std::size_t i = 0; i < s.table.size(); ++i) {
        if (!s.table[i]) {
            s.table[i] = this;
            m_slot = static_cast<int>(i);
            return true;
        }
    }
    s.table.push_back(this);
    m_slot = static_cast<int>(s.table.size() - 1);
    return true;
}

bool CIdleTimer::UnregisterTimer() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.cs);
    if (m_slot >= 0 && static_cast<std::size_t>(m_slot) < s.table.size() &&
        s.table[static_cast<std::size_t>(m_slot)] == this)
        s.table[static_cast<std::size_t>(m_slot)] = nullptr;
    m_slot = -1;
    return true;
}

void CIdleTimer::RestartTimer() {
    std::lock_guard<std::mutex> lock(IdleService::Get().cs);
    m_start = Now();
}

void CIdleTimer::SetTimerActive(bool active) {
    std::lock_guard<std::mutex> lock(IdleService::Get().cs);
    m_active = active;
}

void CIdleTimer::SetShortInterval(bool shortInterval) {
    std::lock_guard<std::mutex> lock(IdleService::Get().cs);
    m_interval = shortInterval ? kIdleShortInterval : kIdleLongInterval;
}

void CheckIdleTimers(std::uint32_t now) {
    IdleService::Get().Check(now);
}

namespace {

bool StartLocked(IdleService& s) {
    if (s.thread.joinable()) return true;
    s.stop = std::make_unique<platform::Event>(platform::EventReset::Auto);
    try {
        s.thread = std::thread([&s] {
            while (platform::WaitForSingleObject(*s.stop, 1000) != platform::WAIT_OBJECT_0)
                s.Check(Now());
        });
    } catch (...) {
        s.stop.reset();
        return false;
    }
    return true;
}

void StopLocked(IdleService& s) {
    if (!s.thread.joinable() || !s.stop) return;
    s.stop->Set();
    s.thread.join();
    s.stop.reset();
}

}  // namespace

bool StartTimerThread() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.life);
    return StartLocked(s);
}

void StopTimerThread() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.life);
    StopLocked(s);
}

bool AcquireTimerThread() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.life);
    if (!StartLocked(s)) return false;
    ++s.users;
    return true;
}

void ReleaseTimerThread() {
    IdleService& s = IdleService::Get();
    std::lock_guard<std::mutex> lock(s.life);
    if (s.users > 0 && --s.users == 0) StopLocked(s);
}

}  // namespace arlo
