#include "wizard/VekaPrpPortCom.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "platform/Win32Error.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/VekaPrpPort.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using C = CVekaPrpPortCom;
using Settings = CVekaPrpPortCom::LineSettings;

// The lists, each from its run of string-table texts, and the setting each one shows.
struct LineList {
    int id;
    std::uint32_t firstString;
    std::uint32_t count;
    std::string Settings::*setting;
    std::size_t maxLength;
    const char* name;
};

constexpr LineList kLists[] = {
    {C::IDC_BAUD_RATE, 140, 15, &Settings::baudRate, 5, "BaudRate"},
    {C::IDC_DATA_BITS, 160, 5, &Settings::dataBits, 1, "DataBits"},
    {C::IDC_PARITY, 170, 5, &Settings::parity, 50, "Parity"},
    {C::IDC_STOP_BITS, 180, 3, &Settings::stopBits, 10, "StopBits"},
    {C::IDC_FLOW_CONTROL, 190, 3, &Settings::flowControl, 50, "FlowControl"},
};

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    return {"COM Port",
            0,
            0,
            {{0, ControlKind::Label, "&Baud Rate:"},
             {C::IDC_BAUD_RATE, ControlKind::DropList, ""},
             {0, ControlKind::Label, "&Data Bits:"},
             {C::IDC_DATA_BITS, ControlKind::DropList, ""},
             {0, ControlKind::Label, "P&arity:"},
             {C::IDC_PARITY, ControlKind::DropList, ""},
             {0, ControlKind::Label, "&Stop Bits:"},
             {C::IDC_STOP_BITS, ControlKind::DropList, ""},
             {0, ControlKind::Label, "&Flow Control:"},
             {C::IDC_FLOW_CONTROL, ControlKind::DropList, ""},
             {C::IDC_PASSPORT_TO_FILE, ControlKind::Check, "Passport data to file"},
             {C::IDC_SYSTEM_SETTINGS, ControlKind::Button, "System Settings"}}};
}

bool IsOneOf(const std::string& type, std::initializer_list<const char*> types) {
    for (const char* t : types)
        if (type == t) return true;
    return false;
}

}  // namespace

CVekaPrpPortCom::CVekaPrpPortCom() : CWizardPage(IDD_PORT_COM, PageSpec()) {}

CVekaPrpPortCom::LineSettings CVekaPrpPortCom::DefaultsOf(const std::string& type) {
    if (IsOneOf(type, {kPrinterAtb2, kAsyncMini, kInterfaceQueue}))
        return {"4800", "8", "None", "1", "None"};
    if (IsOneOf(type, {kPrinterAtb2Airline, kPrinterMitosaScn}))
        return {"9600", "8", "None", "1", "Hardware"};
    if (type == kPrinterTnvKdm) return {"9600", "8", "None", "1", "Xon/Xoff"};
    if (IsOneOf(type, {kPrinterAtb2Kdm, kPrinterKdm})) return {"9600", "8", "None", "1", "None"};
    return {"4800", "7", "Even", "1", "Hardware"};
}

void CVekaPrpPortCom::LoadLists(uikit::IControlPanel& panel) const {
    for (const LineList& list : kLists) {
        panel.ClearRows(list.id);
        for (std::uint32_t i = 0; i < list.count; ++i) {
            const std::string text = core::LoadVekaString(list.firstString + i);
            if (text.empty()) {
                TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                             "CVekaPrpPortCom::LoadLists(): LoadString():", "IDS_%s%u failed",
                             list.name, static_cast<unsigned>(i));
                continue;
            }
            panel.AddRow(list.id, {text});
        }
    }
}

