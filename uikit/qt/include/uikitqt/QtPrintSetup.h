// The print settings' hooks drawn with Qt: the page setup in Qt's page setup dialog, on a
// page of no particular printer (the printer is not chosen there), and the font families of
// Qt's font database (fontconfig's). A QApplication must exist while they run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "uikit/PrintSetup.h"

class QDialog;

namespace uikitqt {

// What a margin of the page setup counts.
enum class MarginUnit { ThousandthInch, HundredthMillimetre };

// The unit of the system's locale: hundredths of a millimetre where it measures in metric.
MarginUnit LocaleMarginUnit();

// The page setup runner: the dialog shows `setup` (margins in the locale's unit) and leaves
// in it what the dialog holds when it closes; a cancelled dialog holds what it was given.
void RunPageSetupQt(uikit::PageSetup& setup);
// For tests: margins in `unit`, and `drive` runs once the dialog is up.
void RunPageSetupQt(uikit::PageSetup& setup, MarginUnit unit,
                    const std::function<void(QDialog&)>& drive);

// The font lister: every family the font database knows, in its order.
std::vector<std::string> FontFamiliesQt();

}  // namespace uikitqt
