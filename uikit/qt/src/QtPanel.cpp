#include "uikitqt/QtPanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>

namespace uikitqt {

namespace {

using uikit::ControlKind;

QString Text(const std::string& text) {
    // Windows marks the access key with '&'; so does Qt.
    return QString::fromStdString(text);
}

// A static text as Windows shows it when no control takes its access key: "&&" is one '&', a
// lone '&' goes.
QString WithoutAccessKey(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 >= text.size() || text[i + 1] != '&') continue;
            ++i;
        }
        shown += text[i];
    }
    return QString::fromStdString(shown);
}

QTreeWidget* MakeReport(const uikit::ControlSpec& c, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setColumnCount(static_cast<int>(c.columns.size()));
    QStringList titles;
    for (const auto& column : c.columns) titles << Text(column.title);
    list->setHeaderLabels(titles);
    for (std::size_t i = 0; i < c.columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), c.columns[i].width);
    return list;
}

}  // namespace

QtPanel::QtPanel(Notify command, Notify doubleClick, Notify killFocus)
    : m_command(std::move(command)),
      m_doubleClick(std::move(doubleClick)),
      m_killFocus(std::move(killFocus)) {}

QWidget* QtPanel::Make(const uikit::ControlSpec& c, QWidget* parent) {
    const int id = c.id;
    const auto command = [this, id] {
        if (m_command) m_command(id);
    };
    QWidget* widget = nullptr;
    switch (c.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(WithoutAccessKey(c.label), parent);
            label->setWordWrap(true);
            widget = label;
            break;
        }
        case ControlKind::Group:
            widget = new QGroupBox(Text(c.label), parent);
            break;
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(parent);
            if (c.maxLength > 0) edit->setMaxLength(c.maxLength);
            if (!c.label.empty()) edit->setPlaceholderText(Text(c.label));
            QObject::connect(edit, &QLineEdit::textEdited, edit, command);
            QObject::connect(edit, &QLineEdit::editingFinished, edit, [this, id] {
                if (m_killFocus) m_killFocus(id);
            });
            widget = edit;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(Text(c.label), parent);
            button->setAutoDefault(false);
            QObject::connect(button, &QPushButton::clicked, button, command);
            widget = button;
            break;
        }
        case ControlKind::Check: {
            auto* box = new QCheckBox(Text(c.label), parent);
            QObject::connect(box, &QCheckBox::clicked, box, command);
            widget = box;
            break;
        }
        case ControlKind::Radio: {
            auto* radio = new QRadioButton(Text(c.label), parent);
            QObject::connect(radio, &QRadioButton::clicked, radio, command);
            widget = radio;
            break;
        }
        case ControlKind::List: {
            auto* list = MakeReport(c, parent);
            QObject::connect(list, &QTreeWidget::itemSelectionChanged, list, command);
            QObject::connect(list, &QTreeWidget::itemDoubleClicked, list, [this, id] {
                if (m_doubleClick) m_doubleClick(id);
            });
            widget = list;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(parent);
            QObject::connect(list, &QListWidget::itemSelectionChanged, list, command);
            widget = list;
            break;
        }
        case ControlKind::DropList: {
            auto* combo = new QComboBox(parent);
            QObject::connect(combo, &QComboBox::activated, combo, command);
            widget = combo;
            break;
        }
        case ControlKind::Page:
            return nullptr;
    }
    // A static text's access key goes to the next control that can take the focus, as on
    // Windows; until one comes the text shows without its key.
    if (c.kind == ControlKind::Label) {
        const bool hasKey = c.label.find('&') != std::string::npos;
        m_keyLabel = hasKey ? static_cast<QLabel*>(widget) : nullptr;
        m_keyLabelText = Text(c.label);
    } else if (c.kind != ControlKind::Group && m_keyLabel) {
        m_keyLabel->setText(m_keyLabelText);
        m_keyLabel->setBuddy(widget);
        m_keyLabel = nullptr;
    }
    widget->setEnabled(c.enabled);
    if (id != 0) {
        widget->setObjectName(QString("control-%1").arg(id));
        m_controls[id] = widget;
    }
    return widget;
}

