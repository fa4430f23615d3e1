// The window module: loaded by the program only when it runs with a display.
#include <QApplication>

#include "platform/Export.h"
#include "uikit/Dialog.h"
#include "uikitqt/QtDialogView.h"
#include "vekaqt/MainWindowQt.h"

extern "C" TREVO_EXPORT int TrevoRunVekaWindow(shell::IWindowModel* model, int argc, char** argv) {
    try {
        QApplication app(argc, argv);
        app.setQuitOnLastWindowClosed(true);
        uikit::SetModalRunner(
            [](uikit::IDialogModel& dialog) { return uikitqt::RunQtModal(dialog); });
        int code = 0;
        {
            vekaqt::CMainWindowQt window(*model);
            if (!model->StartHidden()) window.show();
            code = QApplication::exec();
        }
        uikit::SetModalRunner({});
        return code;
    } catch (...) {
        return 1;
    }
}
