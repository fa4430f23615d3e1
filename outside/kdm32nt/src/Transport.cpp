#include "kdm32nt/Transport.h"

#include <cstdlib>

#include "platform/HostInfo.h"
#include "platform/Socket.h"
#include "platform/WinsockError.h"

namespace kdm32nt {

namespace {

constexpr int kConnectTimeoutMs = 3000;
constexpr int kSendTimeoutMs = 10000;

}  // namespace

platform::SocketAddress ManagerAddress() {
    platform::SocketAddress address = platform::SocketAddress::Loopback(kDefaultPort);
    if (const char* port = std::getenv(kPortVariable)) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(port, &end, 10);
        if (*port != '\0' && *end == '\0' && value <= 0xFFFF)
            address.port = static_cast<std::uint16_t>(value);
    }
    const char* host = std::getenv(kAddressVariable);
    const std::string own = host != nullptr ? host : platform::LocalIPv4Address();
    if (const auto ip = platform::InetAddr(own)) address.ip = *ip;
    return address;
}

struct TcpTransport::Connection {
    platform::Socket socket;
    FrameReader frames;  // the transport thread's
    std::mutex sending;  // one frame at a time on the wire
};

TcpTransport::TcpTransport(IReplySink& sink, std::function<platform::SocketAddress()> address)
    : m_sink(sink), m_address(std::move(address)) {}

TcpTransport::~TcpTransport() {
    m_thread.Stop();
}

std::shared_ptr<TcpTransport::Connection> TcpTransport::Connect() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_connection) return m_connection;
    if (!m_started) {
        if (!m_thread.Start([](platform::EventLoop&) {})) return nullptr;
        m_started = true;
    }
    auto connection = std::make_shared<Connection>();
    if (!connection->socket.Create() || !connection->socket.SetNoDelay(true) ||
        !connection->socket.Connect(m_address(), kConnectTimeoutMs) ||
        !connection->socket.SetNonBlocking(true))
        return nullptr;
    if (!m_thread.Loop().AddWatch(connection->socket.Fd(), platform::EventLoop::Readable,
                                  [this, connection](unsigned) { OnReadable(connection); }))
        return nullptr;
    m_connection = connection;
    return connection;
}

bool TcpTransport::SendQuery(const Query& query) {
    const auto frame = EncodeQuery(query);
    if (!frame) return false;
    const auto connection = Connect();
    if (!connection) return false;
    bool sent;
    {
        std::lock_guard<std::mutex> lock(connection->sending);
        sent = connection->socket.SendAll(*frame, kSendTimeoutMs);
    }
    if (!sent) Forget(connection);
    return sent;
}

void TcpTransport::OnReadable(const std::shared_ptr<Connection>& connection) {
    std::uint8_t chunk[16 * 1024];
    const int got = connection->socket.Receive(chunk);
    if (got < 0 && platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;
    if (got <= 0) {
        Forget(connection);
        return;
    }
    connection->frames.Feed(std::span(chunk, static_cast<std::size_t>(got)));
    while (auto body = connection->frames.Next()) {
        // A body that is no reply is dropped; the stream goes on.
        if (const auto reply = DecodeReply(*body)) m_sink.OnReply(*reply);
    }
    if (connection->frames.Broken()) Forget(connection);
}

void TcpTransport::Forget(const std::shared_ptr<Connection>& connection) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_connection == connection) m_connection.reset();
    }
    // The socket closes once the last sender lets go of it.
    m_thread.Loop().RemoveWatch(connection->socket.Fd());
}

}  // namespace kdm32nt