QWidget* QtPanel::Find(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

template <typename T>
T* QtPanel::As(int id) const {
    return qobject_cast<T*>(Find(id));
}

void QtPanel::SetText(int id, const std::string& text) {
    if (auto* edit = As<QLineEdit>(id)) {
        const QSignalBlocker quiet(edit);
        edit->setText(Text(text));
    } else if (auto* label = As<QLabel>(id)) {
        label->setText(Text(text));
    } else if (auto* combo = As<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(combo->findText(Text(text)));
    }
}

std::string QtPanel::GetText(int id) const {
    if (auto* edit = As<QLineEdit>(id)) return edit->text().toStdString();
    if (auto* label = As<QLabel>(id)) return label->text().toStdString();
    if (auto* combo = As<QComboBox>(id)) return combo->currentText().toStdString();
    return {};
}

void QtPanel::SetCheck(int id, bool checked) {
    if (auto* button = As<QAbstractButton>(id)) {
        const QSignalBlocker quiet(button);
        button->setChecked(checked);
    }
}

bool QtPanel::GetCheck(int id) const {
    auto* button = As<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void QtPanel::Enable(int id, bool enabled) {
    if (auto* w = Find(id)) w->setEnabled(enabled);
}

bool QtPanel::IsEnabled(int id) const {
    auto* w = Find(id);
    return w != nullptr && w->isEnabled();
}

void QtPanel::SetFocus(int id) {
    QWidget* w = Find(id);
    if (w == nullptr) return;
    for (QWidget* page = w; page->parentWidget() != nullptr; page = page->parentWidget()) {
        auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
        if (stack == nullptr) continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
        else
            stack->setCurrentWidget(page);
    }
    w->setFocus();
}

void QtPanel::AddRow(int id, const std::vector<std::string>& cells) {
    QStringList texts;
    for (const std::string& cell : cells) texts << Text(cell);
    if (auto* report = As<QTreeWidget>(id)) {
        report->addTopLevelItem(new QTreeWidgetItem(texts));
    } else if (auto* list = As<QListWidget>(id)) {
        const QSignalBlocker quiet(list);
        list->addItem(texts.value(0));
    } else if (auto* combo = As<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->addItem(texts.value(0));
        combo->setCurrentIndex(-1);
    }
}

int QtPanel::RowCount(int id) const {
    if (auto* report = As<QTreeWidget>(id)) return report->topLevelItemCount();
    if (auto* list = As<QListWidget>(id)) return list->count();
    if (auto* combo = As<QComboBox>(id)) return combo->count();
    return 0;
}

std::string QtPanel::RowText(int id, int row, int column) const {
    if (auto* report = As<QTreeWidget>(id)) {
        const QTreeWidgetItem* item = report->topLevelItem(row);
        return item != nullptr && column >= 0 ? item->text(column).toStdString() : std::string();
    }
    if (column != 0) return {};
    if (auto* list = As<QListWidget>(id)) {
        const QListWidgetItem* item = list->item(row);
        return item != nullptr ? item->text().toStdString() : std::string();
    }
    if (auto* combo = As<QComboBox>(id))
        return row >= 0 && row < combo->count() ? combo->itemText(row).toStdString()
                                                : std::string();
    return {};
}

bool QtPanel::DeleteRow(int id, int row) {
    if (row < 0 || row >= RowCount(id)) return false;
    if (auto* report = As<QTreeWidget>(id)) {
        const QSignalBlocker quiet(report);
        delete report->takeTopLevelItem(row);
    } else if (auto* list = As<QListWidget>(id)) {
        const QSignalBlocker quiet(list);
        delete list->takeItem(row);
    } else if (auto* combo = As<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->removeItem(row);
    }
    return true;
}

void QtPanel::ClearRows(int id) {
    if (auto* report = As<QTreeWidget>(id)) {
        const QSignalBlocker quiet(report);
        report->clear();
    } else if (auto* list = As<QListWidget>(id)) {
        const QSignalBlocker quiet(list);
        list->clear();
    } else if (auto* combo = As<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->clear();
    }
}

int QtPanel::Selected(int id) const {
    if (auto* report = As<QTreeWidget>(id)) {
        const auto selected = report->selectedItems();
        return selected.isEmpty() ? -1 : report->indexOfTopLevelItem(selected.front());
    }
    if (auto* list = As<QListWidget>(id)) return list->currentRow();
    if (auto* combo = As<QComboBox>(id)) return combo->currentIndex();
    return -1;
}

void QtPanel::Select(int id, int row) {
    const bool exists = row >= 0 && row < RowCount(id);
    if (auto* report = As<QTreeWidget>(id)) {
        const QSignalBlocker quiet(report);
        report->clearSelection();
        if (exists) {
            report->topLevelItem(row)->setSelected(true);
            report->setCurrentItem(report->topLevelItem(row));
        }
    } else if (auto* list = As<QListWidget>(id)) {
        const QSignalBlocker quiet(list);
        list->setCurrentRow(exists ? row : -1);
    } else if (auto* combo = As<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(exists ? row : -1);
    }
}

}  // namespace uikitqt
