#include "zel/ZelDlg.h"

#include <cctype>

#include "brxapicfg/BRXConfig.h"
#include "brxdlg/RouteFields.h"
#include "zel/VorsDlg.h"
#include "zel/ZelTexts.h"

namespace zel {
namespace {

using uikit::ControlKind;
using uikit::IControlPanel;

constexpr char kTraceKey[] = "TRACE";
constexpr char kService[] = "SVC";
constexpr char kServicePrefix[] = "00000";

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
    if (const int message = brxdlg::CheckAddressDigits(
            text, {IDS_LINE_INVALID, IDS_INTERCHANGE_INVALID, IDS_TERMINAL_INVALID}))
        return message;
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
    if (!m_writable) m_log.Lock(panel);
    const std::string routes = BRXConfig::kRoutesKey;
    m_lniata = brxdlg::StoredText(routes, m_route, "Lniata");
    std::string shown = m_lniata;
    if (m_lniata.size() == 6 && m_lniata.rfind(kServicePrefix, 0) == 0 && m_lniata[5] > '0')
        shown = kService + m_lniata.substr(5);
    m_gateway = brxdlg::StoredText(routes, m_route, "Server IP Address");
    m_log.Init(brxdlg::StoredNumber(BRXConfig::kApiKey, kTraceKey, "Tracing Active") != 0,
               brxdlg::StoredText(BRXConfig::kApiKey, kTraceKey, "Trace File Name"), panel);
    panel.SetText(dlg::kRouteName, m_route);
    panel.SetText(dlg::kLniata, shown);
    panel.SetText(dlg::kGateway, m_gateway);
    m_log.Load(panel);
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
    m_log.Save(panel);
    return true;
}

void CZelDlg::OnCommand(int id, IControlPanel& panel) {
    if (m_log.OnCommand(id, panel)) return;
    switch (id) {
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

void CZelDlg::OnOK(IControlPanel& panel) {
    if (!SaveFields(panel)) return;
    m_log.Complete();
    const unsigned long tracing = m_log.Tracing() ? 1UL : 0UL;
    BRXConfig cfg;
    const std::string routes = BRXConfig::kRoutesKey;
    (void)cfg.SetValue(routes, m_route, "Lniata", m_lniata);
    (void)cfg.SetValue(routes, m_route, "Service Provider", "ZEL");
    (void)cfg.SetValue(routes, m_route, "Server IP Address", m_gateway);
    (void)cfg.SetValue(routes, m_route, "Tracing Active", tracing);
    (void)cfg.SetValue(routes, m_route, "Trace File Name", m_log.TraceFile());
    (void)cfg.SetValue(routes, m_route, "ZEL Port", 1413UL);
    (void)cfg.SetValue(BRXConfig::kApiKey, kTraceKey, "Tracing Active", tracing);
    (void)cfg.SetValue(BRXConfig::kApiKey, kTraceKey, "Trace File Name", m_log.TraceFile());
    EndDialog(uikit::IDOK);
}

}  // namespace zel
