// The texts a QUIL session shows as its protocol error for failed socket operations.
#pragma once

#include <string>
#include <string_view>

namespace quil {

// The session's own text for a socket error number, or nullptr when the system text stands.
const char* OwnSocketErrorText(int socketError) noexcept;
// The protocol error text: the session's own text when it has one, else `systemText`.
std::string SocketErrorText(int socketError, std::string_view systemText);

}  // namespace quil
