// The COM port page (dialog 236 "COM Port"): the line settings of the serial port chosen on
// the port page. A new device starts from its type's settings, an existing one on a COM port
// from its stored ones; a passport reader may also write what it reads to a file, which
// leads to the passport file page. "System Settings" would show the system's own dialog of
// the port, which this machine does not have.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpPort;

class CVekaPrpPortCom : public CWizardPage {
public:
    static constexpr int IDC_BAUD_RATE = 1003;
    static constexpr int IDC_DATA_BITS = 1004;
    static constexpr int IDC_PARITY = 1005;
    static constexpr int IDC_STOP_BITS = 1006;
    static constexpr int IDC_FLOW_CONTROL = 1007;
    static constexpr int IDC_PASSPORT_TO_FILE = 1065;
    static constexpr int IDC_SYSTEM_SETTINGS = 1096;

    // The line settings as the lists show them.
    struct LineSettings {
        std::string baudRate;
        std::string dataBits;
        std::string parity;
        std::string stopBits;
        std::string flowControl;
    };

    CVekaPrpPortCom();

    // The port page whose port this page configures (set by the sheet).
    void SetPortPage(CVekaPrpPort* page) noexcept { m_pPortPage = page; }
    [[nodiscard]] CVekaPrpPort* GetPortPage() const noexcept { return m_pPortPage; }

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    int OnWizardBack(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The settings a new device of the type starts with.
    static LineSettings DefaultsOf(const std::string& deviceType);

    [[nodiscard]] const std::string& GetBaudRate() const noexcept { return m_line.baudRate; }
    [[nodiscard]] const std::string& GetDataBits() const noexcept { return m_line.dataBits; }
    [[nodiscard]] const std::string& GetFlowControl() const noexcept { return m_line.flowControl; }
    [[nodiscard]] const std::string& GetParity() const noexcept { return m_line.parity; }
    [[nodiscard]] const std::string& GetProtocol() const noexcept { return m_strProtocol; }
    [[nodiscard]] const std::string& GetStopBits() const noexcept { return m_line.stopBits; }
    [[nodiscard]] int GetPassportDataToFile() const noexcept { return m_nPassportToFile; }

private:
    void Refresh(uikit::IControlPanel& panel);
    void LoadLists(uikit::IControlPanel& panel) const;
    // The stored settings of an existing device on a COM port; false when there are none.
    bool LoadStored();
    void ToControls(uikit::IControlPanel& panel) const;
    void FromControls(const uikit::IControlPanel& panel);

    std::string m_strDeviceType;
    CVekaPrpPort* m_pPortPage = nullptr;
    LineSettings m_line;
    std::string m_strProtocol;
    int m_nPassportToFile = 0;
    // The settings were taken from the type or the store, and the file flag from the store.
    bool m_bLoaded = false;
    bool m_bFileFlagLoaded = false;
};

}  // namespace wizard
