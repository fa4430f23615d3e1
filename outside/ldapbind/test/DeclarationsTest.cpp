// Every entry point and value the client declares for itself is the one the library's own
// header declares: a mismatch fails the build of the tests.
#define LDAP_DEPRECATED 1
#include <ldap.h>

#include <type_traits>

#include "ldapbind/LdapApi.h"

namespace {

using namespace ldapbind;

static_assert(std::is_same_v<LdapHandle, LDAP>);
static_assert(std::is_same_v<LdapMessage, LDAPMessage>);

static_assert(std::is_same_v<decltype(::ldap_open), OpenFn>);
static_assert(std::is_same_v<decltype(::ldap_init), InitFn>);
static_assert(std::is_same_v<decltype(::ldap_set_option), SetOptionFn>);
static_assert(std::is_same_v<decltype(::ldap_connect), ConnectFn>);
static_assert(std::is_same_v<decltype(::ldap_search), SearchFn>);
static_assert(std::is_same_v<decltype(::ldap_result), ResultFn>);
static_assert(std::is_same_v<decltype(::ldap_first_entry), FirstEntryFn>);
static_assert(std::is_same_v<decltype(::ldap_get_values), GetValuesFn>);
static_assert(std::is_same_v<decltype(::ldap_next_entry), NextEntryFn>);
static_assert(std::is_same_v<decltype(::ldap_msgfree), MsgFreeFn>);
static_assert(std::is_same_v<decltype(::ldap_unbind), UnbindFn>);
static_assert(std::is_same_v<decltype(::ldap_value_free), ValueFreeFn>);

static_assert(kSuccess == LDAP_SUCCESS && kSuccess == LDAP_OPT_SUCCESS);
static_assert(kOptTimeLimit == LDAP_OPT_TIMELIMIT);
static_assert(kOptProtocolVersion == LDAP_OPT_PROTOCOL_VERSION);
static_assert(kOptNetworkTimeout == LDAP_OPT_NETWORK_TIMEOUT);
static_assert(kVersion3 == LDAP_VERSION3);
static_assert(kScopeSubtree == LDAP_SCOPE_SUBTREE);
static_assert(kMsgAll == LDAP_MSG_ALL);

}  // namespace
