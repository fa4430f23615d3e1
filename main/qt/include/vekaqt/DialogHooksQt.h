// The dialog hooks of the program with a display: the dialog models of the program and of the
// modules it loads (route, driver and device dialogs) drawn by the generic Qt view, their
// messages as message boxes, file and folder choice in a file dialog, the page setup in Qt's
// page setup dialog and the fonts of Qt's font database. A QApplication must exist while they
// are installed.
#pragma once

#include <optional>
#include <string>

#include "uikit/Dialog.h"

class QWidget;

namespace vekaqt {

void InstallDialogHooks();
// Back to the headless defaults (before the QApplication goes).
void RemoveDialogHooks();

// The hooks themselves, for tests.
void ShowMessageBox(const std::string& text, uikit::MessageIcon icon);
std::optional<std::string> ChooseFileQt(const std::string& extension, const std::string& initial);
std::optional<std::string> ChooseFolderQt(const std::string& title);

}  // namespace vekaqt
