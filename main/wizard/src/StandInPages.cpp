#include "wizard/StandInPages.h"

#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

CStandInPage::CStandInPage(int templateId, const char* caption)
    : CWizardPage(templateId, {caption, 0, 0, {}}) {}

int CStandInPage::OnWizardNext(uikit::IControlPanel& /*panel*/) {
    PushThisPage();
    return NextPage();
}

int CStandInPage::NextPage() const {
    return NextAfter(TemplateId());
}

}  // namespace wizard
