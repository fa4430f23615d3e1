// The client side of the device-manager transport: queries go out, and replies come back on
// the transport's own thread to the sink given at construction. One TCP connection serves
// every query of the process; it is made when the first query goes out and made again after
// the manager has closed it.
//
// Lock order: the connection lock is a leaf; the sink is called with no lock held.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "kdm32nt/Frame.h"
#include "platform/LoopThread.h"
#include "platform/SocketAddress.h"

namespace kdm32nt {

// The manager's port unless the environment names another (TREVO_KDMAN_PORT); its address
// is the machine's own (TREVO_KDMAN_ADDRESS names another).
inline constexpr std::uint16_t kDefaultPort = 63625;
inline constexpr const char* kPortVariable = "TREVO_KDMAN_PORT";
inline constexpr const char* kAddressVariable = "TREVO_KDMAN_ADDRESS";

// Where the manager listens, as the environment and the machine say.
platform::SocketAddress ManagerAddress();

class IReplySink {
public:
    // On the transport's thread.
    virtual void OnReply(const Reply& reply) = 0;

protected:
    ~IReplySink() = default;
};

class ITransport {
public:
    virtual ~ITransport() = default;
    // False when the query could not be sent.
    [[nodiscard]] virtual bool SendQuery(const Query& query) = 0;
};

class TcpTransport final : public ITransport {
public:
    // address is asked each time a connection is made.
    TcpTransport(IReplySink& sink, std::function<platform::SocketAddress()> address);
    ~TcpTransport() override;

    [[nodiscard]] bool SendQuery(const Query& query) override;

private:
    struct Connection;

    std::shared_ptr<Connection> Connect();
    void OnReadable(const std::shared_ptr<Connection>& connection);
    void Forget(const std::shared_ptr<Connection>& connection);

    IReplySink& m_sink;
    std::function<platform::SocketAddress()> m_address;
    std::mutex m_lock;
    std::shared_ptr<Connection> m_connection;  // under m_lock
    platform::LoopThread m_thread{"kd transport"};
    bool m_started = false;  // under m_lock
};

}  // namespace kdm32nt
