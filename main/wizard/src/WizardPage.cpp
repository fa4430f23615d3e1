#include "wizard/WizardPage.h"

#include "wizard/Store.h"

namespace wizard {

int CWizardPage::OnWizardBack(uikit::IControlPanel& /*panel*/) {
    return Sheet() ? static_cast<int>(Sheet()->PopPage()) : 0;
}

void CWizardPage::PushThisPage() {
    if (Sheet()) static_cast<void>(Sheet()->PushPage(static_cast<std::uint32_t>(TemplateId())));
}

void CWizardPage::DisableBrowseWhenReadOnly(uikit::IControlPanel& panel) {
    if (!StoreWritable()) panel.Enable(IDC_BROWSE, false);
}

}  // namespace wizard
