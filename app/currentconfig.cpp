#include "app/currentconfig.h"

#include "model/userdialogs.h"

#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace vyn {

QString postFailureMessage()
{
    return QStringLiteral("Была ошибка при создании базы");
}

QString systemManagerText()
{
    // The account of the process, as the system names it; the environment may lie.
    const passwd* account = getpwuid(geteuid());
    const QString user =
        account ? QString::fromLocal8Bit(account->pw_name) : qEnvironmentVariable("USER");
    return managerText(QSysInfo::machineHostName(), user);
}

CurrentConfiguration::CurrentConfiguration(ConfigDatabase& db, ConfigRecord& record,
                                           DeviceSession& session, UserDialogs& dialogs,
                                           const Clock& clock, NumberLocale locale,
                                           const ElectricityMeterCatalogue* catalogue)
    : m_db(db), m_record(record), m_session(session), m_dialogs(dialogs), m_clock(clock),
      m_locale(std::move(locale)), m_catalogue(catalogue), m_manager(systemManagerText())
{
}

void CurrentConfiguration::updateDeviceValues()
{
    const auto row = m_db.currentRow();
    const QDate firmware =
        row ? variantDate(row->value(QStringLiteral("DeviceSoftData"))) : QDate();
    m_session.DeviceFirmwareDate = firmware.isValid() ? firmware : kZeroDate;
    m_session.DeviceGeneration = generationForFirmwareDate(m_session.DeviceFirmwareDate);
}

bool CurrentConfiguration::RePaintStatus()
{
    updateDeviceValues();
    const auto id = m_db.currentId();
    // A row saved since (by this program or another), or one whose firmware
    // date changed generation (the tariff lists are read by generation), is
    // read again.
    if (id && m_loaded == id && m_db.rowVersion(*id) == m_loadedVersion
        && m_loadedGeneration == m_session.DeviceGeneration)
        return true;
    std::optional<StoredRow> row;
    std::optional<qint64> version;
    if (id) {
        // Read first: a change in between is then taken for a change, not missed.
        version = m_db.rowVersion(*id);
        row = m_db.readRow(*id);
        if (!row)
            return false;
    }
    m_loaded = id;
    m_loadedGeneration = m_session.DeviceGeneration;
    m_loadedVersion = version;
    m_record.FlowTable.clearChannelCells();
    m_record.ThermoTable.clearChannelCells();
    if (!row)
        return true;
    LoadContext context;
    context.deviceGeneration = m_session.DeviceGeneration;
    context.today = m_clock.today();
    context.catalogue = m_catalogue;
    loadRecord(*row, m_record, context, m_locale);

    m_energyControlEnabled = m_record.SNUM.isEmpty() || m_session.DeviceVersion >= 4;
    if (!m_energyControlEnabled)
        m_record.EnergyControl = false;
    return true;
}

CurrentConfiguration::SaveOutcome CurrentConfiguration::save(bool asNew)
{
    SaveOutcome outcome;
    const auto target = asNew ? std::nullopt : m_db.currentId();
    if (!asNew && !target) {
        outcome.error = QStringLiteral("there is no current row");
        return outcome;
    }
    SaveContext context;
    context.deviceGeneration = m_session.DeviceGeneration;
    context.deviceFirmwareDate = m_session.DeviceFirmwareDate;
    context.today = m_clock.today();
    context.manager = m_manager;

    const auto write = [&](std::optional<qint64> expected) {
        m_busy = true;
        const ConfigDatabase::PostResult posted = m_db.post(
            target,
            [&](const StoredRow& current) {
                SaveResult result = saveRecord(m_record, context, m_locale, current);
                outcome.failedGroups = result.failedGroups;
                return result.row;
            },
            expected);
        m_busy = false;
        return posted;
    };
    // Another program may have saved the row since the record was read from it.
    const std::optional<qint64> expected =
        target && m_loaded == target ? m_loadedVersion : std::nullopt;
    ConfigDatabase::PostResult posted = write(expected);
    if (posted.changedElsewhere) {
        if (m_dialogs.ask(QStringLiteral("Конфигурация изменена другой программой. Перезаписать?"),
                          QStringLiteral("Сообщение"), false)) {
            posted = write(std::nullopt);
        } else {
            m_loaded.reset();
            RePaintStatus();
            outcome.error = posted.error;
            outcome.reported = true;
            outcome.declined = true;
            return outcome;
        }
    }
    m_loaded.reset();
    if (posted.gone) {
        say(QStringLiteral("Конфигурация удалена другой программой. Изменения не сохранены."));
        outcome.reported = true;
        outcome.rowGone = true;
        m_db.Refresh();
    } else if (posted.readOnly) {
        say(readOnlyMessage(m_db.path()));
        outcome.reported = true;
    }
    // Shown once the transaction is over, so that no message box holds the lock.
    for (int group : outcome.failedGroups)
        m_dialogs.inform(saveFailureMessage(group), QStringLiteral("Сообщение"),
                         MessageKind::Error);
    outcome.posted = posted.ok;
    outcome.id = posted.id;
    outcome.error = posted.error;
    return outcome;
}

CurrentConfiguration::SaveOutcome CurrentConfiguration::copyCurrent()
{
    if (!m_db.currentId() || !RePaintStatus())
        return {};
    m_record.SNUM = QStringLiteral("00000000");
    return save(true);
}

bool CurrentConfiguration::deleteCurrent()
{
    const auto id = m_db.currentId();
    if (!id)
        return false;
    m_busy = true;
    const ConfigDatabase::DeleteResult result =
        m_db.deleteRow(*id, m_loaded == id ? m_loadedVersion : std::nullopt);
    m_busy = false;
    m_loaded.reset();
    switch (result) {
    case ConfigDatabase::DeleteResult::Deleted:
        return true;
    case ConfigDatabase::DeleteResult::ChangedElsewhere:
        say(QStringLiteral("Конфигурация изменена другой программой и не удалена."));
        break;
    case ConfigDatabase::DeleteResult::Gone:
        say(QStringLiteral("Конфигурация удалена другой программой."));
        break;
    case ConfigDatabase::DeleteResult::ReadOnly:
        say(readOnlyMessage(m_db.path()));
        break;
    case ConfigDatabase::DeleteResult::Failed:
        break;
    }
    return false;
}

void CurrentConfiguration::say(const QString& text)
{
    m_dialogs.inform(text, QStringLiteral("Сообщение"), MessageKind::Error);
}

} // namespace vyn
