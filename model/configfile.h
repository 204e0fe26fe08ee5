#pragma once
// Configuration file: a JSON object whose keys are VYN_Base column names (any
// case) and whose values are what the table stores: strings for text columns,
// numbers for double columns, booleans for yes/no, "YYYY-MM-DD" or
// "YYYY-MM-DDTHH:MM:SS" for date/time; null for a null column. Used for
// export and import of configurations and by vyntool.

#include "configrecord.h"
#include "messageerror.h"
#include "numberlocale.h"
#include "rowcodec.h"
#include "storedrow.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace vyn {

// A file that cannot be read, written or understood; what() names the key.
class ConfigFileError : public MessageError
{
public:
    using MessageError::MessageError;
};

// Throws ConfigFileError on broken JSON, an unknown or repeated column, or a
// value of the wrong kind.
StoredRow parseConfigJson(const QByteArray& json);
// Columns in table order, each value as its variant holds it.
QByteArray configJson(const StoredRow& row);

StoredRow readConfigFile(const QString& fileName);
void writeConfigFile(const QString& fileName, const StoredRow& row);

struct LoadedConfig
{
    StoredRow row;
    ConfigRecord record;
    int deviceGeneration = 1; // from DeviceSoftData, as the main window decides it
    QDate deviceFirmwareDate; // DeviceSoftData; invalid when missing
};

// Reads a file and loads it into a new record, then numbers the measurement
// systems as is done before a configuration goes to a device.
LoadedConfig loadConfigFile(const QString& fileName, const NumberLocale& locale,
                            const QDate& today, const ElectricityMeterCatalogue* catalogue);

} // namespace vyn
