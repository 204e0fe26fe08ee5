#pragma once
// The browsing store kept in memory: the rows of a small table with the
// filtering, highlighting and row operations of the real one. Stands in for
// the configuration database where there is none.

#include "app/browsingstore.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <optional>

namespace vyn {

struct MemoryRow
{
    QString snum;
    QDateTime date;
    QString typeVyn;
    QString cxema;
    QString comment;
    QString manager;
    int id = 0; // given by the store
};

class MemoryBrowsingStore : public QAbstractTableModel, public BrowsingStore
{
public:
    explicit MemoryBrowsingStore(QList<MemoryRow> rows = {});

    // A few rows that show what the list looks like.
    static QList<MemoryRow> sampleRows();

    // BrowsingStore
    QAbstractItemModel* model() override { return this; }
    bool isOpen() const override { return true; }
    int currentRow() const override { return m_current; }
    void setCurrentRow(int row) override;
    void setHighlight(int column, const QString& text) override;
    void applyFilter(int column, const QString& text) override;
    void clearFilter() override;
    bool isFiltering() const override { return m_filter.has_value(); }
    void refresh() override;
    bool deleteCurrentRow() override;
    bool RePaintStatus() override;
    bool copyCurrentRow() override;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Every row, filtered or not, in list order.
    const QList<MemoryRow>& allRows() const { return m_rows; }
    // The row the last RePaintStatus loaded, -1 none.
    int loadedId() const { return m_loadedId; }
    int refreshCount() const { return m_refreshes; }
    // Makes deleteCurrentRow fail, as a locked table does.
    void setDeleteFails(bool fails) { m_deleteFails = fails; }

private:
    struct Search
    {
        int column = 0;
        QString text;
    };

    QString cellText(const MemoryRow& row, int column) const;
    bool matches(const MemoryRow& row, const Search& search) const;
    void rebuildVisible();
    const MemoryRow* rowAt(int visibleRow) const;

    QList<MemoryRow> m_rows;
    QList<int> m_visible; // indexes into m_rows
    std::optional<Search> m_filter;
    Search m_highlight;
    int m_current = -1;
    int m_loadedId = -1;
    int m_nextId = 1;
    int m_refreshes = 0;
    bool m_deleteFails = false;
};

} // namespace vyn
