#include "devices/CouponStore.h"

#include <limits>

#include "core/HostTrevo.h"

namespace devices {

std::int64_t ReadDecimal64(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) bNegative = text[i++] == '-';
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
            break;
        }
        value = value * 10 + digit;
    }
    return bNegative ? -value : value;
}

std::int64_t ScnInReply(std::string_view reply) {
    if (reply.size() > 1 && reply.find("ERR", 1) != std::string_view::npos) return 0;
    const std::size_t sc = reply.find("SC");
    if (sc == std::string_view::npos || sc == 0) return 0;
    return ReadDecimal64(reply.substr(sc + 2, 13));
}

char NextSequenceLetter(char& chSequence) {
    chSequence = (chSequence >= 'A' && chSequence < 'P') ? static_cast<char>(chSequence + 1) : 'A';
    return chSequence;
}

CCouponStore::CCouponStore(core::IHostRegistry& registry, std::string deviceKey)
    : m_registry(registry),
      m_strKeyPath(std::string(core::CHostTrevo::kApplicationKey) + "\\" + deviceKey) {}

std::string CCouponStore::ReadScn() {
    std::string value = kDefaultScn;
    if (!m_registry.QueryString(m_strKeyPath, kCurrentScnValue, value)) value = kDefaultScn;
    return value;
}

void CCouponStore::WriteScn(std::int64_t value) {
    static_cast<void>(WriteString(kCurrentScnValue, std::to_string(value)));
}

void CCouponStore::AdvanceScn() {
    if (!m_registry.KeyExists(m_strKeyPath)) return;
    const std::int64_t current = ReadDecimal64(ReadScn());
    if (current == std::numeric_limits<std::int64_t>::max()) return;
    WriteScn(current + 1);
}

void CCouponStore::StoreScnFromReply(std::string_view reply) {
    const std::int64_t number = ScnInReply(reply);
    if (number > 0 && number < std::numeric_limits<std::int64_t>::max()) WriteScn(number + 1);
}

std::string CCouponStore::RetrievePectabCode(char chPectab) {
    std::string code = kDefaultPectabCode;
    if (!m_registry.QueryString(m_strKeyPath, kPectabValuePrefix + std::string(1, chPectab), code))
        code = kDefaultPectabCode;
    return code;
}

void CCouponStore::StorePectabCode(char chPectab, const std::string& code) {
    static_cast<void>(WriteString(kPectabValuePrefix + std::string(1, chPectab), code));
}

bool CCouponStore::WriteString(const std::string& name, const std::string& value) {
    // A key that cannot be opened is not made here.
    if (!m_registry.KeyExists(m_strKeyPath)) return false;
    return m_registry.SetString(m_strKeyPath, name, value);
}

}  // namespace devices
