// The frames of the printer lines, as a printer sees them, written from the line's definition
// and kept apart from the program's own code so that each checks the other.
//
// Ticket printer frame: STX STX STX, data, ETX, two check bytes (the XOR of every byte up to
// and including ETX, STX and DLE left out; the same with the check rotated right by one bit
// before each byte). Async-mini frame: SYN SYN, data, ETB, one check byte (the XOR up to and
// including ETB, SYN and DLE left out).
//
// A decoder is fed the bytes of the line as they come, in pieces of any size, and yields
// every whole frame with its data and whether its checks hold. Bytes before a frame's start
// are skipped; data longer than kMaxData drops the frame begun and looks for the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace printersim {

enum class LineKind { Atb2, AsyncMini };

struct LineFrame {
    std::vector<std::uint8_t> data;
    bool checkOk = false;
};

inline constexpr std::size_t kMaxData = 8192;

std::vector<std::uint8_t> EncodeFrame(LineKind kind, std::span<const std::uint8_t> data);

class FrameDecoder {
public:
    explicit FrameDecoder(LineKind kind) : m_kind(kind) {}

    // Takes more bytes of the line; appends each frame they complete to out.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<LineFrame>& out);

private:
    enum class State { Hunt, Data, Check };

    LineKind m_kind;
    State m_state = State::Hunt;
    std::size_t m_starts = 0;  // start bytes seen in a row
    std::vector<std::uint8_t> m_data;
    std::uint8_t m_check[2] = {};
    std::size_t m_checks = 0;
};

}  // namespace printersim
