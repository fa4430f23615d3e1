// The exchange of a folder edit (the interface queue page's and the Change Path dialog's):
// a folder is required, and it must be a folder of an existing drive that exists or that
// the operator has just had made. Each failure shows its message with an OK button and
// fails the exchange.
#pragma once

#include <cstdint>
#include <string>

#include "uikit/Dialog.h"
#include "wizard/WizardIds.h"

namespace wizard {

// The folder messages (with IDS_NOT_A_DIRECTORY); "%1" stands for the folder or the drive.
enum FolderMessage : std::uint32_t {
    IDS_NO_PATH = 61212,
    IDS_NOT_A_DRIVE = 61213,
    IDS_CREATE_DIRECTORY = 61214,
    IDS_CREATE_FAILED = 61215,
    IDS_BROWSE_TITLE = 61217,
    IDS_DIRECTORY_EXISTS = 61218,
};

// The longest folder text the check reads.
inline constexpr std::size_t kMaxPath = 260;

// Saving: the control's text becomes `path`; an empty text shows 61212 and fails. Loading:
// `path` becomes the control's text.
bool DDX_PathRequired(bool bSave, uikit::IControlPanel& panel, int id, std::string& path);
// Saving: checks the control's text as a folder (CheckFolder). Loading does nothing.
bool DDX_PathValid(bool bSave, const uikit::IControlPanel& panel, int id);

// The form of a folder text: "X:" and more, X a drive that exists, and no drive's root
// ("C:\"). Shows 61216 or 61213 and gives false otherwise.
bool CheckFolderForm(const std::string& text);
// An empty text passes (the required check is another's); otherwise its form is checked,
// then the folder must exist. A missing one is offered for making (61214, Yes, No or
// Cancel); the check fails even when it was made, so that the operator sees it made.
bool CheckFolder(const std::string& text);

}  // namespace wizard
