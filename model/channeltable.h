#pragma once
// A channel table: row 0 holds the column captions, rows 1..N are channels; every
// cell is text. Column 0 is the designation, the last column the system number.

#include <QString>
#include <QStringList>
#include <vector>

namespace vyn {

class ChannelTable
{
public:
    ChannelTable() = default;
    ChannelTable(const QStringList& captions, int channelRows);

    int columnCount() const { return m_columns; }
    int channelRows() const { return static_cast<int>(m_cells.size()) - 1; }
    int systemColumn() const { return m_columns - 1; }

    // Out-of-range reads give an empty text; out-of-range writes are ignored, so
    // rules may look at "row 5" of a 4-row table as the original did.
    const QString& cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);

    const QString& designation(int row) const { return cell(row, 0); }
    const QString& systemNumber(int row) const { return cell(row, systemColumn()); }

    // Keeps the rows that stay; new rows are empty.
    void setChannelRows(int rows);
    // Empties columns 1..last of every channel row (designations stay).
    void clearChannelCells();
    // Empties one column of every channel row.
    void clearColumn(int column);

    bool operator==(const ChannelTable&) const = default;

private:
    int m_columns = 0;
    std::vector<std::vector<QString>> m_cells; // [row][column], row 0 = captions
};

} // namespace vyn
