#include "channeltable.h"

namespace vyn {

ChannelTable::ChannelTable(const QStringList& captions, int channelRows)
    : m_columns(static_cast<int>(captions.size()))
{
    m_cells.emplace_back(captions.begin(), captions.end());
    setChannelRows(channelRows);
}

const QString& ChannelTable::cell(int row, int column) const
{
    static const QString empty;
    if (row < 0 || row >= static_cast<int>(m_cells.size()) || column < 0 || column >= m_columns)
        return empty;
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ChannelTable::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= static_cast<int>(m_cells.size()) || column < 0 || column >= m_columns)
        return;
    m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

void ChannelTable::setChannelRows(int rows)
{
    if (rows < 0)
        rows = 0;
    m_cells.resize(static_cast<std::size_t>(rows) + 1,
                   std::vector<QString>(static_cast<std::size_t>(m_columns)));
}

void ChannelTable::clearChannelCells()
{
    for (std::size_t r = 1; r < m_cells.size(); ++r)
        for (std::size_t c = 1; c < m_cells[r].size(); ++c)
            m_cells[r][c].clear();
}

void ChannelTable::clearColumn(int column)
{
    for (int r = 1; r <= channelRows(); ++r)
        setCell(r, column, QString());
}

} // namespace vyn
