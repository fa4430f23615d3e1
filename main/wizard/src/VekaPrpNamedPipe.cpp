#include "wizard/VekaPrpNamedPipe.h"

#include "core/Registry.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    return {"Named Pipe",
            0,
            0,
            {{0, ControlKind::Label, "Name of the Pipe"},
             {CVekaPrpNamedPipe::IDC_PIPE_NAME, ControlKind::Edit, ""}}};
}

}  // namespace

CVekaPrpNamedPipe::CVekaPrpNamedPipe() : CWizardPage(IDD_NAMED_PIPE, PageSpec()) {}

void CVekaPrpNamedPipe::OnInitDialog(uikit::IControlPanel& panel) {
    if (!m_strDeviceKey.empty()) {
        CRegistry reg;
        if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
            if (QueryString(reg, "Device Type") == kNamedPipe)
                m_strPipeName = QueryString(reg, "Pipe Name");
            static_cast<void>(reg.RegistryClose());
        }
    }
    panel.SetText(IDC_PIPE_NAME, m_strPipeName);
}

int CVekaPrpNamedPipe::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    m_strPipeName = panel.GetText(IDC_PIPE_NAME);
    if (m_strPipeName.empty()) {
        static_cast<void>(StopBox(IDS_PIPE_NAME_REQUIRED));
        return kStay;
    }
    return NextAfter(IDD_NAMED_PIPE);
}

}  // namespace wizard
