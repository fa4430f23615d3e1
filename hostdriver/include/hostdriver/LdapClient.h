// CLdapClient: the built-in directory client. It speaks the directory protocol itself (version
// 3, LdapCodec) over one TCP connection: Connect dials within the time-out and binds
// anonymously, Search asks for the mapping entries (the time-out is also the server's time
// limit) and collects them within kResultWaitMs, Close unbinds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "hostdriver/DirectoryClient.h"
#include "hostdriver/LdapCodec.h"
#include "platform/Socket.h"

namespace quildrv {

class CLdapClient : public CDirectoryClient {
public:
    static constexpr int kResultWaitMs = 10000;
    static constexpr std::size_t kMaxEntries = 100000;
    static constexpr const char* kFilterClass = "quil-mapping";

    ~CLdapClient() override;
    bool Connect(const std::string& host, int port, const std::string& base,
                 int timeoutSeconds) override;
    bool Search(const std::vector<std::string>& attributes) override;
    std::vector<std::string> GetValues(const std::string& attribute) override;
    bool NextEntry() override;
    void Close() override;

private:
    // The next whole message within the deadline (a platform clock tick count), or nothing.
    std::optional<ldap::Message> Receive(std::uint64_t deadline);

    platform::Socket m_socket;
    std::string m_base;
    int m_timeoutSeconds = 3;
    int m_nextId = 1;
    std::vector<std::uint8_t> m_buffer;
    std::vector<ldap::Entry> m_entries;
    std::size_t m_current = 0;
};

}  // namespace quildrv
