// The route completion page (dialog 241 "Host Configuration"): the service provider of the
// device's route, chosen among those the store lists and configured through the provider's
// own configuration; once configured, the route's first values are written and the wizard
// may go on. A passport reader has no route: its page shows disabled and lets it pass.
#pragma once

#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpComplete : public CWizardPage {
public:
    static constexpr int IDC_PROVIDERS = 1116;
    static constexpr int IDC_CONFIGURE = 1117;
    static constexpr int IDC_DESCRIPTION = 1118;
    static constexpr int kMaxName = 260;
    static constexpr int kDeviceKindPrinter = 2;
    static constexpr const char* kNoProvider = "Service Provider NotFound";
    static constexpr const char* kNoDescription = "Descriptor Not Found";

    CVekaPrpComplete();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    int OnWizardBack(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The route's name (the device id); set by the device list page.
    void SetRouteName(std::string name) { m_strRouteName = std::move(name); }
    [[nodiscard]] const std::string& GetRouteName() const noexcept { return m_strRouteName; }

private:
    void ListProviders(uikit::IControlPanel& panel);
    void ShowProviderDescription(uikit::IControlPanel& panel, const std::string& provider);
    void OnConfigureConnection(uikit::IControlPanel& panel);

    int m_nFirstActivation = 1;
    std::string m_strRouteName;
};

}  // namespace wizard
