#include "toolkit/ConfigImplementor.h"

#include <string>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "toolkit/FileHandler.h"

namespace CConfigNS {

using UTKString::CString;
using UTKTools::CGuard;

IConfigImplementor::~IConfigImplementor() = default;

void IConfigImplementor::SetSource(const CString& source) {
    CGuard guard(m_sourceMutex);
    m_source = source;
}

CString IConfigImplementor::GetSource() {
    CGuard guard(m_sourceMutex);
    return m_source;
}

IConfigImplementor::E_RESULTCODE IConfigImplementor::GetLastError() {
    CGuard guard(m_resultMutex);
    return m_lastResult;
}

const char* IConfigImplementor::GetLastErrorString() {
    return ResultText(GetLastError());
}

void IConfigImplementor::ClearLastError() {
    SetLastError(E_SUCCESS);
}

void IConfigImplementor::SetLastError(E_RESULTCODE code) {
    CGuard guard(m_resultMutex);
    m_lastResult = code;
}

const char* IConfigImplementor::ResultText(E_RESULTCODE code) {
    switch (code) {
        case E_SUCCESS:
            return "E_SUCCESS";
        case E_NO_IMPLEMENTAION_OBJ:
            return "E_NO_IMPLEMENTAION_OBJ";
        case E_UPDATED:
            return "E_UPDATED";
        case E_NO_CHANGE:
            return "E_NO_CHANGE";
        case E_ERROR:
            return "E_ERROR";
    }
    return "Unrecognized";
}

// ---- CConfigFileImplementor ----

namespace {
constexpr std::uint32_t kValueBufferSize = 1024;

// A name with a folder (either separator) names its own place.
bool HasFolder(const char* name) {
    const std::string text(name);
    return text.find('\\') != std::string::npos || text.find('/') != std::string::npos;
}
}  // namespace

CConfigFileImplementor::~CConfigFileImplementor() = default;

void CConfigFileImplementor::SetSource(const CString& source) {
    CGuard guard(m_sourceMutex);
    m_source = source;
    if (m_source.empty()) {
        return;
    }
    if (!HasFolder(m_source.c_str())) {
        const std::filesystem::path windows = platform::WindowsDir();
        (void)platform::CreateDirectories(windows);
        CString full((windows / m_source.c_str()).string().c_str());
        m_source = full;
    }
    UTKLogger::CFileHandler file(m_source.c_str(), false);
    file.FileClose();
}

bool CConfigFileImplementor::Get(const char* section, const char* key, CString& value,
                                 const CString& defaultValue) {
    CGuard guard(m_sourceMutex);
    if (m_source.empty() || section == nullptr || key == nullptr) {
        return false;
    }
    char buffer[kValueBufferSize] = {};
    (void)platform::GetPrivateProfileString(section, key, defaultValue.c_str(), buffer,
                                            kValueBufferSize, m_source.c_str());
    value = buffer;
    return true;
}

bool CConfigFileImplementor::Set(const char* section, const char* key, const char* value) {
    CGuard guard(m_sourceMutex);
    if (m_source.empty() || section == nullptr || key == nullptr) {
        return false;
    }
    return platform::WritePrivateProfileString(section, key, value != nullptr ? value : "",
                                               m_source.c_str());
}

bool CConfigFileImplementor::RemoveSection(const char* section) {
    CGuard guard(m_sourceMutex);
    if (m_source.empty() || section == nullptr) {
        return false;
    }
    return platform::WritePrivateProfileString(section, nullptr, nullptr, m_source.c_str());
}

bool CConfigFileImplementor::RemoveKey(const char* section, const char* key) {
    CGuard guard(m_sourceMutex);
    if (m_source.empty() || section == nullptr || key == nullptr) {
        return false;
    }
    return platform::WritePrivateProfileString(section, key, nullptr, m_source.c_str());
}

}  // namespace CConfigNS
