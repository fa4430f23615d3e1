// The about box (command 57664): the product's name as the branding gives it, its version,
// and the version of each part of the program as the version stamps report them.
//
// Threads: the user-interface thread.
#pragma once

#include <string>
#include <vector>

#include "uikit/Dialog.h"

namespace shell {

class CAboutBox final : public uikit::IDialogModel {
public:
    static constexpr int kTemplateId = 230;
    static constexpr int IDC_TEXT = 1044;
    static constexpr int IDC_VERSIONS = 1111;
    static constexpr const char* kVersion = " 4.6.0.19 ";

    // Reads the branding: the caption is "About" and the product's name.
    CAboutBox();

    const uikit::DialogSpec& Spec() const override { return m_spec; }
    // Fills the version list, one row per part (none when the stamps cannot be read).
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The parts and their versions, as the version stamps report them.
    static std::vector<std::vector<std::string>> VersionRows();

private:
    uikit::DialogSpec m_spec;
};

// Shows the about box through the installed modal runner.
void ShowAboutBox();

}  // namespace shell
