// The port page (dialog 235 "Port"): the machine's serial and parallel ports ("COM1",
// "LPT1"; the port map names their devices), of which the device takes one. Devices that
// speak both ways see COM ports only; a COM port leads to its line settings, an LPT port to
// the extended settings. An existing device shows its port; changing the device type on the
// type page forgets the choice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpPort : public CWizardPage {
public:
    static constexpr int IDC_SELECTED = 1002;
    static constexpr int IDC_PORT_LIST = 1057;
    static constexpr std::uint32_t IDS_PORT_REQUIRED = 413;
    // The most ports the page keeps.
    static constexpr std::size_t kMaxPorts = 35;
    static constexpr const char* kNone = "<none>";

    CVekaPrpPort();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetSelectedPort() const noexcept { return m_strPort; }
    // True for the device types that have a port.
    static bool IsPortType(const std::string& deviceType);

private:
    void EnumeratePorts();
    void Refresh(uikit::IControlPanel& panel);
    void LoadPortList(uikit::IControlPanel& panel);
    void ToControls(uikit::IControlPanel& panel) const;

    std::string m_strDeviceType;
    std::vector<std::string> m_ports;  // at most kMaxPorts
    std::string m_strListSelection;
    std::string m_strPort;
};

}  // namespace wizard
