#pragma once
// The browsing list over VYN_Base: six columns, rows in the cursor's order, read
// lazily in blocks so that the first screen never reads the whole table. Holds
// the search text and column (for highlighting) and the filter, which keeps the
// rows Table2FilterRecord accepts for the text it was switched on with.

#include "app/browsingstore.h"

#include "model/numberlocale.h"

#include <QAbstractTableModel>
#include <QByteArrayView>
#include <QLocale>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vyn {

class ConfigDatabase;
class UserDialogs;

// The filter on one value: the display text and the search text in the locale's
// lower case; accepted when the search text occurs in the value. An empty search
// text accepts nothing.
bool Table2FilterRecord(const QString& displayText, const QString& searchText,
                        const QLocale& locale);

// The locale's lower case, as the filter compares texts. Where the locale lowers
// Latin and Cyrillic letters as Unicode does (not Turkish, say), texts of only
// those letters take the much cheaper Unicode lower case: the same result.
class FilterCase
{
public:
    explicit FilterCase(QLocale locale);
    QString lower(const QString& text) const;
    // Appends the lower case of a UTF-8 text.
    void appendLower(std::u16string& out, QByteArrayView utf8) const;

private:
    bool plain() const;

    QLocale m_locale;
    // Asked when a filter first needs it: the locale's case tables load only then.
    mutable std::optional<bool> m_plain;
};

class VynBaseModel : public QAbstractTableModel
{
public:
    enum Column : int
    {
        Snum,
        Date,
        TypeVyn,
        Cxema,
        Comment,
        Manager,
        ColumnCount
    };
    enum Role : int
    {
        // bool: dbGetCellParams, the search text is in this cell; the role the
        // main window's list paints by.
        HighlightRole = kHighlightRole,
        IdRole, // qint64 ID of the row
    };

    VynBaseModel(ConfigDatabase& db, UserDialogs& dialogs,
                 NumberLocale numbers = NumberLocale::system(), QLocale locale = QLocale::system(),
                 QObject* parent = nullptr);
    ~VynBaseModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // COMMENT and MANAGER: stored into the row at once; a refused value is reported.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // SearchText and SearchColumn (0..4). Only highlighting follows them at once.
    void setSearch(const QString& text, int column);
    QString searchText() const { return m_searchText; }
    int searchColumn() const { return m_searchColumn; }
    // On: keep the rows that pass the filter with the current search text and
    // column. Off: every row.
    void setFiltered(bool on);
    bool isFiltered() const { return m_filtered; }
    // Cell highlighting: the cell is in the search column, the trimmed search text
    // is not empty and the cell's text contains it (lower case).
    bool dbGetCellParams(const QModelIndex& index) const;

    // Rows of the list and their IDs; -1 / 0 when absent.
    qint64 idAt(int row) const;
    int rowOfId(qint64 id) const;
    // The text the list shows for a column of a row of the database.
    QString displayText(qint64 id, int column) const;
    // "Обновить": the rows are read again.
    void refresh();

    static QString columnName(int column); // SNUM, DATE, ...
    static int columnWidth(int column);    // pixels of the list column

private:
    struct Row
    {
        QString cells[ColumnCount];
        bool present = false;
    };

    void reset();
    void onChanged(std::optional<qint64> id);
    void announceLateChange() const;
    const Row& rowFor(qint64 id) const;
    void fetchBlockOf(int listRow) const;
    void fillRow(const QSqlQuery& q, Row& row) const;
    void lowerColumn(int column) const;
    void applyFilter();
    QString formatDate(const QVariant& stored) const;

    ConfigDatabase& m_db;
    UserDialogs& m_dialogs;
    NumberLocale m_numbers;
    QLocale m_locale;
    FilterCase m_case;

    QString m_searchText;
    int m_searchColumn = 0;
    bool m_filtered = false;
    QString m_filterText;
    int m_filterColumn = 0;
    std::vector<int> m_visible; // positions into the cursor's IDs while filtered

    // Caches, rebuilt after the rows change.
    mutable std::unordered_map<qint64, Row> m_rows;
    // The filter column's display texts in lower case, one after another, and
    // where the text of each cursor position lies among them.
    struct Slice
    {
        int start = 0;
        int length = 0;
    };
    mutable int m_lowerColumn = -1;
    mutable std::u16string m_lowerText;
    mutable std::vector<Slice> m_lowerSlices;
};

} // namespace vyn
