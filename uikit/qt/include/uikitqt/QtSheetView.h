// The Qt view of a property sheet: each page laid out from its own control list when it is
// first shown. A wizard is a dialog with its pages stacked and Back, Next (or Finish) and
// Cancel buttons of its own that follow the sheet: the sheet decides where Back and Next
// lead. A tabbed sheet shows its pages as tabs with OK and Cancel. Buttons are named
// "sheet-back", "sheet-next", "sheet-finish", "sheet-ok" and "sheet-cancel"; controls
// "control-<id>" as in the dialog view.
#pragma once

#include <functional>

#include "uikit/PropertySheet.h"

class QDialog;

namespace uikitqt {

// Shows the sheet modally (a QApplication must exist); `drive`, when given, runs once the
// dialog is up. The sheet's result, IDCANCEL when it did not end itself.
int RunQtSheet(uikit::CPropertySheet& sheet, const std::function<void(QDialog&)>& drive = {});

}  // namespace uikitqt
