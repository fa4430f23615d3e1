// The device type page (dialog 233 "Device"), the wizard's first: the device's name, its
// type among those the installation offers, its switch, and a description of the type. It
// loads an existing device and the host values of its route, which the end of the wizard
// needs to rebuild the route; Next starts the page history afresh, records the type in the
// scratch key and goes on by type.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpDevice : public CWizardPage {
public:
    static constexpr int IDC_DEVICE_TYPE = 1021;
    static constexpr int IDC_DEVICE_NAME = 1027;
    static constexpr int IDC_ENABLED = 1063;
    static constexpr int IDC_DESCRIPTION = 1126;
    static constexpr int kTypeCount = 17;
    static constexpr int kMaxText = 50;
    static constexpr const char* kNotFound = "DEVICENOTFOUND";

    CVekaPrpDevice();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    // Has no Back: it is the first page.
    int OnWizardBack(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The type name of index 0 to 16 when the installation offers it, else "DEVICENOTFOUND"
    // (after removing the devices of that type); "" past the end.
    std::string GetDeviceType(int index);
    // The string id of a type name (0 when none has it), and that type's description id (0
    // when it has none).
    static std::uint32_t GetDeviceTypeID(const std::string& typeName);
    static std::uint32_t GetDeviceDescriptionId(std::uint32_t typeId);

    [[nodiscard]] const std::string& GetDeviceType() const noexcept { return m_strDeviceType; }
    [[nodiscard]] const std::string& GetDeviceName() const noexcept { return m_strDeviceName; }
    [[nodiscard]] const std::string& GetLniata() const noexcept { return m_strLniata; }
    [[nodiscard]] const std::string& GetRemoteHost() const noexcept { return m_strRemoteHost; }
    [[nodiscard]] const std::string& GetHostAddress() const noexcept { return m_strHostAddress; }
    [[nodiscard]] int GetEnabled() const noexcept { return m_nEnabled; }
    [[nodiscard]] std::uint32_t GetIdleTimeout() const noexcept { return m_dwIdleTimeout; }

private:
    void LoadDeviceType(uikit::IControlPanel& panel);
    void LoadExistingDevice(uikit::IControlPanel& panel);
    bool IsNameTaken() const;
    void ShowDescription(uikit::IControlPanel& panel);
    // The members into the controls, and back.
    void ToControls(uikit::IControlPanel& panel) const;
    void FromControls(const uikit::IControlPanel& panel);
    void TrimName();
    // The instance id that the device key's name begins with ("" for the main instance).
    std::string InstanceId() const;

    std::string m_strDeviceType;
    std::string m_strDeviceName;
    std::string m_strLniata;
    std::string m_strRemoteHost;
    std::string m_strHostAddress;
    int m_nEnabled = 0;
    std::uint32_t m_dwIdleTimeout = 0;
};

}  // namespace wizard
