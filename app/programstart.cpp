#include "app/programstart.h"

#include "app/catalogue.h"
#include "app/programdir.h"

#include "model/settingskeys.h"
#include "model/userdialogs.h"

#include "setvyn_version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QTemporaryDir>
#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vyn {

namespace {

// A catalogue is a few hundred kilobytes; anything this large is not one.
constexpr qint64 kMaxCatalogueSize = 64ll * 1024 * 1024;

const QString kCaption = QStringLiteral("Сообщение");
namespace startKeys = settingskeys::start;
namespace mainKeys = settingskeys::mainWindow;
namespace settingsKeys = settingskeys::interfaceSettings;
const QString kDatabaseFile = QStringLiteral("MXVynBase.sqlite");
const QString kProgramEnds = QStringLiteral("\r\nВыполнение программы завершено.");
// Held locked by the running program inside its temporary directory: a directory
// whose lock nobody holds was left by a run that was killed.
const QString kTempLock = QStringLiteral(".lock");

int lockFile(const QString& path, bool wait)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Only directories of our own pattern that hold nothing but what the program
// puts there; an unlocked one is stale, one without a lock (an older version's)
// when it is a day old.
void removeStaleTempDirs(const QString& root)
{
    const QFileInfoList dirs = QDir(root).entryInfoList({QStringLiteral("Vyn??????")},
                                                        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& dir : dirs) {
        if (dir.isSymLink() || dir.ownerId() != ::geteuid())
            continue;
        const QStringList entries =
            QDir(dir.filePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const bool ours = std::all_of(entries.begin(), entries.end(), [](const QString& e) {
            return e == kTempLock || e == QStringLiteral("rash.ini");
        });
        if (!ours)
            continue;
        if (entries.contains(kTempLock)) {
            const int fd = lockFile(QDir(dir.filePath()).filePath(kTempLock), false);
            if (fd < 0)
                continue; // a running program's
            QDir(dir.filePath()).removeRecursively();
            ::close(fd);
        } else if (dir.lastModified().secsTo(QDateTime::currentDateTime()) > 24 * 3600)
            QDir(dir.filePath()).removeRecursively();
    }
}

} // namespace

VersionData VersionData::fromBuild()
{
    VersionData v;
    v.internalName = QString::fromUtf8(SETVYN_INTERNAL_NAME);
    v.fileVersion = QString::fromUtf8(SETVYN_FILE_VERSION);
    if (SETVYN_SPECIAL_BUILD)
        v.specialBuild = QString::fromUtf8(SETVYN_SPECIAL_BUILD_TEXT);
    return v;
}

ProgramTitle programTitle(const VersionData& version, const QString& current)
{
    ProgramTitle t{current, version.specialBuild.has_value()};
    if (version.internalName.isEmpty() || version.fileVersion.isEmpty())
        return t;
    t.title = version.internalName + QLatin1Char(' ') + version.fileVersion +
              version.specialBuild.value_or(QString());
    return t;
}

ProgramStart::ProgramStart(StartInputs inputs, UserDialogs& dialogs, ConfigDatabase& database,
                           DeviceSession& session, OldDatabaseConversion& conversion)
    : m_in(std::move(inputs)), m_dialogs(dialogs), m_db(database), m_session(session),
      m_conversion(conversion)
{
    if (!m_in.exeDir.endsWith(QLatin1Char('/')))
        m_in.exeDir += QLatin1Char('/');
    if (m_in.tempRoot.isEmpty())
        m_in.tempRoot = QDir::tempPath();
    if (m_in.workingDir.isEmpty())
        m_in.workingDir = QDir::currentPath();
}

ProgramStart::~ProgramStart()
{
    // A start that never reached shutDown still leaves no private files behind.
    if (!m_closed && !m_tempDir.isEmpty())
        QDir(m_tempDir).removeRecursively();
    releaseTempLock();
}

void ProgramStart::releaseTempLock()
{
    if (m_tempLock >= 0)
        ::close(m_tempLock);
    m_tempLock = -1;
}

void ProgramStart::inform(const QString& text, const QString& caption)
{
    m_dialogs.inform(text, caption, MessageKind::Error);
}

QString ProgramStart::baseName() const
{
    return m_settings.readString(mainKeys::kSection, mainKeys::kDatabase);
}

bool ProgramStart::openHistory()
{
    const QString path = m_in.exeDir + settingskeys::kInputHistoryFile;
    bool ok = true;
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        ok = file.open(QIODevice::WriteOnly);
    }
    m_history.load(path);
    return ok;
}

