#include "wizard/VekaPrpComplete.h"

#include "brxapicfg/BRXConfig.h"
#include "core/Registry.h"
#include "wizard/PageSequence.h"
#include "wizard/PassportFlag.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

constexpr int kConfigured = 1;

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpComplete;
    return {"Host Configuration",
            0,
            0,
            {{0, ControlKind::Group, "Connection Type"},
             {0, ControlKind::Label,
              "This determines how the device will connect to the remote host.  Select the "
              "service provider you want"},
             {C::IDC_PROVIDERS, ControlKind::ListBox, ""},
             {0, ControlKind::Group, "Description"},
             {C::IDC_DESCRIPTION, ControlKind::Label, ""},
             {C::IDC_CONFIGURE, ControlKind::Button, "Configure Connection...", false}}};
}

std::string CaretText(const uikit::IControlPanel& panel) {
    const int row = panel.Selected(CVekaPrpComplete::IDC_PROVIDERS);
    return row >= 0 ? panel.RowText(CVekaPrpComplete::IDC_PROVIDERS, row, 0) : std::string();
}

}  // namespace

CVekaPrpComplete::CVekaPrpComplete() : CWizardPage(IDD_COMPLETE, PageSpec()) {}

void CVekaPrpComplete::ListProviders(uikit::IControlPanel& panel) {
    panel.Enable(IDC_CONFIGURE, false);
    panel.ClearRows(IDC_PROVIDERS);
    BRXConfig config;
    std::string name;
    for (int index = 0; config.EnumKey(kProvidersKey, &name, index) == 0; ++index)
        panel.AddRow(IDC_PROVIDERS, {name.substr(0, kMaxName)});
}

void CVekaPrpComplete::OnInitDialog(uikit::IControlPanel& panel) {
    ListProviders(panel);
}

void CVekaPrpComplete::ShowProviderDescription(uikit::IControlPanel& panel,
                                               const std::string& provider) {
    if (provider.empty()) {
        panel.SetText(IDC_DESCRIPTION, kNoProvider);
        return;
    }
    std::string description;
    if (BRXConfig().GetValue(kProvidersKey, provider, "Description", &description) != 0) {
        panel.SetText(IDC_DESCRIPTION, kNoDescription);
        return;
    }
    panel.SetText(IDC_DESCRIPTION, description.substr(0, kMaxName));
}

void CVekaPrpComplete::OnSetActive(uikit::IControlPanel& panel) {
    Sheet()->SetWizardButtons(uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    if (PassportReaderFlag()) {
        panel.Enable(IDC_PROVIDERS, false);
        panel.Enable(IDC_CONFIGURE, false);
        return;
    }
    if (m_nFirstActivation == 0) return;
    m_nFirstActivation = 0;
    panel.Enable(IDC_PROVIDERS, true);
    CRegistry& reg = GlobalRegistry();
    if (m_strRouteName.empty() || !reg.RegistryOpen(kRoutesKey + "\\" + m_strRouteName, false)) {
        // A route has to be configured first.
        Sheet()->SetWizardButtons(uikit::PSWIZB_BACK);
        return;
    }
    const std::string provider = QueryString(reg, "Service Provider");
    const int found =
        provider.empty() ? -1 : uikit::FindRowByPrefix(panel, IDC_PROVIDERS, provider);
    panel.Select(IDC_PROVIDERS, found >= 0 ? found : 0);
    panel.Enable(IDC_CONFIGURE, true);
    if (found >= 0) ShowProviderDescription(panel, panel.RowText(IDC_PROVIDERS, found, 0));
    static_cast<void>(reg.RegistryClose());
    Sheet()->SetWizardButtons(uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
}

void CVekaPrpComplete::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == IDC_CONFIGURE) {
        OnConfigureConnection(panel);
    } else if (id == IDC_PROVIDERS && !PassportReaderFlag()) {
        panel.Enable(IDC_CONFIGURE, true);
        ShowProviderDescription(panel, CaretText(panel));
    }
}

void CVekaPrpComplete::OnConfigureConnection(uikit::IControlPanel& panel) {
    panel.Enable(IDC_CONFIGURE, true);
    const std::string provider = CaretText(panel);
    // Without a provider chosen there is nothing to configure.
    if (provider.empty()) return;
    if (BRXAPIConfigureServiceProvider(provider, m_strRouteName, kDeviceKindPrinter) != kConfigured)
        return;
    Sheet()->SetWizardButtons(uikit::PSWIZB_NEXT);
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kCommonKey, true)) return;
    if (reg.RegistryCreateKey("\\Routes", true) &&
        reg.RegistryCreateKey("\\" + m_strRouteName, true)) {
        static_cast<void>(reg.RegistrySetString("Alias", m_strRouteName, true, true));
        static_cast<void>(reg.RegistrySetString("End System", "TREVO", true, true));
        static_cast<void>(reg.RegistrySetString("Service Provider", provider, true, true));
    }
    static_cast<void>(reg.RegistryClose());
}

int CVekaPrpComplete::OnWizardNext(uikit::IControlPanel& /*panel*/) {
    PushThisPage();
    return NextAfter(IDD_COMPLETE);
}

int CVekaPrpComplete::OnWizardBack(uikit::IControlPanel& panel) {
    Sheet()->SetWizardButtons(uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    return CWizardPage::OnWizardBack(panel);
}

}  // namespace wizard
