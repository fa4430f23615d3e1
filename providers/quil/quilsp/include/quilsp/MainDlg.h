// The route configuration dialog of the QUIL providers ("Common Trevo API - QUIL"): reads the
// route's values when it opens and writes them back on OK, checking the terminal address and
// the dynamic-address code first.
#pragma once

#include <string>

#include "uikit/Dialog.h"

namespace quilsp {

// Control ids.
namespace dlg {
inline constexpr int kTraceLabel = 1000;
inline constexpr int kPseudoCityRadio = 1004;
inline constexpr int kProfileRadio = 1005;
inline constexpr int kAdvanced = 1007;
inline constexpr int kDynamicGroup = 1009;
inline constexpr int kHostName = 1010;
inline constexpr int kLniata = 1013;
inline constexpr int kProfileName = 1014;
inline constexpr int kTracing = 1015;
inline constexpr int kPseudoCity = 1016;
inline constexpr int kTraceFile = 1018;
inline constexpr int kBrowse = 1019;
inline constexpr int kPrint = 1020;
inline constexpr int kView = 1021;
}  // namespace dlg

class CMainDlg : public uikit::IDialogModel {
public:
    // routeKind 2 is a printer route; `storeWritable` tells whether the user may change the
    // machine's settings (otherwise the dialog only shows them).
    CMainDlg(std::string route, int routeKind, bool storeWritable);

    const uikit::DialogSpec& Spec() const override;
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // Whether the machine's settings may be changed by this user.
    static bool StoreWritable();

private:
    void LoadFields(uikit::IControlPanel& panel);
    bool SaveFields(uikit::IControlPanel& panel);
    void EnableDynamic(uikit::IControlPanel& panel, bool on);
    void EnableTracing(uikit::IControlPanel& panel, bool on);
    void OnOK(uikit::IControlPanel& panel);
    void ViewOrPrint(uikit::IControlPanel& panel, bool print);

    std::string m_host;
    std::string m_lniata;
    std::string m_traceFile;
    bool m_tracing = false;
    std::string m_profile;
    std::string m_pseudoCity;
    int m_option = 0;
    std::string m_route;
    int m_routeKind;
    bool m_writable;
};

}  // namespace quilsp
