// The device list page (dialog 232 "Devices"), the configuration sheet's first: the
// configured devices with Add, Remove, Properties and, for coupon printers, the stock-number
// entry. Add and Properties run the add-device wizard; after Finish the page writes the
// device record from the wizard's pages (DoAdd), then its session and route. Nothing here
// touches the running devices: changes count from the program's next start.
#pragma once

#include <functional>
#include <string>

#include "uikit/PropertyPage.h"

class CRegistry;

namespace wizard {

class CVekaPrpAddPrp;

class CVekaPrpDevices : public uikit::CPropertyPage {
public:
    static constexpr int IDC_DEVICE_LIST = 1001;
    static constexpr int IDC_REMOVE = 1014;
    static constexpr int IDC_PROPERTIES = 1015;
    static constexpr int IDC_ADD = 1016;
    static constexpr int IDC_SCN = 1143;
    enum Column : int { kColumnName = 0, kColumnType = 1, kColumnEnabled = 2, kColumnId = 3 };

    // Runs the coupon printer's stock-number dialog for a device id ("Device 03").
    using ScnDialogRunner = std::function<void(const std::string& deviceId)>;

    // instanceId: the numbered service instance whose devices are listed ("" for the main
    // one). Without a runner, the coupon printer's own dialog runs through the modal hook.
    explicit CVekaPrpDevices(std::string instanceId = {}, ScnDialogRunner scn = {});

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;
    void OnDoubleClick(int id, uikit::IControlPanel& panel) override;
    void OnDestroy() override;

    void OnAdd(uikit::IControlPanel& panel);
    void OnProperties(uikit::IControlPanel& panel);
    void OnRemove(uikit::IControlPanel& panel);

    // Writes the device record of `deviceId` from the wizard's pages, then its session and
    // route, counts the device and lists it.
    void DoAdd(const std::string& deviceId, CVekaPrpAddPrp& wizard, uikit::IControlPanel& panel);
    // True when the device's "Device Type" is "Printer Mitosa SCN".
    static bool IsScnPrinter(const std::string& deviceId);

private:
    // Runs the wizard for the device, and `finished` with it after Finish; the modal result.
    int RunWizard(const std::string& deviceId,
                  const std::function<void(CVekaPrpAddPrp&)>& finished);
    void WriteRecord(CRegistry& reg, const std::string& deviceId, CVekaPrpAddPrp& wizard);
    void AddRow(uikit::IControlPanel& panel, const std::string& name, const std::string& type,
                bool enabled, const std::string& deviceId);
    // Lowers or raises the device count (never below 0).
    void ChangeDeviceCount(int by);
    std::uint32_t DeviceCount() const;
    void OnScn(uikit::IControlPanel& panel);

    std::string m_strInstanceId;
    ScnDialogRunner m_scn;
};

}  // namespace wizard
