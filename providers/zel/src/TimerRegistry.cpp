#include "zel/TimerRegistry.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>

namespace zel {
namespace {

constexpr platform::UINT_PTR kMainTimer = 1;
constexpr platform::UINT_PTR kCheckTimer = 2;

std::mutex g_lock;
std::map<std::string, CTimerRegistry*>& Objects() {
    static std::map<std::string, CTimerRegistry*> objects;
    return objects;
}

}  // namespace

CTimerRegistry* CTimerRegistry::GetInstance(IHeartbeatSubscriber* owner, std::uint32_t mainMs,
                                            std::uint32_t checkMs) {
    platform::EventLoop* loop = platform::EventLoop::Current();
    if (!owner || !loop) return nullptr;
    char thread[32];
    std::snprintf(thread, sizeof thread, "@%p", static_cast<void*>(loop));
    const std::string key =
        owner->HeartbeatKeyText() + std::to_string(owner->HeartbeatKeyNumber()) + thread;
    CTimerRegistry* object = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto& objects = Objects();
        const auto it = objects.find(key);
        if (it != objects.end()) {
            object = it->second;
        } else {
            object = new CTimerRegistry(key, mainMs, checkMs);
            objects[key] = object;
        }
    }
    object->m_subscribers.insert(object->m_subscribers.begin(), owner);
    if (!object->m_target) {
        object->m_target = loop->AddTarget(*object);
        object->StartMain();
    }
    return object;
}

std::size_t CTimerRegistry::Count() {
    std::lock_guard<std::mutex> lock(g_lock);
    return Objects().size();
}

CTimerRegistry::CTimerRegistry(std::string key, std::uint32_t mainMs, std::uint32_t checkMs)
    : m_key(std::move(key)), m_mainMs(mainMs), m_checkMs(checkMs) {}

CTimerRegistry::~CTimerRegistry() {
    if (m_target) platform::RemoveTarget(m_target);  // its timers end with it
}

void CTimerRegistry::Release(IHeartbeatSubscriber* owner) {
    std::erase(m_subscribers, owner);
    if (m_pinged == owner) m_pinged = nullptr;
    if (!m_subscribers.empty()) return;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        Objects().erase(m_key);
    }
    delete this;
}

void CTimerRegistry::Notify(NotifyKind kind) {
    if (kind == HEARTBEAT_ANSWERED) {
        m_answered = true;
        StopCheck();
        m_pinged = nullptr;
    } else {
        StartMain();
    }
}

void CTimerRegistry::StartMain() {
    (void)platform::SetTimer(m_target, kMainTimer, m_mainMs);
}

void CTimerRegistry::StartCheck() {
    if (m_checkRunning) return;
    m_checkRunning = platform::SetTimer(m_target, kCheckTimer, m_checkMs);
}

void CTimerRegistry::StopCheck() {
    if (!m_checkRunning) return;
    (void)platform::KillTimer(m_target, kCheckTimer);
    m_checkRunning = false;
}

platform::LRESULT CTimerRegistry::OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                            platform::LPARAM) {
    if (msg == platform::WM_TIMER) OnTimer(wParam);
    return 0;
}

// Subscribers only post their closes, so none leaves while this runs.
void CTimerRegistry::OnTimer(platform::UINT_PTR id) {
    if (id == kMainTimer) {
        if (m_subscribers.empty()) return;
        IHeartbeatSubscriber* head = m_subscribers.front();
        if (head->SendHeartBeat() == 0) {
            m_answered = false;
            m_pinged = head;
            StartCheck();
        } else {
            AllLost();
        }
    } else if (id == kCheckTimer) {
        StopCheck();
        if (!m_subscribers.empty() && m_subscribers.front() == m_pinged && !m_answered) AllLost();
    }
}

void CTimerRegistry::AllLost() {
    const auto subscribers = m_subscribers;
    for (IHeartbeatSubscriber* s : subscribers) s->OnNoHeartBeat();
}

}  // namespace zel
