#pragma once
// The two document commands of the main window, without the window: the passport
// ("Предварительный просмотр и печать паспорта", "П&росмотр паспорта") and the
// programming card ("Напечатать карту программирования", "Просмотр карты
// программирования"). The window connects its buttons and menu items to
// runPassportCommand / runCardCommand with its refresh, session, settings,
// dialogs and the preview output.

#include "documentcatalogue.h"
#include "documentsettings.h"
#include "reportengine.h"
#include "tvynreport.h"

#include "model/configrecord.h"
#include "model/devicesession.h"
#include "model/numberlocale.h"
#include "model/storedrow.h"
#include "model/userdialogs.h"

#include <QDate>
#include <QStringList>
#include <QString>
#include <functional>

namespace vyn {

// The record as the editor holds it after the refresh, and the current stored row.
struct DocumentSource
{
    const ConfigRecord& record;
    const StoredRow& row;
};

struct DocumentCommandContext
{
    TVynReport& report;
    const DeviceSession& session;
    DocumentSettings settings;
    const DocumentCatalogue& catalogue;
    UserDialogs& dialogs;
    // Where the document goes; none fills the tables and starts no engine.
    ReportOutput* output = nullptr;
    QString programDir;   // templates, firm.ini
    QString databasePath; // empty: DBRepData.sqlite in programDir
    // The main window's refresh of the editor from the current row; a throw ends
    // the command without a message.
    std::function<DocumentSource()> refresh;
    NumberLocale locale = NumberLocale::system();
    QDate today = QDate::currentDate();
    // Installed product data, for the templates and firm.ini programDir has no copy of.
    QStringList productDirs = {};
};

enum class DocumentResult {
    Shown,         // tables filled, the document handed to the output
    Filled,        // tables filled, no output asked for
    Refused,       // no identified calculator with the editor's serial number
    NotRefreshed,  // the refresh failed
    Failed,        // a database, file or template failure, reported to the user
};

QString passportTemplateName(); // "VynApplication.html"
QString cardTemplateName();     // "VynCardProg.html"
QString documentDatabasePath(const DocumentCommandContext& ctx);

DocumentResult runPassportCommand(const DocumentCommandContext& ctx);
DocumentResult runCardCommand(const DocumentCommandContext& ctx);

} // namespace vyn
