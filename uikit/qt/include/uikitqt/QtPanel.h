// The controls of one dialog or one page drawn with Qt: each made from its spec and named
// "control-<id>", with the model's control panel over them. Clicks, edits and changes of a
// list's selection become commands; a double-click on a list's row, and an edit's end of
// editing (it lost the focus, or Return was pressed), notifications of their own.
#pragma once

#include <functional>
#include <map>

#include <QString>

#include "uikit/Dialog.h"

class QLabel;
class QWidget;

namespace uikitqt {

class QtPanel : public uikit::IControlPanel {
public:
    using Notify = std::function<void(int id)>;

    explicit QtPanel(Notify command, Notify doubleClick = {}, Notify killFocus = {});

    // The control's widget, a child of `parent` (null for a Page, which is no widget).
    QWidget* Make(const uikit::ControlSpec& control, QWidget* parent);
    [[nodiscard]] QWidget* Find(int id) const;

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id) const override;
    void SetCheck(int id, bool checked) override;
    bool GetCheck(int id) const override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) const override;
    // Also brings the tab or stacked page holding the control to the front.
    void SetFocus(int id) override;
    void AddRow(int id, const std::vector<std::string>& cells) override;
    int RowCount(int id) const override;
    std::string RowText(int id, int row, int column) const override;
    bool DeleteRow(int id, int row) override;
    void ClearRows(int id) override;
    int Selected(int id) const override;
    void Select(int id, int row) override;

private:
    template <typename T>
    T* As(int id) const;

    Notify m_command;
    Notify m_doubleClick;
    Notify m_killFocus;
    std::map<int, QWidget*> m_controls;
    // The last static text made, while it waits for the control that takes its access key.
    QLabel* m_keyLabel = nullptr;
    QString m_keyLabelText;
};

}  // namespace uikitqt
