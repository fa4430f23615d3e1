// The adapter's storage: the session file with one section per session, and the answers to
// the driver's configuration questions.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "brxapicfg/BRXConfig.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Win32Error.h"
#include "quil2sp/QUIL2Session.h"

namespace QUIL2SessionNS {

namespace {

using P = UTKLogger::CPriority;

constexpr const char* kProvidersRoot =
    "SOFTWARE\\The TREVO Group\\Common TREVO API\\Service Providers";
constexpr const char* kGlobalBelowProviders = "\\QUIL2\\Global";
constexpr std::size_t kValueBuffer = 256;
constexpr std::uint32_t kSessionValueChars = 255;
// Every account of the machine reads and writes the session file.
constexpr mode_t kSessionFileMode = 0666;

// Hands a value back the way the library asks for: cut to size - 1 and terminated, the
// size set to what was copied; an empty value is an empty text of size 0.
void HandBack(const std::string& value, char* data, unsigned int* size) {
    if (value.empty() || *size == 0) {
        if (*size > 0) data[0] = '\0';
        *size = 0;
        return;
    }
    const std::size_t n = std::min<std::size_t>(value.size(), *size - 1);
    std::memcpy(data, value.data(), n);
    data[n] = '\0';
    *size = static_cast<unsigned int>(n);
}

}  // namespace

bool QUIL2Session::ReadGlobal(const char* name, std::string& value) {
    const char* where = "CQUILSession::GetSessionFileName";
    platform::HKEY key = nullptr;
    platform::LONG rc = platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kGlobalKey, 0,
                                               platform::KEY_ALL_ACCESS, &key);
    if (rc == platform::ERROR_ACCESS_DENIED) {
        Log(P::DEBUG, where,
            "Registry Access Denied - Attempting to open key with less rights \"%s\\%s\"",
            kProvidersRoot, kGlobalBelowProviders);
        rc = platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kGlobalKey, 0, platform::KEY_READ,
                                    &key);
    }
    if (rc != platform::ERROR_SUCCESS) {
        Log(P::DEBUG, where, "Could not open registry key \"%s\" error %d (%s)", kGlobalKey,
            static_cast<int>(rc),
            platform::SystemErrorText(static_cast<platform::DWORD>(rc)).c_str());
        return false;
    }
    char buffer[kValueBuffer] = {};
    platform::DWORD type = 0;
    platform::DWORD size = sizeof buffer - 1;
    rc = platform::RegQueryValueEx(key, name, nullptr, &type,
                                   reinterpret_cast<platform::BYTE*>(buffer), &size);
    (void)platform::RegCloseKey(key);
    if (rc == platform::ERROR_SUCCESS && type == platform::REG_DWORD && size == 4) {
        std::uint32_t number = 0;
        std::memcpy(&number, buffer, sizeof number);
        value = std::to_string(number);
    } else if (rc == platform::ERROR_SUCCESS && type == platform::REG_SZ) {
        value.assign(buffer, strnlen(buffer, size));
    } else {
        if (rc == platform::ERROR_SUCCESS) rc = platform::ERROR_INVALID_DATA;
        Log(P::DEBUG, where, "Could not get registry string \"%s\\%s\" error %d (%s)", kGlobalKey,
            name, static_cast<int>(rc),
            platform::SystemErrorText(static_cast<platform::DWORD>(rc)).c_str());
        return false;
    }
    Log(P::DEBUG, where, "Got configuration string \"%s\\%s\" as \"%s\"", kGlobalKey, name,
        value.c_str());
    return true;
}

void QUIL2Session::CreateSessionFile(const std::string& name) {
    const char* where = "CQUILSession::GetSessionFileName";
    // Where the ini engine keeps the file of this name.
    const std::filesystem::path path = platform::ProfilePath(name.c_str());
    if (path.empty()) return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kSessionFileMode);
    if (fd < 0) {
        if (errno != EEXIST)
            Log(P::ERROR, where, "Could not create the session file \"%s\" errno %d", path.c_str(),
                errno);
        return;  // a file that is there keeps its mode
    }
    // The mode asked for at open is cut by the umask.
    if (::fchmod(fd, kSessionFileMode) != 0)
        Log(P::ERROR, where,
            "Could not make the session file \"%s\" writable by every account errno %d",
            path.c_str(), errno);
    ::close(fd);
}

std::string QUIL2Session::SessionFileName() {
    const char* where = "CQUILSession::GetSessionFileName";
    std::string name;
    if (!ReadGlobal("SESSFILE", name) || name.empty()) {
        const std::filesystem::path windows = platform::WindowsDir();
        Log(P::DEBUG, where, "Could not get the session file name: %s%s\\%s", kProvidersRoot,
            kGlobalBelowProviders, "SESSFILE");
        name = (windows / "session.txt").string();
        Log(P::DEBUG, where, "Set session file name to default: %s", name.c_str());
        std::error_code ignored;
        std::filesystem::create_directories(windows, ignored);
    }
    CreateSessionFile(name);
    std::lock_guard guard(m_fileLock);
    m_sessionFileName = name;
    return name;
}

std::string QUIL2Session::SectionName() const {
    IAdapterOwner* owner = m_owner;
    const std::string lniata = owner != nullptr ? owner->ConfigLniata().substr(0, 6) : "";
    char section[16] = {};
    if (strcasecmp(lniata.c_str(), "000000") == 0)
        std::snprintf(section, sizeof section, "0X%.8X", m_identity);
    else
        std::snprintf(section, sizeof section, "%s", lniata.c_str());
    return section;
}

