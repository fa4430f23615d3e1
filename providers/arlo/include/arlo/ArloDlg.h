// The ARLO route dialog ("Common Trevo API - Arlo Front-End"): reads the route's values when
// it opens and writes them on OK, after checking the terminal address. The default load
// balancers written for empty fields are the provider's values "Default Load Balancer Name"
// and "Default Load Balancer Fallback Name" under "Service Providers\Arlo Front-End" (empty
// when absent).
#pragma once

#include <string>

#include "brxdlg/TraceLogGroup.h"
#include "uikit/Dialog.h"

namespace arlo {

namespace dlg {
inline constexpr int kAdvanced = 1007;
inline constexpr int kRouteName = 1011;
inline constexpr int kLniata = 1013;
inline constexpr int kPrimary = 1014;
inline constexpr int kFallback = 1016;
inline constexpr int kTracing = 1017;
inline constexpr int kTraceFile = 1018;
inline constexpr int kClassName = 1019;
inline constexpr int kPrint = 1020;
inline constexpr int kView = 1021;
inline constexpr int kBrowse = 1022;
}  // namespace dlg

// Whether this user may change the machine's settings (the dialog only shows them if not).
bool StoreWritable();

// The dialog's texts by string id (102-106).
const char* ArloDlgText(int id);

class CArloDlg : public uikit::IDialogModel {
public:
    // `storeWritable`: whether the user may change the machine's settings.
    CArloDlg(std::string route, bool storeWritable);

    const uikit::DialogSpec& Spec() const override;
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

private:
    void LoadFields(uikit::IControlPanel& panel);
    bool SaveFields(uikit::IControlPanel& panel);
    void OnOK(uikit::IControlPanel& panel);

    std::string m_lniata;
    std::string m_route;
    unsigned long m_useClass = 0;
    std::string m_primary;
    std::string m_fallback;
    brxdlg::CTraceLogGroup m_log{
        {dlg::kTracing, dlg::kTraceFile, dlg::kView, dlg::kPrint, dlg::kBrowse}};
    std::string m_className;
    bool m_checkArmed = false;
    bool m_writable;
};

}  // namespace arlo
