#include "wizard/VekaPrpFinish.h"

#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

uikit::DialogSpec PageSpec() {
    return {"Complete",
            0,
            0,
            {{CVekaPrpFinish::IDC_RESTART_NOTE, uikit::ControlKind::Label,
              "Changes will take effect only after this application is restarted."}}};
}

}  // namespace

CVekaPrpFinish::CVekaPrpFinish() : CWizardPage(IDD_FINISH, PageSpec()) {}

void CVekaPrpFinish::OnSetActive(uikit::IControlPanel& /*panel*/) {
    if (Sheet())
        Sheet()->SetWizardButtons(StoreWritable() ? uikit::PSWIZB_BACK | uikit::PSWIZB_FINISH
                                                  : uikit::PSWIZB_BACK);
}

}  // namespace wizard
