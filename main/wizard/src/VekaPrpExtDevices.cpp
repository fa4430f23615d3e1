#include "wizard/VekaPrpExtDevices.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "formjet/Formjet.h"
#include "wizard/DataExchange.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

constexpr std::uint32_t kClassAtb2 = 2;
constexpr std::uint32_t kClassTicket = 1;

uikit::DialogSpec PageSpec() {
    return {"Extended Devices Names",
            0,
            0,
            {{0, ControlKind::Label, "Device Alias :"},
             {CVekaPrpExtDevices::IDC_DEVICE_ALIAS, ControlKind::DropList, ""}}};
}

// The names of the device manager's printers of a class, as the library lists them.
std::vector<std::string> EnumPrinters(std::uint32_t printerClass) {
    std::uint32_t needed = 0;
    std::uint32_t count = 0;
    static_cast<void>(PrinterEnum(printerClass, nullptr, 0, &needed, &count));
    if (needed == 0) {
        TRACE_FORMAT(CTraceLog::LEVEL_INFO,
                     "CVekaPrpExtDevices::OnLoadAliases(): PrinterEnum():", "%d",
                     static_cast<int>(count));
        return {};
    }
    // Records hold pointers: the buffer is aligned for them.
    const std::size_t size = std::size_t{needed} + 4;
    std::vector<std::uintptr_t> buffer((size + sizeof(std::uintptr_t) - 1) /
                                       sizeof(std::uintptr_t));
    count = 0;
    if (!PrinterEnum(printerClass, buffer.data(), static_cast<std::uint32_t>(size), &needed,
                     &count)) {
        const std::uint32_t error = FormjetGetLastError();
        char label[64];
        std::snprintf(label, sizeof label, "CCommKDM::OpenPort():PrinterEnum %d",
                      static_cast<int>(count));
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, label, "Error = %d", static_cast<int>(error));
        return {};
    }
    std::vector<std::string> names;
    const std::size_t fits = size / sizeof(FORMJET_PRINTER_RECORD);
    const auto* records = reinterpret_cast<const FORMJET_PRINTER_RECORD*>(buffer.data());
    for (std::size_t i = 0; i < count && i < fits; ++i)
        if (records[i].pName != nullptr) names.emplace_back(records[i].pName);
    return names;
}

}  // namespace

CVekaPrpExtDevices::CVekaPrpExtDevices() : CWizardPage(IDD_EXT_DEVICES, PageSpec()) {}

std::uint32_t CVekaPrpExtDevices::PrinterClass(const std::string& deviceType) {
    return deviceType == kPrinterAtb2Kdm ? kClassAtb2 : kClassTicket;
}

void CVekaPrpExtDevices::OnInitDialog(uikit::IControlPanel& /*panel*/) {
    m_nAliasTaken = 0;
}

void CVekaPrpExtDevices::OnSetActive(uikit::IControlPanel& panel) {
    LoadAliases(panel);
}

void CVekaPrpExtDevices::LoadAliases(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_DEVICE_ALIAS);
    for (const std::string& name : EnumPrinters(PrinterClass(ScratchDeviceType()))) {
        const int before = panel.RowCount(IDC_DEVICE_ALIAS);
        panel.AddRow(IDC_DEVICE_ALIAS, {name});
        if (panel.RowCount(IDC_DEVICE_ALIAS) != before + 1)
            TRACE_STRING(CTraceLog::LEVEL_ERROR,
                         "CVekaPrpExtDevices::OnLoadAliases(): AddString():", "AddString Failed");
    }

    std::string alias;
    bool found = false;
    if (!m_strDeviceKey.empty()) {
        if (m_nAliasTaken != 0) {
            alias = m_strAlias;
            found = true;
        } else {
            CRegistry& reg = GlobalRegistry();
            if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
                found = reg.RegistryQueryString("Device Alias", &alias, true, false);
                static_cast<void>(reg.RegistryClose());
            }
        }
    }
    if (found)
        SelectListText(panel, IDC_DEVICE_ALIAS, alias);
    else
        panel.Select(IDC_DEVICE_ALIAS, 0);
}

int CVekaPrpExtDevices::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    // Without a printer of the device manager the device could open no printer session.
    if (panel.Selected(IDC_DEVICE_ALIAS) < 0) {
        static_cast<void>(StopBox(IDS_SELECT_ALIAS));
        return kStay;
    }
    m_nAliasTaken = 1;
    m_strAlias = ListText(panel, IDC_DEVICE_ALIAS);
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + kTempKey, false)) {
        static_cast<void>(reg.RegistrySetString("Device Alias", m_strAlias, true, true));
        static_cast<void>(reg.RegistryClose());
    }
    return NextAfterAlias(ScratchDeviceType());
}

}  // namespace wizard
