// A printer at the far end of a serial line: a ticket printer speaking ticket printer
// frames, or an async-mini terminal. It owns a pseudo-terminal whose line side the program
// opens as its port, decodes every frame it receives, records it, and answers as scripted.
//
// By default a frame of data C1 C2 ... is answered "C", C2, "2", "0" (ticket printer; "2"
// in place of the "0" when the frame's checks fail) or "C", C2, "0", "0" (async-mini); an
// acknowledgement frame ("E" ...) and data shorter than two bytes get no answer.
//
// Threads: one reader thread of its own; every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Pty.h"
#include "platform/Thread.h"
#include "printersim/LineFrames.h"

namespace printersim {

class LinePrinter {
public:
    // What goes back on the line for a frame: raw bytes, or nothing at all.
    using Answerer = std::function<std::optional<std::vector<std::uint8_t>>(const LineFrame&)>;

    explicit LinePrinter(LineKind kind);
    ~LinePrinter();
    LinePrinter(const LinePrinter&) = delete;
    LinePrinter& operator=(const LinePrinter&) = delete;

    // Makes the line and starts listening; false when the system gives no pseudo-terminal.
    [[nodiscard]] bool Start();
    void Stop();
    // The name under which the program opens the line.
    const std::string& LinePath() const { return m_pty.slaveName(); }
    LineKind Kind() const noexcept { return m_kind; }

    // Replaces the answers (an empty function restores the default). The answerer runs on
    // the reader thread and must not call the printer's members.
    void SetAnswerer(Answerer answerer);
    static std::optional<std::vector<std::uint8_t>> DefaultAnswer(LineKind kind,
                                                                  const LineFrame& frame);

    // Puts raw bytes on the line.
    [[nodiscard]] bool Send(std::span<const std::uint8_t> bytes);
    [[nodiscard]] bool SendFrame(std::span<const std::uint8_t> data) {
        return Send(EncodeFrame(m_kind, data));
    }

    // Every frame received so far, in order.
    std::vector<LineFrame> Frames() const;
    // Waits until at least n frames came; false at the time-out.
    bool WaitFrames(std::size_t n, std::chrono::milliseconds timeout) const;
    // Every byte received so far.
    std::vector<std::uint8_t> Received() const;

private:
    void Run();

    LineKind m_kind;
    platform::Pty m_pty;
    platform::Thread m_thread{"printersim"};
    FrameDecoder m_decoder;
    mutable std::mutex m_cs;
    mutable std::condition_variable m_changed;
    Answerer m_answerer;
    std::vector<LineFrame> m_frames;
    std::vector<std::uint8_t> m_received;
};

}  // namespace printersim
