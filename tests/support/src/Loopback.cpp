#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/WinsockError.h"

namespace support {

namespace {

// Short slices let a waiting thread notice that it is to stop.
constexpr int kSliceMs = 50;

}  // namespace

LoopbackListener::LoopbackListener() {
    if (!m_listener.Listen(platform::SocketAddress::Loopback(0))) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1: socket error " << platform::WSAGetLastError();
    }
}

platform::Socket LoopbackListener::Accept(std::chrono::milliseconds deadline) {
    platform::Socket client;
    if (!m_listener.Accept(client, static_cast<int>(deadline.count()))) {
        ADD_FAILURE() << "no connection on 127.0.0.1:" << Port() << " within " << deadline.count()
                      << " ms (socket error " << platform::WSAGetLastError() << ")";
    }
    return client;
}

SocketPair ConnectedPair() {
    LoopbackListener listener;
    SocketPair pair;
    if (!pair.client.Create() ||
        !pair.client.Connect(listener.Address(), static_cast<int>(kTestDeadline.count()))) {
        ADD_FAILURE() << "cannot connect to 127.0.0.1:" << listener.Port() << ": socket error "
                      << platform::WSAGetLastError();
        return pair;
    }
    pair.server = listener.Accept();
    return pair;
}

LoopbackPeer::LoopbackPeer(Handler handler) : m_handler(std::move(handler)) {
    m_thread = std::thread([this] { Run(); });
}

LoopbackPeer::~LoopbackPeer() {
    m_stop.store(true);
    m_thread.join();
}

void LoopbackPeer::Run() {
    platform::Socket client;
    while (!m_stop.load()) {
        if (m_listener.Raw().Accept(client, kSliceMs)) break;
        if (platform::WSAGetLastError() != platform::WSAETIMEDOUT) break;
    }
    if (client.IsOpen()) {
        m_accepted.store(true);
        m_handler(client, *this);
    }
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneChanged.notify_all();
}

bool LoopbackPeer::WaitDone(std::chrono::milliseconds deadline) const {
    std::unique_lock lock(m_mutex);
    return m_doneChanged.wait_for(lock, deadline, [this] { return m_done; });
}

LoopbackPeer::Handler LoopbackPeer::Echo() {
    return [](platform::Socket& socket, const LoopbackPeer& peer) {
        std::vector<std::uint8_t> buffer(4096);
        while (!peer.Stopping()) {
            const int got = socket.Receive(buffer, kSliceMs);
            if (got == 0) return;
            if (got < 0) {
                if (platform::WSAGetLastError() == platform::WSAETIMEDOUT) continue;
                return;
            }
            if (!socket.SendAll(std::span(buffer.data(), static_cast<std::size_t>(got)),
                                static_cast<int>(kTestDeadline.count()))) {
                return;
            }
        }
    };
}

}  // namespace support
