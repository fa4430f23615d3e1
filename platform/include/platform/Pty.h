// A pseudo-terminal: a master side and a line (slave) side that behaves as a serial line
// for whoever opens it by name. The line is set to raw mode (no echo, no signals, no
// translation of line ends or flow-control bytes), as a printer line carries binary data.
// Both descriptors are non-blocking; reads and writes wait with a deadline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

class Pty {
public:
    enum class Side { Master, Slave };

    Pty() = default;
    ~Pty();
    Pty(Pty&& other) noexcept;
    Pty& operator=(Pty&& other) noexcept;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Makes the pair; false with the last error when the system has none to give.
    [[nodiscard]] bool Open();
    bool IsOpen() const noexcept { return m_master >= 0; }
    // The name under which others open the line ("/dev/pts/7").
    const std::string& slaveName() const noexcept { return m_slaveName; }
    // Closes our own descriptor of the line (others that opened it keep theirs).
    void CloseSlave() noexcept;
    void Close() noexcept;

    // Writes every byte, waiting at most timeoutMs for room; false on error or time-out.
    [[nodiscard]] bool Write(Side side, std::span<const std::uint8_t> bytes, int timeoutMs);
    // Reads what is there, waiting at most timeoutMs for the first byte: the count read
    // (0 at the time-out), -1 on error.
    long Read(Side side, std::span<std::uint8_t> out, int timeoutMs);

private:
    int Fd(Side side) const noexcept { return side == Side::Master ? m_master : m_slave; }

    int m_master = -1;
    int m_slave = -1;
    std::string m_slaveName;
};

}  // namespace platform
