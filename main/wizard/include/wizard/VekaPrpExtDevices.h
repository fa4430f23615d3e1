// The alias page (dialog 102 "Extended Devices Names") of the printers driven through the
// device manager: which of the device manager's printers of the device's class the device
// uses. Next records the alias in the scratch key, where the form page finds it.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpExtDevices : public CWizardPage {
public:
    static constexpr int IDC_DEVICE_ALIAS = 1097;

    CVekaPrpExtDevices();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;

    // The device manager's printer class of a device type: 2 for "Printer (ATB2/KDM)", else 1.
    static std::uint32_t PrinterClass(const std::string& deviceType);

    [[nodiscard]] const std::string& GetAlias() const noexcept { return m_strAlias; }

private:
    // Fills the list with the device manager's printers and selects the device's own.
    void LoadAliases(uikit::IControlPanel& panel);

    std::string m_strAlias;
    int m_nAliasTaken = 0;  // the alias of a Next before stays over the stored one
};

}  // namespace wizard
