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
#include <iterator>
#include <vector>

namespace vyn {

enum class ColumnKind { AutoNumber, Text, Double, YesNo, DateTime };

struct ColumnSpec
{
    QString name;       // spelling of the shipped table
    ColumnKind kind;
    int maxLength = 0;  // characters, text columns only
};

// The columns of VYN_Base in table order, each stated here once; everything
// else about the table (its size, the schema, the import's columns) follows.
struct ColumnDefinition
{
    const char* name;
    ColumnKind kind;
    int maxLength;
};
inline constexpr ColumnDefinition kVynBaseTable[] = {
    {"ID", ColumnKind::AutoNumber, 0},     {"INDEX", ColumnKind::Double, 0},
    {"SNUM", ColumnKind::Text, 50},        {"DATE", ColumnKind::DateTime, 0},
    {"TYPE_VYN", ColumnKind::Text, 2},     {"CXEMA", ColumnKind::Text, 3},
    {"COMMENT", ColumnKind::Text, 120},    {"MANAGER", ColumnKind::Text, 100},
    {"RASH", ColumnKind::Text, 250},       {"DU", ColumnKind::Text, 50},
    {"FNOM", ColumnKind::Text, 50},        {"FIMP", ColumnKind::Text, 50},
    {"FMIN", ColumnKind::Text, 50},        {"FMAX", ColumnKind::Text, 50},
    {"SERNR", ColumnKind::Text, 50},       {"ISTPITRASX", ColumnKind::Text, 100},
    {"TYPTERM", ColumnKind::Text, 100},    {"R0", ColumnKind::Text, 50},
    {"WKL", ColumnKind::Text, 50},         {"KLASS", ColumnKind::Text, 50},
    {"LPOG", ColumnKind::Text, 50},        {"SERNT", ColumnKind::Text, 50},
    {"TMIN", ColumnKind::Text, 50},        {"TMAX", ColumnKind::Text, 50},
    {"P", ColumnKind::Text, 50},           {"DSTART", ColumnKind::Double, 0},
    {"PITVYN", ColumnKind::YesNo, 0},      {"DATEL", ColumnKind::DateTime, 0},
    {"DATEZ", ColumnKind::DateTime, 0},    {"TXIZ", ColumnKind::Double, 0},
    {"TXIL", ColumnKind::Double, 0},       {"PXI", ColumnKind::Double, 0},
    {"TYPE_ELECT", ColumnKind::YesNo, 0},  {"NUM_TAR_EL", ColumnKind::Double, 0},
    {"CONST_ELEC", ColumnKind::Double, 0}, {"MAX_ELEC", ColumnKind::Double, 0},
    {"TAR_ZON_EL", ColumnKind::Double, 0}, {"TARIF_ELEC", ColumnKind::Text, 100},
    {"MANOMETR", ColumnKind::Text, 70},    {"M_PMIN", ColumnKind::Text, 70},
    {"M_PMAX", ColumnKind::Text, 70},      {"M_SERNUM", ColumnKind::Text, 70},
    {"MANUSINGTYPE", ColumnKind::Text, 70}, {"ADAPTERTYPE", ColumnKind::Text, 70},
    {"OUTIMPMASS", ColumnKind::Text, 70},  {"ARHSET", ColumnKind::Text, 70},
    {"LIGTHSET", ColumnKind::Text, 70},    {"FLOWARHSET", ColumnKind::Text, 70},
    {"CONSTSCH", ColumnKind::Text, 70},    {"LIMITSCH", ColumnKind::Text, 70},
    {"INFOUT", ColumnKind::Text, 70},      {"SUBBDAYTARIF", ColumnKind::Text, 70},
    {"WORKDAYTIME", ColumnKind::Text, 70}, {"SUNDAYTARIF", ColumnKind::Text, 70},
    {"DEVICESOFT", ColumnKind::DateTime, 0}, {"DeviceSoftData", ColumnKind::DateTime, 0},
};
constexpr int kVynBaseColumnCount = int(std::size(kVynBaseTable));
// A row marks its table columns in one 64-bit word.
static_assert(kVynBaseColumnCount <= 64);

// The same columns as values, in table order.
const QList<ColumnSpec>& vynBaseColumns();
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
