#include "arlohost/TransportHost.h"

#include <algorithm>
#include <utility>

#include "platform/WinsockError.h"

namespace arlohost {
namespace {

constexpr int kTick = 20;  // ms between looks at the retransmission deadline

}  // namespace

struct TransportHost::Listening {
    platform::Listener listener;
    std::string address;
    Serve serve;
    std::thread thread;
};

TransportHost::TransportHost() = default;
TransportHost::~TransportHost() = default;

std::uint16_t TransportHost::Listen(const platform::SocketAddress& at, std::string address,
                                    Serve serve) {
    auto l = std::make_unique<Listening>();
    if (!l->listener.Listen(at)) return 0;
    l->address = std::move(address);
    l->serve = std::move(serve);
    Listening& ref = *l;
    m_listeners.push_back(std::move(l));
    ref.thread = std::thread([this, &ref] { AcceptLoop(ref); });
    return ref.listener.Port();
}

void TransportHost::Stop() {
    if (m_stopping.exchange(true)) return;
    for (auto& l : m_listeners) {
        (void)l->listener.Raw().Shutdown(platform::ShutdownHow::Both);
        if (l->thread.joinable()) l->thread.join();
        l->listener.Close();
    }
    std::map<int, ConnectionPtr> all;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        all = m_connections;
    }
    for (auto& [n, c] : all) {
        (void)c->socket.Shutdown(platform::ShutdownHow::Both);
        if (c->reader.joinable()) c->reader.join();
    }
}

void TransportHost::AcceptLoop(Listening& l) {
    while (!m_stopping) {
        platform::Socket client;
        if (!l.listener.Accept(client, kTick * 5)) continue;
        if (l.serve) {
            l.serve(client);
            continue;
        }
        auto c = std::make_shared<Connection>();
        (void)client.SetNoDelay(true);
        c->socket = std::move(client);
        c->address = l.address;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            c->number = m_nextConnection++;
            m_connections[c->number] = c;
        }
        m_changed.notify_all();
        c->reader = std::thread([this, c] { ReadLoop(c); });
    }
}

void TransportHost::ReadLoop(const ConnectionPtr& c) {
    std::vector<std::uint8_t> pending;
    std::uint8_t buffer[4096];
    while (!m_stopping && !c->closed) {
        const int n = c->socket.Receive(buffer, kTick);
        if (n == 0) break;
        if (n < 0) {
            if (platform::WSAGetLastError() != platform::WSAETIMEDOUT) break;
        } else {
            pending.insert(pending.end(), buffer, buffer + n);
        }
        if (!OnBytes(c, pending)) break;
        // The transport's time-out.
        std::vector<Packet> again;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (c->transport.Sending() && Clock::now() >= c->resendAt) {
                if (!c->transport.OnTimeout(again)) m_problems.push_back("binary send given up");
                c->resendAt = Clock::now() + std::chrono::milliseconds(m_faults.retransmitMs);
            }
        }
        if (!again.empty()) SendTransport(c, std::move(again));
    }
    // Shut, not closed: other threads may still shut or write the socket; it is closed with
    // the connection, once no thread uses it.
    c->closed = true;
    (void)c->socket.Shutdown(platform::ShutdownHow::Both);
    m_changed.notify_all();
}

std::vector<Packet> TransportHost::Receive(Connection& c, std::span<const std::uint8_t> packet,
                                           std::vector<Packet>* echo) {
    const bool segment = packet[0] == 0xFF;
    if (segment && m_faults.dropIn.count(++m_segmentsIn)) return {};
    std::vector<Packet> answers = c.transport.OnPacket(packet);
    for (auto& m : c.transport.TakeDelivered()) {
        if (echo) echo->push_back(m);
        m_delivered.push_back(std::move(m));
    }
    if (c.transport.Sending())
        c.resendAt = Clock::now() + std::chrono::milliseconds(m_faults.retransmitMs);
    return answers;
}

