// Relays device and tray-icon status to every connected monitor over TCP.
//
// Threads: the callers of the exports only queue a copy and release a semaphore; the
// listener accepts monitors; the reader reads and drops what monitors send, notices those
// that close, and tells a waiting send when a monitor's socket has room again; the
// dispatcher builds each queued record's packet and sends it to a snapshot of the monitors.
// A monitor whose send fails or that takes no bytes within the send time-out is dropped; the
// others still get the packet.
//
// Lock order: the list lock is a leaf. No lock is held while a thread waits, sends, or calls
// into an event loop, since removing a watch waits for its running callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/LoopThread.h"
#include "platform/Socket.h"
#include "platform/Sync.h"
#include "platform/Thread.h"
#include "statusrelay/VekaUtil.h"

namespace statusrelay {

// How long a monitor may take no bytes before it is dropped.
inline constexpr platform::DWORD kSendTimeoutMs = 3000;
// Writes one packet may take for one monitor.
inline constexpr int kMaxWritesPerSend = 6;

struct RelayClient {
    explicit RelayClient(platform::Socket s) : socket(std::move(s)) {}

    platform::Socket socket;
    platform::Event writable;  // set by the reader when the socket has room (or is dropped)
    bool dropped = false;      // under the list lock
};

class StatusRelay {
public:
    StatusRelay();
    ~StatusRelay();
    StatusRelay(const StatusRelay&) = delete;
    StatusRelay& operator=(const StatusRelay&) = delete;

    void SetCallbackWindow(platform::HWND window) { m_window.store(window); }
    // Starts the reader, dispatcher and listener threads once; the listener listens on
    // `address`, or ends quietly when there is none or it cannot (records are still taken
    // and dropped). False when a thread could not be started.
    [[nodiscard]] bool Begin(const std::optional<platform::SocketAddress>& address);
    [[nodiscard]] bool QueueStatus(const DEVICESTATUS& status);
    [[nodiscard]] bool QueueIcon(const ICONSTATUS& icon);
    // Wakes and joins every thread and closes every monitor.
    void Stop();

private:
    void ListenOn(platform::EventLoop& loop, const std::optional<platform::SocketAddress>& address);
    void AcceptOne();
    void OnClientEvents(const std::shared_ptr<RelayClient>& client, unsigned events);
    void Dispatch();
    void Ship(std::span<const std::uint8_t> packet);
    [[nodiscard]] bool Send(RelayClient& client, std::span<const std::uint8_t> packet);
    void Drop(const std::shared_ptr<RelayClient>& client);

    const platform::UINT m_updateMessage;
    std::atomic<platform::HWND> m_window{0};

    std::mutex m_lists;
    std::deque<DEVICESTATUS> m_statuses;
    std::deque<std::vector<std::uint8_t>> m_icons;
    std::vector<std::shared_ptr<RelayClient>> m_clients;

    platform::Semaphore m_statusReady{0, 0x7FFFFFFF};
    platform::Semaphore m_iconReady{0, 0x7FFFFFFF};
    platform::Event m_stop{platform::EventReset::Manual};

    platform::Listener m_listener;  // the listener thread's
    platform::LoopThread m_reader{"relay reader"};
    platform::LoopThread m_listenerThread{"relay listener"};
    platform::Thread m_dispatcher{"relay dispatch"};
    bool m_begun = false;
};

}  // namespace statusrelay
