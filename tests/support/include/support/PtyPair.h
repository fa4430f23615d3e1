// A pseudo-terminal for tests: the code under test opens the line by its name (path()) as
// it would open a serial port, and the test plays the far end on the master side. The
// line is in raw mode. Reads wait on the data with a deadline, never a fixed sleep.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Pty.h"

namespace support {

class PtyPair {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{5000};

    // Fails the test when no pair can be made.
    PtyPair();

    const std::string& path() const noexcept { return m_pty.slaveName(); }
    platform::Pty& pty() noexcept { return m_pty; }

    // Sends bytes from the far end to the line; fails the test when they cannot be sent.
    void Send(std::span<const std::uint8_t> bytes);
    void Send(std::string_view text);

    // What the line sent to the far end: exactly n bytes, or fewer when the deadline
    // passes first.
    std::vector<std::uint8_t> ReadExactly(std::size_t n,
                                          std::chrono::milliseconds timeout = kDefaultTimeout);
    // Everything up to and including the first `last` byte, or what came before the deadline.
    std::vector<std::uint8_t> ReadThrough(std::uint8_t last,
                                          std::chrono::milliseconds timeout = kDefaultTimeout);
    // What is there within the timeout (as soon as something came, what has come so far).
    std::vector<std::uint8_t> ReadAvailable(std::chrono::milliseconds timeout = kDefaultTimeout);

private:
    platform::Pty m_pty;
    std::vector<std::uint8_t> m_pending;  // read past a ReadThrough terminator
};

}  // namespace support
