#include "tvynreport.h"

namespace vyn {

bool printAllowed(const ConfigRecord& rec, const DeviceSession& session)
{
    return session.DeviceVersion != 0 && session.IdentifiedSerial == rec.SNUM;
}

QString printRefusedMessage()
{
    return QStringLiteral("Печать возможна только для подключенного прибора!");
}

QString TVynReport::FirstWord(const QString& text)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    return blank < 0 ? text : text.left(blank + 1);
}

void TVynReport::BuildPassport(DocumentDatabase& db, const DocumentInputs& in)
{
    db.open();
    {
        // One commit instead of one per row; a run that stops half way leaves the
        // tables of the run before.
        DocumentDatabase::Transaction transaction(db);
        db.CreatePassportTables();
        FillQuantityDescriptions(db, in);
        FillMeasuredParameters(db, in);
        FillSettings(db, in);
        FillCompleteness(db, in);
        FillPassportProperties(db, in);
        transaction.commit();
    }
    db.close();
}

} // namespace vyn
