#include "vekaqt/DialogHooksQt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "uikit/PrintSetup.h"
#include "uikitqt/QtDialogView.h"
#include "uikitqt/QtPrintSetup.h"

namespace vekaqt {

namespace {

QMessageBox::Icon BoxIcon(uikit::MessageIcon icon) {
    switch (icon) {
        case uikit::MessageIcon::Warning:
            return QMessageBox::Warning;
        case uikit::MessageIcon::Stop:
            return QMessageBox::Critical;
        case uikit::MessageIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

void ShowMessageBox(const std::string& text, uikit::MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), QString(), QString::fromStdString(text), QMessageBox::Ok);
    box.setObjectName("message");
    (void)box.exec();
}

std::optional<std::string> ChooseFileQt(const std::string& extension, const std::string& initial) {
    // An open dialog that also takes a new name: a trace file need not exist yet.
    QFileDialog dialog;
    dialog.setObjectName("choose-file");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);  // one look with the dialogs
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    dialog.selectFile(QString::fromStdString(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

std::optional<std::string> ChooseFolderQt(const std::string& title) {
    QFileDialog dialog;
    dialog.setObjectName("choose-folder");
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

void InstallDialogHooks() {
    uikit::SetModalRunner([](uikit::IDialogModel& dialog) { return uikitqt::RunQtModal(dialog); });
    uikit::SetMessageSink(ShowMessageBox);
    uikit::SetFileChooser(ChooseFileQt);
    uikit::SetFolderChooser(ChooseFolderQt);
    uikit::SetPageSetupRunner([](uikit::PageSetup& setup) { uikitqt::RunPageSetupQt(setup); });
    uikit::SetFontLister(uikitqt::FontFamiliesQt);
}

void RemoveDialogHooks() {
    uikit::SetModalRunner({});
    uikit::SetMessageSink({});
    uikit::SetFileChooser({});
    uikit::SetFolderChooser({});
    uikit::SetPageSetupRunner({});
    uikit::SetFontLister({});
}

}  // namespace vekaqt
