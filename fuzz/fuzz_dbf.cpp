// An older dBASE table: every value read, then imported into a new
// configuration database; a second import of the same table adds only the rows
// whose serial number could not be stored.

#include "fuzzsupport.h"

#include "app/dbfimport.h"
#include "app/dbftable.h"
#include "app/tdm1.h"

#include <QSqlQuery>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QString table = vynfuzz::scratchFile(QStringLiteral("Sub.dbf"), vynfuzz::bytesOf(data, size));
    {
        vyn::OldTable old;
        if (!old.open(table))
            return 0;
        for (int r = 0; r < old.rowCount(); ++r) {
            old.isDeleted(r);
            if (!old.readRow(r))
                continue;
            for (int c = 0; c < old.columns().size(); ++c)
                old.value(c);
        }
    }

    const QString database = vynfuzz::scratchPath(QStringLiteral("MXVynBase.sqlite"));
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(database + suffix);
    vyn::TDM1 db;
    VYNFUZZ_CHECK(db.Connect(database));
    vynfuzz::SilentUser user;
    vyn::OldDatabaseImport import(db, user, vyn::NumberLocale(QLatin1Char(',')));
    const vyn::ImportResult first = import.importFile(table);
    VYNFUZZ_CHECK(!first.ok || db.RecordCount() == first.added);
    if (first.ok) {
        // Rows whose serial number could not be stored are not found again: only
        // those are added a second time.
        QSqlQuery q(db.database());
        VYNFUZZ_CHECK(q.exec(QStringLiteral("SELECT COUNT(*) FROM VYN_Base WHERE SNUM IS NULL")) &&
                      q.next());
        const int withoutSerial = q.value(0).toInt();
        q.finish();
        const vyn::ImportResult second = import.importFile(table);
        VYNFUZZ_CHECK(second.ok);
        VYNFUZZ_CHECK(second.added == withoutSerial);
        VYNFUZZ_CHECK(db.RecordCount() == first.added + withoutSerial);
    }
    db.Close();
    return 0;
}
