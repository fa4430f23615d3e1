#include "shell/ViewStatusList.h"

#include "core/TraceLog.h"
#include "core/VekaStrings.h"

namespace shell {

void CStatusList::InsertColumns() {
    static constexpr struct {
        std::uint32_t titleId;
        int sampleChars;
    } kSpecs[kColumns] = {{300, 17}, {301, 14}, {302, 13}, {303, 10},
                          {317, 13}, {304, 8},  {318, 80}};
    m_columns.clear();
    for (const auto& spec : kSpecs) {
        std::string title = core::LoadVekaString(spec.titleId);
        if (title.empty())
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaView::OnInitialUpdate(): LoadString()", "%u",
                         static_cast<unsigned>(spec.titleId));
        m_columns.push_back({std::move(title), spec.sampleChars});
    }
}

bool CStatusList::InsertItem(std::size_t row, const std::string& name) {
    if (row > m_rows.size()) return false;
    Row item;
    item[COL_NAME] = name;
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(row), std::move(item));
    if (onChange) onChange(row);
    return true;
}

void CStatusList::SetItemText(std::size_t row, std::size_t column, const std::string& text) {
    if (row >= m_rows.size() || column >= kColumns || m_rows[row][column] == text) return;
    m_rows[row][column] = text;
    if (onChange) onChange(row);
}

std::string CStatusList::Text(std::size_t row, std::size_t column) const {
    return row < m_rows.size() && column < kColumns ? m_rows[row][column] : std::string();
}

}  // namespace shell
