#include "app/databaserowstore.h"

#include <stdexcept>

namespace vyn {

QString DatabaseRowStore::value(const char* column) const
{
    const auto row = m_current.database().currentRow();
    return row ? row->value(QString::fromLatin1(column)).toString() : QString();
}

QString DatabaseRowStore::rowType() const
{
    return value("TYPE_VYN");
}

QString DatabaseRowStore::rowSerial() const
{
    return value("SNUM");
}

void DatabaseRowStore::storeDeviceSoftData(const QDate& firmwareDate)
{
    ConfigDatabase& db = m_current.database();
    const auto id = db.currentId();
    if (!id)
        throw std::runtime_error("there is no current row");
    const ConfigDatabase::PostResult posted = db.post(*id, [&](const StoredRow& row) {
        StoredRow changed = row;
        changed.setValue(QStringLiteral("DeviceSoftData"), firmwareDate);
        return changed;
    });
    if (!posted.ok)
        throw std::runtime_error(posted.error.toStdString());
}

void DatabaseRowStore::RePaintStatus()
{
    if (!m_current.RePaintStatus())
        throw std::runtime_error("the current row cannot be read");
}

} // namespace vyn
