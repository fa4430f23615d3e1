// The ZEL route dialog ("ZEL Service Provider Configuration"): the route's terminal address
// and gateway, and the trace settings shared by all routes. A service address is entered as
// "SVC" and a hexadecimal digit and kept as "00000" and that digit. Its "Vors Host" button
// opens the VORS dialog.
#pragma once

#include <string>

#include "brxdlg/TraceLogGroup.h"
#include "uikit/Dialog.h"

namespace zel {

namespace dlg {
inline constexpr int kLniata = 1004;
inline constexpr int kGateway = 1005;
inline constexpr int kBrowse = 1011;
inline constexpr int kCancel = 1013;
inline constexpr int kAdvanced = 1014;
inline constexpr int kRouteName = 1015;
inline constexpr int kTracing = 1016;
inline constexpr int kTraceFile = 1017;
inline constexpr int kView = 1018;
inline constexpr int kPrint = 1019;
inline constexpr int kVorsHost = 1022;
}  // namespace dlg

// The terminal address as entered, checked and in the form it is kept: 0 and the kept form,
// or the id of the message that refuses it.
int ExchangeLniata(const std::string& entered, std::string& kept);
// The gateway address as entered: 0, or the id of the message that refuses it.
int CheckGatewayAddress(const std::string& entered);

class CZelDlg : public uikit::IDialogModel {
public:
    // `storeWritable`: whether the user may change the machine's settings.
    CZelDlg(std::string route, bool storeWritable);

    const uikit::DialogSpec& Spec() const override;
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

private:
    bool SaveFields(uikit::IControlPanel& panel);
    void OnOK(uikit::IControlPanel& panel);

    std::string m_route;
    bool m_writable;
    std::string m_lniata;  // as kept
    std::string m_gateway;
    brxdlg::CTraceLogGroup m_log{
        {dlg::kTracing, dlg::kTraceFile, dlg::kView, dlg::kPrint, dlg::kBrowse}};
};

}  // namespace zel
