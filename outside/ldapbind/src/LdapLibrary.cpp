#include "ldapbind/LdapLibrary.h"

#include <utility>

namespace ldapbind {

CLdapLibrary::CLdapLibrary(std::filesystem::path library) : m_libraryFile(std::move(library)) {}

CLdapLibrary::~CLdapLibrary() {
    Close();
}

bool CLdapLibrary::Bind() {
    m_bindError.clear();
    // The library sets up process-wide state on first use (its options, TLS, SASL) that an
    // unload would only leak: it stays mapped once loaded.
    if (!m_library.Open(m_libraryFile, true)) {
        m_bindError = m_library.error();
        return false;
    }
    // The order of the names is the order of binding: the first one missing is the one named.
    const platform::SymbolBinding entries[] = {
        platform::BindSymbol("ldap_open", m_open),
        platform::BindSymbol("ldap_init", m_init),
        platform::BindSymbol("ldap_set_option", m_setOption),
        platform::BindSymbol("ldap_connect", m_connect),
        platform::BindSymbol("ldap_search", m_search),
        platform::BindSymbol("ldap_result", m_result),
        platform::BindSymbol("ldap_first_entry", m_firstEntry),
        platform::BindSymbol("ldap_get_values", m_getValues),
        platform::BindSymbol("ldap_next_entry", m_nextEntry),
        platform::BindSymbol("ldap_msgfree", m_msgFree),
        platform::BindSymbol("ldap_unbind", m_unbind),
        platform::BindSymbol("ldap_value_free", m_valueFree),
    };
    if (!m_library.Bind(entries)) {
        m_bindError = m_library.error();
        m_library.Close();
        return false;
    }
    return true;
}

bool CLdapLibrary::Connect(const std::string& host, int port, const std::string& base,
                           int timeoutSeconds) {
    Close();
    m_host = host;
    m_base = base;
    m_port = port;
    if (!Bind()) return false;
    m_connection = m_init(m_host.c_str(), m_port);
    if (m_connection == nullptr) return false;
    const int version = kVersion3;
    if (m_setOption(m_connection, kOptProtocolVersion, &version) != kSuccess) return false;
    const int timeLimit = timeoutSeconds;
    if (m_setOption(m_connection, kOptTimeLimit, &timeLimit) != kSuccess) return false;
    // The connect wait: the library takes it as an option of the handle.
    struct timeval wait = {timeoutSeconds, 0};
    if (m_setOption(m_connection, kOptNetworkTimeout, &wait) != kSuccess) return false;
    return m_connect(m_connection) == kSuccess;
}

bool CLdapLibrary::Search(const std::vector<std::string>& attributes) {
    if (m_connection == nullptr) return false;
    if (m_searchResult != nullptr) {
        (void)m_msgFree(m_searchResult);
        m_searchResult = nullptr;
    }
    m_currentEntry = nullptr;
    std::vector<std::string> names = attributes;
    std::vector<char*> list;
    list.reserve(names.size() + 1);
    for (std::string& name : names) list.push_back(name.data());
    list.push_back(nullptr);
    m_messageId = m_search(m_connection, m_base.c_str(), kScopeSubtree, kFilter, list.data(), 0);
    if (m_messageId == -1) return false;
    struct timeval wait = {kResultWaitSeconds, 0};
    LdapMessage* result = nullptr;
    const int kind = m_result(m_connection, m_messageId, kMsgAll, &wait, &result);
    m_searchResult = result;
    if (kind <= 0 || m_searchResult == nullptr) return false;
    m_currentEntry = m_firstEntry(m_connection, m_searchResult);
    return m_currentEntry != nullptr;
}

char** CLdapLibrary::GetValues(const char* attribute) {
    if (m_currentEntry == nullptr || attribute == nullptr) return nullptr;
    return m_getValues(m_connection, m_currentEntry, attribute);
}

void CLdapLibrary::FreeValues(char** values) {
    if (values != nullptr && m_library.IsOpen()) m_valueFree(values);
}

bool CLdapLibrary::NextEntry() {
    if (m_currentEntry == nullptr) return false;
    m_currentEntry = m_nextEntry(m_connection, m_currentEntry);
    return m_currentEntry != nullptr;
}

void CLdapLibrary::Close() {
    m_currentEntry = nullptr;
    m_messageId = -1;
    if (m_searchResult != nullptr) {
        (void)m_msgFree(m_searchResult);
        m_searchResult = nullptr;
    }
    if (m_connection != nullptr) {
        (void)m_unbind(m_connection);
        m_connection = nullptr;
    }
    if (m_library.IsOpen()) m_library.Close();
}

}  // namespace ldapbind
