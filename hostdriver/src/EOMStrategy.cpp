#include "hostdriver/EOMStrategy.h"

#include <array>
#include <vector>

#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostSession.h"

namespace quildrv {

namespace {

constexpr std::uint8_t kEom4E = 0x4E;
constexpr std::uint8_t kEom5F = 0x5F;
constexpr std::uint8_t kEom6D = 0x6D;
constexpr std::uint8_t kEom7E = 0x7E;
constexpr int kErrBadMessage = 1053;
constexpr EPRIORITY kError = UTKLogger::CPriority::ERROR;

}  // namespace

bool IsEndOfMessage(std::uint8_t byte) noexcept {
    return byte == kEom4E || byte == kEom5F || byte == kEom6D || byte == kEom7E;
}

const CEOMStrategy& CEOMStrategy::Original() {
    static const CEOMStrategyORIGINAL strategy;
    return strategy;
}

const CEOMStrategy& CEOMStrategy::Embedded() {
    static const CEOMStrategyEMBEDDED strategy;
    return strategy;
}

std::uint32_t CEOMStrategyORIGINAL::FindEnd(const std::uint8_t* data, std::uint32_t length,
                                            std::uint8_t& eom) const {
    for (std::uint32_t i = 0; i < length; ++i) {
        if (IsEndOfMessage(data[i])) {
            eom = data[i];
            return i + 1;
        }
    }
    eom = 0;
    return length;
}

std::uint32_t CEOMStrategyEMBEDDED::FindEnd(const std::uint8_t* data, std::uint32_t length,
                                            std::uint8_t& eom) const {
    eom = length > 0 && IsEndOfMessage(data[length - 1]) ? data[length - 1] : 0;
    return length;
}

void CEOMStrategy::Process(CHostSession& session, const std::uint8_t* data, std::uint32_t length,
                           bool accumulating) const {
    char ctx[256] = {};
    session.Context(ctx, "CEOMStrategy::Process");
    CMFECallback* frontEnd = session.FrontEnd();
    std::uint8_t eom = 0;
    const std::uint32_t end = FindEnd(data, length, eom);
    const std::array<std::uint8_t, 3> rid = session.Rid();
    static constexpr std::uint8_t kNextPart = kEom6D;

    if (eom == 0) {
        session.Log(kError, ctx, "Invalid EOM (%d)", length > 0 ? data[length - 1] : 0);
        session.m_accumulation.clear();
        session.m_accumulation.shrink_to_fit();
        if (frontEnd != nullptr) frontEnd->OnReceive(kErrBadMessage);
        return;
    }

    if (!accumulating) {
        std::vector<std::uint8_t> message(rid.begin(), rid.end());
        message.insert(message.end(), data, data + end);
        session.Deliver(std::move(message));
        if (AsksWhenNotAccumulating() && (eom == kEom5F || eom == kEom6D))
            (void)session.SendToHost(&kNextPart, 1);
        return;
    }

    // Later segments drop their first two bytes.
    std::uint32_t from = 0;
    if (session.m_accumulation.empty())
        session.m_accumulation.assign(rid.begin(), rid.end());
    else
        from = end >= 2 ? 2 : end;
    const bool keepEom = eom == kEom4E || eom == kEom5F;
    const std::uint32_t to = keepEom ? end : end - 1;
    if (to > from)
        session.m_accumulation.insert(session.m_accumulation.end(), data + from, data + to);
    if (keepEom) {
        std::vector<std::uint8_t> message;
        message.swap(session.m_accumulation);
        session.Deliver(std::move(message));
    }
    if (eom == kEom5F || eom == kEom6D) (void)session.SendToHost(&kNextPart, 1);
}

}  // namespace quildrv
