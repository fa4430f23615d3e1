// The form page (dialog 476 "Form") of the printers driven through the device manager: makes
// sure the device manager holds the forms these printers print on, then lets the operator
// pick one. The chosen form's type and form-feed-bar flag come from its record. Back goes to
// the page before it in the sheet and leaves the history as it is.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpForm : public CWizardPage {
public:
    static constexpr int IDC_FORM = 1078;

    CVekaPrpForm();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    int OnWizardBack(uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetFormName() const noexcept { return m_strForm; }
    [[nodiscard]] std::uint32_t GetFormType() const noexcept { return m_dwFormType; }
    [[nodiscard]] std::uint32_t GetFormFeedBar() const noexcept { return m_dwFormFeedBar; }

private:
    // Adds the forms the device's type needs, lists the device manager's forms and selects
    // the chosen one (the first when none was chosen).
    void LoadForm(uikit::IControlPanel& panel);
    // The stored form of an existing device of a type that prints on forms.
    void LoadExistingForm();

    std::string m_strForm;
    std::uint32_t m_dwFormType = 0;
    std::uint32_t m_dwFormFeedBar = 0;
};

}  // namespace wizard
