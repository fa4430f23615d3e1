#include "wizard/VekaPrpMitosaForms.h"

#include "core/Registry.h"
#include "wizard/DataExchange.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

constexpr const char* kBins[] = {"Manual Sheet Feeder", "Auto Sheet Feeder", "Tractor Feeder"};

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    return {"Forms",
            0,
            0,
            {{0, ControlKind::Label, "Select Bin"},
             {CVekaPrpMitosaForms::IDC_BIN, ControlKind::DropList, ""}}};
}

}  // namespace

CVekaPrpMitosaForms::CVekaPrpMitosaForms() : CWizardPage(IDD_MITOSA_FORMS, PageSpec()) {}

void CVekaPrpMitosaForms::OnInitDialog(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_BIN);
    for (const char* bin : kBins) panel.AddRow(IDC_BIN, {bin});
    CRegistry& reg = GlobalRegistry();
    if (!m_strDeviceKey.empty() && reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
        m_strBin = QueryString(reg, "Bin Choice");
        static_cast<void>(reg.RegistryClose());
        SelectListText(panel, IDC_BIN, m_strBin);
    } else {
        panel.Select(IDC_BIN, 0);
        m_strBin = ListText(panel, IDC_BIN);
    }
}

bool CVekaPrpMitosaForms::OnKillActive(uikit::IControlPanel& panel) {
    m_strBin = ListText(panel, IDC_BIN);
    return true;
}

int CVekaPrpMitosaForms::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    m_strBin = ListText(panel, IDC_BIN);
    return NextAfter(IDD_MITOSA_FORMS);
}

}  // namespace wizard
