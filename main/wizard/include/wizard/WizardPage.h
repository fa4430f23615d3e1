// What every page of the add-device wizard has: its device key ("\Device 03", or empty for
// a sheet without a device), set by the sheet when it is built, and the page history's
// usual Back (the page from which Next was pressed last; 0, the page before it in the sheet,
// when the history is empty).
#pragma once

#include <string>

#include "uikit/PropertyPage.h"
#include "uikit/PropertySheet.h"

namespace wizard {

class CWizardPage : public uikit::CPropertyPage {
public:
    // The folder browse button of the pages that have one.
    static constexpr int IDC_BROWSE = 1064;

    using uikit::CPropertyPage::CPropertyPage;

    void SetDeviceKey(std::string key) { m_strDeviceKey = std::move(key); }
    [[nodiscard]] const std::string& GetDeviceKey() const noexcept { return m_strDeviceKey; }

    int OnWizardBack(uikit::IControlPanel& panel) override;

protected:
    // Records this page in the sheet's history (the first step of every page's Next).
    void PushThisPage();
    // On activation: the Browse button is off while the store cannot be written.
    static void DisableBrowseWhenReadOnly(uikit::IControlPanel& panel);

    std::string m_strDeviceKey;
};

}  // namespace wizard
