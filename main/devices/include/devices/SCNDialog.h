// The stock control number dialog of a coupon printer: the operator enters the current
// number when new stock is loaded. It shows the stored number's ten digits after the fixed
// "954" and the device's name, and stores "954" and the number entered as "Current SCN" in
// the device's key when that makes exactly 13 digits. A model: the configuration pages run
// it through the modal-runner hook, the Qt view draws it from its control list.
//
// Threads: the user-interface thread.
#pragma once

#include <string>

#include "uikit/Dialog.h"

namespace devices {

class CSCNDialog : public uikit::IDialogModel {
public:
    static constexpr int kTemplateId = 482;
    static constexpr int IDC_SCN = 1141;
    static constexpr int IDC_DEVICE_NAME = 1126;
    static constexpr int kScnDigits = 10;
    static constexpr const char* kInvalidScn = "Please Enter the Valid SCN";

    // deviceKey: the device's key name ("Device 01").
    explicit CSCNDialog(std::string deviceKey);

    const uikit::DialogSpec& Spec() const override;
    // Cancels at once when the device's key cannot be opened.
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    const std::string& Scn() const noexcept { return m_strSCN; }
    const std::string& DeviceName() const noexcept { return m_strDeviceName; }

private:
    void OnOK(uikit::IControlPanel& panel);
    std::string KeyPath() const;

    std::string m_strDeviceKey;
    std::string m_strSCN;
    std::string m_strDeviceName;
};

}  // namespace devices
