// The heartbeat service ("Heart" in the log): one object per gateway, shared by every
// connection of a thread that reaches that gateway. Its main timer asks the newest
// subscriber to send a heartbeat; when no answer has come when the check timer runs out,
// every subscriber is told the gateway is gone. Traffic from the gateway starts the main
// interval anew.
//
// The timers are timers of the event loop of the thread the object was made on, so every
// call to a subscriber runs on that thread; connections of other threads get objects of
// their own. Lock order: the key map's lock only, never held while a subscriber is called.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/EventLoop.h"

namespace zel {

class IHeartbeatSubscriber {
public:
    // The two parts of the key: a text and a number (written in decimal).
    virtual std::string HeartbeatKeyText() const = 0;
    virtual std::uint32_t HeartbeatKeyNumber() const = 0;
    // 0 when the heartbeat went out, 1 when it could not be sent.
    virtual int SendHeartBeat() = 0;
    virtual void OnNoHeartBeat() = 0;

protected:
    ~IHeartbeatSubscriber() = default;
};

class CTimerRegistry final : private platform::IMessageTarget {
public:
    enum NotifyKind { HEARTBEAT_ANSWERED = 0, TRAFFIC = 1 };

    // The object of the owner's key on the calling thread, made (and its main timer
    // started) when there is none; the owner becomes its newest subscriber. nullptr when
    // the thread has no event loop.
    static CTimerRegistry* GetInstance(IHeartbeatSubscriber* owner, std::uint32_t mainMs,
                                       std::uint32_t checkMs);
    // Takes the owner off; the last one to leave ends the object (and its timers).
    void Release(IHeartbeatSubscriber* owner);
    void Notify(NotifyKind kind);

    // How many objects exist (for tests).
    static std::size_t Count();

private:
    CTimerRegistry(std::string key, std::uint32_t mainMs, std::uint32_t checkMs);
    ~CTimerRegistry() override;
    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;
    void OnTimer(platform::UINT_PTR id);
    void StartMain();
    void StartCheck();
    void StopCheck();
    void AllLost();

    std::string m_key;
    platform::HWND m_target = 0;
    std::vector<IHeartbeatSubscriber*> m_subscribers;  // newest first
    std::uint32_t m_mainMs;
    std::uint32_t m_checkMs;
    bool m_checkRunning = false;
    bool m_answered = false;
    IHeartbeatSubscriber* m_pinged = nullptr;
};

}  // namespace zel
