#include "arlo/ArloDlg.h"

#include <cctype>

#include "brxapicfg/BRXConfig.h"
#include "platform/Registry.h"

namespace arlo {
namespace {

using uikit::ControlKind;
using uikit::IControlPanel;

constexpr char kPooled[] = "000000";
constexpr char kDefaultTraceFile[] = "BRXAPI.LOG";
constexpr char kProviderKey[] = "Arlo Front-End";

bool Hex(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

std::string ReadText(const std::string& route, const char* name) {
    std::string value;
    BRXConfig cfg;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, route, name, &value);
    return value;
}

unsigned long ReadNumber(const std::string& route, const char* name) {
    unsigned long value = 0;
    BRXConfig cfg;
    (void)cfg.GetValue(BRXConfig::kRoutesKey, route, name, &value);
    return value;
}

std::string DefaultHost(const char* name) {
    std::string value;
    BRXConfig cfg;
    (void)cfg.GetValue(BRXConfig::kProvidersKey, kProviderKey, name, &value);
    return value;
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
    if (!m_writable)
        for (const int id : {dlg::kBrowse, dlg::kView, uikit::IDOK, dlg::kTracing})
            panel.Enable(id, false);
    m_primary = ReadText(m_route, "Load Balancer Name");
    m_className = ReadText(m_route, "Class Name");
    m_lniata = ReadText(m_route, "Lniata");
    m_useClass = ReadNumber(m_route, "Use Class Name");
    m_fallback = ReadText(m_route, "Load Balancer Fallback Name");
    m_tracing = ReadNumber(m_route, "Tracing Active") != 0;
    m_traceFile = ReadText(m_route, "Trace File Name");
    if (ReadText(m_route, "Service Provider") != "ARLO") {
        // A route set up for another provider.
        m_className.clear();
        m_primary.clear();
        m_fallback.clear();
    }
    if (m_lniata != kPooled) m_className.clear();
    panel.Enable(dlg::kClassName, m_lniata == kPooled);
    if (m_tracing && m_traceFile.empty()) m_traceFile = kDefaultTraceFile;
    panel.Enable(dlg::kTraceFile, m_tracing);
    LoadFields(panel);
}

void CArloDlg::LoadFields(IControlPanel& panel) {
    panel.SetText(dlg::kLniata, m_lniata);
    panel.SetText(dlg::kRouteName, m_route);
    panel.SetText(dlg::kPrimary, m_primary);
    panel.SetText(dlg::kFallback, m_fallback);
    panel.SetText(dlg::kTraceFile, m_traceFile);
    panel.SetCheck(dlg::kTracing, m_tracing);
    panel.SetText(dlg::kClassName, m_className);
}

bool CArloDlg::SaveFields(IControlPanel& panel) {
    const std::string lniata = panel.GetText(dlg::kLniata);
    if (m_checkArmed) {
        int message = 0;
        if (lniata.size() != 6)
            message = 103;
        else if (!Hex(lniata, 0, 3))
            message = 104;
        else if (!Hex(lniata, 3, 1))
            message = 105;
        else if (!Hex(lniata, 4, 2))
            message = 106;
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
    m_traceFile = panel.GetText(dlg::kTraceFile);
    m_tracing = panel.GetCheck(dlg::kTracing);
    m_className = panel.GetText(dlg::kClassName);
    return true;
}

void CArloDlg::OnCommand(int id, IControlPanel& panel) {
    switch (id) {
        case dlg::kLniata:
            m_checkArmed = panel.GetText(dlg::kLniata).size() >= 6;
            if (!SaveFields(panel)) return;
            m_useClass = m_lniata == kPooled ? 1 : 0;
            m_className.clear();
            panel.Enable(dlg::kClassName, m_lniata == kPooled);
            LoadFields(panel);
            return;
        case dlg::kTracing:
            m_tracing = panel.GetCheck(dlg::kTracing);
            panel.Enable(dlg::kTraceFile, m_tracing);
            return;
        case dlg::kBrowse:
            if (const auto chosen = uikit::ChooseFile("log", panel.GetText(dlg::kTraceFile))) {
                m_traceFile = *chosen;
                if (!m_traceFile.empty()) panel.SetText(dlg::kTraceFile, m_traceFile);
            }
            return;
        case dlg::kView:
            ViewOrPrint(panel, false);
            return;
        case dlg::kPrint:
            ViewOrPrint(panel, true);
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

void CArloDlg::ViewOrPrint(IControlPanel& panel, bool print) {
    const std::string name = panel.GetText(dlg::kTraceFile);
    if (name.empty()) {
        uikit::ShowMessage(print ? "Complete trace file name before printing"
                                 : "Complete trace file name before viewing");
        return;
    }
    if (!uikit::ViewFile(name, print))
        uikit::ShowMessage("Unable to locate the Notepad executable (notepad.exe)");
}

void CArloDlg::OnOK(IControlPanel& panel) {
    m_checkArmed = true;
    if (!SaveFields(panel)) return;
    if (m_tracing && m_traceFile.empty()) m_traceFile = kDefaultTraceFile;
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
    (void)cfg.SetValue(root, m_route, "Tracing Active", m_tracing ? 1UL : 0UL);
    (void)cfg.SetValue(root, m_route, "Trace File Name", m_traceFile);
    EndDialog(uikit::IDOK);
}

}  // namespace arlo
