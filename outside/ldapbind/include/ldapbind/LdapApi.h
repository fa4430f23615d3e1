// The directory-access library's entry points as this program calls them, declared here so
// that nothing links the library: it is loaded by name when a look-up runs (CLdapLibrary).
// A test compiled against the library's own header checks every declaration below.
#pragma once

#include <sys/time.h>

// The library's connection and message objects; only pointers to them pass through here.
struct ldap;
struct ldapmsg;

namespace ldapbind {

// The library file, by its run-time name.
inline constexpr const char* kLibraryFile = "libldap-2.5.so.0";

using LdapHandle = ::ldap;
using LdapMessage = ::ldapmsg;

using OpenFn = LdapHandle*(const char* host, int port);
using InitFn = LdapHandle*(const char* host, int port);
using SetOptionFn = int(LdapHandle* ld, int option, const void* value);
using ConnectFn = int(LdapHandle* ld);
using SearchFn = int(LdapHandle* ld, const char* base, int scope, const char* filter,
                     char** attributes, int attributesOnly);
using ResultFn = int(LdapHandle* ld, int messageId, int all, struct timeval* wait,
                     LdapMessage** result);
using FirstEntryFn = LdapMessage*(LdapHandle* ld, LdapMessage* chain);
using GetValuesFn = char**(LdapHandle* ld, LdapMessage* entry, const char* attribute);
using NextEntryFn = LdapMessage*(LdapHandle* ld, LdapMessage* entry);
using MsgFreeFn = int(LdapMessage* message);
using UnbindFn = int(LdapHandle* ld);
using ValueFreeFn = void(char** values);

inline constexpr int kSuccess = 0;
inline constexpr int kOptTimeLimit = 0x0004;
inline constexpr int kOptProtocolVersion = 0x0011;
inline constexpr int kOptNetworkTimeout = 0x5005;
inline constexpr int kVersion3 = 3;
inline constexpr int kScopeSubtree = 2;
inline constexpr int kMsgAll = 1;

}  // namespace ldapbind
