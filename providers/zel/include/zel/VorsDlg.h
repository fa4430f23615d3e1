// The VORS host dialog ("Vors Host Configuration Options"): whether the VORS end systems are
// to be reached, whether the printer's C1 C2 are to be changed, and the change-change
// command of each region, kept in "TREVO.INI" and "VORS.INI".
#pragma once

#include "uikit/Dialog.h"

namespace zel {

namespace vorsdlg {
inline constexpr int kOK = 1023;
inline constexpr int kCancel = 1024;
inline constexpr int kRequire = 1027;
inline constexpr int kHome = 1030;
inline constexpr int kNordia = 1032;
inline constexpr int kEstaria = 1034;
inline constexpr int kSudria = 1036;
inline constexpr int kVestria = 1038;
inline constexpr int kC1C2 = 1040;
}  // namespace vorsdlg

class CVorsDlg : public uikit::IDialogModel {
public:
    const uikit::DialogSpec& Spec() const override;
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

private:
    void LoadCommands(uikit::IControlPanel& panel);
    void OnOK(uikit::IControlPanel& panel);
};

}  // namespace zel
