#include "arlohost/ArloHost.h"

#include <utility>

#include "platform/Socket.h"
#include "platform/SocketAddress.h"

namespace arlohost {
namespace {

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

ArloHost::ArloHost() = default;

ArloHost::~ArloHost() {
    Stop();
}

bool ArloHost::Start() {
    m_lbPort = Listen(platform::SocketAddress::Loopback(0), "127.0.0.1",
                      [this](platform::Socket& client) { ServeLoadBalancer(client.Fd()); });
    if (m_lbPort == 0) return false;
    m_fePort = Listen(platform::SocketAddress::Loopback(0), "127.0.0.1");
    return m_fePort != 0;
}

bool ArloHost::StartLoadBalancer(const std::string& address, std::uint16_t port) {
    const auto ip = platform::InetAddr(address);
    if (!ip || (*ip >> 24) != 127) return false;
    return Listen(platform::SocketAddress{*ip, port}, address,
                  [this](platform::Socket& client) { ServeLoadBalancer(client.Fd()); }) != 0;
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

bool ArloHost::OnBytes(const ConnectionPtr& c, std::vector<std::uint8_t>& pending) {
    // Whole packets.
    while (pending.size() >= 4) {
        const std::size_t length = (std::size_t{pending[1]} << 8) | pending[2];
        if (pending.size() < 4 + length) break;
        std::vector<std::uint8_t> wire(pending.begin(),
                                       pending.begin() + static_cast<std::ptrdiff_t>(4 + length));
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(4 + length));
        OnPacket(c, std::move(wire));
    }
    return true;
}

void ArloHost::OnPacket(const ConnectionPtr& c, std::vector<std::uint8_t> wire) {
    const std::span<const std::uint8_t> body = std::span<const std::uint8_t>(wire).subspan(4);
    bool answerConfig = false;
    bool close = false;
    std::vector<Packet> answers;
    std::vector<std::uint8_t> echoText;
    std::vector<Packet> echoBinary;
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
            answers = Receive(*c, body.subspan(8), m_echo ? &echoBinary : nullptr);
        }
    }
    m_changed.notify_all();
    if (answerConfig) (void)Write(*c, Frame({0x01}));
    if (!answers.empty()) SendTransport(c, std::move(answers));
    if (!echoText.empty()) (void)Write(*c, Frame(DataBody(0x02, echoText)));
    for (const auto& m : echoBinary) (void)SendBinary(c->number, m, 4, {0x50, 0x51});
    if (close) (void)Shut(*c);
}

// Transport packets go in data packets.
std::vector<std::uint8_t> ArloHost::Wrap(const Connection&, const Packet& packet) const {
    return Frame(DataBody(0x02, packet));
}

bool ArloHost::SendBody(int connection, std::vector<std::uint8_t> body) {
    const auto c = Find(connection);
    return c && Write(*c, Frame(std::move(body)));
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

int ArloHost::Acknowledged() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int acknowledged = 0;
    for (const auto& [n, c] : m_connections) acknowledged += c->transport.Acknowledged();
    return acknowledged;
}

int ArloHost::Terminations() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int terminations = 0;
    for (const auto& [n, c] : m_connections) terminations += c->transport.Terminations();
    return terminations;
}

}  // namespace arlohost
