// The bytes of a host message that its acknowledgement answers: C1, C2 and the end-of-message
// byte, as the host sent them (EBCDIC). A queued message carries its own, so that the
// acknowledgement of a write answers the message written, however many came after it.
#pragma once

#include <cstdint>

namespace core {

struct HostMessageHeader {
    std::uint8_t m_byC1 = 0;
    std::uint8_t m_byC2 = 0;
    std::uint8_t m_byEOM = 0;

    bool operator==(const HostMessageHeader&) const = default;
};

}  // namespace core
