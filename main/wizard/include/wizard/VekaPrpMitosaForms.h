// The bin page (dialog 483 "Forms") of the hardcopy printer: which of its paper bins it
// prints from.
#pragma once

#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpMitosaForms : public CWizardPage {
public:
    static constexpr int IDC_BIN = 1145;

    CVekaPrpMitosaForms();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetBinChoice() const noexcept { return m_strBin; }

private:
    std::string m_strBin;
};

}  // namespace wizard
