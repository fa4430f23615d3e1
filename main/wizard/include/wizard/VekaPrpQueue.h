// The queue page (dialog 240 "Queue") of a print queue device: the machine's printers to
// pick from, or a queue name typed (it need not be listed), and the column at which the
// device's lines begin.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpQueue : public CWizardPage {
public:
    static constexpr int IDC_SELECTED = 1025;
    static constexpr int IDC_QUEUES = 1054;
    static constexpr int IDC_COLUMN_OFFSET = 1140;
    static constexpr std::uint32_t kMaxColumnOffset = 30;

    CVekaPrpQueue();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    // A click on a queue makes it the queue.
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetQueueName() const noexcept { return m_strQueue; }
    [[nodiscard]] std::uint32_t GetColumnOffset() const noexcept { return m_dwColumnOffset; }

private:
    void LoadExistingDevice();
    void LoadQueues(uikit::IControlPanel& panel) const;
    bool FromControls(uikit::IControlPanel& panel);

    std::string m_strQueue;
    std::uint32_t m_dwColumnOffset = 0;
};

}  // namespace wizard
