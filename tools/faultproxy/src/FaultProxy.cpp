#include "faultproxy/FaultProxy.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <system_error>
#include <vector>

#include "platform/WinsockError.h"

namespace faultproxy {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 50;  // how often a blocked wait looks at requests
constexpr int kConnectTimeoutMs = 5000;
constexpr int kSendTimeoutMs = 5000;

// Bytes read from one side, handed on to the other once due.
struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
};

void Reset(platform::Socket& s) {
    if (!s.IsOpen()) return;
    static_cast<void>(s.SetLinger(true, 0));  // the close sends a reset
    s.Close();
}

}  // namespace

struct FaultProxy::Link {
    platform::Socket client;
    platform::Socket server;
    std::atomic<bool> reset{false};
    std::atomic<bool> finished{false};
    std::thread thread;
};

FaultProxy::FaultProxy(std::string targetAddress, std::uint16_t targetPort)
    : m_targetAddress(std::move(targetAddress)), m_targetPort(targetPort) {}

FaultProxy::~FaultProxy() {
    Stop();
}

bool FaultProxy::Start() {
    const auto ip = platform::InetAddr("127.0.0.1");
    if (!ip || !m_listener.Listen(platform::SocketAddress{*ip, 0})) return false;
    m_port = m_listener.Port();
    try {
        m_acceptThread = std::thread([this] { AcceptLoop(); });
    } catch (const std::system_error&) {
        m_listener.Close();
        return false;
    }
    return true;
}

void FaultProxy::Stop() {
    m_stopping = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    m_listener.Close();
    std::list<std::shared_ptr<Link>> links;
    {
        std::lock_guard lock(m_mutex);
        links.swap(m_links);
    }
    for (const auto& link : links)
        if (link->thread.joinable()) link->thread.join();
}

void FaultProxy::SetMode(Mode mode, int latencyMs) {
    m_latencyMs = std::max(0, latencyMs);
    m_mode = mode;
}

void FaultProxy::ResetAll() {
    std::lock_guard lock(m_mutex);
    for (const auto& link : m_links) link->reset = true;
}

void FaultProxy::CutNextFromTarget() {
    m_cutArmed = true;
}

void FaultProxy::SetRefuse(bool refuse) {
    m_refuse = refuse;
}

std::size_t FaultProxy::Open() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(
        m_links.begin(), m_links.end(), [](const auto& link) { return !link->finished.load(); }));
}

void FaultProxy::ReapFinished() {
    for (auto it = m_links.begin(); it != m_links.end();) {
        if ((*it)->finished.load()) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = m_links.erase(it);
        } else {
            ++it;
        }
    }
}

void FaultProxy::AcceptLoop() {
    while (!m_stopping.load()) {
        auto link = std::make_shared<Link>();
        if (!m_listener.Accept(link->client, kPollMs)) continue;
        ++m_accepted;
        if (m_refuse.load()) {
            ++m_broken;  // counted before the client can see it
            Reset(link->client);
            continue;
        }
        std::lock_guard lock(m_mutex);
        ReapFinished();
        try {
            link->thread = std::thread([this, link] { Serve(link); });
            m_links.push_back(std::move(link));
        } catch (const std::system_error&) {
            Reset(link->client);  // no thread for it: the client sees a reset
        }
    }
}

void FaultProxy::Serve(const std::shared_ptr<Link>& link) {
    platform::Socket& client = link->client;
    platform::Socket& server = link->server;
    if (!server.Create() || !server.Connect(m_targetAddress, m_targetPort, kConnectTimeoutMs)) {
        Reset(client);
        link->finished = true;
        return;
    }
    static_cast<void>(client.SetNoDelay(true));
    static_cast<void>(server.SetNoDelay(true));

    // [0]: client to server, [1]: server to client.
    platform::Socket* from[2] = {&client, &server};
    platform::Socket* to[2] = {&server, &client};
    std::deque<Pending> pending[2];
    std::array<std::uint8_t, 16384> buffer{};
    bool broken = false;  // reset on request
    bool ended = false;   // a side closed or failed

    auto send = [&](int way, std::span<const std::uint8_t> bytes) {
        if (m_mode.load() != Mode::Slices) return to[way]->SendAll(bytes, kSendTimeoutMs);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (!to[way]->SendAll(bytes.subspan(i, 1), kSendTimeoutMs)) return false;
        return true;
    };

    while (!m_stopping.load() && !ended) {
        if (link->reset.load()) {
            broken = true;
            break;
        }
        // Hands on what is due, in order.
        const Clock::time_point now = Clock::now();
        int timeout = kPollMs;
        for (int way = 0; way < 2 && !ended; ++way) {
            while (!pending[way].empty() && pending[way].front().due <= now) {
                if (!send(way, pending[way].front().bytes)) ended = true;
                pending[way].pop_front();
            }
            if (!pending[way].empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    pending[way].front().due - now);
                timeout = std::clamp(static_cast<int>(wait.count()) + 1, 1, timeout);
            }
        }
        pollfd fds[2] = {{client.Fd(), POLLIN, 0}, {server.Fd(), POLLIN, 0}};
        if (ended || ::poll(fds, 2, timeout) < 0) break;
        for (int way = 0; way < 2 && !ended && !broken; ++way) {
            if ((fds[way].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            const int got = from[way]->Receive(buffer);
            if (got <= 0) {
                ended = true;
                break;
            }
            const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(got));
            const Mode mode = m_mode.load();
            if (mode == Mode::BlackHole) continue;
            if (way == 1 && m_cutArmed.exchange(false)) {
                static_cast<void>(send(way, bytes.first(bytes.size() / 2)));
                broken = true;
            } else if (mode == Mode::Latency || !pending[way].empty()) {
                const int latency = mode == Mode::Latency ? m_latencyMs.load() : 0;
                pending[way].push_back({Clock::now() + std::chrono::milliseconds(latency),
                                        std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
            } else if (!send(way, bytes)) {
                ended = true;
            }
        }
        if (broken) break;
    }
    if (broken) {
        ++m_broken;
        Reset(client);
        Reset(server);
    } else {
        // One side ended: the other sees it end too, with what was still due handed on.
        for (int way = 0; way < 2; ++way)
            for (const Pending& p : pending[way])
                if (!to[way]->SendAll(p.bytes, kSendTimeoutMs)) break;
        client.Close();
        server.Close();
    }
    link->finished = true;
}

}  // namespace faultproxy
