#include "quilsp/Connection.h"

#include <atomic>

#include "platform/WinsockError.h"
#include "quilsp/Session.h"

namespace quilsp {

namespace {
std::atomic<bool> g_startupFails{false};
}  // namespace

bool SocketStartup() noexcept {
    return !g_startupFails.load();
}

void SetSocketStartupFails(bool fails) noexcept {
    g_startupFails = fails;
}

CConnection::CConnection(CSession* session, std::string key)
    : m_port(session->Port()), m_host(session->Host()), m_session(session), m_key(std::move(key)) {}

CConnection::~CConnection() {
    m_session = nullptr;
    Close();
}

int CConnection::ConnectToHost() {
    if (!m_started) {
        // Start-up failing is reported; the connect goes on all the same.
        if (!SocketStartup()) {
            if (m_session != nullptr) m_session->ReportStartupFailure();
        } else {
            m_started = true;
        }
    }
    if (m_port == 0 || m_port > 0xFFFF) return platform::WSAEINVAL;
    if (Connect(m_host, static_cast<std::uint16_t>(m_port))) return 0;
    return platform::WSAGetLastError();
}

void CConnection::OnConnect(int error) {
    if (m_session != nullptr) m_session->OnConnect(error);
}

void CConnection::OnSend(int error) {
    if (m_session != nullptr) m_session->OnSend(error);
}

void CConnection::OnReceive(int error) {
    if (m_session != nullptr) m_session->OnReceive(error);
}

void CConnection::OnClose(int error) {
    if (m_session != nullptr) m_session->OnSocketClose(std::string(m_key), error);
}

CConnectionPool::~CConnectionPool() {
    platform::CriticalSection::Guard guard(m_lock);
    m_connections.clear();
}

CConnection* CConnectionPool::GetConnection(CSession* session, const std::string& key) {
    platform::CriticalSection::Guard guard(m_lock);
    auto& slot = m_connections[key];
    if (!slot) {
        try {
            slot = std::make_unique<CConnection>(session, key);
        } catch (...) {
            m_connections.erase(key);
            return nullptr;
        }
    }
    return slot.get();
}

bool CConnectionPool::RemoveConnection(const std::string& key) {
    std::unique_ptr<CConnection> gone;
    platform::CriticalSection::Guard guard(m_lock);
    const auto it = m_connections.find(key);
    if (it == m_connections.end()) return false;
    gone = std::move(it->second);
    m_connections.erase(it);
    return true;
}

bool CConnectionPool::ChangeKey(const std::string& oldKey, const std::string& newKey) {
    platform::CriticalSection::Guard guard(m_lock);
    auto node = m_connections.extract(oldKey);
    if (node.empty()) return false;
    m_connections.erase(newKey);
    node.key() = newKey;
    m_connections.insert(std::move(node));
    return true;
}

}  // namespace quilsp
