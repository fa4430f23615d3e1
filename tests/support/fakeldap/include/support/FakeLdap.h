// A directory-access library for the directory client's tests, loaded by file name as the real
// one is: "fakeldap.so" has every entry point, "fakeldap_noopen.so" all but "ldap_open". It
// answers a search with the entries it was given, records the calls that open, search and
// close (one line of text each) and counts the value lists it handed out and got back. The
// test reaches it through the module's export "FakeLdapControl" (FakeLdap loads the module
// for that and keeps it loaded while it lives).
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/DynamicLibrary.h"

namespace support {

// One entry: its attributes and their values, in order.
using FakeLdapEntry = std::vector<std::pair<std::string, std::vector<std::string>>>;

class IFakeLdapControl {
public:
    virtual ~IFakeLdapControl() = default;
    // Forgets calls and entries; every call succeeds again.
    virtual void Reset() = 0;
    virtual void SetEntries(std::vector<FakeLdapEntry> entries) = 0;
    // What ldap_connect answers (0 unless set).
    virtual void SetConnectResult(int result) = 0;
    // "ldap_init 127.0.0.1 389", "ldap_set_option 4 3", "ldap_set_option 20485 3s 0us",
    // "ldap_connect", "ldap_search <base> 2 <filter> a,b,c 0", "ldap_result 1 1 10s 0us",
    // "ldap_msgfree", "ldap_unbind", "ldap_open".
    virtual std::vector<std::string> Calls() = 0;
    // Value lists handed out and not yet freed.
    virtual int OutstandingValues() = 0;
};

class FakeLdap {
public:
    static constexpr const char* kFull = "fakeldap.so";
    static constexpr const char* kWithoutOpen = "fakeldap_noopen.so";

    explicit FakeLdap(const char* file = kFull);
    // The module's file, to give the directory client.
    const std::filesystem::path& Path() const noexcept { return m_path; }
    // Null when the module could not be loaded.
    IFakeLdapControl* Control() const noexcept { return m_control; }

private:
    std::filesystem::path m_path;
    platform::DynamicLibrary m_module;
    IFakeLdapControl* m_control = nullptr;
};

}  // namespace support
