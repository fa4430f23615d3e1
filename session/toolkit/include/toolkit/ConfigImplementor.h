// CConfigNS::IConfigImplementor, the back end of a configuration, and its one kind,
// CConfigFileImplementor, over an initialisation file read and written through the
// private-profile functions. Every file operation runs under the source mutex; the file is
// read anew by every Get, nothing is cached.
#pragma once

#include "toolkit/Mutex.h"
#include "toolkit/String.h"
#include "toolkit/ToolkitApi.h"

namespace CConfigNS {

class UTK_API IConfigImplementor {
public:
    enum E_RESULTCODE : std::int32_t {
        E_SUCCESS = 0,
        E_NO_IMPLEMENTAION_OBJ = 1,
        E_UPDATED = 2,
        E_NO_CHANGE = 3,
        E_ERROR = 4,
    };

    IConfigImplementor(const IConfigImplementor&) = delete;
    IConfigImplementor& operator=(const IConfigImplementor&) = delete;
    virtual ~IConfigImplementor();

    virtual void SetSource(const UTKString::CString& source);
    virtual UTKString::CString GetSource();
    virtual E_RESULTCODE RefreshFromMedia() { return E_NO_CHANGE; }
    virtual bool FlushToMedia() { return true; }
    virtual bool Get(const char* section, const char* key, UTKString::CString& value,
                     const UTKString::CString& defaultValue) = 0;
    virtual bool Set(const char* section, const char* key, const char* value) = 0;
    virtual bool RemoveSection(const char* section) = 0;
    virtual bool RemoveKey(const char* section, const char* key) = 0;
    virtual E_RESULTCODE GetLastError();
    virtual const char* GetLastErrorString();
    virtual void ClearLastError();

    static const char* ResultText(E_RESULTCODE code);

protected:
    IConfigImplementor() = default;
    virtual void SetLastError(E_RESULTCODE code);

    UTKTools::CRecursiveMutex m_sourceMutex;  // guards the source and every file operation
    UTKString::CString m_source;

private:
    UTKTools::CRecursiveMutex m_resultMutex;
    E_RESULTCODE m_lastResult = E_SUCCESS;
};

class UTK_API CConfigFileImplementor : public IConfigImplementor {
public:
    CConfigFileImplementor() = default;
    ~CConfigFileImplementor() override;

    // A name without a folder goes to the Windows folder; the file is created when missing.
    void SetSource(const UTKString::CString& source) override;
    bool Get(const char* section, const char* key, UTKString::CString& value,
             const UTKString::CString& defaultValue) override;
    bool Set(const char* section, const char* key, const char* value) override;
    bool RemoveSection(const char* section) override;
    bool RemoveKey(const char* section, const char* key) override;
};

}  // namespace CConfigNS
