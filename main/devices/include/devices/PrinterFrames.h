// The frames of the printer lines as the devices build and cut them: the ticket printer
// frame (STX STX STX, data, ETX, two block checks) and the async-mini frame (SYN SYN, data,
// ETB, one block check). A cutter takes the first whole frame out of the bytes gathered
// from the line, junk before it included, and leaves the rest for the next read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace devices {

inline constexpr std::uint8_t ATB2_STX = 0x02;
inline constexpr std::uint8_t ATB2_ETX = 0x03;
inline constexpr std::uint8_t ASYNC_SYN = 0x16;
inline constexpr std::uint8_t ASYNC_ETB = 0x17;

// The frame around data.
std::vector<std::uint8_t> MakeATB2Frame(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> MakeAsyncMiniFrame(std::span<const std::uint8_t> data);

struct CutFrame {
    bool bFound = false;
    std::string strData;          // between the start and the end byte
    std::size_t nFrameBytes = 0;  // data plus the frame's own bytes
    bool bCheckOk = false;        // the frame's block checks match its bytes
};

// Cuts the first whole frame out of `gathered` (which keeps what follows it); nothing is
// taken while no frame is whole.
CutFrame CutATB2Frame(std::vector<std::uint8_t>& gathered);
CutFrame CutAsyncMiniFrame(std::vector<std::uint8_t>& gathered);

}  // namespace devices
