#include "hostdriver/LdapClient.h"

#include <strings.h>

#include <algorithm>

#include "platform/Clock.h"

namespace quildrv {

namespace {

std::uint64_t Now() {
    return platform::CurrentClock().NowMs();
}

}  // namespace

CLdapClient::~CLdapClient() {
    Close();
}

std::optional<ldap::Message> CLdapClient::Receive(std::uint64_t deadline) {
    // Every wait is bounded: a receive that times out ends the attempt.
    for (;;) {
        const std::optional<std::size_t> length = ldap::MessageLength(m_buffer);
        if (!length) return std::nullopt;
        if (*length > 0 && m_buffer.size() >= *length) {
            std::optional<ldap::Message> message =
                ldap::Decode(std::span<const std::uint8_t>(m_buffer.data(), *length));
            m_buffer.erase(m_buffer.begin(),
                           m_buffer.begin() + static_cast<std::ptrdiff_t>(*length));
            return message;
        }
        const std::uint64_t now = Now();
        if (now >= deadline) return std::nullopt;
        std::uint8_t chunk[4096];
        const int n = m_socket.Receive(
            chunk, static_cast<int>(std::min<std::uint64_t>(deadline - now, 0x7FFFFFFF)));
        if (n <= 0) return std::nullopt;
        m_buffer.insert(m_buffer.end(), chunk, chunk + n);
    }
}

bool CLdapClient::Connect(const std::string& host, int port, const std::string& base,
                          int timeoutSeconds) {
    Close();
    if (host.empty() || port <= 0 || port > 65535 || timeoutSeconds <= 0) return false;
    m_base = base;
    m_timeoutSeconds = timeoutSeconds;
    const int waitMs = timeoutSeconds * 1000;
    if (!m_socket.Create() || !m_socket.Connect(host, static_cast<std::uint16_t>(port), waitMs) ||
        !m_socket.SendAll(ldap::EncodeBindRequest(m_nextId), waitMs)) {
        m_socket.Close();
        return false;
    }
    const int id = m_nextId++;
    const std::optional<ldap::Message> answer = Receive(Now() + static_cast<std::uint64_t>(waitMs));
    if (!answer || answer->id != id || answer->op != ldap::kBindResponse ||
        answer->resultCode != 0) {
        m_socket.Close();
        return false;
    }
    return true;
}

bool CLdapClient::Search(const std::vector<std::string>& attributes) {
    m_entries.clear();
    m_current = 0;
    if (!m_socket.IsOpen()) return false;
    ldap::SearchRequest request;
    request.base = m_base;
    request.scope = 2;
    request.timeLimit = m_timeoutSeconds;
    request.filterAttribute = "objectClass";
    request.filterValue = kFilterClass;
    request.attributes = attributes;
    const int id = m_nextId++;
    if (!m_socket.SendAll(ldap::EncodeSearchRequest(id, request), kResultWaitMs)) return false;
    const std::uint64_t deadline = Now() + kResultWaitMs;
    for (;;) {
        std::optional<ldap::Message> message = Receive(deadline);
        if (!message || message->id != id) break;
        if (message->op == ldap::kSearchResultDone) break;
        if (message->op != ldap::kSearchResultEntry || m_entries.size() >= kMaxEntries) break;
        m_entries.push_back(std::move(message->entry));
    }
    return !m_entries.empty();
}

std::vector<std::string> CLdapClient::GetValues(const std::string& attribute) {
    if (m_current >= m_entries.size()) return {};
    for (const auto& [type, values] : m_entries[m_current].attributes)
        if (::strcasecmp(type.c_str(), attribute.c_str()) == 0) return values;
    return {};
}

bool CLdapClient::NextEntry() {
    if (m_current >= m_entries.size()) return false;
    return ++m_current < m_entries.size();
}

void CLdapClient::Close() {
    if (m_socket.IsOpen()) (void)m_socket.SendAll(ldap::EncodeUnbindRequest(m_nextId++), 1000);
    m_socket.Close();
    m_buffer.clear();
    m_entries.clear();
    m_current = 0;
}

}  // namespace quildrv
