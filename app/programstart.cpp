#include "programstart.h"

#include "catalogue.h"
#include "programdir.h"

#include "model/userdialogs.h"

#include "setvyn_version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace vyn {

namespace {

// A catalogue is a few hundred kilobytes; anything this large is not one.
constexpr qint64 kMaxCatalogueSize = 64ll * 1024 * 1024;

const QString kCaption = QStringLiteral("Сообщение");
const QString kStart = QStringLiteral("Start");
const QString kFirstStart = QStringLiteral("FirstStart");
const QString kForm1 = QStringLiteral("TForm1");
const QString kForm6 = QStringLiteral("TForm6");
const QString kBaseName = QStringLiteral("BaseName");
const QString kDatabaseFile = QStringLiteral("MXVynBase.sqlite");
const QString kProgramEnds = QStringLiteral("\r\nВыполнение программы завершено.");

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

ProgramStart::ProgramStart(StartInputs inputs, UserDialogs& dialogs, TDM1& database,
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
    // A start that never reached FormClose still leaves no private files behind.
    if (!m_closed && !m_tempDir.isEmpty())
        QDir(m_tempDir).removeRecursively();
}

void ProgramStart::inform(const QString& text, const QString& caption)
{
    m_dialogs.inform(text, caption, MessageKind::Error);
}

QString ProgramStart::baseName() const
{
    return m_settings.readString(kForm1, kBaseName);
}

bool ProgramStart::openHistory()
{
    const QString path = m_in.exeDir + QStringLiteral("hist.ini");
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
    QTemporaryDir dir(QDir(m_in.tempRoot).filePath(QStringLiteral("VynXXXXXX")));
    if (!dir.isValid())
        return false;
    dir.setAutoRemove(false);
    m_tempDir = dir.path();
    QFile::setPermissions(m_tempDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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
    m_settings.writeString(kForm1, QStringLiteral("Prg"), prg);
    m_settings.writeString(kForm1, kBaseName, dir + kDatabaseFile);
    m_settings.writeString(kForm6, QStringLiteral("Edit1_Text"), dir + kDatabaseFile);
    const QStringList alt =
        QDir(dir).entryList({QStringLiteral("*.alt")}, QDir::Files | QDir::Hidden, QDir::Name);
    if (!alt.isEmpty())
        m_settings.writeString(kForm6, QStringLiteral("Edit3_Text"), dir + alt.first());
    m_settings.writeString(kForm6, QStringLiteral("Edit4_Text"),
                           dir + QStringLiteral("save_tarif.trf"));
    m_settings.writeString(kForm6, QStringLiteral("Edit5_Text"), prg);
}

void ProgramStart::FormCreate()
{
    m_stop = false;
    bool startFailed = false;

    if (!openHistory()) {
        inform(QStringLiteral("Не возможно создать файл : ") + m_in.exeDir +
               QStringLiteral("hist.ini") + kProgramEnds);
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
        const QString path = m_in.exeDir + QStringLiteral("setvyn.ini");
        const bool exists = QFileInfo::exists(path);
        if (!m_settings.load(path))
            return false;
        bool conversionDue = false;
        if (exists)
            m_settings.writeString(kStart, kFirstStart, QString());
        else {
            m_firstStart = true;
            writeFirstStartDefaults();
            conversionDue = m_conversion.prepareFirstStart(m_in.exeDir);
            m_settings.writeString(kStart, kFirstStart, QStringLiteral("first"));
        }
        if (!m_settings.save())
            return false;

        QString base = baseName();
        if (!QFileInfo(base).isFile()) {
            base = QDir(m_in.workingDir).absoluteFilePath(kDatabaseFile);
            m_settings.writeString(kForm1, kBaseName, base);
        }
        if (!m_db.Connect(base)) {
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
        if (!m_tempDir.isEmpty() && MyRemoveDir(m_tempDir, m_dialogs))
            m_tempDir.clear();
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

bool ProgramStart::FormClose()
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
    m_db.Close();
    if (!m_settings.path().isEmpty() && !m_settings.save())
        inform(QStringLiteral("Не возможно создать файл : ") + m_settings.path());
    return removed;
}

} // namespace vyn
