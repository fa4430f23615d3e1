// The reply a device made up for the host and that the host has not yet confirmed, with its
// resend period, its resend count and the acknowledgement held back until the host's
// confirmation. The coupon printer's host time-out thread asks it, every tenth of a second,
// whether the reply is due again.
//
// Threads: any; one lock guards every field. Nothing is sent under it: the callers send what
// it gives them.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace devices {

class CPendingReply {
public:
    static constexpr int kFirstPeriod = 5;
    static constexpr int kLongestPeriod = 320;

    // The reply becomes the pending one, sent at now (seconds); the period starts again.
    void Set(const std::string& reply, std::int64_t now);
    // Holds the acknowledgement that goes to the host once it confirms the reply.
    void HoldAck(const std::string& ack);
    // The host confirmed: nothing is pending, the period and count start again; gives the
    // acknowledgement held (empty when none) and forgets it.
    std::string Confirm();
    // The reply to send again when its period has passed at now: its fifth character becomes
    // 'B' (a reply shorter than 5 characters stays as it is); every third resend doubles the
    // period up to its longest.
    std::optional<std::string> Due(std::int64_t now);

    std::string Reply() const;
    std::string HeldAck() const;
    int Period() const;
    int Resends() const;

private:
    mutable std::mutex m_cs;
    std::string m_strPendingReply;
    std::string m_strLastReply;
    std::int64_t m_timePendingSent = 0;
    int m_nHostTimeoutSeconds = kFirstPeriod;
    int m_nHostResendCount = 0;
};

}  // namespace devices
