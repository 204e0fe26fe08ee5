#pragma once
// Configuration files exchanged with vyntool and other workplaces: a stored row
// written as the JSON configuration file vyntool reads, and such files read
// into the database as new rows.

#include "app/configdatabase.h"

#include "editor/editorcontext.h"
#include "model/numberlocale.h"
#include "model/storedrow.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace vyn {

class ElectricityMeterCatalogue;
class UserDialogs;

// Writes the row without its ID, which belongs to the database it came from.
// Throws ConfigFileError.
void exportConfiguration(const StoredRow& row, const QString& fileName);

struct ConfigImportInputs
{
    EditorOptions options;   // the save checks of the editor's "Ввод"
    QString title;           // caption of the checks' messages
    NumberLocale locale = NumberLocale::system();
    QDate today;             // DATE of a file without one
    QString manager;         // MANAGER of a file without one
    const ElectricityMeterCatalogue* catalogue = nullptr;
};

struct ConfigImportResult
{
    bool posted = false;
    int count = 0; // rows appended
};

// Reads every file first and refuses them all at the first that cannot be read,
// is not a configuration or is refused by the editor's save checks (the message
// names the file and the key). Then saves each as the editor's "Ввод" saves a
// new configuration and appends them all in one transaction.
ConfigImportResult importConfigurations(ConfigDatabase& db, const QStringList& files,
                                        const ConfigImportInputs& inputs, UserDialogs& dialogs);

} // namespace vyn
