#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace support {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyPair::PtyPair() {
    if (!m_pty.Open()) ADD_FAILURE() << "cannot make a pseudo-terminal pair";
}

void PtyPair::Send(std::span<const std::uint8_t> bytes) {
    EXPECT_TRUE(
        m_pty.Write(platform::Pty::Side::Master, bytes, static_cast<int>(kDefaultTimeout.count())))
        << "cannot send " << bytes.size() << " bytes to " << path();
}

void PtyPair::Send(std::string_view text) {
    Send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> PtyPair::ReadExactly(std::size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::vector<std::uint8_t> out;
    const std::size_t fromPending = std::min(n, m_pending.size());
    out.assign(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(fromPending));
    m_pending.erase(m_pending.begin(),
                    m_pending.begin() + static_cast<std::ptrdiff_t>(fromPending));
    while (out.size() < n) {
        const int wait = RemainingMs(deadline);
        if (wait == 0) break;
        const std::size_t have = out.size();
        out.resize(n);
        const long got =
            m_pty.Read(platform::Pty::Side::Master, std::span(out).subspan(have), wait);
        out.resize(have + static_cast<std::size_t>(std::max(got, 0L)));
        if (got < 0) break;
    }
    return out;
}

std::vector<std::uint8_t> PtyPair::ReadThrough(std::uint8_t last,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::vector<std::uint8_t> out;
    for (;;) {
        const auto end = std::find(m_pending.begin(), m_pending.end(), last);
        if (end != m_pending.end()) {
            out.insert(out.end(), m_pending.begin(), end + 1);
            m_pending.erase(m_pending.begin(), end + 1);
            return out;
        }
        out.insert(out.end(), m_pending.begin(), m_pending.end());
        m_pending.clear();
        const int wait = RemainingMs(deadline);
        if (wait == 0) return out;
        std::uint8_t chunk[512];
        const long got = m_pty.Read(platform::Pty::Side::Master, chunk, wait);
        if (got < 0) return out;
        m_pending.assign(chunk, chunk + got);
    }
}

std::vector<std::uint8_t> PtyPair::ReadAvailable(std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> out;
    out.swap(m_pending);
    if (!out.empty()) return out;
    std::uint8_t chunk[4096];
    const long got =
        m_pty.Read(platform::Pty::Side::Master, chunk, static_cast<int>(timeout.count()));
    if (got > 0) out.assign(chunk, chunk + got);
    return out;
}

}  // namespace support
