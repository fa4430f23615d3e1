#include "arlohost/ArloHost.h"

#include <chrono>
#include <cstring>
#include <string_view>

#include "platform/Socket.h"
#include "platform/SocketAddress.h"
#include "platform/WinsockError.h"

namespace arlohost {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTick = 20;  // ms between looks at the retransmission deadline

std::vector<std::uint8_t> Frame(std::vector<std::uint8_t> body) {
    std::vector<std::uint8_t> f{0x02, static_cast<std::uint8_t>(body.size() >> 8),
                                static_cast<std::uint8_t>(body.size()), 0x00};
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

}  // namespace

std::vector<std::uint8_t> DataBody(std::uint8_t kind, std::span<const std::uint8_t> data,
                                   bool first) {
    std::vector<std::uint8_t> b{kind};
    if (first) b.insert(b.end(), {0x00, 0x00, 0x00});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

struct ArloHost::Listening {
    platform::Listener listener;
    std::thread thread;
};

struct ArloHost::Connection {
    int number = 0;
    platform::Socket socket;
    std::mutex sendLock;
    std::thread reader;
    std::atomic<bool> closed{false};
    // Reader thread only, but for the transport under m_mutex.
    HostTransport transport;
    Clock::time_point resendAt = Clock::time_point::max();
    std::vector<std::uint8_t> held;  // a reordered segment
};

ArloHost::ArloHost() = default;

ArloHost::~ArloHost() {
    Stop();
}

bool ArloHost::Start() {
    for (const bool frontEnd : {false, true}) {
        auto l = std::make_unique<Listening>();
        if (!l->listener.Listen(platform::SocketAddress::Loopback(0))) return false;
        (frontEnd ? m_fePort : m_lbPort) = l->listener.Port();
        Listening& ref = *l;
        m_listeners.push_back(std::move(l));
        ref.thread = std::thread([this, &ref, frontEnd] { AcceptLoop(ref, frontEnd); });
    }
    return true;
}

bool ArloHost::StartLoadBalancer(const std::string& address, std::uint16_t port) {
    const auto ip = platform::InetAddr(address);
    if (!ip || (*ip >> 24) != 127) return false;
    auto l = std::make_unique<Listening>();
    if (!l->listener.Listen(platform::SocketAddress{*ip, port})) return false;
    Listening& ref = *l;
    m_listeners.push_back(std::move(l));
    ref.thread = std::thread([this, &ref] { AcceptLoop(ref, false); });
    return true;
}

void ArloHost::Stop() {
    if (m_stopping.exchange(true)) return;
    for (auto& l : m_listeners) {
        (void)l->listener.Raw().Shutdown(platform::ShutdownHow::Both);
        if (l->thread.joinable()) l->thread.join();
        l->listener.Close();
    }
    std::map<int, std::shared_ptr<Connection>> all;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        all = m_connections;
    }
    for (auto& [n, c] : all) {
        (void)c->socket.Shutdown(platform::ShutdownHow::Both);
        if (c->reader.joinable()) c->reader.join();
    }
}

void ArloHost::AcceptLoop(Listening& l, bool frontEnd) {
    while (!m_stopping) {
        platform::Socket client;
        if (!l.listener.Accept(client, kTick * 5)) continue;
        if (!frontEnd) {
            ServeLoadBalancer(client.Fd());
            continue;
        }
        auto c = std::make_shared<Connection>();
        (void)client.SetNoDelay(true);
        c->socket = std::move(client);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            c->number = m_nextConnection++;
            m_connections[c->number] = c;
        }
        m_changed.notify_all();
        c->reader = std::thread([this, c] { ReadLoop(c); });
    }
}

