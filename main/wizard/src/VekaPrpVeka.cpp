#include "wizard/VekaPrpVeka.h"

#include "core/Registry.h"
#include "uikit/PropertySheet.h"
#include "wizard/DataExchange.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;
using C = CVekaPrpVeka;

const std::string kTraceKey = kCommonKey + "\\Trace";

uikit::DialogSpec PageSpec() {
    return {"VEKA",
            0,
            0,
            {{0, ControlKind::Group, "Devices"},
             {0, ControlKind::Label, "Maximum:"},
             {C::IDC_MAXIMUM, ControlKind::Label, ""},
             {0, ControlKind::Group, "Trace"},
             {C::IDC_TRACE_ACTIVE, ControlKind::Check, "&Active:"},
             {0, ControlKind::Label, "File &Name:"},
             {C::IDC_TRACE_FILE, ControlKind::Edit, ""},
             {C::IDC_SV_DISP_LNIATA, ControlKind::Check, "SvDispLniata"},
             {0, ControlKind::Label,
              "Changes will take effect only after this application is restarted."}}};
}

// Writes one value of the trace key; a key that does not open changes nothing.
template <typename Write>
void WriteTrace(Write write) {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kTraceKey, true)) return;
    write(reg);
    static_cast<void>(reg.RegistryClose());
}

}  // namespace

CVekaPrpVeka::CVekaPrpVeka() : uikit::CPropertyPage(IDD_VEKA, PageSpec()) {}

void CVekaPrpVeka::OnInitDialog(uikit::IControlPanel& panel) {
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + kDefaultsDeviceKey, false)) {
        platform::DWORD limit = 0;
        if (reg.RegistryQueryDWORD("Maximum Devices Selectable", &limit, true, false))
            m_strMaxDevices = Decimal(limit);
        static_cast<void>(reg.RegistryClose());
    }
    if (reg.RegistryOpen(kTraceKey, false)) {
        platform::DWORD value = 0;
        if (reg.RegistryQueryDWORD("Tracing Active", &value, true, false))
            m_nTracingActive = value != 0 ? 1 : 0;
        if (reg.RegistryQueryDWORD("Sv Display Ptr Lniata", &value, true, false))
            m_nSvDispLniata = value != 0 ? 1 : 0;
        static_cast<void>(reg.RegistryQueryString("Trace File Name", &m_strTraceFile, true, false));
        static_cast<void>(reg.RegistryClose());
    }
    ToControls(panel);
}

void CVekaPrpVeka::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_MAXIMUM, m_strMaxDevices);
    panel.SetCheck(IDC_TRACE_ACTIVE, m_nTracingActive != 0);
    panel.SetText(IDC_TRACE_FILE, m_strTraceFile);
    panel.SetCheck(IDC_SV_DISP_LNIATA, m_nSvDispLniata != 0);
}

void CVekaPrpVeka::FromControls(const uikit::IControlPanel& panel) {
    m_nTracingActive = panel.GetCheck(IDC_TRACE_ACTIVE) ? 1 : 0;
    m_strTraceFile = panel.GetText(IDC_TRACE_FILE);
    m_nSvDispLniata = panel.GetCheck(IDC_SV_DISP_LNIATA) ? 1 : 0;
}

void CVekaPrpVeka::CancelToClose() {
    if (Sheet()) Sheet()->CancelToClose();
}

void CVekaPrpVeka::OnCommand(int id, uikit::IControlPanel& panel) {
    switch (id) {
        case IDC_TRACE_ACTIVE:
            FromControls(panel);
            WriteTrace([this](CRegistry& reg) {
                static_cast<void>(reg.RegistrySetDWORD(
                    "Tracing Active", static_cast<std::uint32_t>(m_nTracingActive), true, true));
            });
            CancelToClose();
            break;
        case IDC_TRACE_FILE:
            CancelToClose();
            break;
        case IDC_SV_DISP_LNIATA:
            FromControls(panel);
            WriteTrace([this](CRegistry& reg) {
                static_cast<void>(reg.RegistrySetDWORD("Sv Display Ptr Lniata",
                                                       static_cast<std::uint32_t>(m_nSvDispLniata),
                                                       true, true));
            });
            break;
        default:
            break;
    }
}

void CVekaPrpVeka::OnKillFocus(int id, uikit::IControlPanel& panel) {
    if (id != IDC_TRACE_FILE) return;
    const std::string before = m_strTraceFile;
    FromControls(panel);
    if (m_strTraceFile != before)
        WriteTrace([this](CRegistry& reg) {
            static_cast<void>(reg.RegistrySetString("Trace File Name", m_strTraceFile, true, true));
        });
    CancelToClose();
}

}  // namespace wizard
