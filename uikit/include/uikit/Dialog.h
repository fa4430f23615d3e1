// Dialog models and the hooks they run through. A dialog is a model (control ids, texts,
// enabling, validation messages, store writes) driven through a control panel keyed by
// control id; whoever shows it (a window toolkit, a script in tests, nothing at all on a
// machine without a display) implements the panel and calls the model's handlers.
//
// Hooks are process-wide and installed by the host program; a module never draws anything
// itself. Without a modal runner installed, a dialog ends at once with IDCANCEL. Install
// hooks before dialogs run; they are not to be changed while one runs.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace uikit {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// A Page starts a page of a tabbed sheet: the controls after it, up to the next Page, are
// that page's; OK and Cancel stay below the pages. A List is a report view with columns, a
// ListBox a list of single texts, a DropList a drop-down list whose text cannot be edited.
enum class ControlKind { Label, Edit, Button, Check, Radio, Group, List, Page, ListBox, DropList };

// A column of a list (a report view): its title and width in pixels.
struct ListColumn {
    std::string title;
    int width = 0;
};

// One control of a dialog, for a renderer that lays the dialog out from its list.
struct ControlSpec {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    std::string label;
    bool enabled = true;                // at first
    int maxLength = 0;                  // edits: 0 = no limit
    std::vector<ListColumn> columns{};  // lists
};

struct DialogSpec {
    std::string caption;
    int width = 0;  // dialog units
    int height = 0;
    std::vector<ControlSpec> controls;
};

// What a model does to the controls on screen.
class IControlPanel {
public:
    virtual ~IControlPanel() = default;
    virtual void SetText(int id, const std::string& text) = 0;
    [[nodiscard]] virtual std::string GetText(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    [[nodiscard]] virtual bool GetCheck(int id) const = 0;
    virtual void Enable(int id, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(int id) const = 0;
    virtual void SetFocus(int id) = 0;
    // Lists (report views, list boxes, drop-down lists): rows by index from 0.
    // Appends a row, one text per column (one text for a list box or a drop-down list).
    virtual void AddRow(int id, const std::vector<std::string>& cells) = 0;
    [[nodiscard]] virtual int RowCount(int id) const = 0;
    // A cell's text; "" past the rows or the columns.
    [[nodiscard]] virtual std::string RowText(int id, int row, int column) const = 0;
    // Deleting a row moves the ones after it up; false when there is no such row.
    virtual bool DeleteRow(int id, int row) = 0;
    virtual void ClearRows(int id) = 0;
    // The selected row (in a list box the one at the caret); -1 when none. Selecting -1 or
    // a row that does not exist clears the selection.
    [[nodiscard]] virtual int Selected(int id) const = 0;
    virtual void Select(int id, int row) = 0;
};

// The first row of the list whose first text begins with `prefix`, without regard to case
// (as the lists of Windows search); -1 when none does.
int FindRowByPrefix(const IControlPanel& panel, int id, const std::string& prefix);

// A panel that only keeps the controls' state: the headless view, and the tests' one.
class MemoryPanel : public IControlPanel {
public:
    explicit MemoryPanel(const DialogSpec& spec);
    void SetText(int id, const std::string& text) override { m_text[id] = text; }
    std::string GetText(int id) const override;
    void SetCheck(int id, bool checked) override { m_check[id] = checked; }
    bool GetCheck(int id) const override;
    void Enable(int id, bool enabled) override { m_enabled[id] = enabled; }
    bool IsEnabled(int id) const override;
    void SetFocus(int id) override { m_focus = id; }
    void AddRow(int id, const std::vector<std::string>& cells) override {
        m_rows[id].push_back(cells);
    }
    int RowCount(int id) const override;
    std::string RowText(int id, int row, int column) const override;
    bool DeleteRow(int id, int row) override;
    void ClearRows(int id) override;
    int Selected(int id) const override;
    void Select(int id, int row) override;
    // A list's rows, in order.
    const std::vector<std::vector<std::string>>& Rows(int id) { return m_rows[id]; }
    int Focus() const noexcept { return m_focus; }

private:
    const std::vector<std::vector<std::string>>* FindRows(int id) const;

    std::map<int, std::string> m_text;
    std::map<int, bool> m_check;
    std::map<int, bool> m_enabled;
    std::map<int, std::vector<std::vector<std::string>>> m_rows;
    std::map<int, int> m_selected;
    int m_focus = 0;
};

// A modal dialog: initialised once, then given every command (a click, a change of an
// edit's text) until it ends itself.
class IDialogModel {
public:
    virtual ~IDialogModel() = default;
    [[nodiscard]] virtual const DialogSpec& Spec() const = 0;
    virtual void OnInitDialog(IControlPanel& panel) = 0;
    virtual void OnCommand(int id, IControlPanel& panel) = 0;
    [[nodiscard]] bool Ended() const noexcept { return m_ended; }
    [[nodiscard]] int Result() const noexcept { return m_result; }

protected:
    void EndDialog(int result) {
        m_ended = true;
        m_result = result;
    }

private:
    bool m_ended = false;
    int m_result = IDCANCEL;
};

enum class MessageIcon { Information, Warning, Stop };

// The hooks. Each has a default: no modal runner (IDCANCEL), messages to the standard error
// stream, no file or folder chooser (cancelled), and a viewer that starts "xdg-open" or "lp".
using ModalRunner = std::function<int(IDialogModel&)>;
using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;
// Asks for a file: (default extension, initial name) -> the chosen path, or nothing.
using FileChooser = std::function<std::optional<std::string>(const std::string& extension,
                                                             const std::string& initial)>;
// Asks for a folder: (title) -> the chosen folder of this machine, or nothing.
using FolderChooser = std::function<std::optional<std::string>(const std::string& title)>;
// Shows or prints a file; false when the program for it cannot be found.
using FileViewer = std::function<bool(const std::string& path, bool print)>;

void SetModalRunner(ModalRunner runner);
void SetMessageSink(MessageSink sink);
void SetFileChooser(FileChooser chooser);
void SetFileViewer(FileViewer viewer);
void SetFolderChooser(FolderChooser chooser);

// Runs the dialog through the installed runner; IDCANCEL when there is none.
int RunModal(IDialogModel& model);
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Information);
std::optional<std::string> ChooseFile(const std::string& extension, const std::string& initial);
bool ViewFile(const std::string& path, bool print);
// Nothing (cancelled) when no folder chooser is installed.
std::optional<std::string> ChooseFolder(const std::string& title);

}  // namespace uikit
