// The reassembly of one message from the front end. Every packet is a 4-byte header (0x02,
// body length 16 bits big-endian, a byte that is ignored) and a body whose first byte is the
// kind: 3 data with more to come, 2 the last data packet, 6 kept alive (nothing to deliver),
// 4 an error (its code in decimal from body offset 3); any other kind is an error too. The
// first data packet's first four body bytes and each later one's first byte are hidden from
// the message.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "brxconn/CMessage.h"

namespace arlo {

class CProcessBase {
public:
    // In the configuration exchange a packet of kind 1 (the front end's acceptance) completes
    // the answer; anywhere else kind 1 is an error.
    explicit CProcessBase(bool configuration = false) : m_configuration(configuration) {}

    std::span<std::uint8_t> NextTransfer();
    void TransferDone(std::size_t count);
    // Feeds received bytes (as many as this message takes); the count taken.
    std::size_t Feed(std::span<const std::uint8_t> bytes);

    bool IsComplete() const noexcept { return m_state == 5; }
    bool IsError() const noexcept { return m_state == 6; }
    bool IsDroppedKind() const noexcept { return m_state == 5 && m_kind == 6; }
    bool IsConfiguration() const noexcept { return m_state == 5 && m_kind == 1; }
    int ResultCode() const noexcept { return m_result; }
    const std::string& ErrorText() const noexcept { return m_errorText; }
    // The error packet's five code characters from body offset 1 (may be fewer).
    const std::string& CodeText() const noexcept { return m_codeText; }
    CMessage& Message() noexcept { return m_message; }

private:
    void BodyDone();
    void Fail(int result);

    bool m_configuration;
    int m_state = 0;  // 0/1 header, 2/3 body, 5 complete, 6 error
    std::array<std::uint8_t, 4> m_header{};
    std::vector<std::uint8_t> m_body;
    std::size_t m_done = 0;
    std::size_t m_wanted = 4;
    int m_kind = 0;
    bool m_firstPacket = true;
    int m_result = 0;
    std::string m_errorText = "Not Available";
    std::string m_codeText;
    CMessage m_message{1280, 32767};
};

}  // namespace arlo
