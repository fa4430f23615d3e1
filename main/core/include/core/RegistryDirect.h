// The back end that reads and writes the configuration store itself. A successful create
// makes the new key the open one (the old one is closed first).
#pragma once

#include "core/Registry.h"

class CRegistryDirect : public CRegistryBase {
public:
    CRegistryDirect();
    ~CRegistryDirect() override;

    bool RegistryOpen(const std::string& path, bool bLog) override;
    bool RegistryOpenAll(const std::string& path, bool bLog) override;
    bool RegistryQueryBinary(const std::string& valueName, platform::BYTE* data,
                             platform::DWORD length, bool bRequired, bool bLog) override;
    bool RegistryQueryDWORD(const std::string& valueName, platform::DWORD* data, bool bRequired,
                            bool bLog) override;
    bool RegistryQueryString(const std::string& valueName, std::string* data, bool bRequired,
                             bool bLog) override;
    // A value longer than the transfer buffer is refused (logged, false).
    bool RegistrySetBinary(const std::string& valueName, const platform::BYTE* data,
                           platform::DWORD length, bool bRequired, bool bLog) override;
    bool RegistrySetDWORD(const std::string& valueName, platform::DWORD data, bool bRequired,
                          bool bLog) override;
    bool RegistrySetString(const std::string& valueName, const std::string& data, bool bRequired,
                           bool bLog) override;
    bool RegistryCreateKey(const std::string& subKey, bool bLog) override;
    bool RegistryDeleteKey(const std::string& subKey, bool bRequired, bool bLog) override;
    bool RegistryClose() override;

private:
    // Copies the data into the transfer buffer and writes it; the caller holds the lock.
    bool WriteValue(const std::string& valueName, platform::DWORD type, const platform::BYTE* data,
                    platform::DWORD length, bool bRequired, bool bLog);
    bool RegistrySetValueEx(const std::string& valueName, platform::DWORD type, bool bLog);
};