bool ProgramStart::createTempDir()
{
    removeStaleTempDirs(m_in.tempRoot);
    QTemporaryDir dir(QDir(m_in.tempRoot).filePath(QStringLiteral("VynXXXXXX")));
    if (!dir.isValid())
        return false;
    dir.setAutoRemove(false);
    m_tempDir = dir.path();
    QFile::setPermissions(m_tempDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_tempLock = lockFile(m_tempDir + QLatin1Char('/') + kTempLock, true);
    return true;
}

bool ProgramStart::decodeCatalogue(QFile& spe)
{
    if (spe.size() > kMaxCatalogueSize) {
        inform(QStringLiteral("Невозможно выделить память. Файл очень большой"),
               QStringLiteral("Ошибка"));
        return false;
    }
    const QByteArray text = unscrambleCatalogue(spe.readAll());
    const QString path = m_tempDir + QStringLiteral("/rash.ini");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush()) {
        inform(QStringLiteral("Невозможно создать или записать файл."), QStringLiteral("Ошибка"));
        return false;
    }
    m_catalogue = path;
    return true;
}

void ProgramStart::writeFirstStartDefaults()
{
    const QString& dir = m_in.exeDir;
    const QString prg = files().find(QStringLiteral("prg.vyn"));
    m_settings.writeString(mainKeys::kSection, mainKeys::kLoaderFile, prg);
    m_settings.writeString(mainKeys::kSection, mainKeys::kDatabase, dir + kDatabaseFile);
    m_settings.writeString(settingsKeys::kSection, settingsKeys::kDatabase, dir + kDatabaseFile);
    const QStringList alt =
        QDir(dir).entryList({QStringLiteral("*.alt")}, QDir::Files | QDir::Hidden, QDir::Name);
    if (!alt.isEmpty())
        m_settings.writeString(settingsKeys::kSection, settingsKeys::kAltDaysFile, dir + alt.first());
    m_settings.writeString(settingsKeys::kSection, settingsKeys::kTariffFile,
                           dir + QStringLiteral("save_tarif.trf"));
    m_settings.writeString(settingsKeys::kSection, settingsKeys::kProgrammerFile, prg);
}

QString ProgramStart::openDatabase()
{
    // The program directory's file, never the working directory: a start from
    // another directory must find the same rows.
    const QString fallback = m_in.exeDir + kDatabaseFile;
    QString base = baseName();
    if (DatabaseLocation::looksLikeServer(base)) {
        if (m_db.Connect(base))
            return base;
        // The server's setting stays for the next start; meanwhile the program
        // directory's file is open, and the user is told so.
        QString reason = m_db.lastError().trimmed();
        if (!reason.contains(base)) // the connector's own texts name the database already
            reason = QStringLiteral("Невозможно подключиться к базе данных %1: %2").arg(base, reason);
        if (!m_db.Connect(fallback))
            return {};
        m_dialogs.inform(QStringLiteral("%1\nОткрыта база %2.")
                             .arg(reason, QDir::toNativeSeparators(fallback)),
                         m_title.title, MessageKind::Warning);
        return fallback;
    }
    if (!QFileInfo(base).isFile()) {
        if (!base.isEmpty() && QFileInfo(base).absoluteFilePath() != QFileInfo(fallback).absoluteFilePath())
            m_dialogs.inform(QStringLiteral("База данных %1 не найдена. Открыта база %2.")
                                 .arg(QDir::toNativeSeparators(base),
                                      QDir::toNativeSeparators(fallback)),
                             m_title.title, MessageKind::Warning);
        base = fallback;
    }
    if (!m_db.Connect(base))
        return {};
    if (m_db.isReadOnly())
        m_dialogs.inform(readOnlyMessage(base), m_title.title, MessageKind::Warning);
    // What is stored is what was opened.
    if (baseName() != base) {
        m_settings.writeString(mainKeys::kSection, mainKeys::kDatabase, base);
        m_settings.saveChanges();
    }
    return base;
}

