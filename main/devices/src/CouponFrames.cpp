#include "devices/CouponFrames.h"

#include <algorithm>
#include <array>

namespace devices {

namespace {

constexpr std::array<std::uint8_t, 7> kFrameHead = {0x02, 0x73, 0x1B, 0x0B, 0x20, 0x20, 0x0F};
constexpr std::array<std::uint8_t, 3> kFrameTail = {0x1B, 0x12, 0x03};
constexpr std::array<std::uint8_t, 7> kReplyHead = {0x02, 0x1B, 0x0B, 0x20, 0x20, 0x00, 0x0F};
constexpr std::array<std::uint8_t, 2> kReplyTail = {0x20, 0x03};
// The reply's trailer is looked for from this many bytes after its header on.
constexpr std::size_t kReplyTextMin = 6;

}  // namespace

std::uint8_t CouponFrameCheck(std::span<const std::uint8_t> bytes) {
    std::uint8_t check = 0;
    for (std::uint8_t b : bytes) {
        check ^= b;
        if (b == 0x03) break;
    }
    return check;
}

std::optional<std::vector<std::uint8_t>> MakeCouponFrame(std::span<const std::uint8_t> text) {
    if (text.size() < 2) return std::nullopt;
    if (text.size() > 2 && text[text.size() - 2] == 0x0D && text.back() == 0x0C)
        text = text.first(text.size() - 2);
    std::vector<std::uint8_t> frame(kFrameHead.begin(), kFrameHead.end());
    frame.insert(frame.end(), text.begin(), text.end());
    frame.insert(frame.end(), kFrameTail.begin(), kFrameTail.end());
    frame.push_back(CouponFrameCheck(std::span(frame).subspan(1)));
    return frame;
}

std::optional<std::string> CutCouponReply(std::vector<std::uint8_t>& gathered) {
    const std::size_t n = gathered.size();
    if (n <= 10) return std::nullopt;
    // The header starts below n - 8.
    std::size_t at = 0;
    while (at < n - 8 && !std::equal(kReplyHead.begin(), kReplyHead.end(),
                                     gathered.begin() + static_cast<std::ptrdiff_t>(at)))
        ++at;
    if (at >= n - 8) return std::nullopt;
    const std::size_t textStart = at + kReplyHead.size();
    if (textStart + kReplyTextMin >= n) return std::nullopt;
    // The pair must leave room for the check byte after it.
    const auto from = gathered.begin() + static_cast<std::ptrdiff_t>(textStart + kReplyTextMin);
    const auto tail = std::search(from, gathered.end() - 1, kReplyTail.begin(), kReplyTail.end());
    if (tail == gathered.end() - 1) return std::nullopt;
    std::string text(gathered.begin() + static_cast<std::ptrdiff_t>(textStart), tail);
    gathered.erase(gathered.begin(), tail + 3);
    return text;
}

}  // namespace devices
