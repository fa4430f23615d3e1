#include "shell/App.h"

#include <cstdio>

#include "core/Branding.h"
#include "core/OperatorQuestion.h"
#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "core/Version.h"
#include "platform/ComRegistry.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "shell/DeviceList.h"
#include "shell/Document.h"

namespace shell {

namespace {

constexpr std::uint32_t kMbOk = 0;
constexpr std::uint32_t kMbIconStop = 0x10;
constexpr std::uint32_t IDS_HELP = 61237;
constexpr std::uint32_t IDS_REGISTRY_ACCESS = 425;

// The failures of steps that cannot fail here (the window class, the object and socket
// libraries need no set-up), with the texts the user would have seen.
[[maybe_unused]] constexpr const char* kClassFailed = "Failed to register class";
[[maybe_unused]] constexpr std::uint32_t IDS_OLE_INIT_FAILED = 220;
[[maybe_unused]] constexpr const char* kSocketsFailed =
    "Failed To Initialize Winsock.DLL\nThis program will close down\n";

int Box(const std::string& text, const std::string& caption, std::uint32_t style) {
    return core::OperatorMessageBox(text, caption, style);
}

// A machine without "Software" in its store is a new one: every machine has that key.
void EnsureSoftwareKey() {
    platform::HKEY key = nullptr;
    if (platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "Software", 0, "", 0,
                                 platform::KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) == platform::ERROR_SUCCESS)
        platform::RegCloseKey(key);
}

bool HasSwitch(const std::vector<std::string>& args, const char* name) {
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
        if (arg.compare(1, std::string::npos, name) == 0) return true;
    }
    return false;
}

}  // namespace

CVekaApp::CVekaApp(AppState& state, AppHooks hooks) : m_state(state), m_hooks(std::move(hooks)) {}

CVekaApp::~CVekaApp() = default;

bool CVekaApp::IsNt() const noexcept {
    return m_hooks.osVersion == CVersion::VERSION_NT4 ||
           m_hooks.osVersion == CVersion::VERSION_NT351;
}

bool CVekaApp::StartAsServiceRequested() {
    platform::HKEY key = nullptr;
    if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, CVekaDoc::kKeyRoot, 0,
                               platform::KEY_READ, &key) != platform::ERROR_SUCCESS)
        return false;
    std::uint32_t value = 0;
    platform::DWORD type = 0;
    platform::DWORD size = sizeof value;
    const platform::LONG rc = platform::RegQueryValueEx(
        key, "StartAsService", nullptr, &type, reinterpret_cast<platform::BYTE*>(&value), &size);
    platform::RegCloseKey(key);
    if (rc != platform::ERROR_SUCCESS || size == 0) return false;
    return ServiceModeRequested(value);
}