void TransportHost::SendTransport(const ConnectionPtr& c, std::vector<Packet> packets) {
    for (Packet& p : packets) {
        std::vector<std::vector<std::uint8_t>> frames;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (p[0] == 0xFE) {
                const int n = ++m_segmentsOut;
                if (m_faults.dropOut.count(n)) continue;
                if (m_faults.reorderOut.count(n) && c->held.empty()) {
                    c->held = p;
                    continue;
                }
                frames.push_back(Wrap(*c, p));
                if (m_faults.duplicateOut.count(n)) frames.push_back(frames.back());
            } else {
                const int n = ++m_acksOut;
                if (m_faults.dropAck.count(n)) continue;
                if (m_faults.spoilAck.count(n)) {
                    if (n % 3 == 0)
                        p.pop_back();
                    else if (n % 3 == 1)
                        p.push_back(0);
                    else
                        p[6] = 0;
                }
                frames.push_back(Wrap(*c, p));
            }
            if (!c->held.empty() && !frames.empty()) {
                frames.push_back(Wrap(*c, c->held));
                c->held.clear();
            }
        }
        for (const auto& f : frames)
            if (!Write(*c, f)) return;
    }
}

bool TransportHost::Write(Connection& c, std::span<const std::uint8_t> frame) {
    std::size_t split = 0;
    int delay = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_faults.splitAt;
        delay = m_faults.delayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    std::lock_guard<std::mutex> lock(c.sendLock);
    return Send(c, frame, split);
}

bool TransportHost::WriteHeld(Connection& c, std::span<const std::uint8_t> frame) {
    std::size_t split = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_faults.splitAt;
    }
    return Send(c, frame, split);
}

bool TransportHost::Send(Connection& c, std::span<const std::uint8_t> frame, std::size_t split) {
    if (c.closed) return false;
    if (split > 0 && split < frame.size())
        return c.socket.SendAll(frame.first(split), 5000) &&
               c.socket.SendAll(frame.subspan(split), 5000);
    return c.socket.SendAll(frame, 5000);
}

bool TransportHost::Shut(Connection& c) {
    c.closed = true;
    return c.socket.Shutdown(platform::ShutdownHow::Both);
}

TransportHost::ConnectionPtr TransportHost::Find(int connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_connections.find(connection);
    return it == m_connections.end() ? nullptr : it->second;
}

bool TransportHost::SendRaw(int connection, std::span<const std::uint8_t> bytes) {
    const auto c = Find(connection);
    return c && Write(*c, bytes);
}

bool TransportHost::SendBinary(int connection, std::span<const std::uint8_t> message,
                               std::uint8_t window, std::array<std::uint8_t, 2> pac) {
    const auto c = Find(connection);
    if (!c) return false;
    std::vector<Packet> out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!c->transport.Send(message, window, pac, out)) return false;
        c->resendAt = Clock::now() + std::chrono::milliseconds(m_faults.retransmitMs);
    }
    SendTransport(c, std::move(out));
    return true;
}

bool TransportHost::CloseConnection(int connection) {
    const auto c = Find(connection);
    return c && Shut(*c);
}

bool TransportHost::IsSending(int connection) const {
    const auto c = Find(connection);
    std::lock_guard<std::mutex> lock(m_mutex);
    return c && c->transport.Sending();
}

std::vector<std::vector<std::uint8_t>> TransportHost::Delivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}

int TransportHost::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_connections.size());
}

bool TransportHost::IsClosed(int connection) const {
    const auto c = Find(connection);
    return c && c->closed;
}

std::vector<std::string> TransportHost::Problems() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> all = m_problems;
    for (const auto& [n, c] : m_connections)
        for (const auto& p : c->transport.Problems()) all.push_back(p);
    return all;
}

bool TransportHost::WaitFor(const std::function<bool()>& done, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;  // done() asked once more just before
        std::unique_lock<std::mutex> lock(m_mutex);
        (void)m_changed.wait_until(
            lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(kTick)));
    }
    return true;
}

}  // namespace arlohost
