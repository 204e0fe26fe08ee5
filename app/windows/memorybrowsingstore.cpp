#include "app/windows/memorybrowsingstore.h"

#include "model/numberlocale.h"

#include <QLocale>
#include <algorithm>

namespace vyn {

MemoryBrowsingStore::MemoryBrowsingStore(QList<MemoryRow> rows) : m_rows(std::move(rows))
{
    for (MemoryRow& r : m_rows)
        r.id = m_nextId++;
    rebuildVisible();
    m_current = m_visible.isEmpty() ? -1 : 0;
}

QList<MemoryRow> MemoryBrowsingStore::sampleRows()
{
    const auto at = [](int y, int m, int d, int h, int min) {
        return QDateTime(QDate(y, m, d), QTime(h, min));
    };
    const QString who = QStringLiteral("SERVICE\\engineer");
    return {
        {QStringLiteral("10450021"), at(2014, 9, 17, 10, 5), QStringLiteral("4"),
         QStringLiteral("11"), QStringLiteral("Котельная №2, ул. Садовая"), who},
        {QStringLiteral("10450118"), at(2015, 2, 3, 14, 40), QStringLiteral("4"),
         QStringLiteral("15"), QStringLiteral("ЦТП-4, отопление и ГВС"), who},
        {QStringLiteral("12001207"), at(2015, 6, 22, 9, 12), QStringLiteral("3"),
         QStringLiteral("21"), QStringLiteral("Школа №14"), who},
        {QStringLiteral("12345678"), at(2016, 11, 8, 16, 31), QStringLiteral("4"),
         QStringLiteral("15"), QStringLiteral("Стенд поверки"), who},
        {QStringLiteral("13000412"), at(2017, 3, 1, 11, 0), QStringLiteral("2"),
         QStringLiteral("12"), QStringLiteral("Жилой дом, Лесная 7"), who},
    };
}

void MemoryBrowsingStore::setCurrentRow(int row)
{
    m_current = row >= 0 && row < m_visible.size() ? row : -1;
}

void MemoryBrowsingStore::setHighlight(int column, const QString& text)
{
    m_highlight = {column, text};
    if (!m_visible.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kBrowsingColumns - 1),
                           {kHighlightRole});
}

void MemoryBrowsingStore::applyFilter(int column, const QString& text)
{
    beginResetModel();
    m_filter = Search{column, text};
    rebuildVisible();
    m_current = m_visible.isEmpty() ? -1 : 0;
    endResetModel();
}

void MemoryBrowsingStore::clearFilter()
{
    if (!m_filter)
        return;
    const int id = rowAt(m_current) ? rowAt(m_current)->id : -1;
    beginResetModel();
    m_filter.reset();
    rebuildVisible();
    m_current = m_visible.isEmpty() ? -1 : 0;
    for (int i = 0; i < m_visible.size(); ++i)
        if (m_rows[m_visible[i]].id == id)
            m_current = i;
    endResetModel();
}

void MemoryBrowsingStore::refresh()
{
    ++m_refreshes;
    beginResetModel();
    rebuildVisible();
    m_current = std::min(m_current, static_cast<int>(m_visible.size()) - 1);
    endResetModel();
}

bool MemoryBrowsingStore::deleteCurrentRow()
{
    if (m_deleteFails || !rowAt(m_current))
        return false;
    const int row = m_current;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(m_visible[row]);
    rebuildVisible();
    endRemoveRows();
    m_current = std::min(row, static_cast<int>(m_visible.size()) - 1);
    m_loadedId = -1;
    return true;
}

bool MemoryBrowsingStore::RePaintStatus()
{
    const MemoryRow* r = rowAt(m_current);
    m_loadedId = r ? r->id : -1;
    return true;
}

bool MemoryBrowsingStore::copyCurrentRow()
{
    const MemoryRow* r = rowAt(m_current);
    if (!r)
        return false;
    MemoryRow copy = *r;
    copy.id = m_nextId++;
    copy.snum = QStringLiteral("00000000");
    copy.date = QDateTime::currentDateTime();
    beginResetModel();
    m_rows.append(copy);
    rebuildVisible();
    m_current = static_cast<int>(m_visible.size()) - 1;
    endResetModel();
    return true;
}

int MemoryBrowsingStore::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_visible.size());
}

int MemoryBrowsingStore::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kBrowsingColumns;
}

QString MemoryBrowsingStore::cellText(const MemoryRow& row, int column) const
{
    switch (column) {
    case ColSnum:
        return row.snum;
    case ColDate:
        return row.date.toString(kShownDateFormat);
    case ColTypeVyn:
        return row.typeVyn;
    case ColCxema:
        return row.cxema;
    case ColComment:
        return row.comment;
    case ColManager:
        return row.manager;
    default:
        return {};
    }
}

bool MemoryBrowsingStore::matches(const MemoryRow& row, const Search& search) const
{
    if (search.text.isEmpty())
        return false;
    const QLocale locale = QLocale::system();
    return locale.toLower(cellText(row, search.column)).contains(locale.toLower(search.text));
}

QVariant MemoryBrowsingStore::data(const QModelIndex& index, int role) const
{
    const MemoryRow* r = index.isValid() ? rowAt(index.row()) : nullptr;
    if (!r)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return cellText(*r, index.column());
    if (role == kHighlightRole)
        return index.column() == m_highlight.column && index.column() <= ColComment &&
               !m_highlight.text.trimmed().isEmpty() && matches(*r, m_highlight);
    return {};
}

bool MemoryBrowsingStore::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    MemoryRow& r = m_rows[m_visible[index.row()]];
    (index.column() == ColComment ? r.comment : r.manager) = value.toString();
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags MemoryBrowsingStore::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == ColComment || index.column() == ColManager)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant MemoryBrowsingStore::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles{
        QStringLiteral("Серийный номер"), QStringLiteral("Дата модификации"),
        QStringLiteral("Тип Винка"),      QStringLiteral("Схема"),
        QStringLiteral("Комментарий"),    QStringLiteral("Кто конфигурировал")};
    return titles.value(section);
}

void MemoryBrowsingStore::rebuildVisible()
{
    m_visible.clear();
    for (int i = 0; i < m_rows.size(); ++i)
        if (!m_filter || matches(m_rows[i], *m_filter))
            m_visible.append(i);
}

const MemoryRow* MemoryBrowsingStore::rowAt(int visibleRow) const
{
    return visibleRow >= 0 && visibleRow < m_visible.size() ? &m_rows[m_visible[visibleRow]]
                                                            : nullptr;
}

} // namespace vyn
