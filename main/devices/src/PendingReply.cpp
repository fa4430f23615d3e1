#include "devices/PendingReply.h"

namespace devices {

void CPendingReply::Set(const std::string& reply, std::int64_t now) {
    std::lock_guard lock(m_cs);
    m_strPendingReply = reply;
    m_nHostTimeoutSeconds = kFirstPeriod;
    m_timePendingSent = now;
}

void CPendingReply::HoldAck(const std::string& ack) {
    std::lock_guard lock(m_cs);
    m_strLastReply = ack;
}

std::string CPendingReply::Confirm() {
    std::lock_guard lock(m_cs);
    m_strPendingReply.clear();
    std::string ack;
    ack.swap(m_strLastReply);
    m_nHostTimeoutSeconds = kFirstPeriod;
    m_nHostResendCount = 0;
    return ack;
}

std::optional<std::string> CPendingReply::Due(std::int64_t now) {
    std::lock_guard lock(m_cs);
    if (m_strPendingReply.empty() || now <= m_timePendingSent + m_nHostTimeoutSeconds)
        return std::nullopt;
    if (m_strPendingReply.size() >= 5) m_strPendingReply[4] = 'B';
    m_timePendingSent = now;
    ++m_nHostResendCount;
    if (m_nHostResendCount % 3 == 0 && m_nHostTimeoutSeconds < kLongestPeriod)
        m_nHostTimeoutSeconds *= 2;
    return m_strPendingReply;
}

std::string CPendingReply::Reply() const {
    std::lock_guard lock(m_cs);
    return m_strPendingReply;
}

std::string CPendingReply::HeldAck() const {
    std::lock_guard lock(m_cs);
    return m_strLastReply;
}

int CPendingReply::Period() const {
    std::lock_guard lock(m_cs);
    return m_nHostTimeoutSeconds;
}

int CPendingReply::Resends() const {
    std::lock_guard lock(m_cs);
    return m_nHostResendCount;
}

}  // namespace devices
