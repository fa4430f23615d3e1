// The segments of one binary-transport message: cut up for sending (every segment but the
// last holds 1010 bytes), or collected one by one while receiving.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace brxbt {

class CBTSegmentCluster {
public:
    // An empty list (for receiving).
    CBTSegmentCluster() = default;
    // The message cut into segments.
    CBTSegmentCluster(const std::uint8_t* data, std::uint32_t length) {
        (void)SplitMessage(data, length);
    }

    bool SplitMessage(const std::uint8_t* data, std::uint32_t length);
    // Copies segment n (from 1) into out, which has room for it. False for a number outside
    // the list or a segment without data.
    bool GetSegment(int n, std::uint8_t* out) const;
    // The data of segment n (from 1); empty outside the list.
    std::span<const std::uint8_t> Segment(int n) const;
    // Copies the whole message (TotalLength bytes) into out.
    bool AssembleMessage(std::uint8_t* out) const;
    bool AddSegment(const std::uint8_t* data, std::uint32_t length);

    std::uint32_t SegmentCount() const noexcept {
        return static_cast<std::uint32_t>(m_segments.size());
    }
    std::uint32_t TotalLength() const noexcept { return m_total; }
    std::uint32_t LastSegmentLength() const noexcept {
        return m_segments.empty() ? 0 : static_cast<std::uint32_t>(m_segments.back().size());
    }

private:
    std::vector<std::vector<std::uint8_t>> m_segments;
    std::uint32_t m_total = 0;
};

}  // namespace brxbt
