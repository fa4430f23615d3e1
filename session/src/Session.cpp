#include "session/Session.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/MachineRoot.h"
#include "platform/Path.h"

namespace SessionNS {

using P = UTKLogger::CPriority;

namespace {

constexpr const char* kUnknownContext = "[%u:?????????????:?????:??????]";

// Hands a value to the driver: at most *length - 1 characters and a terminator.
void Answer(const UTKString::CString& value, char* buffer, unsigned long* length) {
    if (value.empty()) {
        buffer[0] = '\0';
        *length = 0;
        return;
    }
    const unsigned long n = value.length() < *length ? value.length() : *length - 1;
    std::memcpy(buffer, value.c_str(), n);
    buffer[n] = '\0';
    *length = n;
}

UTKString::CString Counted(const char* value, unsigned long length) {
    UTKString::CString text;
    if (value != nullptr) {
        const std::uint32_t n = UTKString::strnlen(
            value, length > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<std::uint32_t>(length));
        text.reserve(n + 1);
        for (std::uint32_t i = 0; i < n; ++i) {
            text += value[i];
        }
    }
    return text;
}

bool IsOwnSection(const char* section, const char* route) {
    return section == nullptr || *section == '\0' || strcasecmp(section, route) == 0 ||
           strcasecmp(section, "GLOBAL") == 0;
}

}  // namespace

CSession::CSession(UTKLogger::CLogger& logger) : m_pLogger(&logger) {
    ResetSessionContext();
    ReadConfigFileCache();
}

CSession::~CSession() {
    // The driver object goes (and its callbacks end) before the context and logger do.
    Terminate();
}

UTKTools::CConfigFileAdapter& CSession::ConfigFile() {
    static UTKTools::CConfigFileAdapter* file = new UTKTools::CConfigFileAdapter;
    return *file;
}

UTKTools::CConfigFileAdapter& CSession::SessionFile() {
    static UTKTools::CConfigFileAdapter* file = new UTKTools::CConfigFileAdapter;
    return *file;
}

int CSession::GetConfigFileName(UTKString::CString& name) {
    name = "";
    std::error_code error;
    if (const char* configured = std::getenv("SESSION_CFG_FILE")) {
        if (std::filesystem::is_regular_file(platform::MapPath(configured), error)) {
            name = configured;
            return 1;
        }
        return 0;
    }
    // The current folder, then the machine's Windows folder (there is no system folder).
    const std::filesystem::path current = std::filesystem::current_path(error);
    for (const std::filesystem::path& folder : {current, platform::WindowsDir()}) {
        if (folder.empty()) {
            continue;
        }
        const std::filesystem::path candidate = folder / "SESSION.INI";
        if (std::filesystem::is_regular_file(candidate, error)) {
            name = candidate.string().c_str();
            return 1;
        }
    }
    return 0;
}

void CSession::ReadConfigFileCache() {
    UTKString::CString name;
    if (GetConfigFileName(name) == 0) {
        throw CAPIException(COMM_ERR_NOCFGFILE,
                            "CSession::OnReadSessionConfig: Unable to locate configuration file!");
    }
    ConfigFile().SetFileName(name);
    (void)ConfigFile().Read();
    UTKString::CString sessionFile;
    ConfigFile().GetString("GLOBAL", "SESSFILE", sessionFile, "");
    std::string text(sessionFile.c_str(),
                     sessionFile.length() < 1023 ? sessionFile.length() : 1023);
    text = text.substr(0, text.find(';'));
    SessionFile().SetFileName(text.empty() ? "session.txt" : text.c_str());
}

void CSession::RefreshConfigFileCache() {
    if (ConfigFile().GetFileName().empty()) {
        return;
    }
    if (ConfigFile().Refresh() == UTKTools::CConfigFileAdapter::E_REFRESH_FAILURE) {
        Fail("CSession::RefreshConfigFileCache", P::FATAL, COMM_ERR_NOCFGFILE, true,
             "Could not refresh the config file cache. Returning COMM_ERR_NOCFGFILE");
    }
}

void CSession::FillSessionConfigFromConfigFileCache() {
    Log(P::DEBUG, "CSession::FillSessionConfigFromConfigFileCache", "Filling Config!");
    UTKTools::CGuard guard(m_ConfigLock);
    if (m_pConfig != nullptr) {
        m_pConfig->Fill(ConfigFile());
    }
}

UTKString::CString CSession::SessionSection() {
    if (GetSessionID() != 0) {
        char section[16];
        std::snprintf(section, sizeof section, "%lu", GetSessionID());
        return section;
    }
    return m_pConfig->GetRouteName();
}

void CSession::OnStoreSessionChanges(const char* key, const char* value, unsigned long length) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSession::OnStoreSessionChanges");
    if (key == nullptr) {
        Log(P::ERROR, context, "called! KeyName is NULL. Returning");
        return;
    }
    const UTKString::CString text = Counted(value, length);
    {
        UTKTools::CGuard guard(m_StateLock);
        if (m_pState != nullptr) {
            m_pState->SetString(key, text.c_str(), static_cast<int>(text.length()));
        }
    }
    {
        UTKTools::CGuard guard(m_ConfigLock);
        if (m_pConfig != nullptr) {
            if (*m_pConfig->GetSessionFile() == '\0') {
                if (GetSessionID() != 0) {
                    Log(P::WARN, context, "No session file! Returning");
                    return;
                }
                ConfigFile().WriteString(m_pConfig->GetRouteName(), key, text.c_str());
                (void)ConfigFile().Write();
            } else {
                (void)SessionFile().Refresh();
                SessionFile().WriteString(SessionSection().c_str(), key, text.c_str());
                (void)SessionFile().Write();
            }
        }
    }
    Log(P::INFO, context, "Returning");
}

