// Host session errors: a record of message type 4 or 5 whose payload starts with a five-
// character code ("7QP01" ... "7QC06"). A fixed table gives, for the kind of the header that
// carried the error, the provider error to report and what happens to the session's
// "disconnected by the host" state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quil/SessionHeader.h"

namespace quil {

// Provider errors used by the table.
inline constexpr int kErrProtocolVersion = 1029;
inline constexpr int kErrSession = 1030;
inline constexpr int kErrHostConnection = 1031;

enum class DisconnectAction : std::uint8_t {
    Leave = 0,  // leave the state alone
    Clear = 1,  // clear "disconnected by the host"
    Set = 2,    // set it (the session-identifier cache then survives the disconnect)
};

struct SessionErrorEffect {
    int error;  // 0: the error text goes to the client as an ordinary host message
    DisconnectAction action;
};

struct SessionErrorRow {
    const char* code;
    bool special;
    std::array<SessionErrorEffect, 5> byKind;  // header kinds 0-4
};

std::span<const SessionErrorRow> SessionErrorTable() noexcept;
// The row of a five-character code, or nullptr.
const SessionErrorRow* FindSessionError(std::string_view code) noexcept;

// The session state that handling a host session error works on.
struct SessionErrorState {
    std::vector<std::uint8_t>& message;  // the accumulated message; gains a terminating zero
    CSessionHeader& header;              // the received header in force
    bool& disconnectedByHost;
    std::span<std::uint8_t> optionsArea;  // the session's option area
    std::size_t& optionBytes;
    int& lastError;
    std::string& protocolErrorText;  // becomes the whole message
    std::string code;                // out: the five characters of the code, in client code
};

using SessionErrorLog = std::function<void(const std::string& line)>;

// Looks the message's error code up and applies the table to the state. True when the code
// was found. The caller then sets the text of `lastError`.
[[nodiscard]] bool HandleSessionError(SessionErrorState& state, const SessionErrorLog& log);

}  // namespace quil
