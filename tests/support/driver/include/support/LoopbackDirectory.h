// A directory server on a loopback port (port 0) for the driver's directory client: it accepts
// connections one after another, answers an anonymous bind, answers each search with the
// entries it holds (in order) and a success, and records every search it was asked.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "hostdriver/LdapCodec.h"
#include "platform/Socket.h"

namespace support {

class LoopbackDirectory {
public:
    LoopbackDirectory() = default;
    ~LoopbackDirectory();
    LoopbackDirectory(const LoopbackDirectory&) = delete;
    LoopbackDirectory& operator=(const LoopbackDirectory&) = delete;

    [[nodiscard]] bool Start();
    void Stop();
    std::uint16_t Port() const noexcept { return m_port; }

    void AddEntry(quildrv::ldap::Entry entry);
    std::vector<quildrv::ldap::SearchRequest> Searches() const;

private:
    void Serve();
    void Talk(platform::Socket& client);

    platform::Listener m_listener;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<quildrv::ldap::Entry> m_entries;           // under m_mutex
    std::vector<quildrv::ldap::SearchRequest> m_searches;  // under m_mutex
};

}  // namespace support
