// The back end that reads the configuration store itself and hands every write, key creation
// and key deletion to the configuration service. Requests name the key by m_strKeyPath: the
// path of the last open, one level longer for each create, empty after a close.
#pragma once

#include "core/Registry.h"

class CRegistryServices : public CRegistryBase {
public:
    // Sets the process-wide access level to full access.
    CRegistryServices();
    ~CRegistryServices() override;

    bool RegistryOpen(const std::string& path, bool bLog) override;
    bool RegistryOpenAll(const std::string& path, bool bLog) override;
    bool RegistryQueryBinary(const std::string& valueName, platform::BYTE* data,
                             platform::DWORD length, bool bRequired, bool bLog) override;
    bool RegistryQueryDWORD(const std::string& valueName, platform::DWORD* data, bool bRequired,
                            bool bLog) override;
    bool RegistryQueryString(const std::string& valueName, std::string* data, bool bRequired,
                             bool bLog) override;
    // Writes report nothing: false is all the caller learns of a refused request.
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
    bool SendValue(const std::string& valueName, int transferType, const std::string* text,
                   platform::DWORD number);

    std::string m_strKeyPath;
};
