#include "zelgate/ZelGate.h"

#include <chrono>

#include "platform/Socket.h"
#include "platform/SocketAddress.h"
#include "platform/WinsockError.h"

namespace zelgate {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTick = 20;  // ms between looks at the retransmission deadline
constexpr std::uint32_t kSyncValue = 0x5AA55AA5;
constexpr std::size_t kHeader = 34;
constexpr std::uint32_t kMaxLength = 26 + 0x10000;

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

void PutLe32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

Bytes GateFrameBytes(std::uint16_t flags, std::uint32_t word, std::span<const std::uint8_t> data) {
    Bytes f;
    PutLe32(f, kSyncValue);
    PutLe32(f, 26 + static_cast<std::uint32_t>(data.size()));
    f.push_back(static_cast<std::uint8_t>(flags));
    f.push_back(static_cast<std::uint8_t>(flags >> 8));
    PutLe32(f, word);
    f.resize(kHeader, 0);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

struct ZelGate::Listening {
    platform::Listener listener;
    std::string address;
    std::thread thread;
};

struct ZelGate::Connection {
    int number = 0;
    std::string address;
    platform::Socket socket;
    std::mutex sendLock;
    std::thread reader;
    std::atomic<bool> closed{false};
    // Under m_mutex.
    std::array<std::uint8_t, 3> lniata{};
    arlohost::HostTransport transport;
    Clock::time_point resendAt = Clock::time_point::max();
    arlohost::Packet held;  // a reordered segment
};

ZelGate::ZelGate() = default;

ZelGate::~ZelGate() {
    Stop();
}

bool ZelGate::Start() {
    auto l = std::make_unique<Listening>();
    if (!l->listener.Listen(platform::SocketAddress::Loopback(0))) return false;
    m_port = l->listener.Port();
    l->address = "127.0.0.1";
    Listening& ref = *l;
    m_listeners.push_back(std::move(l));
    ref.thread = std::thread([this, &ref] { AcceptLoop(ref); });
    return true;
}

bool ZelGate::StartAt(const std::string& address) {
    const auto ip = platform::InetAddr(address);
    if (!ip || (*ip >> 24) != 127) return false;
    auto l = std::make_unique<Listening>();
    if (!l->listener.Listen(platform::SocketAddress{*ip, m_port})) return false;
    l->address = address;
    Listening& ref = *l;
    m_listeners.push_back(std::move(l));
    ref.thread = std::thread([this, &ref] { AcceptLoop(ref); });
    return true;
}

void ZelGate::Stop() {
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

void ZelGate::SetSettings(GatewaySettings settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = std::move(settings);
}

void ZelGate::AcceptLoop(Listening& l) {
    while (!m_stopping) {
        platform::Socket client;
        if (!l.listener.Accept(client, kTick * 5)) continue;
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

void ZelGate::ReadLoop(const std::shared_ptr<Connection>& c) {
    Bytes pending;
    std::uint8_t buffer[4096];
    while (!m_stopping && !c->closed) {
        const int n = c->socket.Receive(buffer, kTick);
        if (n == 0) break;
        if (n < 0) {
            if (platform::WSAGetLastError() != platform::WSAETIMEDOUT) break;
        } else {
            pending.insert(pending.end(), buffer, buffer + n);
        }
        bool bad = false;
        while (pending.size() >= 8) {
            const std::uint32_t length = Le32(pending.data() + 4);
            if (Le32(pending.data()) != kSyncValue || length < 26 || length > kMaxLength) {
                bad = true;
                break;
            }
            if (pending.size() < 8 + std::size_t{length}) break;
            GateFrame f;
            f.connection = c->number;
            f.wire.assign(pending.begin(), pending.begin() + 8 + length);
            f.flags = static_cast<std::uint16_t>(pending[8] | (pending[9] << 8));
            f.word = Le32(pending.data() + 10);
            f.data.assign(pending.begin() + kHeader, pending.begin() + 8 + length);
            pending.erase(pending.begin(), pending.begin() + 8 + length);
            for (std::size_t i = 14; i < kHeader; ++i)
                if (f.wire[i] != 0) bad = true;
            OnFrame(c, std::move(f));
        }
        if (bad) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_problems.push_back("malformed frame");
            break;
        }
        std::vector<arlohost::Packet> again;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (c->transport.Sending() && Clock::now() >= c->resendAt) {
                if (!c->transport.OnTimeout(again)) m_problems.push_back("binary send given up");
                c->resendAt =
                    Clock::now() + std::chrono::milliseconds(m_settings.faults.retransmitMs);
            }
        }
        if (!again.empty()) SendTransport(c, std::move(again));
    }
    c->closed = true;
    c->socket.Close();
    m_changed.notify_all();
}

void ZelGate::OnFrame(const std::shared_ptr<Connection>& c, GateFrame frame) {
    Bytes answer;
    std::vector<arlohost::Packet> packets;
    std::vector<Bytes> echo;
    // The frame shows and its answer goes out under the connection's send lock: what is sent
    // once the frame shows comes behind the answer.
    std::unique_lock<std::mutex> sending(c->sendLock);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const GatewaySettings& s = m_settings;
        if (frame.flags & 0x0001) {
            const std::uint32_t ln = (frame.word >> 8) & 0xFFF;
            c->lniata = {static_cast<std::uint8_t>(ln >> 4),
                         static_cast<std::uint8_t>(((ln & 0xF) << 4) | ((frame.word >> 20) & 0xF)),
                         static_cast<std::uint8_t>(frame.word >> 24)};
            if (!(frame.word & 1)) m_problems.push_back("registration word without bit 0");
            if (s.registrationError != 0) {
                const std::uint8_t code[] = {static_cast<std::uint8_t>(s.registrationError),
                                             static_cast<std::uint8_t>(s.registrationError >> 8)};
                answer = GateFrameBytes(0x0081, 0, code);
            } else if (s.answerRegistration) {
                answer = GateFrameBytes(0x0001, frame.word, {});
            }
        } else if (frame.flags & 0x0010) {
            if (frame.data.size() != 0) m_problems.push_back("heartbeat with data");
            if (s.answerHeartbeat) answer = GateFrameBytes(0x0010, 0, {});
        } else if (frame.flags == 0 && !frame.data.empty() &&
                   (frame.data[0] == 0xFF || frame.data[0] == 0xFD)) {
            const bool segment = frame.data[0] == 0xFF;
            if (!segment || !s.faults.dropIn.count(++m_segmentsIn)) {
                packets = c->transport.OnPacket(frame.data);
                for (auto& m : c->transport.TakeDelivered()) {
                    if (s.echo) echo.push_back(m);
                    m_delivered.push_back(std::move(m));
                }
                if (c->transport.Sending())
                    c->resendAt = Clock::now() + std::chrono::milliseconds(s.faults.retransmitMs);
            }
        } else if (frame.flags == 0 && s.echo) {
            Bytes text(c->lniata.begin(), c->lniata.end());
            text.insert(text.end(), frame.data.begin(), frame.data.end());
            answer = GateFrameBytes(0, 0, text);
        }
        m_frames.push_back(std::move(frame));
    }
    m_changed.notify_all();
    if (!answer.empty()) (void)WriteHeld(*c, answer);
    sending.unlock();
    if (!packets.empty()) SendTransport(c, std::move(packets));
    for (const auto& m : echo) (void)SendBinary(c->number, m, 4, {0x50, 0x51});
}

// Transport packets go in data frames behind the terminal address, through the fault knobs.
void ZelGate::SendTransport(const std::shared_ptr<Connection>& c,
                            std::vector<arlohost::Packet> packets) {
    for (arlohost::Packet& p : packets) {
        std::vector<Bytes> frames;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const arlohost::Faults& f = m_settings.faults;
            auto wrap = [&](const arlohost::Packet& packet) {
                Bytes data(c->lniata.begin(), c->lniata.end());
                data.insert(data.end(), packet.begin(), packet.end());
                return GateFrameBytes(0, 0, data);
            };
            if (p[0] == 0xFE) {
                const int n = ++m_segmentsOut;
                if (f.dropOut.count(n)) continue;
                if (f.reorderOut.count(n) && c->held.empty()) {
                    c->held = p;
                    continue;
                }
                frames.push_back(wrap(p));
                if (f.duplicateOut.count(n)) frames.push_back(frames.back());
            } else {
                const int n = ++m_acksOut;
                if (f.dropAck.count(n)) continue;
                frames.push_back(wrap(p));
            }
            if (!c->held.empty() && !frames.empty()) {
                frames.push_back(wrap(c->held));
                c->held.clear();
            }
        }
        for (auto& frame : frames)
            if (!Write(*c, std::move(frame))) return;
    }
}

bool ZelGate::Write(Connection& c, const Bytes& frame) {
    std::lock_guard<std::mutex> lock(c.sendLock);
    return WriteHeld(c, frame);
}

bool ZelGate::WriteHeld(Connection& c, const Bytes& frame) {
    std::size_t split = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        split = m_settings.splitAt;
    }
    if (c.closed) return false;
    if (split > 0 && split < frame.size()) {
        const std::span<const std::uint8_t> all(frame);
        return c.socket.SendAll(all.first(split), 5000) &&
               c.socket.SendAll(all.subspan(split), 5000);
    }
    return c.socket.SendAll(frame, 5000);
}

