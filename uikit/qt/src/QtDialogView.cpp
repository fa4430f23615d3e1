#include "uikitqt/QtDialogView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace uikitqt {

namespace {

using uikit::ControlKind;

QString Label(const std::string& text) {
    // Windows marks the access key with '&'; so does Qt.
    return QString::fromStdString(text);
}

class DialogView : public QDialog, public uikit::IControlPanel {
public:
    explicit DialogView(uikit::IDialogModel& model) : m_model(model) {
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
            QWidget* widget = Make(c);
            if (widget == nullptr) continue;
            widget->setEnabled(c.enabled);
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
            if (c.id != 0) {
                widget->setObjectName(QString("control-%1").arg(c.id));
                m_controls[c.id] = widget;
            }
        }
        if (buttons != nullptr) layout->addLayout(buttons);
    }

    void SetText(int id, const std::string& text) override {
        if (auto* edit = As<QLineEdit>(id)) {
            const QSignalBlocker quiet(edit);
            edit->setText(QString::fromStdString(text));
        } else if (auto* label = As<QLabel>(id)) {
            label->setText(QString::fromStdString(text));
        }
    }
    std::string GetText(int id) const override {
        if (auto* edit = As<QLineEdit>(id)) return edit->text().toStdString();
        return {};
    }
    void SetCheck(int id, bool checked) override {
        if (auto* button = As<QAbstractButton>(id)) {
            const QSignalBlocker quiet(button);
            button->setChecked(checked);
        }
    }
    bool GetCheck(int id) const override {
        auto* button = As<QAbstractButton>(id);
        return button != nullptr && button->isChecked();
    }
    void Enable(int id, bool enabled) override {
        if (auto* w = Find(id)) w->setEnabled(enabled);
    }
    bool IsEnabled(int id) const override {
        auto* w = Find(id);
        return w != nullptr && w->isEnabled();
    }
    void SetFocus(int id) override {
        auto* w = Find(id);
        if (w == nullptr) return;
        // A control on a page of a sheet brings its page to the front.
        if (m_pages != nullptr)
            for (int i = 0; i < m_pages->count(); ++i)
                if (m_pages->widget(i)->isAncestorOf(w)) m_pages->setCurrentIndex(i);
        w->setFocus();
    }
    void AddRow(int id, const std::vector<std::string>& cells) override {
        auto* list = As<QTreeWidget>(id);
        if (list == nullptr) return;
        QStringList texts;
        for (const std::string& cell : cells) texts << QString::fromStdString(cell);
        list->addTopLevelItem(new QTreeWidgetItem(texts));
    }

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
        m_pages->addTab(page, Label(label));
        return layout;
    }

    QWidget* Make(const uikit::ControlSpec& c) {
        const int id = c.id;
        switch (c.kind) {
            case ControlKind::Label:
                return new QLabel(Label(c.label), this);
            case ControlKind::Group:
                return new QGroupBox(Label(c.label), this);
            case ControlKind::Edit: {
                auto* edit = new QLineEdit(this);
                if (c.maxLength > 0) edit->setMaxLength(c.maxLength);
                if (!c.label.empty()) edit->setPlaceholderText(Label(c.label));
                connect(edit, &QLineEdit::textEdited, this, [this, id] { Command(id); });
                return edit;
            }
            case ControlKind::Button: {
                auto* button = new QPushButton(Label(c.label), this);
                button->setAutoDefault(false);
                connect(button, &QPushButton::clicked, this, [this, id] { Command(id); });
                return button;
            }
            case ControlKind::Check: {
                auto* box = new QCheckBox(Label(c.label), this);
                connect(box, &QCheckBox::clicked, this, [this, id] { Command(id); });
                return box;
            }
            case ControlKind::List: {
                auto* list = new QTreeWidget(this);
                list->setRootIsDecorated(false);
                list->setColumnCount(static_cast<int>(c.columns.size()));
                QStringList titles;
                for (const auto& column : c.columns) titles << Label(column.title);
                list->setHeaderLabels(titles);
                for (std::size_t i = 0; i < c.columns.size(); ++i)
                    list->setColumnWidth(static_cast<int>(i), c.columns[i].width);
                return list;
            }
            case ControlKind::Radio: {
                auto* radio = new QRadioButton(Label(c.label), this);
                connect(radio, &QRadioButton::clicked, this, [this, id] { Command(id); });
                return radio;
            }
            case ControlKind::Page:
                break;
        }
        return nullptr;
    }

    void Command(int id) {
        m_model.OnCommand(id, *this);
        if (m_model.Ended()) done(m_model.Result());
    }

    QWidget* Find(int id) const {
        const auto it = m_controls.find(id);
        return it == m_controls.end() ? nullptr : it->second;
    }
    template <typename T>
    T* As(int id) const {
        return qobject_cast<T*>(Find(id));
    }

    uikit::IDialogModel& m_model;
    std::map<int, QWidget*> m_controls;
    QTabWidget* m_pages = nullptr;  // a sheet's pages, when the dialog has any
};

}  // namespace

int RunQtModal(uikit::IDialogModel& model) {
    return RunQtModal(model, {});
}

int RunQtModal(uikit::IDialogModel& model, const std::function<void(QDialog&)>& drive) {
    DialogView view(model);
    model.OnInitDialog(view);
    // A dialog that ended as it opened (what it edits is gone, say) is never shown.
    if (model.Ended()) return model.Result();
    if (drive) QTimer::singleShot(0, &view, [&] { drive(view); });
    (void)view.exec();
    return model.Ended() ? model.Result() : uikit::IDCANCEL;
}

}  // namespace uikitqt
