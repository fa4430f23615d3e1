#include "devices/LocalLinkSocket.h"

#include <array>
#include <mutex>

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "linkpacket/LinkPacketHeader.h"
#include "platform/HostInfo.h"
#include "platform/WinsockError.h"

namespace devices {

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int kSendTimeoutMs = 10000;
// How often a wait for the answer looks at its cancel event.
constexpr int kAnswerPollMs = 100;

std::mutex g_csEndpoint;
LocalLinkEndpoint g_endpoint;

std::optional<platform::SocketAddress> OwnAddress() {
    const std::string dotted = platform::LocalIPv4Address();
    if (dotted.empty()) return std::nullopt;
    const std::optional<std::uint32_t> ip = platform::InetAddr(dotted);
    if (!ip) return std::nullopt;
    return platform::SocketAddress{*ip, kLocalLinkPort};
}

}  // namespace

std::optional<platform::SocketAddress> LocalLinkAddress() {
    LocalLinkEndpoint endpoint;
    {
        std::lock_guard lock(g_csEndpoint);
        endpoint = g_endpoint;
    }
    return endpoint ? endpoint() : OwnAddress();
}

void SetLocalLinkEndpoint(LocalLinkEndpoint endpoint) {
    std::lock_guard lock(g_csEndpoint);
    g_endpoint = std::move(endpoint);
}

std::vector<std::uint8_t> MakeLocalLinkRequest(const std::string& text, std::uint32_t code) {
    const std::size_t n = std::min(text.size(), kLocalLinkMaxText);
    const auto total = static_cast<std::uint32_t>(linkpacket::kHeaderSize + n + 1);
    const auto header =
        linkpacket::Encode(linkpacket::MakeHeader(linkpacket::PacketKind::Request, total, code));
    std::vector<std::uint8_t> request(header.begin(), header.end());
    request.insert(request.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    request.push_back(0);
    return request;
}

CLocalLinkSocket::~CLocalLinkSocket() {
    m_socket.Close();
}

int CLocalLinkSocket::SendAndWait(const std::string& text, std::uint32_t code,
                                  platform::Waitable* pCancel) {
    if (!Connect()) return -1;
    if (!Send(text, code)) return -1;
    return Receive(pCancel);
}

bool CLocalLinkSocket::Connect() {
    if (m_bConnected) return true;
    const std::optional<platform::SocketAddress> address = LocalLinkAddress();
    m_bConnected = address && m_socket.Create() && m_socket.Connect(*address, kConnectTimeoutMs);
    if (!m_bConnected) {
        TRACE_FORMAT(2, "CLocalLinkSocket::Connect():", "No local link program at %s",
                     address ? address->ToString().c_str() : "(no address)");
        m_socket.Close();
    }
    return m_bConnected;
}

bool CLocalLinkSocket::Send(const std::string& text, std::uint32_t code) {
    const std::vector<std::uint8_t> request = MakeLocalLinkRequest(text, code);
    return m_socket.SendAll(request, kSendTimeoutMs);
}

int CLocalLinkSocket::Receive(platform::Waitable* pCancel) {
    std::array<std::uint8_t, linkpacket::kHeaderSize> answer{};
    std::size_t got = 0;
    while (got < answer.size()) {
        if (pCancel && platform::WaitForSingleObject(*pCancel, 0) == platform::WAIT_OBJECT_0)
            return -1;
        const int n =
            m_socket.Receive(std::span(answer).subspan(got), pCancel ? kAnswerPollMs : -1);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0 || platform::WSAGetLastError() != platform::WSAETIMEDOUT) {
            return -1;  // the program went away before its whole answer
        }
    }
    const std::optional<linkpacket::LinkPacketHeader> header = linkpacket::Decode(answer);
    return header ? linkpacket::AnswerResult(*header) : linkpacket::kUnacceptedAnswer;
}

void InstallLocalLinkRoute() {
    core::SetLocalLinkAsker([](const std::string& text, std::uint32_t code) {
        CLocalLinkSocket socket;
        return socket.SendAndWait(text, code, core::CQuestionCancel::Current());
    });
}

}  // namespace devices
