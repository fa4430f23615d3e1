#include "devices/SCNDialog.h"

#include "core/HostTrevo.h"
#include "core/HostTrevoRegistry.h"
#include "devices/CouponStore.h"

namespace devices {

CSCNDialog::CSCNDialog(std::string deviceKey) : m_strDeviceKey(std::move(deviceKey)) {}

const uikit::DialogSpec& CSCNDialog::Spec() const {
    using uikit::ControlKind;
    static const uikit::DialogSpec spec{"SCN",
                                        186,
                                        74,
                                        {
                                            {0, ControlKind::Label, "Device Name"},
                                            {IDC_DEVICE_NAME, ControlKind::Edit, "", false},
                                            {0, ControlKind::Label, "SCN 954"},
                                            {IDC_SCN, ControlKind::Edit, "", true, kScnDigits},
                                            {uikit::IDOK, ControlKind::Button, "OK"},
                                            {uikit::IDCANCEL, ControlKind::Button, "Cancel"},
                                        }};
    return spec;
}

std::string CSCNDialog::KeyPath() const {
    return std::string(core::CHostTrevo::kApplicationKey) + "\\" + m_strDeviceKey;
}

void CSCNDialog::OnInitDialog(uikit::IControlPanel& panel) {
    core::CHostTrevoRegistry registry;
    if (!registry.KeyExists(KeyPath())) {
        EndDialog(uikit::IDCANCEL);
        return;
    }
    std::string stored = "0";
    if (!registry.QueryString(KeyPath(), kCurrentScnValue, stored)) stored = "0";
    if (!registry.QueryString(KeyPath(), "Device Name", m_strDeviceName)) m_strDeviceName.clear();
    m_strSCN = stored.size() > 3 ? stored.substr(3, 11) : std::string();
    panel.SetText(IDC_SCN, m_strSCN);
    panel.SetText(IDC_DEVICE_NAME, m_strDeviceName);
}

void CSCNDialog::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == uikit::IDOK) {
        OnOK(panel);
    } else if (id == uikit::IDCANCEL) {
        EndDialog(uikit::IDCANCEL);
    }
}

void CSCNDialog::OnOK(uikit::IControlPanel& panel) {
    m_strSCN = panel.GetText(IDC_SCN);
    m_strDeviceName = panel.GetText(IDC_DEVICE_NAME);
    const std::int64_t number = ReadDecimal64(m_strSCN);
    if (m_strSCN.size() >= static_cast<std::size_t>(kScnDigits) && number > 0) {
        const std::string text = "954" + std::to_string(number);
        core::CHostTrevoRegistry registry;
        if (text.size() == 13 && registry.SetString(KeyPath(), kCurrentScnValue, text)) {
            EndDialog(uikit::IDOK);
            return;
        }
    }
    uikit::ShowMessage(kInvalidScn, uikit::MessageIcon::Warning);
}

}  // namespace devices
