// The ARLO provider's error translations: a socket error, a load-balancer refusal (20000 + n)
// and a front-end session error (23000 + n), each to a BRXError and its text.
#pragma once

#include <string>

#include "brxprovider/BRXConn_.h"

namespace arlo {

// The name of a socket error ("Connection Refused"), or nullptr for a number without one.
const char* WinsockName(int code) noexcept;

struct ErrorText {
    BRXError error = 0;
    std::string text;
};

// 1026 for the errors worth a retry, 1027 for the rest, each with its text.
ErrorText WinsockErrorText(int code);
// n = code - 20000; codeText = the first five characters of the refusal.
ErrorText LoadBalancerErrorText(int n, const std::string& codeText);
// n = code - 23000; an empty codeText gives "  -%03d." with n.
ErrorText SessionErrorText(int n, const std::string& codeText);

// Result codes of the load-balancer and front-end exchanges.
inline constexpr int kGrantIncomplete = 21001;
inline constexpr int kRefusedWithoutCode = 21002;
inline constexpr int kOtherReply = 21003;
inline constexpr int kNoReply = 22000;
inline constexpr int kRefusalBase = 20000;
inline constexpr int kSessionErrorBase = 23000;

}  // namespace arlo
