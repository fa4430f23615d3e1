// The one Qt view of dialog models: lays a dialog out from its control list, gives the model
// its controls as a control panel, and turns clicks and edits into the model's commands. Only
// the interactive program links it; models and modules never do.
#pragma once

#include <functional>

#include "uikit/Dialog.h"

class QDialog;

namespace uikitqt {

// A modal runner that shows the dialog with Qt (a QApplication must exist); a property sheet
// is shown by the sheet view (QtSheetView.h).
int RunQtModal(uikit::IDialogModel& model);

// For tests: shows the dialog, then runs `drive` once the dialog is up (it may click and type
// into the widgets, found by the object name "control-<id>") and returns the model's result.
int RunQtModal(uikit::IDialogModel& model, const std::function<void(QDialog&)>& drive);

}  // namespace uikitqt
