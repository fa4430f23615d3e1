// The interface queue page (dialog 107 "Interface Queue"): where an interface queue device
// writes the host's interface records for a back-office system: the queue number, the
// folder (chosen through the Change Path dialog) and the file format. The format also
// decides the extended settings page's line-feed rule. When the wizard ends, the device
// list page has the page save the queue into the device's key, making its folders.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

class CRegistry;

namespace wizard {

class CVekaPrpInterfaceQueue : public CWizardPage {
public:
    static constexpr int IDC_CHANGE_PATH = 1064;
    static constexpr int IDC_PATH = 1104;
    static constexpr int IDC_FILE_FORMAT = 1107;
    static constexpr int IDC_QUEUE_NUMBER = 1108;
    enum : std::uint32_t { IDS_SPL_FAILED = 61219, IDS_KBO_FAILED = 61220 };

    CVekaPrpInterfaceQueue();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // Writes the queue into the new device's open key: "QueueName", "QueuePath",
    // "QueueDrive", "NativeFormat", "QueueType". Makes the folder and the drive's KBO folder
    // when they are missing (a failure is shown, and the values are written all the same).
    void Save(CRegistry& reg);

    // 0 "<None>", 1 queue 30, 2 queue 27.
    [[nodiscard]] int GetQueueNumber() const noexcept { return m_nQueueNumber; }
    [[nodiscard]] const std::string& GetFolder() const noexcept { return m_strFolder; }
    [[nodiscard]] const std::string& GetQueueName() const noexcept { return m_strQueueName; }
    // 0 to 4, as list 1107 shows them.
    [[nodiscard]] int GetFileFormat() const noexcept { return m_nFileFormat; }
    [[nodiscard]] const std::string& GetQueueDrive() const noexcept { return m_strQueueDrive; }

    // The work file's path without its drive: "C:\SPL" gives "\SPL\QWORK.SF".
    static std::string QueuePathOf(const std::string& folder);

private:
    // The controls into the members (false, after its message, when a check fails), or back.
    bool Exchange(bool bSave, uikit::IControlPanel& panel);

    int m_nQueueNumber = 0;
    std::string m_strFolder = "C:\\SPL";
    std::string m_strQueueName;
    int m_nFileFormat = 0;
    std::string m_strQueueDrive = "C";
};

}  // namespace wizard