CVekaApp::Start CVekaApp::InitInstance(const std::vector<std::string>& args) {
    static const char* const kLabel = "CVekaApp::InitInstance():";
    if (!platform::BindToFirstProcessor())
        TRACE_LAST_ERROR("CVekaApp::InitInstance(): SetProcessAffinityMask()");
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, kLabel, "%s", "");
    m_deviceTypeNames = LoadDeviceTypeNames();

    const bool startAsService = StartAsServiceRequested();
    m_command = CommandLine::Parse(args, IsNt(), startAsService);
    if (!m_command.instanceId.empty()) {
        m_strWindowClass = kWindowClass + m_command.instanceId;
        m_state.instance = true;
    }
    m_state.deviceCountValueName = m_command.deviceCountValueName;

    // One process per instance id. A removal is no run of the program: it goes on while the
    // service it removes runs under the same id (and stops it).
    if (m_command.action != CommandLine::Action::Remove &&
        !m_instanceLock.Acquire(m_strWindowClass)) {
        if (platform::GetLastError() == platform::ERROR_ALREADY_EXISTS) {
            static_cast<void>(FirstInstanceRestore());
            return Start::End;
        }
        TRACE_LAST_ERROR("CVekaApp::InitInstance(): InstanceLock()");
    }

    switch (m_command.action) {
        case CommandLine::Action::Remove:
            for (const std::string& name : m_command.servicesToRemove) {
                if (m_hooks.removeService)
                    m_hooks.removeService(name);
                else
                    TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "Cannot remove '%s' here",
                                 name.c_str());
            }
            return Start::End;
        case CommandLine::Action::Help:
            static_cast<void>(
                Box(core::LoadVekaString(IDS_HELP), CommandLine::kHelpCaption, kMbOk));
            return Start::End;
        case CommandLine::Action::Refuse:
            static_cast<void>(Box(m_command.error, CommandLine::kHelpCaption, kMbOk | kMbIconStop));
            return Start::End;
        case CommandLine::Action::Run:
            break;
    }
    if (m_command.useInstanceServiceName) {
        m_state.useInstanceServiceName = true;
        m_state.serviceName = m_command.serviceName;
        m_state.serviceDisplayName = m_command.displayName;
    }
    if (startAsService && IsNt()) {
        if (m_hooks.serviceStartup) static_cast<void>(m_hooks.serviceStartup());
        m_state.serviceMode = true;
        core::SetServiceMode(1);
    }
    m_bClassRegistered = true;

    // The second reading of the command line gives the document its instance id.
    m_state.instanceId = CommandLine::Parse(args, IsNt(), startAsService).instanceId;
    if (!m_state.instanceId.empty()) m_state.instance = true;

    if (HasSwitch(args, "Embedding") || HasSwitch(args, "Automation")) return Start::Embedded;

    RegisterAutomationClass();
    EnsureSoftwareKey();
    IMainWindow* window = m_hooks.createDocument ? m_hooks.createDocument() : nullptr;
    if (!window) return Start::End;
    if (!RecordStart()) return Start::End;
    if (m_hooks.osVersion != CVersion::VERSION_NT351) window->Hide();
    SetTitle(*window);
    return Start::Run;
}

void CVekaApp::RegisterAutomationClass() {
    platform::ClassRegistration reg;
    reg.classId = *platform::Guid::Parse(kAutomationClassId);
    reg.typeName = "Veka Document";
    reg.module = platform::ProgramFile();
    if (platform::FAILED(platform::RegisterComClass(reg)))
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaApp::InitInstance(): RegisterComClass()", "%s",
                     platform::ComLastErrorText().c_str());
}

bool CVekaApp::RecordStart() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen("Software", true)) {
        static_cast<void>(Box(core::LoadVekaString(IDS_REGISTRY_ACCESS),
                              core::LoadVekaString(core::IDS_PRINTING_MODULE),
                              kMbOk | kMbIconStop));
        return false;
    }
    for (const char* key :
         {"\\The TREVO Group", "\\Common TREVO API", "\\Applications", "\\TREVO VEKA", "\\State"})
        static_cast<void>(reg.RegistryCreateKey(key, true));
    static_cast<void>(reg.RegistrySetDWORD("Startup Window State", 0, true, true));
    static_cast<void>(reg.RegistryClose());
    m_state.startupWindowState = 0;
    return true;
}

void CVekaApp::SetTitle(IMainWindow& window) {
    const std::uint32_t id = core::BrandStringId(core::BrandText::Title);
    if (StartAsServiceRequested()) {
        m_strTitle = kServiceTitle;
    } else if (id != 0) {
        m_strTitle = core::LoadVekaString(id);
        if (m_strTitle.empty())
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaApp::InitInstance(): LoadString()", "%u",
                         static_cast<unsigned>(id));
    } else {
        return;  // the window keeps its title
    }
    window.SetTitle(m_strTitle);
}

bool CVekaApp::FirstInstanceRestore() {
    static const char* const kLabel = "CVekaApp::FirstInstanceRestore():";
    TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "'%s'", m_strWindowClass.c_str());
    if (!m_hooks.restoreFirstInstance || !m_hooks.restoreFirstInstance(m_strWindowClass)) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, kLabel, "Failed");
        return false;
    }
    return true;
}

void CVekaApp::ExitInstance() {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CVekaApp::ExitInstance():", "%s", "");
    m_bClassRegistered = false;
    m_instanceLock.Release();
}

}  // namespace shell
