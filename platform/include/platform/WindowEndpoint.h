// Windows between processes: each window is a Unix-domain datagram endpoint in
// run/windows/ of the machine root (mode 0660), named by its handle in decimal. A window may
// also carry a class name (run/windows/class/<name> points at it), by which another process
// finds it. Messages travel as WindowFrames (platform/WindowFrame.h).
//
// Sends never block. A letter the peer cannot take yet waits in that peer's queue (at most
// kQueueLimit letters; beyond it new letters to that peer are lost) and goes out as soon as
// the peer reads: whenever Descriptor() is readable the owner calls Receive, which sends
// what waits before it reads. A peer that is gone is reported (Send fails with
// ERROR_INVALID_WINDOW_HANDLE) and its waiting letters are dropped.
//
// Threads: every call may come from any thread; the endpoint serialises them itself and
// never waits while holding its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/WindowFrame.h"

namespace platform {

class WindowEndpoint {
public:
    static constexpr std::size_t kQueueLimit = 256;
    static constexpr std::size_t kMaxClassNameLength = 64;

    WindowEndpoint();
    ~WindowEndpoint();
    WindowEndpoint(const WindowEndpoint&) = delete;
    WindowEndpoint& operator=(const WindowEndpoint&) = delete;

    // The folder of the endpoints: run/windows/.
    [[nodiscard]] static std::filesystem::path Folder();
    // The window that carries this class name, or 0 when none lives.
    [[nodiscard]] static WindowHandle FindWindow(std::string_view className);

    // Makes the endpoint with a new handle (and the class name when one is given; letters,
    // digits, '_', '-' and '.', at most 64, not beginning with '.'; it is taken over from a
    // window that had it). False with the last error set.
    [[nodiscard]] bool Bind(std::string_view className = {});
    // Removes the endpoint (and its class name when it still points here); letters still
    // waiting are dropped.
    void Close() noexcept;
    [[nodiscard]] bool IsBound() const;
    [[nodiscard]] WindowHandle Handle() const;

    // Readable while a frame waits to be read or a waiting letter can go out; -1 unbound.
    [[nodiscard]] int Descriptor() const;
    // Sends what waits for peers that can take it, then takes the next well-formed frame
    // without waiting (datagrams that are no frame are dropped). False when none waits.
    [[nodiscard]] bool Receive(WindowFrame& out);

    // Sends one message to a window, with this window as its sender. False with
    // ERROR_INVALID_WINDOW_HANDLE when the target is gone, ERROR_BUSY when the letter was
    // lost to a full queue, ERROR_INVALID_PARAMETER when it cannot travel, or another error.
    [[nodiscard]] bool Send(WindowHandle target, WindowFrame frame);
    // Sends the message to every other window there; the count of windows it reached (sent
    // or waiting in a queue).
    std::size_t Broadcast(const WindowFrame& frame);

    // Letters waiting for a peer (0 for none).
    [[nodiscard]] std::size_t Waiting(WindowHandle target) const;
    // Letters lost to full queues since the endpoint was bound.
    [[nodiscard]] std::size_t Lost() const;

    struct Peer;

private:
    bool SendLocked(WindowHandle target, std::vector<std::uint8_t> bytes);
    void FlushLocked();
    // Sends what waits for one peer; false when the peer is gone.
    bool FlushPeerLocked(Peer& peer);
    void ErasePeerLocked(WindowHandle target);

    mutable std::mutex m_lock;
    int m_fd = -1;
    int m_epoll = -1;
    WindowHandle m_handle = 0;
    std::string m_className;
    std::map<WindowHandle, std::unique_ptr<Peer>> m_peers;  // peers with letters waiting
    std::size_t m_lost = 0;
};

}  // namespace platform
