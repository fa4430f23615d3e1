// wizardshot OUTDIR [TYPE]: shows the add-device wizard with the Qt view on the display it is
// given, walks a new device of TYPE ("Printer (ATB2)" by default) from the type page to the
// finish page, and saves a picture of each page as the display shows it, OUTDIR/<page>.png
// (the page's dialog id). Cancel ends the wizard: only the scratch key is written. Meant for
// a machine root of its own ($TREVO_HOME) on a virtual display of its own.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "res/VekaStringTable.h"
#include "uikitqt/QtSheetView.h"
#include "wizard/VekaPrpAddPrp.h"

namespace {

const std::string kCommon = "Software\\The TREVO Group\\Common TREVO API";

void PutString(const std::string& path, const char* name, const std::string& value) {
    using namespace platform;
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                       nullptr) != ERROR_SUCCESS)
        return;
    static_cast<void>(RegSetValueEx(key, name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(key);
}

// The keys the program makes when it starts, two providers to choose from, the device's route
// already served by one of them (so the route page lets the wizard on), and the drive C: with
// its SPL folder.
void PrepareMachine() {
    PutString(kCommon + "\\Applications\\TREVO VEKA\\Defaults\\Device", "File Location", "C:\\SPL");
    PutString(kCommon + "\\Service Providers\\ARLO", "Description", "Load-balanced front end");
    PutString(kCommon + "\\Service Providers\\ZEL", "Description", "ZEL gateway");
    PutString(kCommon + "\\Routes\\Device 01", "Service Provider", "ZEL");
    std::error_code ec;
    std::filesystem::create_directories(platform::MachineRoot() / "drive_c" / "SPL", ec);
}

// The page as the display shows it: the window's own pixels, read back from the server.
bool Shoot(QDialog& dialog, const std::filesystem::path& file) {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    QScreen* screen = dialog.screen();
    const QPixmap picture = screen ? screen->grabWindow(dialog.winId()) : QPixmap();
    return !picture.isNull() && picture.save(QString::fromStdString(file.string()), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizardshot OUTDIR [TYPE]\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const QString type = argc > 2 ? argv[2] : "Printer (ATB2)";
    QApplication app(argc, argv);
    res::RegisterVekaStrings();
    PrepareMachine();
    std::error_code ec;
    std::filesystem::create_directories(out, ec);

    wizard::CVekaPrpAddPrp sheet("Trevo Printing Module Properties", 0, "Device 01");
    sheet.GetCompletePage().SetRouteName("Device 01");
    int saved = 0;
    bool failed = false;
    uikitqt::RunQtSheet(sheet, [&](QDialog& dialog) {
        if (!QTest::qWaitForWindowExposed(&dialog)) {
            failed = true;
            dialog.reject();
            return;
        }
        auto* name = dialog.findChild<QLineEdit*>("control-1027");
        auto* types = dialog.findChild<QComboBox*>("control-1021");
        auto* next = dialog.findChild<QPushButton*>("sheet-next");
        auto* cancel = dialog.findChild<QPushButton*>("sheet-cancel");
        if (!name || !types || !next || !cancel || types->findText(type) < 0) {
            failed = true;
            dialog.reject();
            return;
        }
        QTest::keyClicks(name, "Gate printer");
        types->setCurrentIndex(types->findText(type));
        emit types->activated(types->currentIndex());
        for (int i = 0; i < 12; ++i) {
            const int page = sheet.ActivePage().TemplateId();
            if (Shoot(dialog, out / (std::to_string(page) + ".png")))
                ++saved;
            else
                failed = true;
            if (page == 481 || !next->isVisible() || !next->isEnabled()) break;
            next->click();
            if (sheet.ActivePage().TemplateId() == page) break;  // the page kept the wizard
        }
        cancel->click();
    });
    std::printf("%d pages saved in %s\n", saved, out.c_str());
    return failed || saved == 0 ? 1 : 0;
}
