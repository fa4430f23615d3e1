#include "printersim/LineFrames.h"

namespace printersim {

namespace {

constexpr std::uint8_t STX = 0x02, ETX = 0x03, DLE = 0x10, SYN = 0x16, ETB = 0x17;

struct Checks {
    std::uint8_t plain = 0;
    std::uint8_t rotated = 0;
};

// The check bytes over data followed by the end byte.
Checks Compute(LineKind kind, std::span<const std::uint8_t> data) {
    Checks c;
    const std::uint8_t end = kind == LineKind::Atb2 ? ETX : ETB;
    auto add = [&](std::uint8_t b) {
        const bool skipped =
            kind == LineKind::Atb2 ? (b == STX || b == DLE) : (b == SYN || b == DLE);
        if (skipped) return;
        c.plain ^= b;
        c.rotated = static_cast<std::uint8_t>(((c.rotated >> 1) | (c.rotated << 7)) ^ b);
    };
    for (std::uint8_t b : data) add(b);
    add(end);
    return c;
}

}  // namespace

std::vector<std::uint8_t> EncodeFrame(LineKind kind, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    const Checks c = Compute(kind, data);
    if (kind == LineKind::Atb2) {
        out = {STX, STX, STX};
        out.insert(out.end(), data.begin(), data.end());
        out.insert(out.end(), {ETX, c.plain, c.rotated});
    } else {
        out = {SYN, SYN};
        out.insert(out.end(), data.begin(), data.end());
        out.insert(out.end(), {ETB, c.plain});
    }
    return out;
}

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes, std::vector<LineFrame>& out) {
    const bool atb2 = m_kind == LineKind::Atb2;
    const std::uint8_t start = atb2 ? STX : SYN;
    const std::size_t startCount = atb2 ? 3 : 2;
    const std::uint8_t end = atb2 ? ETX : ETB;
    const std::size_t checkCount = atb2 ? 2 : 1;
    for (std::uint8_t b : bytes) {
        switch (m_state) {
            case State::Hunt:
                m_starts = b == start ? m_starts + 1 : 0;
                if (m_starts == startCount) {
                    m_state = State::Data;
                    m_data.clear();
                    m_starts = 0;
                }
                break;
            case State::Data:
                if (b == end) {
                    m_state = State::Check;
                    m_checks = 0;
                } else if (m_data.size() >= kMaxData) {
                    m_state = State::Hunt;
                    m_data.clear();
                } else {
                    m_data.push_back(b);
                }
                break;
            case State::Check:
                m_check[m_checks++] = b;
                if (m_checks == checkCount) {
                    const Checks c = Compute(m_kind, m_data);
                    LineFrame f;
                    f.checkOk = m_check[0] == c.plain && (!atb2 || m_check[1] == c.rotated);
                    f.data.swap(m_data);
                    out.push_back(std::move(f));
                    m_state = State::Hunt;
                }
                break;
        }
    }
}

}  // namespace printersim