void CSession::OnGetSessionData(const char* key, char* buffer, unsigned long* length) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSession::OnGetSessionData");
    if (key == nullptr || buffer == nullptr || length == nullptr || *length == 0) {
        Log(P::ERROR, context,
            key == nullptr      ? "called! KeyName is NULL. Returning"
            : buffer == nullptr ? "called! Data is NULL. Returning"
                                : "called! BufferSize is NULL or 0. Returning");
        return;
    }
    Log(P::DEBUG, context, "called! %s", key);
    UTKString::CString value;
    bool fromState = false;
    {
        UTKTools::CGuard guard(m_StateLock);
        if (m_pState != nullptr) {
            value = m_pState->GetString(key);
            fromState = true;
        }
    }
    if (!fromState) {
        UTKTools::CGuard configGuard(m_ConfigLock);
        if (m_pConfig != nullptr) {
            if (*m_pConfig->GetSessionFile() == '\0') {
                if (GetSessionID() != 0) {
                    Log(P::WARN, context, "No session file. Returning");
                } else {
                    (void)OnGetCfgInfo(m_pConfig->GetRouteName(), key, buffer, length);
                    return;
                }
            } else {
                (void)SessionFile().Refresh();
                SessionFile().GetString(SessionSection().c_str(), key, value, "");
                UTKTools::CGuard stateGuard(m_StateLock);
                if (!value.empty() && m_pState != nullptr) {
                    m_pState->SetString(key, value.c_str(), static_cast<int>(value.length()));
                }
            }
        }
    }
    Answer(value, buffer, length);
    Log(P::INFO, context, "Returning %s=\"%s\"", key, buffer);
}

void CSession::ClearEntryFromSessionFile(const char* section, const char*) {
    if (section == nullptr) {
        return;
    }
    (void)SessionFile().Refresh();
    std::int32_t state = 0;
    SessionFile().GetLong(section, "STATE", state, 0);
    if (state != 1 && SessionFile().RemoveSection(section) != 0) {
        (void)SessionFile().Write();
    }
}

bool CSession::OnGetCfgInfo(const char* section, const char* key, char* buffer,
                            unsigned long* length) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSession::OnGetCfgInfo");
    if (key == nullptr || buffer == nullptr || length == nullptr || *length == 0) {
        Log(P::ERROR, context, "KeyName is NULL. Returning false");
        return false;
    }
    UTKString::CString value;
    UTKString::CString route;
    {
        UTKTools::CGuard guard(m_ConfigLock);
        if (m_pConfig != nullptr) {
            route = m_pConfig->GetRouteName();
            if (!IsOwnSection(section, route.c_str())) {
                ConfigFile().GetString(section, key, value, "");
            } else {
                value = m_pConfig->GetString(key);
                if (value.empty() && section != nullptr && *section != '\0') {
                    ConfigFile().GetString(section, key, value, "");
                }
            }
        }
    }
    Log(P::DEBUG, context, "[%s] %s = \"%s\"", route.c_str(), key, value.c_str());
    Answer(value, buffer, length);
    Log(P::INFO, context, "Returning %s=\"%s\"", key, buffer);
    return true;
}

