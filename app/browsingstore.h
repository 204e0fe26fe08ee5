#pragma once
// What the main window needs of the configuration table: the rows to list and
// the row-level operations its buttons start. The configuration database
// implements it; MemoryBrowsingStore is a stand-in kept in memory.

#include <QAbstractItemModel>
#include <QString>
#include <functional>

namespace vyn {

// Data role of the list's cells: true when the cell holds the highlighted text.
inline constexpr int kHighlightRole = Qt::UserRole + 1;

// Columns of the list, in order; further columns of the model stay hidden.
enum BrowsingColumn
{
    ColSnum,
    ColDate,
    ColTypeVyn,
    ColCxema,
    ColComment,
    ColManager,
    kBrowsingColumns
};

class BrowsingStore
{
public:
    virtual ~BrowsingStore() = default;

    // The rows in list order with the columns above, their titles as horizontal
    // header data, COMMENT and MANAGER editable (stored when the row changes).
    virtual QAbstractItemModel* model() = 0;
    virtual bool isOpen() const = 0;

    // The table cursor: the row of model() that is the current configuration, -1 none.
    virtual int currentRow() const = 0;
    virtual void setCurrentRow(int row) = 0;

    // Cells of this column (0..4) whose text contains the text (both in lower
    // case) answer kHighlightRole true; a blank text highlights nothing.
    virtual void setHighlight(int column, const QString& text) = 0;
    // Reopens the table showing only the rows whose column contains the text.
    virtual void applyFilter(int column, const QString& text) = 0;
    virtual void clearFilter() = 0;
    virtual bool isFiltering() const = 0;

    // Re-reads the rows.
    virtual void refresh() = 0;
    // Deletes the current row and forgets the loaded record; false when it failed.
    virtual bool deleteCurrentRow() = 0;
    // Makes the current row the current configuration unless it already is;
    // false when the row cannot be loaded.
    virtual bool RePaintStatus() = 0;
    // Appends a copy of the current configuration with serial "00000000".
    virtual bool copyCurrentRow() = 0;
};

// Commands whose work lies outside the main window. An empty one leaves its
// menu item and toolbar button disabled.
struct MainWindowCommands
{
    std::function<void()> edit; // after the window's own steps
    std::function<void()> create;
    std::function<void()> write;
    std::function<void()> passport;
    std::function<void()> programmingCard;
    std::function<void()> fileCopy;
    std::function<void()> firmDetails; // "Реквизиты организации"
    std::function<void()> import;
    std::function<void()> exportConfig; // "Экспорт конфигурации..."
    std::function<void()> importConfig; // "Импорт конфигурации..."
    std::function<void()> interfaceSettings;
    // The record band's "Копировать"; none: the store's copyCurrentRow.
    std::function<void()> copy;
};

} // namespace vyn
