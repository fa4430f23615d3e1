// The add-device wizard's last page (dialog 481 "Complete"): changes take effect only after
// a restart. Finish is offered only when the store can be written.
#pragma once

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpFinish : public CWizardPage {
public:
    static constexpr int IDC_RESTART_NOTE = 1137;

    CVekaPrpFinish();

    void OnSetActive(uikit::IControlPanel& panel) override;
};

}  // namespace wizard
