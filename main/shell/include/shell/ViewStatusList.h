// The status list of the main view: seven columns and one row per device (the device's
// slot), as the view fills it. Whoever draws it is told of each change.
//
// Threads: user-interface thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace shell {

class CStatusList {
public:
    static constexpr std::size_t kColumns = 7;
    enum Column : std::size_t {
        COL_NAME = 0,
        COL_TYPE = 1,
        COL_ADDRESS = 2,
        COL_DEVICE_STATUS = 3,
        COL_CONNECTION = 4,
        COL_HOST = 5,
        COL_MESSAGE = 6,
    };
    using Row = std::array<std::string, kColumns>;

    struct ColumnSpec {
        std::string title;
        // The column is as wide as this many "X" and one blank in the list's font, plus 10
        // pixels.
        int sampleChars = 0;
    };

    // Loads the seven column titles (a title that cannot be loaded is logged and empty).
    void InsertColumns();
    [[nodiscard]] const std::vector<ColumnSpec>& Columns() const noexcept { return m_columns; }
    // How many rows to expect.
    void SetItemCount(std::size_t count) { m_rows.reserve(count); }

    // Inserts row `row` (at most one past the last) with its device name; false when the
    // position is out of range.
    bool InsertItem(std::size_t row, const std::string& name);
    // Sets one cell; nothing for a row that does not exist.
    void SetItemText(std::size_t row, std::size_t column, const std::string& text);
    [[nodiscard]] std::size_t Rows() const noexcept { return m_rows.size(); }
    [[nodiscard]] const Row& Item(std::size_t row) const { return m_rows.at(row); }
    [[nodiscard]] std::string Text(std::size_t row, std::size_t column) const;

    // Called after each change with the row changed (columns inserted: no call).
    std::function<void(std::size_t row)> onChange;

private:
    std::vector<ColumnSpec> m_columns;
    std::vector<Row> m_rows;
};

}  // namespace shell
