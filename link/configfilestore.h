#pragma once
// A configuration file (model/configfile.h) as the current row of the commands:
// vyntool writes DeviceSoftData back into the file.

#include "devicecommands.h"

#include "model/configfile.h"

namespace vyn {

class ConfigFileRowStore : public ConfigRowStore
{
public:
    // The record and the session are those of the command; recordLoaded tells
    // that the record already holds the file's row.
    ConfigFileRowStore(QString fileName, StoredRow row, ConfigRecord& record,
                       DeviceSession& session, LoadContext loadContext, NumberLocale locale,
                       bool recordLoaded);

    QString rowType() const override;
    QString rowSerial() const override;
    // Raises ConfigFileError when the file cannot be written.
    void storeDeviceSoftData(const QDate& firmwareDate) override;
    void RePaintStatus() override;

    const StoredRow& row() const { return m_row; }

private:
    QString m_fileName;
    StoredRow m_row;
    ConfigRecord& m_record;
    DeviceSession& m_session;
    LoadContext m_loadContext;
    NumberLocale m_locale;
    bool m_loaded;
    int m_loadedGeneration; // the generation the record holds the row for
};

} // namespace vyn
