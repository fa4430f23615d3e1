// The program on the other end of the devices' local link: it listens on a loopback port,
// takes one question per connection (its own reading of the packet: magic 1001 and kind 'M'
// in an 11-byte little-endian header with the total length and the question's style code,
// then the text and a NUL) and answers it with one header of kind 'A' whose code is the
// next scripted button (the last one repeats; none scripted: stays silent).
//
// Threads: one listener thread of its own; every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "platform/Thread.h"

namespace locallinkpeer {

struct Question {
    std::string text;
    std::uint32_t code = 0;
};

// Reads one request: false when the bytes are no request (or longer than the program takes).
bool DecodeRequest(const std::vector<std::uint8_t>& bytes, Question& out);
std::vector<std::uint8_t> EncodeAnswer(std::uint32_t button);

class LocalLinkPeer {
public:
    static constexpr std::uint32_t kMaxRequest = 1024;

    explicit LocalLinkPeer(std::vector<std::uint32_t> buttons);
    ~LocalLinkPeer();
    LocalLinkPeer(const LocalLinkPeer&) = delete;
    LocalLinkPeer& operator=(const LocalLinkPeer&) = delete;

    // Listens on the loopback port given (0: a free one).
    [[nodiscard]] bool Start(std::uint16_t port = 0);
    void Stop();
    platform::SocketAddress Address() const { return m_listener.Address(); }

    std::vector<Question> Questions() const;
    bool WaitQuestions(std::size_t n, std::chrono::milliseconds timeout) const;

private:
    void Run();
    void Serve(platform::Socket& peer);

    std::vector<std::uint32_t> m_buttons;
    std::size_t m_nextButton = 0;
    platform::Listener m_listener;
    platform::Thread m_thread{"locallinkpeer"};
    mutable std::mutex m_cs;
    mutable std::condition_variable m_changed;
    std::vector<Question> m_questions;
};

}  // namespace locallinkpeer
