// UTKTools::CConfigFileAdapter: the configuration file as the rest of the library uses it.
// It owns one file-backed CConfig and forwards every operation to it; results are integers,
// 1 for true and 0 for false.
#pragma once

#include <cstdint>

#include "toolkit/Config.h"
#include "toolkit/String.h"
#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API CConfigFileAdapter {
public:
    enum E_RESULTCODE : std::int32_t { E_RESULT_SUCCESS = 0, E_RESULT_FAILURE = 9 };
    enum E_REFRESH_RESULT : std::int32_t {
        E_REFRESH_REFRESHED = 0,
        E_REFRESH_NO_CHANGE = 1,
        E_REFRESH_FAILURE = 2,
    };
    enum E_WRITE_RESULT : std::int32_t { E_WRITE_WRITTEN = 0, E_WRITE_FAILURE = 1 };

    CConfigFileAdapter();
    CConfigFileAdapter(const CConfigFileAdapter&) = delete;
    CConfigFileAdapter& operator=(const CConfigFileAdapter&) = delete;
    virtual ~CConfigFileAdapter();

    void SetFileName(const UTKString::CString& fileName);
    UTKString::CString GetFileName();

    int Read();
    E_REFRESH_RESULT Refresh();
    E_WRITE_RESULT Write();
    E_RESULTCODE GetLastError();
    UTKString::CString GetLastErrorString();
    void ClearLastError();

    int GetString(const char* section, const char* key, UTKString::CString& value,
                  const UTKString::CString& defaultValue);
    int GetStringUpper(const char* section, const char* key, UTKString::CString& value,
                       const UTKString::CString& defaultValue);
    int GetStringLower(const char* section, const char* key, UTKString::CString& value,
                       const UTKString::CString& defaultValue);
    int GetYesNo(const char* section, const char* key, int defaultValue);
    int GetTrueFalse(const char* section, const char* key, int defaultValue);
    int GetLong(const char* section, const char* key, std::int32_t& value,
                std::int32_t defaultValue);
    int WriteString(const char* section, const char* key, const char* text);
    int WriteBOOL(const char* section, const char* key, int value);
    int WriteYesNo(const char* section, const char* key, int value);
    int WriteLong(const char* section, const char* key, long value);
    int RemoveSection(const char* section);
    int RemoveKey(const char* section, const char* key);

private:
    CConfigNS::CConfig* m_pConfig;
};

}  // namespace UTKTools
