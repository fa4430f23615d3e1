// The simulator's script: one command per line, '#' starts a comment.
//
//   send <session> [type=<n>] <message>   host message(s); "|" between segments sends each
//                                     segment as a record of its own; message type 0 unless
//                                     given (1 a notification in any form, 2 a print-address
//                                     request, or any type a client must drop)
//   reply <session> <message>         the same, in answer to the session's next data message
//   print <session> <message>         print-address request (message type 2)
//   notify <session> <lniata> <host> <code>   unsolicited-message notification (type 1)
//   keepalive <session>               the host's keep-alive (type 3, no data)
//   error <session> <code> [type=4|5] [kind=<n>] ["text"]   session error
//   refuse <code> [type=4|5] [keep] ["text"]   refuse the next begin with a session error;
//                                     with "keep" the session is opened all the same and the
//                                     answer carries its address and identifier
//   greet [type=<n>] <message>        answer the next begin with this message (type 0 unless
//                                     given, e.g. 2 for a print-address request)
//   terminate <session>               the host ends the session
//   close <connection> [reset]        close (or reset) a connection
//   raw <connection> <hex bytes>      bytes as they are
//   silent on|off                     stop / resume every automatic answer
//   delay <ms>                        wait before each automatic answer
//   wait session <n> [ms] | wait received <count> [ms] | wait acks <count> [ms]
//        | wait closed <connection> [ms]     (acks: acknowledgements from devices)
//   sleep <ms>
//
// A message is a sequence of "quoted text" (sent in host code) and two-digit hex bytes, e.g.
//   send 1 "AB" "HELLO" 4E            protected message, TSN B
//   send 1 "CR" 4E                    control message
//   send 1 "EA" 4E                    change of host (C1 E)
//   send 1 F9 6C 4E                   keep-alive request
//   send 1 "DA" "PART ONE" 6D | "DA" "PART TWO" 4E   segmented message
//   reply 1 "DA" "PART TWO" 4E        readied before "send 1 ... 6D": answers a client that
//                                     asks for the next part (a data message of one byte 6D)
// Sessions and connections are numbered from 1 in the order they appear.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quilhost/QuilHost.h"

namespace quilhost {

struct ScriptCommand {
    std::string verb;
    std::vector<std::string> words;                  // plain words after the verb
    std::vector<std::vector<std::uint8_t>> message;  // segments, for message commands
    std::string text;                                // a quoted text, for error and refuse
    int line = 0;
};

class HostScript {
public:
    // Parses one line; nothing for an empty or comment line. A malformed line sets `error`.
    static std::optional<ScriptCommand> ParseLine(std::string_view line, int number,
                                                  std::string& error);
    // Parses a whole script; false with the first error.
    [[nodiscard]] bool Parse(std::string_view text, std::string& error);

    // Runs one command against the host; false (with `error`) when it fails or a wait times out.
    [[nodiscard]] static bool Run(const ScriptCommand& command, QuilHost& host, std::string& error);
    [[nodiscard]] bool Run(QuilHost& host, std::string& error) const;

    const std::vector<ScriptCommand>& Commands() const noexcept { return m_commands; }

private:
    std::vector<ScriptCommand> m_commands;
};

}  // namespace quilhost
