// A sheet's site that only keeps the pages' controls in memory: scripted runs of a sheet
// (the tests', a headless configuration) drive the sheet's buttons and the pages' panels.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "uikit/PropertySheet.h"

namespace uikit {

class MemorySheetSite : public ISheetSite {
public:
    explicit MemorySheetSite(CPropertySheet& sheet) : m_sheet(sheet) {}
    MemoryPanel& PagePanel(int index) override;
    void ShowPage(int index) override { m_shown.push_back(index); }
    void ButtonsChanged() override { ++m_buttonChanges; }

    // The panel of the active page.
    MemoryPanel& Active() { return PagePanel(m_sheet.ActiveIndex()); }
    // The template ids of the pages in the order they came to the front.
    std::vector<int> ShownIds() const;
    int ButtonChanges() const noexcept { return m_buttonChanges; }

private:
    CPropertySheet& m_sheet;
    std::map<int, std::unique_ptr<MemoryPanel>> m_panels;
    std::vector<int> m_shown;
    int m_buttonChanges = 0;
};

}  // namespace uikit
