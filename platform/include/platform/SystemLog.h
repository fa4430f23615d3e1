// The machine's system log (syslog: the journal on a systemd machine), where a service
// writes what an administrator must see. Each text is one error record of the daemon
// facility, "<ident>[<pid>]: <text>", sent to the log's local socket.
//
// Threads: any; each record is one datagram, so records of several threads never mix.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

class SystemLog {
public:
    static constexpr const char* kSocket = "/dev/log";
    // Longest text of one record; the rest is cut.
    static constexpr std::size_t kMaxText = 1024;

    // socket: the log's socket (another one in tests).
    explicit SystemLog(std::string ident, std::filesystem::path socket = kSocket);

    // Writes each text as one error record, in order. Line ends and other control
    // characters become blanks. False with the last error when a record could not be sent
    // (no log on this machine, say); the records after it are still tried.
    bool WriteErrors(const std::vector<std::string>& texts) const;

    // The record as sent: "<27>Mmm dd hh:mm:ss ident[pid]: text".
    [[nodiscard]] std::string Record(const std::string& text) const;

private:
    std::string m_ident;
    std::filesystem::path m_socket;
};

}  // namespace platform
