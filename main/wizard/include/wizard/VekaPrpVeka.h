// The configuration sheet's general page (dialog 242 "VEKA"): how many devices may be
// configured (shown only), the shared trace switch and trace file, and the switch "Sv
// Display Ptr Lniata" that the main view reads. Each change is written to the store at once
// and turns the sheet's Cancel into Close.
#pragma once

#include <string>

#include "uikit/PropertyPage.h"

namespace wizard {

class CVekaPrpVeka : public uikit::CPropertyPage {
public:
    static constexpr int IDC_MAXIMUM = 1026;
    static constexpr int IDC_TRACE_ACTIVE = 1045;
    static constexpr int IDC_TRACE_FILE = 1058;
    static constexpr int IDC_SV_DISP_LNIATA = 1112;

    CVekaPrpVeka();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;
    void OnKillFocus(int id, uikit::IControlPanel& panel) override;

private:
    void ToControls(uikit::IControlPanel& panel) const;
    void FromControls(const uikit::IControlPanel& panel);
    void CancelToClose();

    std::string m_strMaxDevices;
    int m_nTracingActive = 0;
    std::string m_strTraceFile;
    int m_nSvDispLniata = 0;
};

}  // namespace wizard
