// A session's TCP connection to its host, and the per-session pool of them by pool key.
// Notifications arrive on the loop of the thread that made the connection and go to the
// session while it has one.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/AsyncSocket.h"
#include "platform/CriticalSection.h"

namespace quilsp {

class CSession;

// Socket start-up: nothing to do on this system; a test can make it fail.
bool SocketStartup() noexcept;
void SetSocketStartupFails(bool fails) noexcept;
inline constexpr const char* kSocketStartupFailed = "Windows sockets initialization failed.";

class CConnection : public platform::AsyncSocket {
public:
    CConnection(CSession* session, std::string key);
    ~CConnection() override;

    // Starts the connect to the session's host and port: 0 when done at once,
    // WSAEWOULDBLOCK while it is under way (the outcome comes as the session's OnConnect), or
    // the socket error that stopped it.
    [[nodiscard]] int ConnectToHost();
    // The session gets no more notifications.
    void Forget() noexcept { m_session = nullptr; }
    const std::string& Key() const noexcept { return m_key; }

protected:
    void OnConnect(int error) override;
    void OnSend(int error) override;
    void OnReceive(int error) override;
    void OnClose(int error) override;

private:
    std::uint32_t m_port;
    std::string m_host;
    CSession* m_session;
    bool m_started = false;
    std::string m_key;
};

class CConnectionPool {
public:
    CConnectionPool() = default;
    ~CConnectionPool();
    CConnectionPool(const CConnectionPool&) = delete;
    CConnectionPool& operator=(const CConnectionPool&) = delete;

    // The connection of the key, created when absent; nullptr when creating failed.
    CConnection* GetConnection(CSession* session, const std::string& key);
    bool RemoveConnection(const std::string& key);
    bool ChangeKey(const std::string& oldKey, const std::string& newKey);

private:
    platform::CriticalSection m_lock;
    std::map<std::string, std::unique_ptr<CConnection>> m_connections TREVO_GUARDED_BY(m_lock);
};

}  // namespace quilsp
