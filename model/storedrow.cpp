#include "storedrow.h"

#include <QHash>

#include <QDateTime>

namespace vyn {

namespace {

ColumnSpec text(const char* name, int length)
{
    return {QString::fromLatin1(name), ColumnKind::Text, length};
}
ColumnSpec of(const char* name, ColumnKind kind)
{
    return {QString::fromLatin1(name), kind, 0};
}

} // namespace

const QList<ColumnSpec>& vynBaseColumns()
{
    using K = ColumnKind;
    static const QList<ColumnSpec> columns{
        of("ID", K::AutoNumber),       of("INDEX", K::Double),
        text("SNUM", 50),              of("DATE", K::DateTime),
        text("TYPE_VYN", 2),           text("CXEMA", 3),
        text("COMMENT", 120),          text("MANAGER", 100),
        text("RASH", 250),             text("DU", 50),
        text("FNOM", 50),              text("FIMP", 50),
        text("FMIN", 50),              text("FMAX", 50),
        text("SERNR", 50),             text("ISTPITRASX", 100),
        text("TYPTERM", 100),          text("R0", 50),
        text("WKL", 50),               text("KLASS", 50),
        text("LPOG", 50),              text("SERNT", 50),
        text("TMIN", 50),              text("TMAX", 50),
        text("P", 50),                 of("DSTART", K::Double),
        of("PITVYN", K::YesNo),        of("DATEL", K::DateTime),
        of("DATEZ", K::DateTime),      of("TXIZ", K::Double),
        of("TXIL", K::Double),         of("PXI", K::Double),
        of("TYPE_ELECT", K::YesNo),    of("NUM_TAR_EL", K::Double),
        of("CONST_ELEC", K::Double),   of("MAX_ELEC", K::Double),
        of("TAR_ZON_EL", K::Double),   text("TARIF_ELEC", 100),
        text("MANOMETR", 70),          text("M_PMIN", 70),
        text("M_PMAX", 70),            text("M_SERNUM", 70),
        text("MANUSINGTYPE", 70),      text("ADAPTERTYPE", 70),
        text("OUTIMPMASS", 70),        text("ARHSET", 70),
        text("LIGTHSET", 70),          text("FLOWARHSET", 70),
        text("CONSTSCH", 70),          text("LIMITSCH", 70),
        text("INFOUT", 70),            text("SUBBDAYTARIF", 70),
        text("WORKDAYTIME", 70),       text("SUNDAYTARIF", 70),
        of("DEVICESOFT", K::DateTime), of("DeviceSoftData", K::DateTime),
    };
    return columns;
}

const ColumnSpec* findColumn(const QString& name)
{
    // Asked for every value of every row written: a lookup, not a scan.
    static const QHash<QString, const ColumnSpec*> byName = [] {
        QHash<QString, const ColumnSpec*> out;
        for (const ColumnSpec& c : vynBaseColumns())
            out.insert(c.name.toUpper(), &c);
        return out;
    }();
    return byName.value(name.toUpper(), nullptr);
}

bool StoredRow::contains(const QString& column) const
{
    return m_values.contains(column.toUpper());
}

QVariant StoredRow::value(const QString& column) const
{
    const auto it = m_values.constFind(column.toUpper());
    return it == m_values.cend() ? QVariant() : it->value;
}

void StoredRow::setValue(const QString& column, const QVariant& value)
{
    auto it = m_values.find(column.toUpper());
    if (it == m_values.end()) {
        const ColumnSpec* spec = findColumn(column);
        m_values.insert(column.toUpper(), {spec ? spec->name : column, value});
    }
    else
        it->value = value;
}

void StoredRow::remove(const QString& column) { m_values.remove(column.toUpper()); }

QStringList StoredRow::columns() const
{
    QStringList out;
    for (const ColumnSpec& c : vynBaseColumns()) {
        const auto it = m_values.constFind(c.name.toUpper());
        if (it != m_values.cend())
            out << it->name;
    }
    for (const Item& item : m_values)
        if (!findColumn(item.name))
            out << item.name;
    return out;
}

bool StoredRow::operator==(const StoredRow& other) const
{
    if (m_values.size() != other.m_values.size())
        return false;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        const auto o = other.m_values.constFind(it.key());
        if (o == other.m_values.cend() || o->value != it->value)
            return false;
    }
    return true;
}

QDate variantDate(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QString: {
        const QString s = value.toString();
        const QDateTime moment = QDateTime::fromString(s, Qt::ISODate);
        return moment.isValid() ? moment.date() : QDate::fromString(s, Qt::ISODate);
    }
    default:
        return {};
    }
}

} // namespace vyn
