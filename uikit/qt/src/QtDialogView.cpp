#include "uikitqt/QtDialogView.h"

#include "uikitqt/QtPanel.h"
#include "uikitqt/QtSheetView.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace uikitqt {

namespace {

using uikit::ControlKind;

class DialogView : public QDialog {
public:
    explicit DialogView(uikit::IDialogModel& model)
        : m_model(model), m_panel([this](int id) { Command(id); }) {
        const uikit::DialogSpec& spec = model.Spec();
        setWindowTitle(QString::fromStdString(spec.caption));
        auto* layout = new QVBoxLayout(this);
        QVBoxLayout* place = layout;  // where the next control goes: the dialog or a page
        QHBoxLayout* buttons = nullptr;
        for (const auto& c : spec.controls) {
            if (c.kind == ControlKind::Page) {
                place = AddPage(*layout, c.label);
                continue;
            }
            QWidget* widget = m_panel.Make(c, this);
            const bool sheetButton = m_pages != nullptr && c.kind == ControlKind::Button &&
                                     (c.id == uikit::IDOK || c.id == uikit::IDCANCEL);
            if (sheetButton) {
                if (buttons == nullptr) {
                    buttons = new QHBoxLayout;
                    buttons->addStretch();
                }
                buttons->addWidget(widget);
            } else {
                place->addWidget(widget);
            }
        }
        if (buttons != nullptr) layout->addLayout(buttons);
    }

    uikit::IControlPanel& Panel() noexcept { return m_panel; }
    void reject() override { Command(uikit::IDCANCEL); }

private:
    // A new page of the sheet (the sheet itself with the first page); its layout.
    QVBoxLayout* AddPage(QVBoxLayout& dialog, const std::string& label) {
        if (m_pages == nullptr) {
            m_pages = new QTabWidget(this);
            m_pages->setObjectName("pages");
            dialog.addWidget(m_pages);
        }
        auto* page = new QWidget(m_pages);
        auto* layout = new QVBoxLayout(page);
        m_pages->addTab(page, QString::fromStdString(label));
        return layout;
    }

    void Command(int id) {
        m_model.OnCommand(id, m_panel);
        if (m_model.Ended()) done(m_model.Result());
    }

    uikit::IDialogModel& m_model;
    QtPanel m_panel;
    QTabWidget* m_pages = nullptr;  // a sheet's pages, when the dialog has any
};

}  // namespace

int RunQtModal(uikit::IDialogModel& model) {
    return RunQtModal(model, {});
}

int RunQtModal(uikit::IDialogModel& model, const std::function<void(QDialog&)>& drive) {
    // A sheet shows each page on its own panel.
    if (auto* sheet = dynamic_cast<uikit::CPropertySheet*>(&model))
        return RunQtSheet(*sheet, drive);
    DialogView view(model);
    model.OnInitDialog(view.Panel());
    // A dialog that ended as it opened (what it edits is gone, say) is never shown.
    if (model.Ended()) return model.Result();
    if (drive) QTimer::singleShot(0, &view, [&] { drive(view); });
    (void)view.exec();
    return model.Ended() ? model.Result() : uikit::IDCANCEL;
}

}  // namespace uikitqt
