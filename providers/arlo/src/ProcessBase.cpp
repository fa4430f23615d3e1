#include "arlo/ProcessBase.h"

#include <algorithm>
#include <cstring>

#include "arlo/ArloErrors.h"

namespace arlo {

std::span<std::uint8_t> CProcessBase::NextTransfer() {
    if (m_state == 5 || m_state == 6) return {};
    if (m_state <= 1) return std::span<std::uint8_t>(m_header).subspan(m_done, m_wanted);
    return std::span<std::uint8_t>(m_body).subspan(m_done, m_wanted);
}

void CProcessBase::TransferDone(std::size_t count) {
    if (m_state == 5 || m_state == 6) return;
    count = std::min(count, m_wanted);
    m_done += count;
    m_wanted -= count;
    if (m_wanted > 0) {
        m_state = m_state <= 1 ? 1 : 3;
        return;
    }
    if (m_state <= 1) {
        const std::size_t length = (std::size_t{m_header[1]} << 8) | m_header[2];
        m_body.assign(length, 0);
        m_done = 0;
        m_wanted = length;
        m_state = 2;
        if (length > 0) return;
    }
    BodyDone();
}

void CProcessBase::Fail(int result) {
    m_result = result;
    m_state = 6;
}

void CProcessBase::BodyDone() {
    if (m_body.empty()) return Fail(kRefusedWithoutCode);
    m_kind = m_body[0];
    if (m_kind == 6 || (m_kind == 1 && m_configuration)) {
        m_state = 5;
        return;
    }
    if (m_kind != 2 && m_kind != 3) {
        // An error packet (kind 1 outside the configuration exchange too).
        std::uint32_t code = 0;
        std::size_t i = 3;
        while (i < m_body.size() && i < 12 && m_body[i] >= '0' && m_body[i] <= '9')
            code = code * 10 + (m_body[i++] - '0');
        m_codeText.assign(reinterpret_cast<const char*>(m_body.data()) + 1,
                          std::min<std::size_t>(5, m_body.size() - 1));
        if (m_kind != 1 && m_body.size() >= 4 && code != 0) {
            m_errorText.assign(reinterpret_cast<const char*>(m_body.data()) + 1, m_body.size() - 1);
            return Fail(kSessionErrorBase + static_cast<int>(code));
        }
        return Fail(kRefusedWithoutCode);
    }
    const int hidden = m_firstPacket ? 4 : 1;
    if (m_body.size() < static_cast<std::size_t>(hidden)) return Fail(kRefusedWithoutCode);
    if (m_message.AddUserBuffer(m_body.data(), static_cast<unsigned>(m_body.size()), hidden) !=
        CMessage::MSG_OK)
        return Fail(kRefusedWithoutCode);
    m_firstPacket = false;
    m_body.clear();
    m_done = 0;
    m_wanted = 4;
    m_state = m_kind == 2 ? 5 : 0;
}

std::size_t CProcessBase::Feed(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const auto into = NextTransfer();
        if (into.empty() && (m_state == 5 || m_state == 6)) break;
        const std::size_t n = std::min(into.size(), bytes.size() - taken);
        if (n == 0) break;
        std::memcpy(into.data(), bytes.data() + taken, n);
        taken += n;
        TransferDone(n);
    }
    return taken;
}

}  // namespace arlo
