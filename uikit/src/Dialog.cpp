#include "uikit/Dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

#include "platform/ChildProcess.h"

namespace uikit {

namespace {

constexpr int kViewerWaitMs = 10000;

struct Hooks {
    std::mutex lock;
    ModalRunner runner;
    MessageSink sink;
    FileChooser chooser;
    FileViewer viewer;
    FolderChooser folderChooser;
};

Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

template <typename T>
T Get(T Hooks::*member) {
    Hooks& h = TheHooks();
    std::lock_guard lock(h.lock);
    return h.*member;
}

template <typename T>
void Put(T Hooks::*member, T value) {
    Hooks& h = TheHooks();
    std::lock_guard lock(h.lock);
    h.*member = std::move(value);
}

// The program of that name in the search path, or nothing.
std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
    return std::nullopt;
}

bool DefaultViewer(const std::string& file, bool print) {
    const auto program = FindProgram(print ? "lp" : "xdg-open");
    if (!program) return false;
    platform::ChildProcess child;
    if (!child.Start(*program, {file})) return false;
    (void)child.Wait(kViewerWaitMs);
    return true;
}

}  // namespace

MemoryPanel::MemoryPanel(const DialogSpec& spec) {
    for (const auto& c : spec.controls) {
        m_enabled[c.id] = c.enabled;
        if (c.kind == ControlKind::Edit) m_text[c.id] = {};
    }
}

std::string MemoryPanel::GetText(int id) const {
    const auto it = m_text.find(id);
    return it == m_text.end() ? std::string() : it->second;
}

bool MemoryPanel::GetCheck(int id) const {
    const auto it = m_check.find(id);
    return it != m_check.end() && it->second;
}

bool MemoryPanel::IsEnabled(int id) const {
    const auto it = m_enabled.find(id);
    return it == m_enabled.end() || it->second;
}

const std::vector<std::vector<std::string>>* MemoryPanel::FindRows(int id) const {
    const auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : &it->second;
}

int MemoryPanel::RowCount(int id) const {
    const auto* rows = FindRows(id);
    return rows ? static_cast<int>(rows->size()) : 0;
}

std::string MemoryPanel::RowText(int id, int row, int column) const {
    const auto* rows = FindRows(id);
    if (!rows || row < 0 || row >= static_cast<int>(rows->size()) || column < 0) return {};
    const auto& cells = (*rows)[static_cast<std::size_t>(row)];
    return column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)]
                                                   : std::string();
}

bool MemoryPanel::DeleteRow(int id, int row) {
    auto& rows = m_rows[id];
    if (row < 0 || row >= static_cast<int>(rows.size())) return false;
    rows.erase(rows.begin() + row);
    const int selected = Selected(id);
    if (selected == row)
        m_selected[id] = -1;
    else if (selected > row)
        m_selected[id] = selected - 1;
    return true;
}

void MemoryPanel::ClearRows(int id) {
    m_rows[id].clear();
    m_selected[id] = -1;
}

int MemoryPanel::Selected(int id) const {
    const auto it = m_selected.find(id);
    return it == m_selected.end() ? -1 : it->second;
}

void MemoryPanel::Select(int id, int row) {
    m_selected[id] = row >= 0 && row < RowCount(id) ? row : -1;
}

int FindRowByPrefix(const IControlPanel& panel, int id, const std::string& prefix) {
    const auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    const int count = panel.RowCount(id);
    for (int row = 0; row < count; ++row) {
        const std::string text = panel.RowText(id, row, 0);
        if (text.size() < prefix.size()) continue;
        if (std::equal(prefix.begin(), prefix.end(), text.begin(),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return row;
    }
    return -1;
}

void SetModalRunner(ModalRunner runner) {
    Put(&Hooks::runner, std::move(runner));
}
void SetMessageSink(MessageSink sink) {
    Put(&Hooks::sink, std::move(sink));
}
void SetFileChooser(FileChooser chooser) {
    Put(&Hooks::chooser, std::move(chooser));
}
void SetFileViewer(FileViewer viewer) {
    Put(&Hooks::viewer, std::move(viewer));
}
void SetFolderChooser(FolderChooser chooser) {
    Put(&Hooks::folderChooser, std::move(chooser));
}

int RunModal(IDialogModel& model) {
    const ModalRunner runner = Get(&Hooks::runner);
    return runner ? runner(model) : IDCANCEL;
}

void ShowMessage(const std::string& text, MessageIcon icon) {
    const MessageSink sink = Get(&Hooks::sink);
    if (sink)
        sink(text, icon);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

std::optional<std::string> ChooseFile(const std::string& extension, const std::string& initial) {
    const FileChooser chooser = Get(&Hooks::chooser);
    return chooser ? chooser(extension, initial) : std::nullopt;
}

std::optional<std::string> ChooseFolder(const std::string& title) {
    const FolderChooser chooser = Get(&Hooks::folderChooser);
    return chooser ? chooser(title) : std::nullopt;
}

bool ViewFile(const std::string& path, bool print) {
    const FileViewer viewer = Get(&Hooks::viewer);
    return viewer ? viewer(path, print) : DefaultViewer(path, print);
}

}  // namespace uikit
