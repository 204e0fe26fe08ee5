#pragma once
// The current configuration: the one ConfigRecord, the row of the database it was
// loaded from (LoadedRecord) and the row-level commands of the main window.
// The window calls RePaintStatus before anything reads the record.

#include "app/clock.h"
#include "app/configdatabase.h"

#include "model/configrecord.h"
#include "model/devicesession.h"
#include "model/numberlocale.h"
#include "model/rowcodec.h"

#include <QList>
#include <QString>
#include <optional>

namespace vyn {

class UserDialogs;

// The firmware date of a row never written to a calculator.
inline const QDate kZeroDate{1899, 12, 30};

// "Была ошибка при создании базы": shown by the caller when a save did not post.
QString postFailureMessage();

// Host name + "\" + user name of this session.
QString systemManagerText();

class CurrentConfiguration
{
public:
    struct SaveOutcome
    {
        bool posted = false;
        qint64 id = 0;
        QList<int> failedGroups; // their messages have been shown
        QString error;           // the engine's reason when not posted
        bool reported = false;   // why it was not posted has been said already
        bool declined = false;   // the user kept the other program's version of the row
        bool rowGone = false;    // another program deleted the row meanwhile
    };

    CurrentConfiguration(ConfigDatabase& db, ConfigRecord& record, DeviceSession& session,
                         UserDialogs& dialogs, const Clock& clock,
                         NumberLocale locale = NumberLocale::system(),
                         const ElectricityMeterCatalogue* catalogue = nullptr);

    ConfigRecord& record() { return m_record; }
    ConfigDatabase& database() { return m_db; }

    // The row the record holds; none at start and after anything that may change it.
    std::optional<qint64> LoadedRecord() const { return m_loaded; }
    void forgetLoadedRecord() { m_loaded.reset(); }
    // The row's version when the record was read from it.
    std::optional<qint64> loadedVersion() const { return m_loaded ? m_loadedVersion : std::nullopt; }
    // True while a row is appended, saved or deleted; the edit command waits.
    bool DatabaseBusy() const { return m_busy; }
    void setDatabaseBusy(bool busy) { m_busy = busy; }

    // DeviceFirmwareDate and DeviceGeneration from the current row's DeviceSoftData.
    void updateDeviceValues();
    // Makes the record hold the current row unless it already does for the
    // row's generation (a new firmware date can change it). False when the row
    // cannot be read (the caller gives up silently).
    bool RePaintStatus();
    // Whether the energy-difference control may be changed after RePaintStatus.
    bool energyControlEnabled() const { return m_energyControlEnabled; }

    // Writes the record into the current row, or appends it as a new row. The
    // numbered messages of the groups that failed are shown; a post that fails is
    // returned (the caller shows postFailureMessage()). The record is no longer
    // "loaded" afterwards.
    SaveOutcome save(bool asNew);
    // The row-level copy: the current row as a new row with serial "00000000".
    // The editor's checks are the editor's; this is what follows them.
    SaveOutcome copyCurrent();
    // Deletes the current row; a failure leaves it in place. A row another program
    // changed since the record was read from it, or deleted, is reported.
    bool deleteCurrent();

    void setManager(const QString& manager) { m_manager = manager; }

private:
    ConfigDatabase& m_db;
    ConfigRecord& m_record;
    DeviceSession& m_session;
    UserDialogs& m_dialogs;
    const Clock& m_clock;
    NumberLocale m_locale;
    const ElectricityMeterCatalogue* m_catalogue;
    QString m_manager;
    void say(const QString& text);

    std::optional<qint64> m_loaded;
    int m_loadedGeneration = -1; // the generation the record was loaded for
    std::optional<qint64> m_loadedVersion;
    bool m_busy = false;
    bool m_energyControlEnabled = true;
};

} // namespace vyn
