// One queued message: its bytes and a type word that travels with them (for host messages,
// whether the message completes an output; for printer answers, what the device passes), and
// for a host message the header its acknowledgement answers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/HostMessageHeader.h"

namespace core {

class CMessageBuffer {
public:
    CMessageBuffer() = default;

    // Replaces the contents with the bytes given.
    void SetData(std::span<const std::uint8_t> data);
    void SetData(std::span<const std::uint8_t> data, int iType);
    void SetData(const std::string& text);
    void AppendData(std::span<const std::uint8_t> data);
    void AppendBuffer(const CMessageBuffer& other);
    // The bytes stay valid until the buffer changes.
    void GetData(std::span<const std::uint8_t>& data, int& iType) const;
    void Clear();
    // Writes the bytes to the trace log as one data entry.
    void TraceBuffer() const;

    std::span<const std::uint8_t> Data() const noexcept { return m_data; }
    std::size_t Length() const noexcept { return m_data.size(); }
    int Type() const noexcept { return m_iType; }
    void SetHeader(const std::optional<HostMessageHeader>& header) { m_header = header; }
    const std::optional<HostMessageHeader>& Header() const noexcept { return m_header; }

private:
    std::vector<std::uint8_t> m_data;
    int m_iType = 0;
    std::optional<HostMessageHeader> m_header;
};

}  // namespace core
