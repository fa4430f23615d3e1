#include "support/LoopbackDirectory.h"

#include "platform/SocketAddress.h"

namespace support {

namespace ldap = quildrv::ldap;

LoopbackDirectory::~LoopbackDirectory() {
    Stop();
}

bool LoopbackDirectory::Start() {
    if (!m_listener.Listen(platform::SocketAddress::Loopback(0))) return false;
    m_port = m_listener.Port();
    m_stopping = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void LoopbackDirectory::Stop() {
    m_stopping = true;
    if (m_thread.joinable()) m_thread.join();
    m_listener.Close();
}

void LoopbackDirectory::AddEntry(ldap::Entry entry) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

std::vector<ldap::SearchRequest> LoopbackDirectory::Searches() const {
    std::lock_guard lock(m_mutex);
    return m_searches;
}

void LoopbackDirectory::Serve() {
    // Short accept waits, so that Stop is seen within a tenth of a second.
    while (!m_stopping) {
        platform::Socket client;
        if (!m_listener.Accept(client, 100)) continue;
        Talk(client);
    }
}

void LoopbackDirectory::Talk(platform::Socket& client) {
    std::vector<std::uint8_t> buffer;
    // Each wait is short and counted, so a silent client cannot hold the server for long.
    for (int idle = 0; !m_stopping && idle < 100;) {
        const std::optional<std::size_t> length = ldap::MessageLength(buffer);
        if (!length) return;
        if (*length == 0 || buffer.size() < *length) {
            std::uint8_t chunk[4096];
            const int n = client.Receive(chunk, 100);
            if (n == 0) return;
            if (n < 0) {
                ++idle;
                continue;
            }
            idle = 0;
            buffer.insert(buffer.end(), chunk, chunk + n);
            continue;
        }
        const auto message = ldap::Decode(std::span<const std::uint8_t>(buffer.data(), *length));
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*length));
        if (!message) return;
        if (message->op == ldap::kBindRequest) {
            if (!client.SendAll(ldap::EncodeResult(message->id, ldap::kBindResponse, 0), 1000))
                return;
        } else if (message->op == ldap::kSearchRequest) {
            std::vector<ldap::Entry> entries;
            {
                std::lock_guard lock(m_mutex);
                m_searches.push_back(message->search);
                entries = m_entries;
            }
            for (const ldap::Entry& e : entries)
                if (!client.SendAll(ldap::EncodeEntry(message->id, e), 1000)) return;
            if (!client.SendAll(ldap::EncodeResult(message->id, ldap::kSearchResultDone, 0), 1000))
                return;
        } else if (message->op == ldap::kUnbindRequest) {
            return;
        }
    }
}

}  // namespace support