// One request, one reply, then the load balancer closes.
void ArloHost::ServeLoadBalancer(int fd) {
    std::uint8_t header[3];
    int got = 0;
    while (got < 3) {
        const int n = platform::FdRead(fd, std::span<std::uint8_t>(header + got, 3 - got), 5000);
        if (n <= 0) return;
        got += n;
    }
    std::vector<std::uint8_t> text((std::size_t{header[1]} << 8) | header[2]);
    std::size_t have = 0;
    while (have < text.size()) {
        const int n = platform::FdRead(fd, std::span<std::uint8_t>(text).subspan(have), 5000);
        if (n <= 0) return;
        have += static_cast<std::size_t>(n);
    }
    LoadBalancerSettings lb;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::uint8_t> frame(header, header + 3);
        frame.insert(frame.end(), text.begin(), text.end());
        m_requests.push_back(std::move(frame));
        if (header[0] != 0x02) m_problems.push_back("load-balancer request without 0x02");
        lb = m_lb;
    }
    m_changed.notify_all();
    const std::string request(text.begin(), text.end());
    std::string reply;
    if (lb.mode == LoadBalancerSettings::Grant) {
        std::string lniata = lb.lniata;
        const std::size_t at = request.find("VIA_LNIATA ");
        if (lniata.empty())
            lniata = at != std::string::npos ? request.substr(at + 11, 6) : "1A2B01";
        reply = "R-TOKEN=" + std::string(lb.token.begin(), lb.token.end()) +
                " IP_PORT=" + std::to_string(m_fePort) + " LNIATA=" + lniata +
                " DNS_NAME=127.0.0.1";
    } else if (lb.mode == LoadBalancerSettings::Refuse) {
        reply = lb.refusal;
    }
    if (!reply.empty()) {
        std::vector<std::uint8_t> out{0x02, static_cast<std::uint8_t>(reply.size() >> 8),
                                      static_cast<std::uint8_t>(reply.size())};
        out.insert(out.end(), reply.begin(), reply.end());
        (void)platform::FdWriteAll(fd, out, 5000);
    }
}

void ArloHost::ReadLoop(const std::shared_ptr<Connection>& c) {
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
        // Whole packets.
        while (pending.size() >= 4) {
            const std::size_t length = (std::size_t{pending[1]} << 8) | pending[2];
            if (pending.size() < 4 + length) break;
            std::vector<std::uint8_t> wire(
                pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(4 + length));
            pending.erase(pending.begin(),
                          pending.begin() + static_cast<std::ptrdiff_t>(4 + length));
            OnPacket(c, std::move(wire));
        }
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
    c->closed = true;
    c->socket.Close();
    m_changed.notify_all();
}

void ArloHost::OnPacket(const std::shared_ptr<Connection>& c, std::vector<std::uint8_t> wire) {
    const std::span<const std::uint8_t> body = std::span<const std::uint8_t>(wire).subspan(4);
    bool answerConfig = false;
    bool close = false;
    std::vector<Packet> answers;
    std::vector<std::uint8_t> echoText;
    std::vector<std::vector<std::uint8_t>> echoBinary;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_packets.push_back({c->number, wire});
        if (wire[0] != 0x02 || wire[3] != 0x05) m_problems.push_back("packet header");
        const std::uint8_t kind = body.empty() ? 0 : body[0];
        if (kind == 0x01) {
            answerConfig = m_answerConfiguration;
        } else if (kind == 0x05) {
            close = true;
        } else if (kind == 0x02 && m_echo && body.size() > 8 && body[8] != 0xFF &&
                   body[8] != 0xFD) {
            echoText.assign(body.begin() + 8, body.end());
        } else if (kind == 0x02 && body.size() > 8 && (body[8] == 0xFF || body[8] == 0xFD)) {
            const auto packet = body.subspan(8);
            const bool segment = packet[0] == 0xFF;
            if (!segment || !m_faults.dropIn.count(++m_segmentsIn)) {
                answers = c->transport.OnPacket(packet);
                for (auto& m : c->transport.TakeDelivered()) {
                    if (m_echo) echoBinary.push_back(m);
                    m_delivered.push_back(std::move(m));
                }
                m_acknowledged = 0;
                m_terminations = 0;
                for (const auto& [n, other] : m_connections) {
                    m_acknowledged += other->transport.Acknowledged();
                    m_terminations += other->transport.Terminations();
                }
                if (c->transport.Sending())
                    c->resendAt = Clock::now() + std::chrono::milliseconds(m_faults.retransmitMs);
            }
        }
    }
    m_changed.notify_all();
    if (answerConfig) (void)Write(*c, Frame({0x01}));
    if (!answers.empty()) SendTransport(c, std::move(answers));
    if (!echoText.empty()) (void)Write(*c, Frame(DataBody(0x02, echoText)));
    for (const auto& m : echoBinary) (void)SendBinary(c->number, m, 4, {0x50, 0x51});
    if (close) {
        c->closed = true;
        (void)c->socket.Shutdown(platform::ShutdownHow::Both);
    }
}