bool CVekaPrpPortCom::LoadStored() {
    if (m_strDeviceKey.empty()) return false;
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) return false;
    const bool onCom = CVekaPrpPort::IsPortType(QueryString(reg, "Device Type")) &&
                       QueryString(reg, "Port").rfind("COM", 0) == 0;
    if (onCom) {
        m_line.baudRate = std::to_string(QueryDword(reg, "Baud Rate"));
        m_line.dataBits = std::to_string(QueryDword(reg, "Data Bits"));
        m_line.parity = QueryString(reg, "Parity");
        m_line.stopBits = QueryString(reg, "Stop Bits");
        m_line.flowControl = QueryString(reg, "Flow Control");
        m_strProtocol = QueryString(reg, "Protocol");
    }
    static_cast<void>(reg.RegistryClose());
    return onCom;
}

void CVekaPrpPortCom::Refresh(uikit::IControlPanel& panel) {
    LoadLists(panel);
    // The type's or the stored settings come once, and again after a change of type; what
    // the operator chose stays over later visits.
    if (!m_bLoaded && !LoadStored()) m_line = DefaultsOf(m_strDeviceType);
    m_bLoaded = true;
    ToControls(panel);
}

void CVekaPrpPortCom::ToControls(uikit::IControlPanel& panel) const {
    for (const LineList& list : kLists) {
        const std::string& text = m_line.*list.setting;
        panel.Select(list.id, text.empty() ? -1 : uikit::FindRowByPrefix(panel, list.id, text));
    }
    panel.SetCheck(IDC_PASSPORT_TO_FILE, m_nPassportToFile != 0);
}

void CVekaPrpPortCom::FromControls(const uikit::IControlPanel& panel) {
    for (const LineList& list : kLists) {
        const int row = panel.Selected(list.id);
        m_line.*list.setting =
            row < 0 ? std::string() : panel.RowText(list.id, row, 0).substr(0, list.maxLength);
    }
    m_nPassportToFile = panel.GetCheck(IDC_PASSPORT_TO_FILE) ? 1 : 0;
}

void CVekaPrpPortCom::OnInitDialog(uikit::IControlPanel& panel) {
    m_strDeviceType = ScratchDeviceType();
    Refresh(panel);
}

void CVekaPrpPortCom::OnSetActive(uikit::IControlPanel& panel) {
    const std::string type = ScratchDeviceType();
    if (!m_strDeviceType.empty() && type != m_strDeviceType) {
        m_line = {};
        m_strProtocol.clear();
        m_bLoaded = false;
        m_bFileFlagLoaded = false;
    }
    m_strDeviceType = type;
    if (type != kPassportReader) {
        m_nPassportToFile = 0;
        panel.Enable(IDC_PASSPORT_TO_FILE, false);
    } else if (m_strDeviceKey.empty()) {
        return;
    } else {
        panel.Enable(IDC_PASSPORT_TO_FILE, true);
        if (!m_bFileFlagLoaded) {
            m_bFileFlagLoaded = true;
            CRegistry& reg = GlobalRegistry();
            std::string file;
            if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
                file = QueryString(reg, "File Name");
                static_cast<void>(reg.RegistryClose());
            }
            m_nPassportToFile = !file.empty() && file != "." ? 1 : 0;
        }
    }
    Refresh(panel);
}

void CVekaPrpPortCom::OnCommand(int id, uikit::IControlPanel& /*panel*/) {
    if (id != IDC_SYSTEM_SETTINGS) return;
    // The system keeps no configuration dialog of its ports here: their defaults live in
    // the store, and the device's own settings are this page's.
    const std::string port = m_pPortPage ? m_pPortPage->GetSelectedPort() : std::string();
    TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaPrpPortCom::OnSystemSettings(): ::ConfigurePort",
                 "%s: %lu", port.c_str(),
                 static_cast<unsigned long>(platform::ERROR_NOT_SUPPORTED));
}

int CVekaPrpPortCom::OnWizardBack(uikit::IControlPanel& panel) {
    FromControls(panel);
    return CWizardPage::OnWizardBack(panel);
}

int CVekaPrpPortCom::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    FromControls(panel);
    return NextAfterComPort(m_nPassportToFile != 0);
}

}  // namespace wizard
