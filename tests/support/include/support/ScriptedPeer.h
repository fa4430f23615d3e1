// Plays one side of a conversation over a descriptor (a connected socket, a pipe) or any other
// byte channel (the far end of a pseudo-terminal line): bytes it expects, bytes it sends and
// the end of the stream, in script order. It reports the first difference as "expected XX at offset
// N, got YY", N counting every byte received since the start. Every wait has a deadline.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Pty.h"
#include "support/Loopback.h"

namespace support {

class ScriptedPeer {
public:
    struct Channel {
        // Reads what is there, waiting at most timeoutMs for the first byte: the count read,
        // 0 when nothing came in time, -1 at the end of the stream (or on a failure).
        std::function<long(std::span<std::uint8_t>, int timeoutMs)> read;
        // Writes every byte within timeoutMs.
        std::function<bool(std::span<const std::uint8_t>, int timeoutMs)> write;
    };

    // The descriptor stays the caller's and must outlive the play.
    explicit ScriptedPeer(int fd);
    explicit ScriptedPeer(Channel channel) : m_channel(std::move(channel)) {}
    // The far end (master side) of a pseudo-terminal line. A line has no end of stream: a
    // line that nobody holds open reads as silent.
    static Channel FarEndOf(platform::Pty& pty);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    ScriptedPeer& Expect(std::vector<std::uint8_t> bytes);
    ScriptedPeer& ExpectHex(std::string_view hex);
    ScriptedPeer& ExpectText(std::string_view text);
    ScriptedPeer& Send(std::vector<std::uint8_t> bytes);
    ScriptedPeer& SendHex(std::string_view hex);
    ScriptedPeer& SendText(std::string_view text);
    // The other side closes (or, on a pseudo-terminal, goes away) here.
    ScriptedPeer& ExpectEnd();

    // Plays the script on the calling thread, each step within stepDeadline. Empty when every
    // step went as written; otherwise what went wrong first.
    std::string Play(std::chrono::milliseconds stepDeadline = kTestDeadline);
    // Plays on a thread of its own; Finish waits for it and gives Play's answer.
    void Start(std::chrono::milliseconds stepDeadline = kTestDeadline);
    std::string Finish();

    // Bytes received so far (valid after Play or Finish).
    const std::vector<std::uint8_t>& Received() const { return m_received; }

private:
    enum class Kind { Expect, Send, End };
    struct Step {
        Kind kind;
        std::vector<std::uint8_t> bytes;
    };

    std::string PlayExpect(const Step& step, int deadlineMs);
    std::string PlayEnd(int deadlineMs);

    Channel m_channel;
    std::vector<Step> m_steps;
    std::vector<std::uint8_t> m_received;
    std::string m_result;
    std::thread m_thread;
};

}  // namespace support
