#pragma once
// The document generator: fills the document database for the passport and the
// programming card from the current configuration. One object lives as long as
// the program; a run overwrites whatever it uses.

#include "documentcatalogue.h"
#include "documentdatabase.h"
#include "documentsettings.h"
#include "firmdetails.h"

#include "model/configrecord.h"
#include "model/devicesession.h"
#include "model/numberlocale.h"
#include "model/storedrow.h"
#include "model/userdialogs.h"

#include <QChar>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace vyn {

// What one document run reads besides the database it fills.
struct DocumentInputs
{
    const ConfigRecord& record; // as the editor holds it after the refresh
    const StoredRow& row;       // the current stored row: DATE, TYPE_VYN, ArhSet
    int deviceVersion = 0;      // of the identified calculator
    DocumentSettings settings;
    const DocumentCatalogue& catalogue;
    UserDialogs& dialogs; // input boxes for missing catalogue values, messages
    NumberLocale locale;
    FirmDetails firm;
    QDate today;
    // The card refreshes the editor from the stored row once more after its first
    // row; a throw ends the run.
    std::function<void()> refreshEditor;
};

// "Печать возможна только для подключенного прибора!" unless a calculator was
// identified and its serial number is the editor's.
bool printAllowed(const ConfigRecord& rec, const DeviceSession& session);
QString printRefusedMessage();

class TVynReport
{
public:

    // The leading part of a text up to and including its first blank (the blank
    // before a unit suffix stays); the whole text when it has none.
    static QString FirstWord(const QString& text);

    // Passport: all tables in one transaction; the engine reads them at once.
    void BuildPassport(DocumentDatabase& db, const DocumentInputs& in);
    void FillQuantityDescriptions(DocumentDatabase& db, const DocumentInputs& in);
    void FillMeasuredParameters(DocumentDatabase& db, const DocumentInputs& in);
    void FillSettings(DocumentDatabase& db, const DocumentInputs& in);
    void FillCompleteness(DocumentDatabase& db, const DocumentInputs& in);
    void FillPassportProperties(DocumentDatabase& db, const DocumentInputs& in);
    QString BuildDeviceDesignation(const QString& deviceName, const QString& schemeCode,
                                   const DocumentInputs& in) const;

    // Programming card: empties and fills the four card tables. An unreadable
    // alternative-days file is reported and ends the run with AltDaysFileError.
    void BuildProgrammingCard(DocumentDatabase& db, const DocumentInputs& in);
    static QStringList BuildHeatQuantityList(const QStringList& designations, QChar first,
                                             QChar second);

    // Fields of the run in progress.
    QString deviceName;
    QString schemeCode;
    QString firstSchemeText;
    QString secondSchemeText;
    QStringList designationList; // at most five flow designations
    int designationCount = 0;

private:
    void fillCardParameters(DocumentDatabase& db, const DocumentInputs& in);
    void fillCardElectricity(DocumentDatabase& db, const DocumentInputs& in);
    void fillCardDesignations(DocumentDatabase& db, const DocumentInputs& in);
};

} // namespace vyn