bool CSession::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                              unsigned long length) {
    char context[256];
    BuildLocalContext(context, sizeof context, "CSession::OnStoreCfgInfo");
    if (key == nullptr) {
        Log(P::ERROR, context, "KeyName is NULL. Returning false");
        return false;
    }
    const UTKString::CString text = Counted(value, length);
    UTKString::CString fileSection = section != nullptr ? section : "";
    UTKTools::CGuard guard(m_ConfigLock);
    if (m_pConfig != nullptr) {
        if (IsOwnSection(section, m_pConfig->GetRouteName())) {
            try {
                m_pConfig->SetString(key, text.c_str(), static_cast<int>(text.length()));
            } catch (const CExceptionBase& e) {
                Log(P::ERROR, context, "m_pConfig->SetString failed: (%d)%s",
                    static_cast<int>(e.error()), e.what());
            } catch (...) {
                Log(P::ERROR, context, "m_pConfig->SetString failed.");
            }
        }
        if (fileSection.empty()) {
            fileSection = m_pConfig->GetRouteName();
        }
    }
    if (fileSection.empty()) {
        Log(P::ERROR, context, "Returning true");
        return true;
    }
    if (ConfigFile().WriteString(fileSection.c_str(), key, text.c_str()) == 0) {
        Log(P::ERROR, context, "Unable to write string. Section %s. Returning false",
            fileSection.c_str());
        return false;
    }
    if (ConfigFile().Write() != UTKTools::CConfigFileAdapter::E_WRITE_WRITTEN) {
        Log(P::ERROR, context, "Unable to write to file. Section %s. Returning false",
            fileSection.c_str());
        return false;
    }
    Log(P::INFO, context, "Written to file. Section %s. Returning true", fileSection.c_str());
    return true;
}

void CSession::Log(EPRIORITY priority, const char* context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_pLogger.load()->LogVA(priority, context, format, args);
    va_end(args);
}

void CSession::LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                         const unsigned char* bytes) {
    m_pLogger.load()->LogHex(priority, context, static_cast<std::uint32_t>(length), bytes,
                             UTKLogger::CLogger::HEX_XLATE_EBCDIC, 16);
}

void CSession::LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                        const unsigned char* bytes) {
    m_pLogger.load()->LogHex(priority, context, static_cast<std::uint32_t>(length), bytes,
                             UTKLogger::CLogger::HEX_XLATE_ASCII, 16);
}

void CSession::OnLogDbgData(unsigned char* text, int length) {
    if (text == nullptr || length <= 0) {
        return;
    }
    const std::string line(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    m_pLogger.load()->Log(P::INFO, "", "%s", line.c_str());
}

void CSession::OnLogEBCDICData(unsigned char* bytes, int length) {
    if (length > 0) {
        LogEBCDIC(P::INFO, "", static_cast<unsigned long>(length), bytes);
    }
}

void CSession::OnLogASCIIData(unsigned char* bytes, int length) {
    if (length > 0) {
        LogASCII(P::INFO, "", static_cast<unsigned long>(length), bytes);
    }
}

void CSession::OnLogVA(EPRIORITY priority, const char* context, const char* format, va_list args) {
    m_pLogger.load()->LogVA(priority, context, format, args);
}

void CSession::OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                           unsigned char* bytes) {
    LogEBCDIC(priority, context, length, bytes);
}

void CSession::OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                          unsigned char* bytes) {
    LogASCII(priority, context, length, bytes);
}

const char* CSession::BuildLocalContext(char* buffer, unsigned int size, const char* method) {
    return m_Context.BuildLocal(buffer, size, method);
}

char* CSession::SetLocalContext(char* buffer, unsigned int size, const char* method) {
    char local[256];
    try {
        m_Context.BuildLocal(local, sizeof local, method);
    } catch (const CExceptionBase&) {
        // Too long with the session's prefix: the method alone.
        std::snprintf(local, sizeof local, "%s", method != nullptr ? method : "");
    }
    if (buffer != nullptr && size != 0) {
        std::memset(buffer, 0, size);
        std::snprintf(buffer, size, "%s", local);
    }
    return buffer;
}

void CSession::UpdateContext() {
    UTKTools::CGuard guard(m_StateLock);
    if (m_pState != nullptr) {
        m_Context.SetSession("[%u:%s:%u:%s]", m_SessionNumber, m_pState->GetHostName(),
                             m_pState->GetPort(), m_pState->GetLNIATA());
    }
}

void CSession::ResetSessionContext() {
    m_Context.SetSession(kUnknownContext, m_SessionNumber);
}

}  // namespace SessionNS
