#pragma once
// One row of the configuration table VYN_Base as a value: column name -> value,
// names compared without regard to case. Values are of the column's kind:
// QString for text, double for numbers, bool for yes/no, QDate or QDateTime for
// date/time; a null QVariant is a null column. The table's columns are held by
// position (vynBaseColumns()), so code that walks every column of many rows
// reaches them without a name look-up.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace vyn {

enum class ColumnKind { AutoNumber, Text, Double, YesNo, DateTime };

struct ColumnSpec
{
    QString name;       // spelling of the shipped table
    ColumnKind kind;
    int maxLength = 0;  // characters, text columns only
};

// The columns of VYN_Base in table order.
const QList<ColumnSpec>& vynBaseColumns();
constexpr int kVynBaseColumnCount = 56;
// The column of that name (any case), or nullptr.
const ColumnSpec* findColumn(const QString& name);
// Its position in vynBaseColumns(), or -1.
int columnPosition(const QString& name);

class StoredRow
{
public:
    bool contains(const QString& column) const;
    // Null QVariant when the column is absent.
    QVariant value(const QString& column) const;
    // A table column takes the table's spelling; another keeps the one first given.
    void setValue(const QString& column, const QVariant& value);
    void remove(const QString& column);

    // The same for a table column by its position in vynBaseColumns().
    bool contains(int position) const { return (m_present >> position) & 1u; }
    QVariant value(int position) const;
    void setValue(int position, QVariant value);
    // Bit p set when the table column at position p holds a value.
    std::uint64_t tableColumnsPresent() const { return m_present; }

    // Columns in the order of the table, then any others by name.
    QStringList columns() const;
    bool isEmpty() const { return m_present == 0 && m_others.isEmpty(); }

    bool operator==(const StoredRow& other) const;

private:
    struct Item
    {
        QString key; // upper case
        QString name;
        QVariant value;
    };
    const Item* other(const QString& column) const; // a column beyond the table's
    std::vector<QVariant> m_table; // by position; allocated at the first value
    std::uint64_t m_present = 0;
    QList<Item> m_others; // names that are not table columns, ordered by key
};

// The date of a date/time value (QDate, QDateTime or ISO text); invalid otherwise.
QDate variantDate(const QVariant& value);

} // namespace vyn
