#pragma once
// The import of an older DBF database into VYN_Base: on demand through the import
// command, and once at the first start (Sub.dbf). Rows whose serial number is
// stored already are skipped, so a table can be imported again. The whole import
// is one transaction: a failure half way leaves the database as it was.

#include "app/configdatabase.h"
#include "app/dbftable.h"
#include "app/programstart.h"

#include "model/numberlocale.h"
#include "model/userdialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace vyn {


// Older index -> text; an index outside a table gives an empty text.
struct OldIndexTables
{
    static const QStringList& flowMeterTypes();  // RASH
    static const QStringList& nominalDiameters(); // DU
    static const QStringList& powerSources();     // ISTPITRASX, 16 entries
    static const QStringList& thermometerTypes(); // TYPTERM
    static const QStringList& resistanceRatios(); // WKL
    static const QStringList& immersionLengths(); // LPOG
};

// Position of the column in the older table, names without regard to case; -1.
int FindIndexInTable(const QString& column, const QList<OldColumn>& table);
// Four list elements from one index byte each (byte 0 first); positions beyond
// those the device type uses are empty.
QString FindStringInArray(quint32 packed, int deviceType, const QStringList& table,
                          bool thermometer);

// Whether VYN_Base (as the batch sees it) has a row with this SNUM, Latin letters
// compared without regard to case. False with error set when the lookup failed.
bool SearchPrb(ConfigDatabase::Batch& batch, const QString& serial, bool& found, QString& error);

// The main window's part in an import.
struct ImportHooks
{
    std::function<void(bool)> setDatabaseBusy; // around each appended row
    std::function<void(bool)> setListAttached; // false while the rows are added
};

struct ImportResult
{
    bool ok = false; // committed
    int added = 0;
    int skipped = 0;        // serial number stored already
    int columnFailures = 0; // each one shown to the user
    QString error;          // why nothing was imported, when !ok
};

class OldDatabaseImport
{
public:
    OldDatabaseImport(ConfigDatabase& database, UserDialogs& dialogs,
                      NumberLocale locale = NumberLocale::system(), ImportHooks hooks = {});

    // Converts the rows of the open older table into VYN_Base. A failure is shown
    // and nothing of the pass is kept.
    ImportResult AddData(OldTable& table);
    // Opens the file, runs AddData and closes it; a file that cannot be opened is
    // shown and nothing is imported.
    ImportResult importFile(const QString& path);
    // The new row for the older table's current row (OldTable::readRow) under the
    // column rules, for a device type; failed columns are shown and left out.
    StoredRow convertCurrentRow(OldTable& table, const QString& key, int deviceType);

private:
    struct Pass;
    static Pass passOver(OldTable& table);
    StoredRow convertRow(Pass& pass, const QString& key, int deviceType);
    void columnFailed(Pass& pass, const QString& key, const ColumnSpec& column);

    ConfigDatabase& m_db;
    UserDialogs& m_dialogs;
    NumberLocale m_locale;
    ImportHooks m_hooks;
};

// The key of an older row: its SNUM as text, or "t" and the running number in 7
// characters when SNUM cannot be read (the number then counts on).
QString ConvertKey(const std::optional<QVariant>& snum, int& running, const NumberLocale& locale);

// "Импорт базы" with "Файлы dbf|*.dbf".
FileChoice importFileChoice();

// The small window with "ждите".
class WaitWindow
{
public:
    virtual ~WaitWindow() = default;
    virtual void showWaiting() = 0;
    virtual void hideWaiting() = 0;
};

struct ImportCommandHooks
{
    ImportHooks import;
    std::function<void()> forgetLoadedRecord; // LoadedRecord := none
    std::function<void()> refreshStatus;      // the status bar
};

// The import command: the user chooses a table, it is imported behind the wait
// window. No value when the user cancelled.
std::optional<ImportResult> runImportCommand(ConfigDatabase& database, UserDialogs& dialogs,
                                             WaitWindow& wait, const ImportCommandHooks& hooks,
                                             NumberLocale locale = NumberLocale::system());

// At the first start: Sub.dbf becomes Sub_old.dbf and is imported once the
// database is open; Sub_new.dbf becomes Sub.dbf.
class DbfFirstStartConversion final : public OldDatabaseConversion
{
public:
    explicit DbfFirstStartConversion(NumberLocale locale = NumberLocale::system())
        : m_locale(locale)
    {
    }
    bool prepareFirstStart(const QString& exeDir) override;
    void convert(const QString& exeDir, ConfigDatabase& database, UserDialogs& dialogs) override;

private:
    NumberLocale m_locale;
};

} // namespace vyn
