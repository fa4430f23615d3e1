// A device's settings in the configuration store: its key below the application key, read
// value by value in the order the device kind gives, with the fall-back of the kinds that
// have one to a defaults key, and the host link every device with a "Host" gets.
//
// Threads: the user-interface thread, which builds the devices (it uses the program's
// global registry object, whose current key it keeps from open to close).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/HostTrevo.h"

namespace devices {

class CDeviceKey {
public:
    // Opens the key (the application key, "\" and keyName, or the full path given).
    explicit CDeviceKey(const std::string& strPath);
    // Closes it.
    ~CDeviceKey();
    CDeviceKey(const CDeviceKey&) = delete;
    CDeviceKey& operator=(const CDeviceKey&) = delete;

    static std::string DevicePath(const std::string& strDeviceKey);
    // The application key with "\Defaults", "\Device" and "\<kind>".
    static std::string DefaultsPath(const std::string& strKind);

    // A read that fails leaves the value as it was and marks the key failed.
    void Read(const char* pszName, std::string& value);
    void Read(const char* pszName, std::uint32_t& value);
    // Reads the value only while it is still empty (strings) or 0 (numbers).
    void ReadIfUnset(const char* pszName, std::string& value);
    void ReadIfUnset(const char* pszName, std::uint32_t& value);
    // Gives the key its default terminator data when it has none.
    void BuildTerminator();

    [[nodiscard]] bool IsOpen() const noexcept { return m_bOpen; }
    [[nodiscard]] bool AnyFailed() const noexcept { return m_bFailed; }

private:
    bool m_bOpen = false;
    bool m_bFailed = false;
};

// The device's host link settings: "Host" and "Device Session" from its key. False when the
// device is to have no host link ("Host" is "None" or cannot be read).
[[nodiscard]] bool ReadHostLink(const std::string& strDeviceKey, std::string& strHost,
                                std::string& strSession);

// The plain host link of a device kind without special actions: made when ReadHostLink finds
// a "Host" (strSession then holds the device's session), null otherwise.
std::unique_ptr<core::CHostTrevo> MakeHostLink(const std::string& strDeviceKey,
                                               bool bInsertLineFeed,
                                               const std::string& strTerminator,
                                               std::string& strSession);

}  // namespace devices
