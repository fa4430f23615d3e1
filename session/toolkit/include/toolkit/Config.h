// CConfigNS::IConfig: typed getters and setters over a configuration back end. Every value
// is text in the back end; yes/no, true/false and numbers are converted here. CConfig is
// the concrete class.
#pragma once

#include <cstdint>

#include "toolkit/ConfigImplementor.h"
#include "toolkit/Mutex.h"
#include "toolkit/String.h"
#include "toolkit/ToolkitApi.h"

namespace CConfigNS {

class UTK_API IConfig {
public:
    enum IMPLEMENTOR_TYPE : std::int32_t {
        IMPLEMENTOR_FILE = 0,
    };

    // Creates the file back end for kind 0; any other kind has none.
    explicit IConfig(IMPLEMENTOR_TYPE type);
    IConfig(const IConfig&) = delete;
    IConfig& operator=(const IConfig&) = delete;
    virtual ~IConfig();

    virtual void SetSource(const UTKString::CString& source);
    virtual UTKString::CString GetSource();
    virtual IConfigImplementor::E_RESULTCODE RefreshFromMedia();
    virtual bool FlushToMedia();
    virtual bool Get(const char* section, const char* key, UTKString::CString& value,
                     const UTKString::CString& defaultValue);
    virtual bool GetUpper(const char* section, const char* key, UTKString::CString& value,
                          const UTKString::CString& defaultValue);
    virtual bool GetLower(const char* section, const char* key, UTKString::CString& value,
                          const UTKString::CString& defaultValue);
    virtual bool GetYesNo(const char* section, const char* key, bool defaultValue);
    virtual bool GetTrueFalse(const char* section, const char* key, bool defaultValue);
    // Always true; a missing key gives 0, a number at the edge of the 32-bit range (an
    // overflow) leaves the default.
    virtual bool GetLong(const char* section, const char* key, std::int32_t& value,
                         std::int32_t defaultValue);
    virtual bool Set(const char* section, const char* key, const char* value);
    virtual bool SetTrueFalse(const char* section, const char* key, bool value);
    virtual bool SetYesNo(const char* section, const char* key, bool value);
    virtual bool SetLong(const char* section, const char* key, long value);
    virtual bool RemoveSection(const char* section);
    virtual bool RemoveKey(const char* section, const char* key);
    virtual IConfigImplementor::E_RESULTCODE GetLastError();
    virtual const char* GetLastErrorString();
    virtual void ClearLastError();

private:
    // Get, then every byte through the given single-byte case mapping.
    bool GetMapped(const char* section, const char* key, UTKString::CString& value,
                   const UTKString::CString& defaultValue, bool upper);
    bool GetWord(const char* section, const char* key, bool defaultValue, const char* yes);

    IMPLEMENTOR_TYPE m_type;
    IConfigImplementor* m_pImplementor = nullptr;
    UTKTools::CRecursiveMutex m_mutex;  // guards creating and deleting the back end
};

class UTK_API CConfig : public IConfig {
public:
    explicit CConfig(IMPLEMENTOR_TYPE type) : IConfig(type) {}
    ~CConfig() override;
};

}  // namespace CConfigNS
