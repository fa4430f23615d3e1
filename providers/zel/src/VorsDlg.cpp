#include "zel/VorsDlg.h"

#include <array>
#include <cctype>
#include <string>

#include "platform/Profile.h"
#include "zel/VorsSettings.h"

namespace zel {
namespace {

using uikit::ControlKind;
using uikit::IControlPanel;

constexpr std::size_t kCommandLength = 9;

struct RegionField {
    int id;
    const char* section;
    const char* fallback;
};

constexpr std::array<RegionField, 5> kFields{{
    {vorsdlg::kHome, "HOME", "..TREVO"},
    {vorsdlg::kNordia, "NORDIA", "..NOR"},
    {vorsdlg::kEstaria, "ESTARIA", "..EST"},
    {vorsdlg::kSudria, "SUDRIA", "..SUD"},
    {vorsdlg::kVestria, "VESTRIA", "..VES"},
}};

}  // namespace

const uikit::DialogSpec& CVorsDlg::Spec() const {
    static const uikit::DialogSpec spec{
        "Vors Host Configuration Options",
        366,
        226,
        {
            {0, ControlKind::Label,
             "This is the configuration utility to allow users to access VORS Hosts. Place a "
             "check in the checkbox below should you require access to VORS end systems."},
            {vorsdlg::kHome, ControlKind::Edit, "Cmd to switch back to Trevo", true, 9},
            {vorsdlg::kNordia, ControlKind::Edit, "Cmd to switch to Nordia", true, 9},
            {vorsdlg::kEstaria, ControlKind::Edit, "Cmd to switch to Estaria", true, 9},
            {vorsdlg::kSudria, ControlKind::Edit, "Cmd to switch to Sudria", true, 9},
            {vorsdlg::kVestria, ControlKind::Edit, "Cmd to switch to Vestria", true, 9},
            {vorsdlg::kC1C2, ControlKind::Check, "Translate Vors C1C2"},
            {vorsdlg::kRequire, ControlKind::Check, "Require VORS connectivity"},
            {vorsdlg::kOK, ControlKind::Button, "OK"},
            {vorsdlg::kCancel, ControlKind::Button, "Cancel"},
        }};
    return spec;
}

void CVorsDlg::OnInitDialog(IControlPanel& panel) {
    const std::string trevo = ProfileName(kTrevoIni);
    panel.SetCheck(vorsdlg::kRequire,
                   platform::GetPrivateProfileInt("VORS", "HostTrans", 0, trevo.c_str()) != 0);
    panel.SetCheck(vorsdlg::kC1C2, false);
    LoadCommands(panel);
}

void CVorsDlg::LoadCommands(IControlPanel& panel) {
    const std::string vors = ProfileName(kVorsIni);
    for (const RegionField& f : kFields) {
        char value[kCommandLength + 1] = {};
        (void)platform::GetPrivateProfileString(f.section, "CHGCHG", f.fallback, value,
                                                sizeof value, vors.c_str());
        panel.SetText(f.id, value);
    }
}

void CVorsDlg::OnCommand(int id, IControlPanel& panel) {
    switch (id) {
        case vorsdlg::kRequire:
            if (panel.GetCheck(vorsdlg::kRequire)) LoadCommands(panel);
            return;
        case vorsdlg::kOK:
        case uikit::IDOK:
            OnOK(panel);
            return;
        case vorsdlg::kCancel:
        case uikit::IDCANCEL:
            EndDialog(uikit::IDCANCEL);
            return;
        default:
            return;
    }
}

void CVorsDlg::OnOK(IControlPanel& panel) {
    const std::string trevo = ProfileName(kTrevoIni);
    (void)platform::WritePrivateProfileString(
        "VORS", "C1C2Trans", panel.GetCheck(vorsdlg::kC1C2) ? "1" : "0", trevo.c_str());
    if (panel.GetCheck(vorsdlg::kRequire)) {
        const std::string vors = ProfileName(kVorsIni);
        for (const RegionField& f : kFields) {
            std::string command = panel.GetText(f.id).substr(0, kCommandLength);
            for (char& ch : command)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            (void)platform::WritePrivateProfileString(f.section, "CHGCHG", command.c_str(),
                                                      vors.c_str());
        }
        (void)platform::WritePrivateProfileString("VORS", "HostTrans", "1", trevo.c_str());
    } else {
        (void)platform::WritePrivateProfileString("VORS", "HostTrans", "0", trevo.c_str());
    }
    EndDialog(uikit::IDOK);
}

}  // namespace zel
