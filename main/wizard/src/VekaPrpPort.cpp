#include "wizard/VekaPrpPort.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "platform/PortBackend.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/PassportFlag.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpPort;
    using uikit::ControlKind;
    return {"Port",
            0,
            0,
            {{0, ControlKind::Label, "Selected:"},
             {C::IDC_SELECTED, ControlKind::Edit, "", false},
             {0, ControlKind::Label, "&Available Ports:"},
             {C::IDC_PORT_LIST, ControlKind::ListBox, ""},
             {0, ControlKind::Label, "A port may be assigned to multiple devices."}}};
}

bool BeginsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The types that speak both ways, which a parallel port cannot carry.
bool TakesNoLpt(const std::string& type) {
    for (const char* t :
         {kAsyncMini, kPrinterAtb2, kPrinterMitosaScn, kPrinterAtb2Airline, kPassportReader})
        if (type == t) return true;
    return false;
}

}  // namespace

CVekaPrpPort::CVekaPrpPort() : CWizardPage(IDD_PORT, PageSpec()) {}

bool CVekaPrpPort::IsPortType(const std::string& deviceType) {
    for (const char* t : {kPrinter, kPrinterBagtag, kPrinterAtb2, kPrinterMitosaHardcopy,
                          kPrinterMitosaScn, kPrinterAtb2Airline, kPassportReader, kAsyncMini})
        if (deviceType == t) return true;
    return false;
}

void CVekaPrpPort::EnumeratePorts() {
    m_ports.clear();
    for (std::string name : platform::CurrentPortBackend().EnumPorts()) {
        if (m_ports.size() == kMaxPorts) {
            TRACE_STRING(CTraceLog::LEVEL_ERROR,
                         "CVekaPrpPort::EnumeratePorts():", "More ports than the page keeps");
            break;
        }
        if (!name.empty() && name.back() == ':') name.pop_back();
        m_ports.push_back(std::move(name));
    }
}

void CVekaPrpPort::OnInitDialog(uikit::IControlPanel& panel) {
    m_strDeviceType = ScratchDeviceType();
    EnumeratePorts();
    Refresh(panel);
}

void CVekaPrpPort::Refresh(uikit::IControlPanel& panel) {
    if (!m_strDeviceKey.empty() && m_strPort.empty()) {
        CRegistry& reg = GlobalRegistry();
        if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
            if (IsPortType(QueryString(reg, "Device Type"))) m_strPort = QueryString(reg, "Port");
            static_cast<void>(reg.RegistryClose());
        }
    }
    LoadPortList(panel);
    ToControls(panel);
}

void CVekaPrpPort::LoadPortList(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_PORT_LIST);
    SetPassportReaderFlag(m_strDeviceType == kPassportReader);
    int listed = 0;
    for (const std::string& port : m_ports) {
        const bool com = BeginsWith(port, "COM");
        if (!com && !(BeginsWith(port, "LPT") && !TakesNoLpt(m_strDeviceType))) continue;
        panel.AddRow(IDC_PORT_LIST, {port});
        if (listed++ == 0 && m_strPort.empty()) m_strPort = port;
    }
    if (listed == 0) panel.AddRow(IDC_PORT_LIST, {kNone});
}

void CVekaPrpPort::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_SELECTED, m_strPort);
    int row = -1;
    for (int i = 0; i < panel.RowCount(IDC_PORT_LIST) && !m_strListSelection.empty(); ++i)
        if (panel.RowText(IDC_PORT_LIST, i, 0) == m_strListSelection) row = i;
    panel.Select(IDC_PORT_LIST, row);
}

void CVekaPrpPort::OnSetActive(uikit::IControlPanel& panel) {
    const std::string type = ScratchDeviceType();
    if (!m_strDeviceType.empty() && type != m_strDeviceType) {
        m_strListSelection.clear();
        m_strPort.clear();
    }
    m_strDeviceType = type;
    Refresh(panel);
}

void CVekaPrpPort::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id != IDC_PORT_LIST) return;
    const int row = panel.Selected(IDC_PORT_LIST);
    if (row < 0) return;
    const std::string port = panel.RowText(IDC_PORT_LIST, row, 0);
    if (port == kNone) return;
    m_strListSelection = port;
    m_strPort = port;
    ToControls(panel);
}

int CVekaPrpPort::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    m_strPort = panel.GetText(IDC_SELECTED);
    bool found = false;
    for (int i = 0; i < panel.RowCount(IDC_PORT_LIST) && !found; ++i)
        found = panel.RowText(IDC_PORT_LIST, i, 0) == m_strPort;
    if (!found || m_strPort == kNone) {
        static_cast<void>(StopBox(IDS_PORT_REQUIRED));
        return kStay;
    }
    const int next = NextAfterPort(m_strPort);
    if (next == kStay)
        TRACE_STRING(CTraceLog::LEVEL_ERROR, "CVekaPrpPort::OnWizardNext():", "Unknown port type");
    return next;
}

}  // namespace wizard
