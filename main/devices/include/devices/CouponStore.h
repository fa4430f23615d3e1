// What the coupon printer keeps in its device key: the current stock control number (the
// number of the next coupon form, 13 decimal digits) and the pectab transaction code of each
// pectab letter. Each operation opens the key, reads or writes one value and closes it; a
// key that cannot be opened changes nothing (reads give their defaults).
//
// Also the arithmetic on those numbers: the number a printer reply carries and the sequence
// letters of the device's replies to the host.
//
// Threads: any; every call uses the store on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/HostTrevoSeams.h"

namespace devices {

inline constexpr const char* kDefaultScn = "9545000314712";
inline constexpr const char* kDefaultPectabCode = "W*TTS";
inline constexpr const char* kCurrentScnValue = "Current SCN";
inline constexpr const char* kPectabValuePrefix = "Pectab Transaction ";

// A decimal number at the front of text (blanks, a sign, digits; anything else ends it),
// held to the range of a signed 64-bit number; 0 when there is none.
std::int64_t ReadDecimal64(std::string_view text);
// The stock control number a printer reply carries: 0 when it holds "ERR" after its first
// character; else the number in the (at most) 13 characters after its first "SC" when that
// stands after the first character; else 0.
std::int64_t ScnInReply(std::string_view reply);
// Moves the letter on ('A' to 'P', then 'A' again) and gives the new one.
char NextSequenceLetter(char& chSequence);

class CCouponStore {
public:
    // deviceKey: the device's key name ("Device 01").
    CCouponStore(core::IHostRegistry& registry, std::string deviceKey);

    // "Current SCN", or the default.
    std::string ReadScn();
    // The current number plus one, written back.
    void AdvanceScn();
    // The number a reply carries plus one, when the reply carries one above 0.
    void StoreScnFromReply(std::string_view reply);
    // The code stored for a pectab letter, or "W*TTS".
    std::string RetrievePectabCode(char chPectab);
    void StorePectabCode(char chPectab, const std::string& code);

private:
    bool WriteString(const std::string& name, const std::string& value);
    void WriteScn(std::int64_t value);

    core::IHostRegistry& m_registry;
    std::string m_strKeyPath;
};

}  // namespace devices
