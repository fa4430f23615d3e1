#include "uikitqt/QtSheetView.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "uikitqt/QtPanel.h"

namespace uikitqt {

namespace {

class SheetView : public QDialog, public uikit::ISheetSite {
public:
    explicit SheetView(uikit::CPropertySheet& sheet) : m_sheet(sheet) {
        setWindowTitle(QString::fromStdString(sheet.Caption()));
        auto* layout = new QVBoxLayout(this);
        if (sheet.IsWizardMode()) {
            m_stack = new QStackedWidget(this);
            m_stack->setObjectName("pages");
            layout->addWidget(m_stack);
        } else {
            m_tabs = new QTabWidget(this);
            m_tabs->setObjectName("pages");
            layout->addWidget(m_tabs);
        }
        for (int i = 0; i < sheet.PageCount(); ++i) {
            auto* page = new QWidget(this);
            new QVBoxLayout(page);
            m_pages.push_back(page);
            m_panels.emplace_back();
            if (m_stack)
                m_stack->addWidget(page);
            else
                m_tabs->addTab(page, QString::fromStdString(sheet.Page(i).Title()));
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        if (m_stack) {
            m_back = Button(*buttons, "sheet-back", "< &Back", [this] { m_sheet.Back(); });
            m_next = Button(*buttons, "sheet-next", "&Next >", [this] { m_sheet.Next(); });
            m_finish = Button(*buttons, "sheet-finish", "Finish", [this] { m_sheet.Finish(); });
        } else {
            Button(*buttons, "sheet-ok", "OK", [this] {
                LeaveEdit();
                m_sheet.Ok();
            });
            connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
                if (m_showing || index == m_sheet.ActiveIndex()) return;
                if (!m_sheet.SetActivePage(index)) ShowPage(m_sheet.ActiveIndex());
            });
        }
        m_cancel = Button(*buttons, "sheet-cancel", "Cancel", [this] {
            LeaveEdit();
            m_sheet.Cancel();
        });
        layout->addLayout(buttons);
    }

    uikit::IControlPanel& PagePanel(int index) override {
        auto& panel = m_panels[static_cast<std::size_t>(index)];
        if (!panel) {
            panel = std::make_unique<QtPanel>(
                [this, index](int id) {
                    if (index == m_sheet.ActiveIndex()) Act([&] { m_sheet.Command(id); });
                },
                [this, index](int id) {
                    if (index == m_sheet.ActiveIndex()) Act([&] { m_sheet.DoubleClick(id); });
                },
                [this, index](int id) {
                    if (index == m_sheet.ActiveIndex()) Act([&] { m_sheet.KillFocus(id); });
                });
            QWidget* page = m_pages[static_cast<std::size_t>(index)];
            for (const auto& control : m_sheet.Page(index).Spec().controls)
                if (QWidget* widget = panel->Make(control, page)) page->layout()->addWidget(widget);
        }
        return *panel;
    }

    void ShowPage(int index) override {
        m_showing = true;
        if (m_stack)
            m_stack->setCurrentIndex(index);
        else
            m_tabs->setCurrentIndex(index);
        m_showing = false;
    }

    void ButtonsChanged() override {
        m_cancel->setText(m_sheet.CancelIsClose() ? "Close" : "Cancel");
        if (!m_stack) return;
        m_back->setEnabled(m_sheet.CanBack());
        m_next->setVisible(!m_sheet.ShowsFinish());
        m_next->setEnabled(m_sheet.CanNext());
        m_finish->setVisible(m_sheet.ShowsFinish());
        m_finish->setEnabled(m_sheet.CanFinish());
    }

    void reject() override {
        Act([this] {
            LeaveEdit();
            m_sheet.Cancel();
        });
    }

private:
    template <typename F>
    QPushButton* Button(QHBoxLayout& row, const char* name, const char* text, F press) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, press] { Act(press); });
        row.addWidget(button);
        return button;
    }

    // An edit of the active page that has the focus while the sheet closes (Escape, the
    // window's close box) ends its editing first, as it would on a click elsewhere.
    void LeaveEdit() {
        auto* edit = qobject_cast<QLineEdit*>(focusWidget());
        if (edit == nullptr || m_sheet.ActiveIndex() < 0) return;
        const auto& panel = m_panels[static_cast<std::size_t>(m_sheet.ActiveIndex())];
        for (const auto& control : m_sheet.ActivePage().Spec().controls)
            if (panel && control.id != 0 && panel->Find(control.id) == edit) {
                m_sheet.KillFocus(control.id);
                return;
            }
    }

    // Runs a step of the sheet, then closes the dialog when the sheet ended.
    template <typename F>
    void Act(F step) {
        step();
        if (m_sheet.Ended()) done(m_sheet.Result());
    }

    uikit::CPropertySheet& m_sheet;
    QStackedWidget* m_stack = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::vector<QWidget*> m_pages;
    std::vector<std::unique_ptr<QtPanel>> m_panels;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_showing = false;  // a page brought to the front by the sheet itself
};

}  // namespace

int RunQtSheet(uikit::CPropertySheet& sheet, const std::function<void(QDialog&)>& drive) {
    SheetView view(sheet);
    sheet.Attach(view);
    view.ButtonsChanged();
    if (sheet.Ended()) return sheet.Result();
    if (drive) QTimer::singleShot(0, &view, [&] { drive(view); });
    (void)view.exec();
    return sheet.Ended() ? sheet.Result() : uikit::IDCANCEL;
}

}  // namespace uikitqt
