#pragma once
// The start and the end of setvyn without its windows: settings and history
// files, the private temporary directory with the decoded catalogue, the title,
// first-start defaults, the configuration database and the scheme table. The
// main window runs startUp before it shows itself, LoadConf when the interface
// settings are created, and shutDown when it closes; stopRequested() then tells
// whether the program must end as soon as its event loop runs.

#include "app/configdatabase.h"

#include "model/devicesession.h"
#include "model/inifile.h"
#include "model/programfiles.h"
#include "model/schemetable.h"

#include <QFile>
#include <QString>
#include <optional>

namespace vyn {

class UserDialogs;

// The import of an older DBF database found on the first start. startUp asks
// prepareFirstStart() while it writes the first-start defaults (the file renames)
// and runs convert() once the database is open when that said a conversion is due.
class OldDatabaseConversion
{
public:
    virtual ~OldDatabaseConversion() = default;
    // True when a conversion is due.
    virtual bool prepareFirstStart(const QString& exeDir) = 0;
    virtual void convert(const QString& exeDir, ConfigDatabase& database, UserDialogs& dialogs) = 0;
};

// Until the import exists: no file is renamed and nothing is converted, so an
// older database stays where it is for the import to find.
class NoOldDatabaseConversion final : public OldDatabaseConversion
{
public:
    bool prepareFirstStart(const QString&) override { return false; }
    void convert(const QString&, ConfigDatabase&, UserDialogs&) override {}
};

// The version data compiled into the program.
struct VersionData
{
    QString internalName;
    QString fileVersion;
    std::optional<QString> specialBuild;

    static VersionData fromBuild();
};

struct ProgramTitle
{
    QString title;
    bool IsSpecialBuild = false;
};
// InternalName, a blank and FileVersion, then the special-build mark directly;
// without a FileVersion the title keeps `current`.
ProgramTitle programTitle(const VersionData& version, const QString& current);

struct StartInputs
{
    QString exeDir;     // the program directory, with a trailing '/'
    QString workingDir; // the directory the program was started from; nothing is created there
    QString tempRoot;   // the system's temporary directory
    VersionData version = VersionData::fromBuild();
    ConfigDatabase::Options database;
    QStringList productDirs = {}; // installed product data, read where exeDir has no copy
};

class ProgramStart
{
public:
    ProgramStart(StartInputs inputs, UserDialogs& dialogs, ConfigDatabase& database,
                 DeviceSession& session, OldDatabaseConversion& conversion);
    ~ProgramStart();
    ProgramStart(const ProgramStart&) = delete;
    ProgramStart& operator=(const ProgramStart&) = delete;

    // The main window's start-up sequence.
    void startUp();
    // Loads the scheme table from ExeDir + "conf.dat"; a missing file ends the program.
    bool LoadConf();
    // Program end: history and settings written, the temporary directory removed,
    // the database closed. False when the directory could not be removed.
    bool shutDown();

    bool stopRequested() const { return m_stop; }
    bool firstStart() const { return m_firstStart; }

    QString GetPathStr() const { return m_in.exeDir; }
    // The program directory over the installed product data.
    ProgramFiles files() const { return {m_in.exeDir, m_in.productDirs}; }
    // setvyn.ini; the windows read and write their sections in it.
    IniFile& settings() { return m_settings; }
    IniFile& InputHistory() { return m_history; }
    QString TempDir() const { return m_tempDir; }
    // The decoded catalogue (TempDir + "/rash.ini"); empty when unavailable.
    QString InstrumentCatalogue() const { return m_catalogue; }
    QString title() const { return m_title.title; }
    bool IsSpecialBuild() const { return m_title.IsSpecialBuild; }
    QString baseName() const;
    const SchemeTable& schemeTable() const { return m_schemes; }
    // 0 when LoadConf read a record, -1 when none.
    int schemeTableFlag() const { return m_schemes.isEmpty() ? -1 : 0; }

private:
    bool openHistory();
    bool createTempDir();
    void releaseTempLock();
    bool decodeCatalogue(QFile& spe);
    void writeFirstStartDefaults();
    // Connects BaseName, or the program directory's database when BaseName names
    // no file (said once); the path opened, empty when none could be.
    QString openDatabase();
    void inform(const QString& text, const QString& caption = QStringLiteral("Сообщение"));

    StartInputs m_in;
    UserDialogs& m_dialogs;
    ConfigDatabase& m_db;
    DeviceSession& m_session;
    OldDatabaseConversion& m_conversion;

    IniFile m_settings;
    IniFile m_history;
    QString m_tempDir;
    QString m_catalogue;
    ProgramTitle m_title;
    SchemeTable m_schemes;
    bool m_stop = false;
    bool m_firstStart = false;
    bool m_closed = false;
    int m_tempLock = -1; // the lock held in the temporary directory
};

} // namespace vyn
