#include "StatusRelay.h"

#include <algorithm>
#include <cstdio>

#include "RelayPackets.h"
#include "platform/WinsockError.h"

namespace statusrelay {

namespace {

constexpr int kListenBacklog = 5;
constexpr std::size_t kReceiveSize = 1024;

}  // namespace

StatusRelay::StatusRelay() : m_updateMessage(platform::RegisterWindowMessage("ZUDUpdateDevices")) {}

StatusRelay::~StatusRelay() {
    Stop();
}

bool StatusRelay::Begin(const std::optional<platform::SocketAddress>& address) {
    if (m_begun) return true;
    // The reader first: the listener hands it every monitor it accepts.
    const bool started = m_reader.Start([](platform::EventLoop&) {}) &&
                         m_dispatcher.Start([this] { Dispatch(); }) &&
                         m_listenerThread.Start([this, address](platform::EventLoop& loop) {
                             ListenOn(loop, address);
                         });
    if (!started) {
        std::printf("CreateThread failed with error %d\n",
                    static_cast<int>(platform::GetLastError()));
        std::fflush(stdout);
        Stop();
        m_stop.Reset();
        return false;
    }
    m_begun = true;
    return true;
}

bool StatusRelay::QueueStatus(const DEVICESTATUS& status) {
    {
        std::lock_guard<std::mutex> lock(m_lists);
        m_statuses.push_back(status);
    }
    return m_statusReady.Release();
}

bool StatusRelay::QueueIcon(const ICONSTATUS& icon) {
    std::vector<std::uint8_t> packet = BuildIconPacket(icon);
    {
        std::lock_guard<std::mutex> lock(m_lists);
        m_icons.push_back(std::move(packet));
    }
    return m_iconReady.Release();
}

void StatusRelay::Stop() {
    m_stop.Set();
    // The dispatcher and the listener use the reader's loop: they end first.
    m_dispatcher.Join();
    m_listenerThread.Stop();
    m_reader.Stop();
    m_listener.Close();
    std::lock_guard<std::mutex> lock(m_lists);
    for (const auto& client : m_clients) client->dropped = true;
    m_clients.clear();
    m_begun = false;
}

void StatusRelay::ListenOn(platform::EventLoop& loop,
                           const std::optional<platform::SocketAddress>& address) {
    platform::Socket& raw = m_listener.Raw();
    const bool ready =
        address && raw.Create() && raw.SetReuseAddress(true) && raw.Bind(*address) &&
        raw.Listen(kListenBacklog) && raw.SetNonBlocking(true) &&
        loop.AddWatch(raw.Fd(), platform::EventLoop::Readable, [this](unsigned) { AcceptOne(); });
    if (!ready) {
        m_listener.Close();
        loop.Quit();  // the listener ends quietly
    }
}

void StatusRelay::AcceptOne() {
    platform::Socket socket;
    if (!m_listener.Raw().Accept(socket, 0) || !socket.SetNonBlocking(true)) return;
    auto client = std::make_shared<RelayClient>(std::move(socket));
    const int fd = client->socket.Fd();
    if (!m_reader.Loop().AddWatch(
            fd, platform::EventLoop::Readable,
            [this, client](unsigned events) { OnClientEvents(client, events); })) {
        std::printf("WSARecv() failed with error %d\n", static_cast<int>(platform::GetLastError()));
        std::fflush(stdout);
        return;  // only this monitor is lost
    }
    {
        std::lock_guard<std::mutex> lock(m_lists);
        if (!client->dropped) m_clients.push_back(client);
    }
    (void)platform::PostMessage(m_window.load(), m_updateMessage, 0, 0);
}

void StatusRelay::OnClientEvents(const std::shared_ptr<RelayClient>& client, unsigned events) {
    using platform::EventLoop;
    if ((events & EventLoop::Writable) != 0) client->writable.Set();
    if ((events & (EventLoop::Readable | EventLoop::Error | EventLoop::HangUp)) == 0) return;
    std::uint8_t discard[kReceiveSize];
    const int got = client->socket.Receive(discard);
    if (got > 0) return;  // what monitors send has no meaning
    if (got == 0) {
        std::printf("Closing socket %d\n", client->socket.Fd());
    } else {
        const int error = platform::WSAGetLastError();
        if (error == platform::WSAEWOULDBLOCK) return;
        std::printf("I/O operation failed with error %d\n", error);
    }
    std::fflush(stdout);
    Drop(client);
}

void StatusRelay::Dispatch() {
    platform::Waitable* const objects[] = {&m_statusReady, &m_iconReady, &m_stop};
    while (!m_stop.IsSet()) {
        const platform::DWORD woke =
            platform::WaitForMultipleObjects(objects, false, platform::INFINITE);
        std::vector<std::uint8_t> packet;
        if (woke == platform::WAIT_OBJECT_0) {
            DEVICESTATUS status;
            {
                std::lock_guard<std::mutex> lock(m_lists);
                if (m_statuses.empty()) continue;
                status = m_statuses.front();
                m_statuses.pop_front();
            }
            packet = BuildStatusPacket(status);
        } else if (woke == platform::WAIT_OBJECT_0 + 1) {
            std::lock_guard<std::mutex> lock(m_lists);
            if (m_icons.empty()) continue;
            packet = std::move(m_icons.front());
            m_icons.pop_front();
        } else {
            return;
        }
        Ship(packet);
    }
}

void StatusRelay::Ship(std::span<const std::uint8_t> packet) {
    std::vector<std::shared_ptr<RelayClient>> clients;
    {
        std::lock_guard<std::mutex> lock(m_lists);
        clients = m_clients;
    }
    for (const auto& client : clients) {
        if (m_stop.IsSet()) return;
        if (!Send(*client, packet)) Drop(client);
    }
}

bool StatusRelay::Send(RelayClient& client, std::span<const std::uint8_t> packet) {
    using platform::EventLoop;
    const int fd = client.socket.Fd();
    std::size_t done = 0;
    for (int writes = 0; done < packet.size(); ++writes) {
        if (writes == kMaxWritesPerSend) return false;
        const int sent = client.socket.Send(packet.subspan(done));
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && platform::WSAGetLastError() != platform::WSAEWOULDBLOCK) return false;
        // No room: the reader tells when there is, unless the time-out or unloading comes
        // first. A wait that took no bytes is not a write.
        --writes;
        client.writable.Reset();
        if (!m_reader.Loop().SetWatchEvents(fd, EventLoop::Readable | EventLoop::Writable))
            return false;  // dropped meanwhile
        platform::Waitable* const objects[] = {&client.writable, &m_stop};
        const platform::DWORD woke =
            platform::WaitForMultipleObjects(objects, false, kSendTimeoutMs);
        (void)m_reader.Loop().SetWatchEvents(fd, EventLoop::Readable);
        if (woke != platform::WAIT_OBJECT_0) return false;
    }
    return true;
}

void StatusRelay::Drop(const std::shared_ptr<RelayClient>& client) {
    {
        std::lock_guard<std::mutex> lock(m_lists);
        if (client->dropped) return;
        client->dropped = true;
        m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    }
    client->writable.Set();
    // The socket closes when the last holder lets go of the monitor.
    m_reader.Loop().RemoveWatch(client->socket.Fd());
}

}  // namespace statusrelay
