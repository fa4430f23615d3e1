#include "uikit/MemorySheetSite.h"

namespace uikit {

MemoryPanel& MemorySheetSite::PagePanel(int index) {
    auto& panel = m_panels[index];
    if (!panel) panel = std::make_unique<MemoryPanel>(m_sheet.Page(index).Spec());
    return *panel;
}

std::vector<int> MemorySheetSite::ShownIds() const {
    std::vector<int> ids;
    ids.reserve(m_shown.size());
    for (const int index : m_shown) ids.push_back(m_sheet.Page(index).TemplateId());
    return ids;
}

}  // namespace uikit
