// The named pipe page (dialog 480 "Named Pipe"): the name of the pipe a named pipe device
// serves. An existing named pipe device shows its name; Next requires one.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpNamedPipe : public CWizardPage {
public:
    static constexpr int IDC_PIPE_NAME = 1110;
    static constexpr std::uint32_t IDS_PIPE_NAME_REQUIRED = 444;

    CVekaPrpNamedPipe();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetPipeName() const noexcept { return m_strPipeName; }

private:
    std::string m_strPipeName;
};

}  // namespace wizard
