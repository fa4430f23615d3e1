// The configuration sheet that the main window's properties command opens: the device list
// and the general settings of this instance, captioned by the branding, run modally through
// the installed dialog runner (the Qt view with a display; none headless).
#pragma once

#include <string>

namespace app {

// The sheet's modal result (IDCANCEL when no runner is installed).
int OpenConfigurationSheet(const std::string& instanceId);

}  // namespace app
