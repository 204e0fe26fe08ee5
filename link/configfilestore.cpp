#include "configfilestore.h"

#include "model/devicesession.h"

namespace vyn {

ConfigFileRowStore::ConfigFileRowStore(QString fileName, StoredRow row, ConfigRecord& record,
                                       DeviceSession& session, LoadContext loadContext,
                                       NumberLocale locale, bool recordLoaded)
    : m_fileName(std::move(fileName)), m_row(std::move(row)), m_record(record), m_session(session),
      m_loadContext(loadContext), m_locale(std::move(locale)), m_loaded(recordLoaded),
      m_loadedGeneration(loadContext.deviceGeneration)
{
}

QString ConfigFileRowStore::rowType() const
{
    return m_row.value(QStringLiteral("TYPE_VYN")).toString();
}

QString ConfigFileRowStore::rowSerial() const
{
    return m_row.value(QStringLiteral("SNUM")).toString();
}

void ConfigFileRowStore::storeDeviceSoftData(const QDate& firmwareDate)
{
    StoredRow changed = m_row;
    changed.setValue(QStringLiteral("DeviceSoftData"), firmwareDate);
    writeConfigFile(m_fileName, changed);
    m_row = changed;
}

void ConfigFileRowStore::RePaintStatus()
{
    // A row without a firmware date counts as the zero date: generation 03.
    const QDate stored = variantDate(m_row.value(QStringLiteral("DeviceSoftData")));
    m_session.DeviceFirmwareDate = stored.isValid() ? stored : QDate(1899, 12, 30);
    m_session.DeviceGeneration = generationOfRow(m_row);
    // The tariff lists are read by generation: a firmware date that changed the
    // generation means reading the row again.
    if (m_loaded && m_loadedGeneration == m_session.DeviceGeneration)
        return;
    m_loadContext.deviceGeneration = m_session.DeviceGeneration;
    m_record.FlowTable.clearChannelCells();
    m_record.ThermoTable.clearChannelCells();
    loadRecord(m_row, m_record, m_loadContext, m_locale);
    m_loaded = true;
    m_loadedGeneration = m_session.DeviceGeneration;
}

} // namespace vyn
