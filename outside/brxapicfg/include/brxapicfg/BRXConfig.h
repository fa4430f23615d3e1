// The configuration library: the route, provider, application and session tree of the
// configuration store below HKEY_LOCAL_MACHINE "SOFTWARE\The TREVO Group\Common TREVO API".
// A BRXConfig is a small stack object made around each use. Every operation names a root
// key (a full path below HKEY_LOCAL_MACHINE), a key below it (may be empty) and a value
// name, and gives the store's result: 0 on success, else its error (2 for a missing key or
// value; a value of the wrong type reads as ERROR_INVALID_DATA, 13).
#pragma once

#include <string>

using BRXConfigError = long;

class BRXConfig {
public:
    static constexpr char kApiKey[] = "SOFTWARE\\The TREVO Group\\Common TREVO API";
    static constexpr char kRoutesKey[] = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes";
    static constexpr char kProvidersKey[] =
        "SOFTWARE\\The TREVO Group\\Common TREVO API\\Service Providers";
    static constexpr char kApplicationsKey[] =
        "SOFTWARE\\The TREVO Group\\Common TREVO API\\Applications";
    static constexpr char kSessionsKey[] = "SOFTWARE\\The TREVO Group\\Common TREVO API\\Sessions";

    // A text (REG_SZ) or a number (REG_DWORD); `value` changes only on success.
    BRXConfigError GetValue(const std::string& root, const std::string& key,
                            const std::string& name, std::string* value);
    BRXConfigError GetValue(const std::string& root, const std::string& key,
                            const std::string& name, unsigned long* value);
    // Writes the value, creating the keys it needs.
    BRXConfigError SetValue(const std::string& root, const std::string& key,
                            const std::string& name, const std::string& value);
    BRXConfigError SetValue(const std::string& root, const std::string& key,
                            const std::string& name, unsigned long value);
    BRXConfigError DeleteValue(const std::string& root, const std::string& key,
                               const std::string& name);
    // The name of the index-th sub-key of `root`; 259 (no more items) past the end.
    BRXConfigError EnumKey(const std::string& root, std::string* name, int index);

    // "Default Session" of "Applications\<application>".
    BRXConfigError GetDefaultSession(const std::string& application, std::string* session);
    BRXConfigError SetDefaultSession(const std::string& application, const std::string& session);
    // "Default EndSystem" of "Sessions\<session>".
    BRXConfigError GetDefaultEndSystem(const std::string& session, std::string* endSystem);
    BRXConfigError SetDefaultEndSystem(const std::string& session, const std::string& endSystem);
};

// The configuration of an application: 1 with its default session in *session when the
// application has one; 0 otherwise (*session unchanged).
int BRXAPIConfiguration(const std::string& application, std::string* session);

// Loads the provider (as a connection does) and gives the result of its SPConfig(route,
// deviceKind): 1 when the route has been configured. 0 when the provider cannot be loaded
// or has no SPConfig.
int BRXAPIConfigureServiceProvider(const std::string& provider, const std::string& route,
                                   int deviceKind);
