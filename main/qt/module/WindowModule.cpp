// The window module: loaded by the program only when it runs with a display.
#include <QApplication>

#include "platform/Export.h"
#include "vekaqt/DialogHooksQt.h"
#include "vekaqt/MainWindowQt.h"

extern "C" TREVO_EXPORT int TrevoRunVekaWindow(shell::IWindowModel* model, int argc, char** argv) {
    try {
        QApplication app(argc, argv);
        app.setQuitOnLastWindowClosed(true);
        vekaqt::InstallDialogHooks();
        int code = 0;
        {
            vekaqt::CMainWindowQt window(*model);
            if (!model->StartHidden()) window.show();
            code = QApplication::exec();
        }
        vekaqt::RemoveDialogHooks();
        return code;
    } catch (...) {
        return 1;
    }
}
