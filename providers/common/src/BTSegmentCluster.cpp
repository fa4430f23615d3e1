#include "brxbt/BTSegmentCluster.h"

#include <algorithm>
#include <cstring>

#include "brxbt/BTHeader.h"

namespace brxbt {

bool CBTSegmentCluster::SplitMessage(const std::uint8_t* data, std::uint32_t length) {
    m_segments.clear();
    m_total = data ? length : 0;
    std::uint32_t done = 0;
    while (done < m_total) {
        const std::uint32_t n = std::min<std::uint32_t>(m_total - done, kMaxSegmentData);
        m_segments.emplace_back(data + done, data + done + n);
        done += n;
    }
    return true;
}

std::span<const std::uint8_t> CBTSegmentCluster::Segment(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) > m_segments.size()) return {};
    return m_segments[static_cast<std::size_t>(n) - 1];
}

bool CBTSegmentCluster::GetSegment(int n, std::uint8_t* out) const {
    const auto segment = Segment(n);
    if (segment.empty() || !out) return false;
    std::memcpy(out, segment.data(), segment.size());
    return true;
}

bool CBTSegmentCluster::AssembleMessage(std::uint8_t* out) const {
    if (!out) return m_total == 0;
    for (const auto& s : m_segments) {
        if (!s.empty()) std::memcpy(out, s.data(), s.size());
        out += s.size();
    }
    return true;
}

bool CBTSegmentCluster::AddSegment(const std::uint8_t* data, std::uint32_t length) {
    if (!data && length > 0) return false;
    m_segments.emplace_back(data, data + length);
    m_total += length;
    return true;
}

}  // namespace brxbt