void QUIL2Session::OnStoreSessionChanges(const char* key, const char* data, unsigned int length) {
    const char* where = "CQUILSession::OnStoreSessionChanges";
    Log(P::DEBUG, where, "called!");
    if (key == nullptr) return;
    const std::string file = SessionFileName();
    const std::string section = SectionName();
    const std::string value = data != nullptr ? std::string(data, strnlen(data, length)) : "";
    Log(P::DEBUG, where,
        "SectionName: \"%s\", KeyName: \"%s\", SessionDataChange: \"%s\", SessionFileName: "
        "\"%s\"",
        section.c_str(), key, value.c_str(), file.c_str());
    (void)platform::WritePrivateProfileString(section.c_str(), key, value.c_str(), file.c_str());
    IAdapterOwner* owner = m_owner;
    if (owner == nullptr || std::strcmp(key, "RID") != 0) return;
    Log(P::DEBUG, "QUIL2Session::OnStoreSessionChanges", "RID to store = \"%s\"", value.c_str());
    if (strcasecmp(value.c_str(), owner->Rid().c_str()) != 0) owner->SetRid(value);
}

void QUIL2Session::OnGetSessionData(const char* key, char* data, unsigned int* size) {
    const char* where = "CQUILSession::OnGetSessionData";
    Log(P::DEBUG, where, "called!");
    if (key == nullptr) {
        Log(P::ERROR, where, "called! KeyName is NULL. Returning");
        return;
    }
    if (data == nullptr) {
        Log(P::ERROR, where, "called! Data is NULL. Returning");
        return;
    }
    if (size == nullptr || *size == 0) {
        Log(P::ERROR, where, "called! BufferSize is NULL or 0. Returning");
        return;
    }
    const std::string file = SessionFileName();
    const std::string section = SectionName();
    char value[kSessionValueChars + 1] = {};
    (void)platform::GetPrivateProfileString(section.c_str(), key, "", value, sizeof value,
                                            file.c_str());
    Log(P::DEBUG, where,
        "SectionName: \"%s\", KeyName: \"%s\", szData: \"%s\", SessionFileName: \"%s\"",
        section.c_str(), key, value, file.c_str());
    HandBack(value, data, size);
    Log(P::INFO, where, "Returning %s=\"%s\"", key, data);
}

void QUIL2Session::ClearEntryFromSessionFile(const char* section, const char* file) {
    const char* where = "CQUILSession::ClearEntryFromSessionFile";
    Log(P::DEBUG, where, "called!");
    const std::string mine = SectionName();
    std::string name;
    {
        std::lock_guard guard(m_fileLock);
        name = m_sessionFileName;
    }
    if (!name.empty())
        (void)platform::WritePrivateProfileString(mine.c_str(), nullptr, nullptr, name.c_str());
    Log(P::INFO, where, "Cleared Session file \"%s\", Section \"%s\"", file != nullptr ? file : "",
        section != nullptr ? section : "");
}

bool QUIL2Session::OnGetCfgInfo(const char* section, const char* key, char* data,
                                unsigned int* size) {
    const char* where = "CQUILSession::OnGetCfgInfo";
    Log(P::DEBUG, where, "called!");
    if (key == nullptr) {
        Log(P::ERROR, where, "KeyName is NULL. Returning false");
        return false;
    }
    std::string value;
    IAdapterOwner* owner = m_owner;
    const bool route = section == nullptr || section[0] == '\0' ||
                       (owner != nullptr && strcasecmp(section, owner->RouteName().c_str()) == 0);
    if (owner == nullptr) {
        Log(P::ERROR, where, "No parent set!");
    } else if (route) {
        value = owner->ConfigValue(key);
        Log(P::DEBUG, where, "[%s] %s = \"%s\"", section != nullptr ? section : "", key,
            value.c_str());
    } else if (strcasecmp(section, "GLOBAL") == 0) {
        if (!ReadGlobal(key, value)) value.clear();
    } else {
        Log(P::DEBUG, where, "Unrecognized branch: [%s] %s = \"\"", section, key);
    }
    if (data != nullptr && size != nullptr) {
        HandBack(value, data, size);
        Log(P::INFO, where, "Returning %s=\"%s\"", key, data);
    }
    return true;
}

bool QUIL2Session::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                  unsigned int length) {
    const char* where = "CQUILSession::OnStoreCfgInfo";
    Log(P::DEBUG, where, "called!");
    if (key == nullptr) {
        Log(P::ERROR, where, "KeyName is NULL. Returning false");
        return false;
    }
    IAdapterOwner* owner = m_owner;
    if (owner == nullptr) Log(P::ERROR, where, "No parent set!");
    const std::string text = value != nullptr ? std::string(value, strnlen(value, length)) : "";
    try {
        const bool route =
            section == nullptr || section[0] == '\0' ||
            (owner != nullptr && strcasecmp(section, owner->RouteName().c_str()) == 0);
        if (route) {
            if (owner != nullptr) owner->SetConfigValue(key, text.c_str());
        } else if (strcasecmp(section, "GLOBAL") == 0) {
            const bool stored =
                BRXConfig().SetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", key, text) == 0;
            Log(P::DEBUG, where,
                stored ? "Set configuration string \"%s%s\\%s\" to \"%s\""
                       : "Could not set configuration string \"%s%s\\%s\" to \"%s\"",
                kProvidersRoot, kGlobalBelowProviders, key, text.c_str());
        }
    } catch (const SessionNS::CExceptionBase& e) {
        Log(P::ERROR, where, "m_Config.SetString failed: (%d)%s", static_cast<int>(e.error()),
            e.what());
    } catch (...) {
        Log(P::ERROR, where, "m_Config.SetString failed.");
    }
    Log(P::DEBUG, where, "Returning true");
    return true;
}

}  // namespace QUIL2SessionNS
