#include "uikitqt/QtPrintSetup.h"

#include <QFontDatabase>
#include <QLocale>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace uikitqt {

namespace {

// Margins of the dialog as whole units, never below 0.
std::uint32_t Whole(double value, double scale) {
    return static_cast<std::uint32_t>(std::max(0.0, std::round(value * scale)));
}

}  // namespace

MarginUnit LocaleMarginUnit() {
    return QLocale::system().measurementSystem() == QLocale::MetricSystem
               ? MarginUnit::HundredthMillimetre
               : MarginUnit::ThousandthInch;
}

void RunPageSetupQt(uikit::PageSetup& setup) {
    RunPageSetupQt(setup, LocaleMarginUnit(), {});
}

void RunPageSetupQt(uikit::PageSetup& setup, MarginUnit unit,
                    const std::function<void(QDialog&)>& drive) {
    const bool metric = unit == MarginUnit::HundredthMillimetre;
    const QPageLayout::Unit units = metric ? QPageLayout::Millimeter : QPageLayout::Inch;
    const double scale = metric ? 100.0 : 1000.0;

    // A page of no printer of the machine's: the dialog then offers no printer to choose.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(units);
    layout.setMinimumMargins(QMarginsF());
    layout.setOrientation(setup.orientation == uikit::DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
    layout.setMargins(QMarginsF(setup.marginLeft / scale, setup.marginTop / scale,
                                setup.marginRight / scale, setup.marginBottom / scale));
    printer.setPageLayout(layout);

    QPageSetupDialog dialog(&printer);
    dialog.setObjectName("page-setup");
    if (drive) QTimer::singleShot(0, &dialog, [&] { drive(dialog); });
    (void)dialog.exec();

    // What the dialog holds now: the operator's page when confirmed, the one given when not.
    const QPageLayout result = printer.pageLayout();
    setup.orientation = result.orientation() == QPageLayout::Landscape ? uikit::DMORIENT_LANDSCAPE
                                                                       : uikit::DMORIENT_PORTRAIT;
    const QMarginsF margins = result.margins(units);
    setup.marginLeft = Whole(margins.left(), scale);
    setup.marginTop = Whole(margins.top(), scale);
    setup.marginRight = Whole(margins.right(), scale);
    setup.marginBottom = Whole(margins.bottom(), scale);
}

std::vector<std::string> FontFamiliesQt() {
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families())
        families.push_back(family.toStdString());
    return families;
}

}  // namespace uikitqt
