// One block received from the host, kept until the creator has collected it: the bytes and a
// terminating zero after them. A length of 0 keeps no buffer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quilsp {

class CDataFromHost {
public:
    explicit CDataFromHost(std::span<const std::uint8_t> bytes) {
        if (bytes.empty()) return;
        m_buffer.assign(bytes.begin(), bytes.end());
        m_buffer.push_back(0);
    }

    // The bytes (with the zero after them), or nullptr for an empty block.
    const std::uint8_t* Data() const noexcept {
        return m_buffer.empty() ? nullptr : m_buffer.data();
    }
    std::size_t Length() const noexcept { return m_buffer.empty() ? 0 : m_buffer.size() - 1; }
    std::span<const std::uint8_t> Bytes() const noexcept { return {m_buffer.data(), Length()}; }

private:
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace quilsp
