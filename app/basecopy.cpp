#include "app/basecopy.h"

namespace vyn {

BaseCopyResult copyBase(const ConfigDatabase& from, ConfigDatabase& to)
{
    BaseCopyResult result;
    if (!from.isOpen() || !to.isOpen()) {
        result.error = QStringLiteral("the database is not open");
        return result;
    }
    if (from.path() == to.path()) {
        result.error = QStringLiteral("Базы данных источника и назначения совпадают: %1").arg(from.path());
        return result;
    }
    int added = 0, skipped = 0, renumbered = 0;
    QString readError;
    const ConfigDatabase::PostResult posted = to.inBatch([&](ConfigDatabase::Batch& batch,
                                                             ConfigDatabase::PostResult& r) {
        bool failed = false;
        const bool read = from.forEachRow([&](qint64 id, const StoredRow& row) {
            const QString serial = row.value(QStringLiteral("SNUM")).toString();
            bool found = false;
            // Rows without a serial number are known by their ID.
            failed = serial.isEmpty() ? !batch.containsId(id, found, r.error)
                                      : !batch.containsSerial(serial, found, r.error);
            if (failed)
                return false;
            if (found) {
                ++skipped;
                return true;
            }
            bool idTaken = false;
            failed = !batch.containsId(id, idTaken, r.error);
            if (!failed) {
                qint64 newId = 0;
                failed = idTaken ? !batch.append(row, newId, r.error)
                                 : !batch.appendWithId(row, id, r.error);
            }
            if (failed)
                return false;
            ++added;
            renumbered += idTaken ? 1 : 0;
            return true;
        });
        if (!read && !failed)
            r.error = from.lastError();
        return read && !failed;
    });
    result.ok = posted.ok;
    result.error = posted.error;
    if (posted.ok) {
        result.added = added;
        result.skipped = skipped;
        result.renumbered = renumbered;
    }
    return result;
}

} // namespace vyn
