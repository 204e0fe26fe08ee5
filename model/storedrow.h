#pragma once
// One row of the configuration table VYN_Base as a value: column name -> value,
// names compared without regard to case. Values are of the column's kind:
// QString for text, double for numbers, bool for yes/no, QDate or QDateTime for
// date/time; a null QVariant is a null column.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

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
// The column of that name (any case), or nullptr.
const ColumnSpec* findColumn(const QString& name);

class StoredRow
{
public:
    bool contains(const QString& column) const;
    // Null QVariant when the column is absent.
    QVariant value(const QString& column) const;
    // A table column takes the table's spelling; another keeps the one first given.
    void setValue(const QString& column, const QVariant& value);
    void remove(const QString& column);

    // Columns in the order of the table, then any others by name.
    QStringList columns() const;
    bool isEmpty() const { return m_values.isEmpty(); }

    bool operator==(const StoredRow& other) const;

private:
    struct Item
    {
        QString name;
        QVariant value;
    };
    QMap<QString, Item> m_values; // key: upper-case name
};

// The date of a date/time value (QDate, QDateTime or ISO text); invalid otherwise.
QDate variantDate(const QVariant& value);

} // namespace vyn
