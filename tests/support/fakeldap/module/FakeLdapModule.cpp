// The fake directory-access library (see support/FakeLdap.h).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "ldapbind/LdapApi.h"
#include "support/FakeLdap.h"

#define FAKE_LDAP_EXPORT extern "C" __attribute__((visibility("default")))

// The library's objects as this fake has them: a connection, and messages that are either the
// search result (index -1) or one of its entries.
struct ldap {
    int unused = 0;
};
struct ldapmsg {
    int index = -1;
};

namespace {

class Control final : public support::IFakeLdapControl {
public:
    void Reset() override {
        std::lock_guard lock(m_lock);
        m_calls.clear();
        m_entries.clear();
        m_messages.clear();
        m_connectResult = 0;
        m_outstanding = 0;
    }
    void SetEntries(std::vector<support::FakeLdapEntry> entries) override {
        std::lock_guard lock(m_lock);
        m_entries = std::move(entries);
    }
    void SetConnectResult(int result) override {
        std::lock_guard lock(m_lock);
        m_connectResult = result;
    }
    std::vector<std::string> Calls() override {
        std::lock_guard lock(m_lock);
        return m_calls;
    }
    int OutstandingValues() override {
        std::lock_guard lock(m_lock);
        return m_outstanding;
    }

    void Record(std::string call) {
        std::lock_guard lock(m_lock);
        m_calls.push_back(std::move(call));
    }
    int ConnectResult() {
        std::lock_guard lock(m_lock);
        return m_connectResult;
    }
    ldapmsg* Message(int index) {
        std::lock_guard lock(m_lock);
        if (index >= static_cast<int>(m_entries.size())) return nullptr;
        m_messages.push_back(std::make_unique<ldapmsg>(ldapmsg{index}));
        return m_messages.back().get();
    }
    char** Values(const ldapmsg* entry, const char* attribute) {
        std::lock_guard lock(m_lock);
        if (entry == nullptr || entry->index < 0 ||
            entry->index >= static_cast<int>(m_entries.size()))
            return nullptr;
        for (const auto& [name, values] : m_entries[static_cast<std::size_t>(entry->index)]) {
            if (name != attribute) continue;
            char** list = new char*[values.size() + 1];
            for (std::size_t i = 0; i < values.size(); ++i) list[i] = ::strdup(values[i].c_str());
            list[values.size()] = nullptr;
            ++m_outstanding;
            return list;
        }
        return nullptr;
    }
    void FreeValues(char** values) {
        for (char** v = values; *v != nullptr; ++v) std::free(*v);
        delete[] values;
        std::lock_guard lock(m_lock);
        --m_outstanding;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::vector<support::FakeLdapEntry> m_entries;
    std::vector<std::unique_ptr<ldapmsg>> m_messages;
    int m_connectResult = 0;
    int m_outstanding = 0;
};

Control g_control;
ldap g_connection;

std::string Wait(const struct timeval* wait) {
    if (wait == nullptr) return "none";
    return std::to_string(wait->tv_sec) + "s " + std::to_string(wait->tv_usec) + "us";
}

}  // namespace

FAKE_LDAP_EXPORT support::IFakeLdapControl* FakeLdapControl() {
    return &g_control;
}

#ifndef FAKE_LDAP_WITHOUT_OPEN
FAKE_LDAP_EXPORT ldap* ldap_open(const char*, int) {
    g_control.Record("ldap_open");
    return nullptr;
}
static_assert(std::is_same_v<decltype(ldap_open), ldapbind::OpenFn>);
#endif

FAKE_LDAP_EXPORT ldap* ldap_init(const char* host, int port) {
    g_control.Record(std::string("ldap_init ") + (host ? host : "(null)") + " " +
                     std::to_string(port));
    return &g_connection;
}

FAKE_LDAP_EXPORT int ldap_set_option(ldap*, int option, const void* value) {
    std::string text = "ldap_set_option " + std::to_string(option) + " ";
    if (option == ldapbind::kOptNetworkTimeout)
        text += Wait(static_cast<const struct timeval*>(value));
    else
        text += std::to_string(*static_cast<const int*>(value));
    g_control.Record(std::move(text));
    return 0;
}

FAKE_LDAP_EXPORT int ldap_connect(ldap*) {
    g_control.Record("ldap_connect");
    return g_control.ConnectResult();
}

FAKE_LDAP_EXPORT int ldap_search(ldap*, const char* base, int scope, const char* filter,
                                 char** attributes, int attributesOnly) {
    std::string names;
    for (char** a = attributes; a != nullptr && *a != nullptr; ++a)
        names += (names.empty() ? "" : ",") + std::string(*a);
    g_control.Record("ldap_search " + std::string(base) + " " + std::to_string(scope) + " " +
                     filter + " " + names + " " + std::to_string(attributesOnly));
    return 1;
}

FAKE_LDAP_EXPORT int ldap_result(ldap*, int messageId, int all, struct timeval* wait,
                                 ldapmsg** result) {
    g_control.Record("ldap_result " + std::to_string(messageId) + " " + std::to_string(all) + " " +
                     Wait(wait));
    static ldapmsg searchResult;
    *result = &searchResult;
    return 0x65;  // the search's end
}

FAKE_LDAP_EXPORT ldapmsg* ldap_first_entry(ldap*, ldapmsg*) {
    return g_control.Message(0);
}

FAKE_LDAP_EXPORT ldapmsg* ldap_next_entry(ldap*, ldapmsg* entry) {
    return entry == nullptr ? nullptr : g_control.Message(entry->index + 1);
}

FAKE_LDAP_EXPORT char** ldap_get_values(ldap*, ldapmsg* entry, const char* attribute) {
    return g_control.Values(entry, attribute);
}

FAKE_LDAP_EXPORT void ldap_value_free(char** values) {
    if (values != nullptr) g_control.FreeValues(values);
}

FAKE_LDAP_EXPORT int ldap_msgfree(ldapmsg*) {
    g_control.Record("ldap_msgfree");
    return 0x65;
}

FAKE_LDAP_EXPORT int ldap_unbind(ldap*) {
    g_control.Record("ldap_unbind");
    return 0;
}

static_assert(std::is_same_v<decltype(ldap_init), ldapbind::InitFn>);
static_assert(std::is_same_v<decltype(ldap_set_option), ldapbind::SetOptionFn>);
static_assert(std::is_same_v<decltype(ldap_connect), ldapbind::ConnectFn>);
static_assert(std::is_same_v<decltype(ldap_search), ldapbind::SearchFn>);
static_assert(std::is_same_v<decltype(ldap_result), ldapbind::ResultFn>);
static_assert(std::is_same_v<decltype(ldap_first_entry), ldapbind::FirstEntryFn>);
static_assert(std::is_same_v<decltype(ldap_get_values), ldapbind::GetValuesFn>);
static_assert(std::is_same_v<decltype(ldap_next_entry), ldapbind::NextEntryFn>);
static_assert(std::is_same_v<decltype(ldap_msgfree), ldapbind::MsgFreeFn>);
static_assert(std::is_same_v<decltype(ldap_unbind), ldapbind::UnbindFn>);
static_assert(std::is_same_v<decltype(ldap_value_free), ldapbind::ValueFreeFn>);