std::shared_ptr<ZelGate::Connection> ZelGate::Find(int connection) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_connections.find(connection);
    return it == m_connections.end() ? nullptr : it->second;
}

bool ZelGate::SendFrame(int connection, std::uint16_t flags, std::span<const std::uint8_t> data) {
    const auto c = Find(connection);
    return c && Write(*c, GateFrameBytes(flags, 0, data));
}

bool ZelGate::SendData(int connection, std::span<const std::uint8_t> text,
                       const std::array<std::uint8_t, 3>* lniata) {
    const auto c = Find(connection);
    if (!c) return false;
    Bytes data;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto& address = lniata ? *lniata : c->lniata;
        data.assign(address.begin(), address.end());
    }
    data.insert(data.end(), text.begin(), text.end());
    return Write(*c, GateFrameBytes(0, 0, data));
}

bool ZelGate::SendError(int connection, std::int16_t code) {
    const std::uint8_t data[] = {static_cast<std::uint8_t>(code),
                                 static_cast<std::uint8_t>(static_cast<std::uint16_t>(code) >> 8)};
    return SendFrame(connection, 0x0080, data);
}

bool ZelGate::SendRaw(int connection, std::span<const std::uint8_t> bytes) {
    const auto c = Find(connection);
    return c && Write(*c, Bytes(bytes.begin(), bytes.end()));
}

