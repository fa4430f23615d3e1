#include "zelgate/ZelGate.h"

#include <utility>

#include "platform/SocketAddress.h"

namespace zelgate {
namespace {

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

ZelGate::ZelGate() = default;

ZelGate::~ZelGate() {
    Stop();
}

bool ZelGate::Start() {
    m_port = Listen(platform::SocketAddress::Loopback(0), "127.0.0.1");
    return m_port != 0;
}

bool ZelGate::StartAt(const std::string& address) {
    const auto ip = platform::InetAddr(address);
    if (!ip || (*ip >> 24) != 127) return false;
    return Listen(platform::SocketAddress{*ip, m_port}, address) != 0;
}

void ZelGate::SetSettings(GatewaySettings settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = std::move(settings);
    // The host's knobs as the gateway has them: frames split where its settings say,
    // acknowledgements sent whole and at once.
    m_faults = m_settings.faults;
    m_faults.splitAt = m_settings.splitAt;
    m_faults.delayMs = 0;
    m_faults.spoilAck.clear();
}

bool ZelGate::OnBytes(const ConnectionPtr& c, Bytes& pending) {
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
    }
    return !bad;
}

void ZelGate::OnFrame(const ConnectionPtr& c, GateFrame frame) {
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
            m_lniata[c->number] = {
                static_cast<std::uint8_t>(ln >> 4),
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
            packets = Receive(*c, frame.data, s.echo ? &echo : nullptr);
        } else if (frame.flags == 0 && s.echo) {
            const Lniata lniata = LniataOf(c->number);
            Bytes text(lniata.begin(), lniata.end());
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

// Transport packets go in data frames behind the terminal address.
Bytes ZelGate::Wrap(const Connection& c, const arlohost::Packet& packet) const {
    const Lniata lniata = LniataOf(c.number);
    Bytes data(lniata.begin(), lniata.end());
    data.insert(data.end(), packet.begin(), packet.end());
    return GateFrameBytes(0, 0, data);
}

ZelGate::Lniata ZelGate::LniataOf(int connection) const {
    const auto it = m_lniata.find(connection);
    return it == m_lniata.end() ? Lniata{} : it->second;
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
        const Lniata address = lniata ? *lniata : LniataOf(c->number);
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

std::string ZelGate::AddressOf(int connection) const {
    const auto c = Find(connection);
    return c ? c->address : std::string();
}

}  // namespace zelgate
