#include "arlo/ArloDlg.h"

#include "brxapicfg/BRXConfig.h"
#include "brxdlg/RouteFields.h"
#include "platform/Registry.h"

namespace arlo {
namespace {

using uikit::ControlKind;
using uikit::IControlPanel;

constexpr char kPooled[] = "000000";
constexpr char kProviderKey[] = "Arlo Front-End";

std::string ReadText(const std::string& route, const char* name) {
    return brxdlg::StoredText(BRXConfig::kRoutesKey, route, name);
}

std::string DefaultHost(const char* name) {
    return brxdlg::StoredText(BRXConfig::kProvidersKey, kProviderKey, name);
}

}  // namespace

bool StoreWritable() {
    using namespace platform;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

const char* ArloDlgText(int id) {
    switch (id) {
        case 102:
            return "Arlo Front-End Service Provider";
        case 103:
            return "LNIATA Should be exactly 6 chars";
        case 104:
            return "Line is invalid";
        case 105:
            return "Interchanged address is invalid";
        case 106:
            return "The terminal address is invalid";
        default:
            return "";
    }
}

CArloDlg::CArloDlg(std::string route, bool storeWritable)
    : m_route(std::move(route)), m_writable(storeWritable) {}

const uikit::DialogSpec& CArloDlg::Spec() const {
    static const uikit::DialogSpec spec{
        "Common Trevo API - Arlo Front-End",
        346,
        258,
        {
            {0, ControlKind::Group, "Route Name"},
            {dlg::kRouteName, ControlKind::Edit, "", false},
            {0, ControlKind::Group, "ARLO Trevo Addressing"},
            {dlg::kLniata, ControlKind::Edit, "LNIATA", true, 6},
            {dlg::kClassName, ControlKind::Edit, "Class Name"},
            {dlg::kPrimary, ControlKind::Edit, "Primary Load Balancer"},
            {0, ControlKind::Label, "DNS Name or Remote Host Address"},
            {dlg::kFallback, ControlKind::Edit, "Fallback Load Balancer"},
            {0, ControlKind::Label, "DNS Name or Remote Host Address"},
            {0, ControlKind::Group, "Brxapi Log"},
            {dlg::kTracing, ControlKind::Check, "Tracing Active"},
            {dlg::kTraceFile, ControlKind::Edit, "Trace File Name"},
            {dlg::kView, ControlKind::Button, "View..."},
            {dlg::kPrint, ControlKind::Button, "Print..."},
            {dlg::kBrowse, ControlKind::Button, "Browse..."},
            {uikit::IDOK, ControlKind::Button, "OK"},
            {uikit::IDCANCEL, ControlKind::Button, "Cancel"},
            {dlg::kAdvanced, ControlKind::Button, "Advanced..."},
        }};
    return spec;
}

void CArloDlg::OnInitDialog(IControlPanel& panel) {
    if (!m_writable) m_log.Lock(panel);
    m_primary = ReadText(m_route, "Load Balancer Name");
    m_className = ReadText(m_route, "Class Name");
    m_lniata = ReadText(m_route, "Lniata");
    m_useClass = brxdlg::StoredNumber(BRXConfig::kRoutesKey, m_route, "Use Class Name");
    m_fallback = ReadText(m_route, "Load Balancer Fallback Name");
    const bool tracing =
        brxdlg::StoredNumber(BRXConfig::kRoutesKey, m_route, "Tracing Active") != 0;
    std::string traceFile = ReadText(m_route, "Trace File Name");
    if (ReadText(m_route, "Service Provider") != "ARLO") {
        // A route set up for another provider.
        m_className.clear();
        m_primary.clear();
        m_fallback.clear();
    }
    if (m_lniata != kPooled) m_className.clear();
    panel.Enable(dlg::kClassName, m_lniata == kPooled);
    m_log.Init(tracing, std::move(traceFile), panel);
    LoadFields(panel);
}

void CArloDlg::LoadFields(IControlPanel& panel) {
    panel.SetText(dlg::kLniata, m_lniata);
    panel.SetText(dlg::kRouteName, m_route);
    panel.SetText(dlg::kPrimary, m_primary);
    panel.SetText(dlg::kFallback, m_fallback);
    m_log.Load(panel);
    panel.SetText(dlg::kClassName, m_className);
}

bool CArloDlg::SaveFields(IControlPanel& panel) {
    const std::string lniata = panel.GetText(dlg::kLniata);
    if (m_checkArmed) {
        const int message =
            lniata.size() != 6 ? 103 : brxdlg::CheckAddressDigits(lniata, {104, 105, 106});
        if (message != 0) {
            m_checkArmed = false;
            uikit::ShowMessage(ArloDlgText(message), uikit::MessageIcon::Stop);
            panel.SetFocus(dlg::kLniata);
            return false;
        }
    }
    m_lniata = lniata;
    m_primary = panel.GetText(dlg::kPrimary);
    m_fallback = panel.GetText(dlg::kFallback);
    m_log.Save(panel);
    m_className = panel.GetText(dlg::kClassName);
    return true;
}

void CArloDlg::OnCommand(int id, IControlPanel& panel) {
    if (m_log.OnCommand(id, panel)) return;
    switch (id) {
        case dlg::kLniata:
            m_checkArmed = panel.GetText(dlg::kLniata).size() >= 6;
            if (!SaveFields(panel)) return;
            m_useClass = m_lniata == kPooled ? 1 : 0;
            m_className.clear();
            panel.Enable(dlg::kClassName, m_lniata == kPooled);
            LoadFields(panel);
            return;
        case uikit::IDOK:
            OnOK(panel);
            return;
        case uikit::IDCANCEL:
            EndDialog(uikit::IDCANCEL);
            return;
        default:
            return;  // Advanced has no action
    }
}

void CArloDlg::OnOK(IControlPanel& panel) {
    m_checkArmed = true;
    if (!SaveFields(panel)) return;
    m_log.Complete();
    if (m_primary.empty()) m_primary = DefaultHost("Default Load Balancer Name");
    BRXConfig cfg;
    const std::string root = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(root, m_route, "Load Balancer Name", m_primary);
    (void)cfg.SetValue(root, m_route, "Load Balancer IP Port", 12001UL);
    (void)cfg.SetValue(root, m_route, "Service Provider", "ARLO");
    if (m_lniata != kPooled) m_className.clear();
    (void)cfg.SetValue(root, m_route, "Class Name", m_className);
    (void)cfg.SetValue(root, m_route, "Lniata", m_lniata);
    (void)cfg.SetValue(root, m_route, "Use Class Name", m_useClass);
    if (m_fallback.empty()) m_fallback = DefaultHost("Default Load Balancer Fallback Name");
    (void)cfg.SetValue(root, m_route, "Load Balancer Fallback Name", m_fallback);
    (void)cfg.SetValue(root, m_route, "Tracing Active", m_log.Tracing() ? 1UL : 0UL);
    (void)cfg.SetValue(root, m_route, "Trace File Name", m_log.TraceFile());
    EndDialog(uikit::IDOK);
}

}  // namespace arlo
