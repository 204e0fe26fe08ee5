#include "storedrow.h"

#include <QHash>
#include <algorithm>

#include <QDateTime>

namespace vyn {

const QList<ColumnSpec>& vynBaseColumns()
{
    static const QList<ColumnSpec> columns = [] {
        QList<ColumnSpec> out;
        out.reserve(kVynBaseColumnCount);
        for (const ColumnDefinition& c : kVynBaseTable)
            out.append({QString::fromLatin1(c.name), c.kind, c.maxLength});
        return out;
    }();
    return columns;
}

namespace {

const QHash<QString, int>& positionsByName()
{
    static const QHash<QString, int> byName = [] {
        QHash<QString, int> out;
        const QList<ColumnSpec>& columns = vynBaseColumns();
        for (int i = 0; i < columns.size(); ++i)
            out.insert(columns.at(i).name.toUpper(), i);
        return out;
    }();
    return byName;
}

} // namespace

int columnPosition(const QString& name)
{
    const QHash<QString, int>& byName = positionsByName();
    // Names are mostly given in the table's own spelling: no upper-casing then.
    auto it = byName.constFind(name);
    if (it == byName.cend())
        it = byName.constFind(name.toUpper());
    return it == byName.cend() ? -1 : *it;
}

const ColumnSpec* findColumn(const QString& name)
{
    const int p = columnPosition(name);
    return p < 0 ? nullptr : &vynBaseColumns().at(p);
}

const StoredRow::Item* StoredRow::other(const QString& column) const
{
    const QString key = column.toUpper();
    for (const Item& item : m_others)
        if (item.key == key)
            return &item;
    return nullptr;
}

bool StoredRow::contains(const QString& column) const
{
    const int p = columnPosition(column);
    return p >= 0 ? contains(p) : other(column) != nullptr;
}

QVariant StoredRow::value(int position) const
{
    return contains(position) ? m_table[static_cast<std::size_t>(position)] : QVariant();
}

QVariant StoredRow::value(const QString& column) const
{
    const int p = columnPosition(column);
    if (p >= 0)
        return value(p);
    const Item* item = other(column);
    return item ? item->value : QVariant();
}

void StoredRow::setValue(int position, QVariant value)
{
    if (m_table.empty())
        m_table.resize(kVynBaseColumnCount);
    m_table[static_cast<std::size_t>(position)] = std::move(value);
    m_present |= std::uint64_t(1) << position;
}

void StoredRow::setValue(const QString& column, const QVariant& value)
{
    const int p = columnPosition(column);
    if (p >= 0) {
        setValue(p, value);
        return;
    }
    const QString key = column.toUpper();
    auto it = std::lower_bound(m_others.begin(), m_others.end(), key,
                               [](const Item& item, const QString& k) { return item.key < k; });
    if (it != m_others.end() && it->key == key)
        it->value = value;
    else
        m_others.insert(it, Item{key, column, value});
}

void StoredRow::remove(const QString& column)
{
    const int p = columnPosition(column);
    if (p >= 0) {
        if (contains(p)) {
            m_present &= ~(std::uint64_t(1) << p);
            m_table[static_cast<std::size_t>(p)] = QVariant();
        }
        return;
    }
    const QString key = column.toUpper();
    m_others.removeIf([&](const Item& item) { return item.key == key; });
}

QStringList StoredRow::columns() const
{
    QStringList out;
    const QList<ColumnSpec>& table = vynBaseColumns();
    for (int p = 0; p < table.size(); ++p)
        if (contains(p))
            out << table.at(p).name;
    for (const Item& item : m_others)
        out << item.name;
    return out;
}

bool StoredRow::operator==(const StoredRow& other) const
{
    if (m_present != other.m_present || m_others.size() != other.m_others.size())
        return false;
    for (int p = 0; p < kVynBaseColumnCount; ++p)
        if (contains(p) && m_table[std::size_t(p)] != other.m_table[std::size_t(p)])
            return false;
    for (qsizetype i = 0; i < m_others.size(); ++i)
        if (m_others.at(i).key != other.m_others.at(i).key ||
            m_others.at(i).value != other.m_others.at(i).value)
            return false;
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
