#include "quilsp/MainDlg.h"

#include <cctype>

#include "platform/Registry.h"
#include "quilsp/RouteConfig.h"

namespace quilsp {

namespace {

using uikit::ControlKind;
using uikit::IControlPanel;
using uikit::MessageIcon;

const char* StringText(int id) {
    switch (id) {
        case 165:
            return "Please enter valid Pseudocity Code";
        case 166:
            return "Please enter valid Profile Name";
        case 200:
            return "LNIATA should be exactly 6 characters";
        case 201:
            return "The Line is invalid";
        case 202:
            return "The Interchange Address is invalid";
        case 203:
            return "The Terminal Address is invalid";
        default:
            return "";
    }
}

bool AllHex(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

constexpr const char* kPooled = "000000";

}  // namespace

CMainDlg::CMainDlg(std::string route, int routeKind, bool storeWritable)
    : m_route(std::move(route)), m_routeKind(routeKind == 2 ? 2 : 1), m_writable(storeWritable) {}

const uikit::DialogSpec& CMainDlg::Spec() const {
    static const uikit::DialogSpec spec{
        "Common Trevo API - QUIL",
        206,
        237,
        {
            {0, ControlKind::Group, "Host Addressing"},
            {dlg::kHostName, ControlKind::Edit, "&Host Name :"},
            {0, ControlKind::Group, "Trevo Addressing"},
            {dlg::kLniata, ControlKind::Edit, "&LNIATA :", true, 6},
            {dlg::kDynamicGroup, ControlKind::Group, "Dynamic", false},
            {dlg::kPseudoCityRadio, ControlKind::Radio, "Pseudo&City Code :", false},
            {dlg::kPseudoCity, ControlKind::Edit, "", false, 6},
            {dlg::kProfileRadio, ControlKind::Radio, "P&rofile Name :", false},
            {dlg::kProfileName, ControlKind::Edit, "", false, 6},
            {dlg::kTracing, ControlKind::Check, "&Activate Tracing"},
            {dlg::kTraceLabel, ControlKind::Label, "Trace &File Name :", false},
            {dlg::kTraceFile, ControlKind::Edit, "", false},
            {dlg::kView, ControlKind::Button, "&View...", false},
            {dlg::kPrint, ControlKind::Button, "&Print...", false},
            {dlg::kBrowse, ControlKind::Button, "&Browse...", false},
            {uikit::IDOK, ControlKind::Button, "OK"},
            {uikit::IDCANCEL, ControlKind::Button, "Cancel"},
            {dlg::kAdvanced, ControlKind::Button, "Advanced...", false},
        }};
    return spec;
}

bool CMainDlg::StoreWritable() {
    using namespace platform;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CMainDlg::EnableDynamic(IControlPanel& panel, bool on) {
    panel.Enable(dlg::kDynamicGroup, on);
    panel.Enable(dlg::kPseudoCityRadio, on);
    panel.Enable(dlg::kProfileRadio, on);
    panel.Enable(dlg::kPseudoCity, on && m_option == 0);
    panel.Enable(dlg::kProfileName, on && m_option != 0);
}

void CMainDlg::EnableTracing(IControlPanel& panel, bool on) {
    for (int id : {dlg::kTraceLabel, dlg::kTraceFile, dlg::kView, dlg::kPrint, dlg::kBrowse})
        panel.Enable(id, on);
    if (!m_writable) {
        panel.Enable(dlg::kBrowse, false);
        panel.Enable(dlg::kView, false);
    }
}

void CMainDlg::OnInitDialog(IControlPanel& panel) {
    const RouteConfig cfg(m_route);
    m_host = cfg.Text("Remote IP Address").value_or("");
    m_lniata = cfg.Text("LNIATA").value_or("");
    m_tracing = cfg.Number("Tracing Active").value_or(0) == 1;
    m_traceFile = cfg.Text("Trace File Name").value_or("");
    EnableTracing(panel, m_tracing);
    if (m_lniata == kPooled) {
        m_option = static_cast<int>(cfg.Number("DynamicTA Option").value_or(0));
        const std::string code = cfg.Text("PooledTA Code").value_or("");
        (m_option == 0 ? m_pseudoCity : m_profile) = code;
        EnableDynamic(panel, true);
    }
    panel.Enable(dlg::kAdvanced, cfg.Number("Adv").value_or(0) != 0);
    if (!m_writable) {
        for (int id : {dlg::kBrowse, dlg::kView, uikit::IDOK, dlg::kTracing})
            panel.Enable(id, false);
    }
    LoadFields(panel);
}

void CMainDlg::LoadFields(IControlPanel& panel) {
    panel.SetText(dlg::kHostName, m_host);
    panel.SetText(dlg::kLniata, m_lniata);
    panel.SetText(dlg::kTraceFile, m_traceFile);
    panel.SetCheck(dlg::kTracing, m_tracing);
    panel.SetText(dlg::kProfileName, m_profile);
    panel.SetText(dlg::kPseudoCity, m_pseudoCity);
    panel.SetCheck(dlg::kPseudoCityRadio, m_option == 0);
    panel.SetCheck(dlg::kProfileRadio, m_option != 0);
}

bool CMainDlg::SaveFields(IControlPanel& panel) {
    const std::string lniata = panel.GetText(dlg::kLniata);
    int message = 0;
    if (lniata.size() != 6)
        message = 200;
    else if (!AllHex(lniata, 0, 3))
        message = 201;
    else if (!AllHex(lniata, 3, 1))
        message = 202;
    else if (!AllHex(lniata, 4, 2))
        message = 203;
    if (message != 0) {
        uikit::ShowMessage(StringText(message), MessageIcon::Stop);
        panel.SetFocus(dlg::kLniata);
        return false;
    }
    m_host = panel.GetText(dlg::kHostName);
    m_lniata = lniata;
    m_traceFile = panel.GetText(dlg::kTraceFile);
    m_tracing = panel.GetCheck(dlg::kTracing);
    m_profile = panel.GetText(dlg::kProfileName);
    m_pseudoCity = panel.GetText(dlg::kPseudoCity);
    m_option = panel.GetCheck(dlg::kProfileRadio) ? 1 : 0;
    return true;
}

void CMainDlg::OnCommand(int id, IControlPanel& panel) {
    switch (id) {
        case dlg::kLniata:
            if (panel.GetText(dlg::kLniata).size() != 6 || !SaveFields(panel)) return;
            EnableDynamic(panel, m_lniata == kPooled);
            return;
        case dlg::kPseudoCityRadio:
        case dlg::kProfileRadio:
            m_option = id == dlg::kProfileRadio ? 1 : 0;
            panel.Enable(dlg::kPseudoCity, m_option == 0);
            panel.Enable(dlg::kProfileName, m_option != 0);
            return;
        case dlg::kTracing:
            if (!SaveFields(panel)) return;
            EnableTracing(panel, panel.GetCheck(dlg::kTracing));
            return;
        case dlg::kBrowse:
            // A cancelled choice keeps the name there was.
            if (const auto chosen = uikit::ChooseFile("log", m_traceFile)) m_traceFile = *chosen;
            LoadFields(panel);
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
            LoadFields(panel);
            EndDialog(uikit::IDCANCEL);
            return;
        default:
            return;
    }
}

void CMainDlg::ViewOrPrint(IControlPanel& panel, bool print) {
    if (!SaveFields(panel)) return;
    if (m_traceFile.empty()) {
        uikit::ShowMessage(print ? "Complete trace file name before printing"
                                 : "Complete trace file name before viewing");
        return;
    }
    if (!uikit::ViewFile(m_traceFile, print))
        uikit::ShowMessage("Unable to locate the Notepad executable (notepad.exe)");
}

void CMainDlg::OnOK(IControlPanel& panel) {
    if (!SaveFields(panel)) return;
    const bool pooled = m_lniata == kPooled;
    if (pooled && m_option == 0 && m_pseudoCity.empty()) {
        uikit::ShowMessage(StringText(165));
        return;
    }
    if (pooled && m_option != 0 && m_profile.empty()) {
        uikit::ShowMessage(StringText(166));
        return;
    }
    const bool printer = m_routeKind == 2;
    const RouteConfig cfg(m_route);
    cfg.SetText("Remote IP Address", m_host);
    cfg.SetText("LNIATA", m_lniata);
    cfg.SetText("Device", printer ? "PRINTER" : "TERMINAL");
    if (pooled) {
        cfg.SetNumber("DynamicTA Option", static_cast<std::uint32_t>(m_option));
        cfg.SetText("PooledTA Code", m_option == 0 ? m_pseudoCity : m_profile);
        if (!printer) cfg.SetNumber("Remote Port", m_option == 0 ? 30032 : 30030);
    } else {
        cfg.SetNumber("Remote Port", printer ? 30051 : 30031);
        cfg.Delete("PooledTA Code");
    }
    cfg.SetText("Service Provider", "QUIL");
    cfg.SetText("Trace File Name", m_traceFile);
    cfg.SetNumber("Tracing Active", m_tracing ? 1 : 0);
    EndDialog(uikit::IDOK);
}

}  // namespace quilsp