void ProgramStart::startUp()
{
    m_stop = false;
    bool startFailed = false;

    if (!openHistory()) {
        inform(QStringLiteral("Не возможно создать файл : ") + m_in.exeDir +
               settingskeys::kInputHistoryFile + kProgramEnds);
        m_stop = true;
    }

    if (!createTempDir()) {
        inform(QStringLiteral("Временная директория не может быть создана"), QString());
        m_stop = true;
    } else {
        QFile spe(files().find(QStringLiteral("rash.spe")));
        if (!spe.open(QIODevice::ReadOnly)) {
            inform(QStringLiteral("Не возможно открыть файл : rash.spe") + kProgramEnds);
            m_stop = true;
        } else if (!decodeCatalogue(spe))
            startFailed = true;
    }

    m_title = programTitle(m_in.version, QStringLiteral("Винк-Конфигуратор "));
    if (startFailed)
        inform(QStringLiteral("Ошибка запуска программы"));

    const bool initialised = [&] {
        const QString path = m_in.exeDir + settingskeys::kProfileFile;
        const bool exists = QFileInfo::exists(path);
        if (!m_settings.load(path))
            return false;
        bool conversionDue = false;
        if (exists)
            m_settings.writeString(startKeys::kSection, startKeys::kFirstStart, QString());
        else {
            m_firstStart = true;
            writeFirstStartDefaults();
            conversionDue = m_conversion.prepareFirstStart(m_in.exeDir);
            m_settings.writeString(startKeys::kSection, startKeys::kFirstStart, QStringLiteral("first"));
        }
        if (!m_settings.saveChanges())
            return false;

        const QString base = openDatabase();
        if (base.isEmpty()) {
            inform(QStringLiteral("Невозможно открыть базу приборов. Проверьте настройки."));
            return false;
        }
        if (conversionDue)
            m_conversion.convert(m_in.exeDir, m_db, m_dialogs);
        m_session.DeviceGeneration = 1;
        return true;
    }();
    if (!initialised)
        inform(QStringLiteral("Ошибка инициализации программы"));

    // Honoured even when a later step failed: the reasons to stop remain.
    if (m_stop) {
        m_catalogue.clear();
        if (!m_tempDir.isEmpty() && MyRemoveDir(m_tempDir, m_dialogs)) {
            m_tempDir.clear();
            releaseTempLock();
        }
    }
    if (m_db.isOpen())
        m_db.Last();
}

bool ProgramStart::LoadConf()
{
    QFile file(files().find(QStringLiteral("conf.dat")));
    if (!file.open(QIODevice::ReadOnly)) {
        m_dialogs.inform(
            QStringLiteral("Файл conf.dat должен находится в рабочем каталоге программы. "
                           "\n\rПрограмма будет закрыта"),
            QStringLiteral("Внимание!"), MessageKind::Warning);
        m_stop = true;
        return false;
    }
    const QByteArray data = file.readAll();
    try {
        m_schemes = file.error() == QFileDevice::NoError
                        ? SchemeTable::fromBytes(data, SchemeTable::ShortTail::ZeroFill)
                        : SchemeTable();
    } catch (const SchemeTableError&) {
        m_schemes = SchemeTable();
    }
    return true;
}

bool ProgramStart::shutDown()
{
    if (m_closed)
        return true;
    m_closed = true;
    m_session.ActiveComunicator.reset();
    m_catalogue.clear();
    bool removed = true;
    if (!m_tempDir.isEmpty()) {
        removed = MyRemoveDir(m_tempDir, m_dialogs);
        if (!removed)
            inform(QStringLiteral("Не возможно удалить директорию :") + m_tempDir);
        m_tempDir.clear();
    }
    releaseTempLock();
    m_db.Close();
    if (!m_settings.path().isEmpty() && !m_settings.saveChanges())
        inform(QStringLiteral("Не возможно создать файл : ") + m_settings.path());
    return removed;
}

} // namespace vyn