bool ZelGate::SendBinary(int connection, std::span<const std::uint8_t> message, std::uint8_t window,
                         std::array<std::uint8_t, 2> pac) {
    const auto c = Find(connection);
    if (!c) return false;
    std::vector<arlohost::Packet> out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!c->transport.Send(message, window, pac, out)) return false;
        c->resendAt = Clock::now() + std::chrono::milliseconds(m_settings.faults.retransmitMs);
    }
    SendTransport(c, std::move(out));
    return true;
}

bool ZelGate::CloseConnection(int connection) {
    const auto c = Find(connection);
    if (!c) return false;
    c->closed = true;
    return c->socket.Shutdown(platform::ShutdownHow::Both);
}

bool ZelGate::IsSending(int connection) const {
    const auto c = Find(connection);
    std::lock_guard<std::mutex> lock(m_mutex);
    return c && c->transport.Sending();
}

std::vector<GateFrame> ZelGate::Frames() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

std::vector<GateFrame> ZelGate::Frames(std::uint16_t flags) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<GateFrame> out;
    for (const auto& f : m_frames)
        if (f.flags == flags) out.push_back(f);
    return out;
}

std::vector<Bytes> ZelGate::Delivered() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}

int ZelGate::Connections() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_connections.size());
}

std::string ZelGate::AddressOf(int connection) const {
    const auto c = Find(connection);
    return c ? c->address : std::string();
}

bool ZelGate::IsClosed(int connection) const {
    const auto c = Find(connection);
    return c && c->closed;
}

std::vector<std::string> ZelGate::Problems() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> all = m_problems;
    for (const auto& [n, c] : m_connections)
        for (const auto& p : c->transport.Problems()) all.push_back(p);
    return all;
}

bool ZelGate::WaitFor(const std::function<bool()>& done, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::unique_lock<std::mutex> lock(m_mutex);
        (void)m_changed.wait_until(
            lock, std::min(deadline, Clock::now() + std::chrono::milliseconds(kTick)));
    }
    return true;
}

}  // namespace zelgate
