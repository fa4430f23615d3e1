#include "zel/ZelDlg.h"

#include <cctype>

#include "brxapicfg/BRXConfig.h"
#include "zel/VorsDlg.h"
#include "zel/ZelTexts.h"

namespace zel {
namespace {

using uikit::ControlKind;
using uikit::IControlPanel;

constexpr char kDefaultTraceFile[] = "BRXAPI.LOG";
constexpr char kTraceKey[] = "TRACE";
constexpr char kService[] = "SVC";
constexpr char kServicePrefix[] = "00000";

bool Hex(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

std::string Read(const std::string& root, const std::string& key, const char* name) {
    std::string value;
    BRXConfig cfg;
    (void)cfg.GetValue(root, key, name, &value);
    return value;
}

}  // namespace

int ExchangeLniata(const std::string& entered, std::string& kept) {
    std::string text = entered;
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (text.rfind(kService, 0) == 0) {
        // "SVC" and one character: anything longer or shorter is no address at all.
        if (text.size() != 4) return IDS_LNIATA_LENGTH;
        if (text[3] == '0') return IDS_SVC_ZERO;
        text = kServicePrefix + text.substr(3);
    } else if (text.size() != 6) {
        return IDS_LNIATA_LENGTH;
    }
    if (!Hex(text, 0, 3)) return IDS_LINE_INVALID;
    if (!Hex(text, 3, 1)) return IDS_INTERCHANGE_INVALID;
    if (!Hex(text, 4, 2)) return IDS_TERMINAL_INVALID;
    kept = text;
    return 0;
}

int CheckGatewayAddress(const std::string& entered) {
    if (entered.size() < 7 || entered.size() > 15) return IDS_ADDRESS_FORMAT;
    std::size_t digits = 0;
    for (const char ch : entered) {
        if (ch == '.') {
            if (digits == 0) return IDS_ADDRESS_FORMAT;
            digits = 0;
        } else if (std::isdigit(static_cast<unsigned char>(ch))) {
            if (++digits > 3) return IDS_ADDRESS_FORMAT;
        } else {
            return IDS_ADDRESS_FORMAT;
        }
    }
    return digits == 0 ? static_cast<int>(IDS_ADDRESS_FORMAT) : 0;
}

CZelDlg::CZelDlg(std::string route, bool storeWritable)
    : m_route(std::move(route)), m_writable(storeWritable) {}

const uikit::DialogSpec& CZelDlg::Spec() const {
    static const uikit::DialogSpec spec{
        "ZEL Service Provider Configuration",
        301,
        247,
        {
            {0, ControlKind::Group, "Route Name"},
            {dlg::kRouteName, ControlKind::Edit, "", false},
            {0, ControlKind::Group, "ZEL Trevo addressing"},
            {dlg::kLniata, ControlKind::Edit, "LNIATA", true, 6},
            {dlg::kGateway, ControlKind::Edit, "Gateway IP Address", true, 15},
            {0, ControlKind::Group, "Brxapi Log"},
            {dlg::kTracing, ControlKind::Check, "Tracing Active"},
            {dlg::kTraceFile, ControlKind::Edit, "Trace File Name"},
            {dlg::kView, ControlKind::Button, "View..."},
            {dlg::kPrint, ControlKind::Button, "Print..."},
            {dlg::kBrowse, ControlKind::Button, "Browse.."},
            {dlg::kVorsHost, ControlKind::Button, "Vors Host"},
            {uikit::IDOK, ControlKind::Button, "OK"},
            {dlg::kCancel, ControlKind::Button, "Cancel"},
            {dlg::kAdvanced, ControlKind::Button, "Advanced"},
        }};
    return spec;
}

void CZelDlg::OnInitDialog(IControlPanel& panel) {
    if (!m_writable)
        for (const int id : {dlg::kBrowse, dlg::kView, uikit::IDOK, dlg::kTracing})
            panel.Enable(id, false);
    const std::string routes = BRXConfig::kRoutesKey;
    m_lniata = Read(routes, m_route, "Lniata");
    std::string shown = m_lniata;
    if (m_lniata.size() == 6 && m_lniata.rfind(kServicePrefix, 0) == 0 && m_lniata[5] > '0')
        shown = kService + m_lniata.substr(5);
    m_gateway = Read(routes, m_route, "Server IP Address");
    unsigned long tracing = 0;
    BRXConfig cfg;
    (void)cfg.GetValue(BRXConfig::kApiKey, kTraceKey, "Tracing Active", &tracing);
    m_tracing = tracing != 0;
    m_traceFile = Read(BRXConfig::kApiKey, kTraceKey, "Trace File Name");
    if (m_tracing && m_traceFile.empty()) m_traceFile = kDefaultTraceFile;
    panel.Enable(dlg::kTraceFile, m_tracing);
    panel.SetText(dlg::kRouteName, m_route);
    panel.SetText(dlg::kLniata, shown);
    panel.SetText(dlg::kGateway, m_gateway);
    panel.SetCheck(dlg::kTracing, m_tracing);
    panel.SetText(dlg::kTraceFile, m_traceFile);
}

bool CZelDlg::SaveFields(IControlPanel& panel) {
    std::string lniata;
    int message = ExchangeLniata(panel.GetText(dlg::kLniata), lniata);
    int failed = dlg::kLniata;
    const std::string gateway = panel.GetText(dlg::kGateway);
    if (message == 0) {
        message = CheckGatewayAddress(gateway);
        failed = dlg::kGateway;
    }
    if (message != 0) {
        uikit::ShowMessage(ZelText(static_cast<std::uint32_t>(message)), uikit::MessageIcon::Stop);
        panel.SetFocus(failed);
        return false;
    }
    m_lniata = lniata;
    m_gateway = gateway;
    m_tracing = panel.GetCheck(dlg::kTracing);
    m_traceFile = panel.GetText(dlg::kTraceFile);
    return true;
}

void CZelDlg::OnCommand(int id, IControlPanel& panel) {
    switch (id) {
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
        case dlg::kVorsHost: {
            CVorsDlg vors;
            (void)uikit::RunModal(vors);
            return;
        }
        case uikit::IDOK:
            OnOK(panel);
            return;
        case dlg::kCancel:
        case uikit::IDCANCEL:
            EndDialog(uikit::IDCANCEL);
            return;
        default:
            return;  // Advanced has no action
    }
}

void CZelDlg::ViewOrPrint(IControlPanel& panel, bool print) {
    const std::string name = panel.GetText(dlg::kTraceFile);
    if (name.empty()) {
        uikit::ShowMessage(print ? "Complete trace file name before printing"
                                 : "Complete trace file name before viewing");
        return;
    }
    if (!uikit::ViewFile(name, print))
        uikit::ShowMessage("Unable to locate the Notepad executable (notepad.exe)");
}

void CZelDlg::OnOK(IControlPanel& panel) {
    if (!SaveFields(panel)) return;
    if (m_tracing && m_traceFile.empty()) m_traceFile = kDefaultTraceFile;
    BRXConfig cfg;
    const std::string routes = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(routes, m_route, "Lniata", m_lniata);
    (void)cfg.SetValue(routes, m_route, "Service Provider", "ZEL");
    (void)cfg.SetValue(routes, m_route, "Server IP Address", m_gateway);
    (void)cfg.SetValue(routes, m_route, "Tracing Active", m_tracing ? 1UL : 0UL);
    (void)cfg.SetValue(routes, m_route, "Trace File Name", m_traceFile);
    (void)cfg.SetValue(routes, m_route, "ZEL Port", 1413UL);
    (void)cfg.SetValue(BRXConfig::kApiKey, kTraceKey, "Tracing Active", m_tracing ? 1UL : 0UL);
    (void)cfg.SetValue(BRXConfig::kApiKey, kTraceKey, "Trace File Name", m_traceFile);
    EndDialog(uikit::IDOK);
}

}  // namespace zel