// Transport packets go in data packets, through the fault knobs.
void ArloHost::SendTransport(const std::shared_ptr<Connection>& c, std::vector<Packet> packets) {
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
                frames.push_back(Frame(DataBody(0x02, p)));
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
                frames.push_back(Frame(DataBody(0x02, p)));
            }
            if (!c->held.empty() && !frames.empty()) {
                frames.push_back(Frame(DataBody(0x02, c->held)));
                c->held.clear();
            }
        }
        for (auto& f : frames)
            if (!Write(*c, std::move(f))) return;
    }
}

bool ArloHost::Write(Connection& c, std::vector<std::uint8_t> frame) {
    std::size_t split = 0;
    int delay = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_faults.splitAt;
        delay = m_faults.delayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    std::lock_guard<std::mutex> lock(c.sendLock);
    if (c.closed) return false;
    if (split > 0 && split < frame.size()) {
        const std::span<const std::uint8_t> all(frame);
        return c.socket.SendAll(all.first(split), 5000) &&
               c.socket.SendAll(all.subspan(split), 5000);
    }
    return c.socket.SendAll(frame, 5000);
}

std::shared_ptr<ArloHost::Connection> ArloHost::Find(int connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_connections.find(connection);
    return it == m_connections.end() ? nullptr : it->second;
}

bool ArloHost::SendBody(int connection, std::vector<std::uint8_t> body) {
    const auto c = Find(connection);
    return c && Write(*c, Frame(std::move(body)));
}

bool ArloHost::SendRaw(int connection, std::span<const std::uint8_t> bytes) {
    const auto c = Find(connection);
    return c && Write(*c, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

bool ArloHost::SendBinary(int connection, std::span<const std::uint8_t> message,
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

bool ArloHost::IsSending(int connection) const {
    const auto c = Find(connection);
    std::lock_guard<std::mutex> lock(m_mutex);
    return c && c->transport.Sending();
}

bool ArloHost::CloseConnection(int connection) {
    const auto c = Find(connection);
    if (!c) return false;
    c->closed = true;
    return c->socket.Shutdown(platform::ShutdownHow::Both);
}

void ArloHost::SetLoadBalancer(LoadBalancerSettings settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lb = std::move(settings);
}

void ArloHost::SetEcho(bool echo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_echo = echo;
}

void ArloHost::SetAnswerConfiguration(bool answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answerConfiguration = answer;
}

void ArloHost::SetFaults(Faults faults) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = std::move(faults);
}

std::vector<std::vector<std::uint8_t>> ArloHost::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<FrontEndPacket> ArloHost::Packets() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_packets;
}

std::vector<std::vector<std::uint8_t>> ArloHost::Delivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}

int ArloHost::Acknowledged() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acknowledged;
}

int ArloHost::Terminations() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_terminations;
}

int ArloHost::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_connections.size());
}

bool ArloHost::IsClosed(int connection) const {
    const auto c = Find(connection);
    return c && c->closed;
}

std::vector<std::string> ArloHost::Problems() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> all = m_problems;
    for (const auto& [n, c] : m_connections)
        for (const auto& p : c->transport.Problems()) all.push_back(p);
    return all;
}

bool ArloHost::WaitFor(const std::function<bool()>& done, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_changed.wait_until(
                lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(kTick))) ==
                std::cv_status::timeout &&
            Clock::now() >= deadline) {
            lock.unlock();  // done() may ask the host's own getters
            return done();
        }
    }
    return true;
}

}  // namespace arlohost
