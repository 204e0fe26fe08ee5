// An older dBASE table: every value read, then imported into a new
// configuration database; a second import of the same table adds only the rows
// whose serial number could not be stored.

#include "fuzzsupport.h"

#include "app/configdatabase.h"
#include "app/dbfimport.h"
#include "app/dbftable.h"

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
    vyn::ConfigDatabase db;
    VYNFUZZ_CHECK(db.Connect(database));
    vynfuzz::SilentUser user;
    vyn::OldDatabaseImport import(db, user, vyn::NumberLocale(QLatin1Char(',')));
    const vyn::ImportResult first = import.importFile(table);
    VYNFUZZ_CHECK(!first.ok || db.RecordCount() == first.added);
    if (first.ok) {
        // Rows whose serial number is stored are found again and skipped; rows whose
        // serial could not be stored come in again, the same ones every time.
        const vyn::ImportResult second = import.importFile(table);
        VYNFUZZ_CHECK(second.ok);
        VYNFUZZ_CHECK(second.added + second.skipped == first.added + first.skipped);
        VYNFUZZ_CHECK(second.added <= first.added);
        const vyn::ImportResult third = import.importFile(table);
        VYNFUZZ_CHECK(third.ok && third.added == second.added);
        VYNFUZZ_CHECK(db.RecordCount() == first.added + second.added + third.added);
    }
    db.Close();
    return 0;
}
