#include "printersim/LinePrinter.h"

namespace printersim {

LinePrinter::LinePrinter(LineKind kind) : m_kind(kind), m_decoder(kind) {}

LinePrinter::~LinePrinter() {
    Stop();
}

bool LinePrinter::Start() {
    if (!m_pty.Open()) return false;
    return m_thread.Start([this] { Run(); });
}

void LinePrinter::Stop() {
    m_thread.Stop();
    static_cast<void>(m_thread.Join());
}

void LinePrinter::SetAnswerer(Answerer answerer) {
    std::lock_guard lock(m_cs);
    m_answerer = std::move(answerer);
}

std::optional<std::vector<std::uint8_t>> LinePrinter::DefaultAnswer(LineKind kind,
                                                                    const LineFrame& frame) {
    if (frame.data.size() < 2 || frame.data[0] == 'E') return std::nullopt;
    const bool atb2 = kind == LineKind::Atb2;
    const std::uint8_t status = atb2 && !frame.checkOk ? '2' : '0';
    const std::uint8_t answer[] = {'C', frame.data[1], static_cast<std::uint8_t>(atb2 ? '2' : '0'),
                                   status};
    return EncodeFrame(kind, answer);
}

bool LinePrinter::Send(std::span<const std::uint8_t> bytes) {
    return m_pty.Write(platform::Pty::Side::Master, bytes, 5000);
}

std::vector<LineFrame> LinePrinter::Frames() const {
    std::lock_guard lock(m_cs);
    return m_frames;
}

std::vector<std::uint8_t> LinePrinter::Received() const {
    std::lock_guard lock(m_cs);
    return m_received;
}

bool LinePrinter::WaitFrames(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_cs);
    return m_changed.wait_for(lock, timeout, [&] { return m_frames.size() >= n; });
}

void LinePrinter::Run() {
    std::uint8_t block[1024];
    while (!m_thread.StopRequested()) {
        const long n = m_pty.Read(platform::Pty::Side::Master, block, 50);
        if (n < 0) static_cast<void>(platform::WaitForSingleObject(m_thread.StopEvent(), 10));
        if (n <= 0) continue;
        const std::span<const std::uint8_t> bytes(block, static_cast<std::size_t>(n));
        std::vector<LineFrame> frames;
        m_decoder.Feed(bytes, frames);
        std::vector<std::vector<std::uint8_t>> answers;
        {
            std::lock_guard lock(m_cs);
            m_received.insert(m_received.end(), bytes.begin(), bytes.end());
            for (const LineFrame& f : frames) {
                auto answer = m_answerer ? m_answerer(f) : DefaultAnswer(m_kind, f);
                if (answer) answers.push_back(std::move(*answer));
                m_frames.push_back(f);
            }
        }
        m_changed.notify_all();
        for (const auto& a : answers) static_cast<void>(Send(a));
    }
}

}  // namespace printersim
