#include "app/programstart.h"
#include "apptesting.h"
#include "startfixture.h"

#include "tests/common/fakedialogs.h"

#include "model/inifile.h"

#include <QDateTime>
#include <QFileInfo>
#include <sys/file.h>
#include <sys/time.h>

using namespace vyn;
using namespace vyn::test;


TEST(ProgramStart, FirstStartWritesTheDefaults)
{
    for (bool withAlt : {false, true}) {
        StartFixture f;
        if (withAlt) {
            writeAll(f.exe + QStringLiteral("b.alt"), QByteArray(62, '\0'));
            writeAll(f.exe + QStringLiteral("a.alt"), QByteArray(62, '\0'));
        }
        f.run([&](ProgramStart& s) {
            EXPECT_TRUE(s.firstStart());
            EXPECT_FALSE(s.stopRequested());
            // Written at once: the communication settings read "first" right after.
            EXPECT_EQ(f.value("Start", "FirstStart"), QStringLiteral("first"));
            EXPECT_EQ(f.value("TForm1", "Prg"), f.exe + QStringLiteral("prg.vyn"));
            EXPECT_EQ(f.value("TForm1", "BaseName"), f.exe + QStringLiteral("MXVynBase.sqlite"));
            EXPECT_EQ(f.value("TForm6", "Edit1_Text"), f.exe + QStringLiteral("MXVynBase.sqlite"));
            EXPECT_EQ(f.value("TForm6", "Edit4_Text"), f.exe + QStringLiteral("save_tarif.trf"));
            EXPECT_EQ(f.value("TForm6", "Edit5_Text"), f.exe + QStringLiteral("prg.vyn"));
            EXPECT_EQ(f.ini().valueExists(QStringLiteral("TForm6"), QStringLiteral("Edit3_Text")),
                      withAlt);
            if (withAlt) {
                EXPECT_EQ(f.value("TForm6", "Edit3_Text"), f.exe + QStringLiteral("a.alt"));
            }
            EXPECT_FALSE(
                f.ini().valueExists(QStringLiteral("TForm1"), QStringLiteral("Edit3_Text")));
            EXPECT_TRUE(QFileInfo(f.exe + QStringLiteral("hist.ini")).isFile());
            EXPECT_EQ(QFileInfo(f.exe + QStringLiteral("hist.ini")).size(), 0);
            EXPECT_EQ(s.title(), QStringLiteral("Винк-Конфигуратор 3.7.2.1"));
            EXPECT_FALSE(s.IsSpecialBuild());
            EXPECT_EQ(f.session.DeviceGeneration, 1);
            EXPECT_EQ(s.schemeTableFlag(), 0);
        });
        EXPECT_TRUE(f.dialogs.shown.isEmpty());
    }
}

TEST(ProgramStart, SecondStartEmptiesFirstStartAndRewritesNoDefault)
{
    StartFixture f;
    f.run();
    IniFile ini = f.ini();
    ini.writeString(QStringLiteral("TForm1"), QStringLiteral("Prg"),
                    QStringLiteral("/opt/other.vyn"));
    ini.deleteKey(QStringLiteral("TForm6"), QStringLiteral("Edit4_Text"));
    ASSERT_TRUE(ini.save());
    f.run([&](ProgramStart& s) {
        EXPECT_FALSE(s.firstStart());
        EXPECT_TRUE(f.ini().valueExists(QStringLiteral("Start"), QStringLiteral("FirstStart")));
        EXPECT_EQ(f.value("Start", "FirstStart"), QString());
    });
    EXPECT_EQ(f.value("TForm1", "Prg"), QStringLiteral("/opt/other.vyn"));
    EXPECT_FALSE(f.ini().valueExists(QStringLiteral("TForm6"), QStringLiteral("Edit4_Text")));
    EXPECT_TRUE(f.dialogs.shown.isEmpty());
}

TEST(ProgramStart, DatabaseIsTheProgramDirectorysWhenBaseNameNamesNoFile)
{
    StartFixture f;
    const QString fallback = f.exe + QStringLiteral("MXVynBase.sqlite");
    // A first start from another working directory: the program directory's file.
    f.run([&](ProgramStart& s) {
        EXPECT_EQ(s.baseName(), fallback);
        EXPECT_EQ(f.value("TForm1", "BaseName"), fallback);
    });
    EXPECT_TRUE(f.dialogs.shown.isEmpty());
    EXPECT_TRUE(QFileInfo(fallback).isFile());
    EXPECT_TRUE(QDir(f.work).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());

    // A stored name of no file: said once, the fallback opened and stored.
    const QString stick = f.root.filePath(QStringLiteral("media/stick/MXVynBase.sqlite"));
    const QString folder = f.root.filePath(QStringLiteral("work"));
    for (const QString& missing : {stick, QStringLiteral("C:\\Vyn\\MXVynBase.mdb"), folder}) {
        IniFile ini = f.ini();
        ini.writeString(QStringLiteral("TForm1"), QStringLiteral("BaseName"), missing);
        ASSERT_TRUE(ini.save());
        f.dialogs.shown.clear();
        f.run([&](ProgramStart& s) { EXPECT_EQ(s.baseName(), fallback); });
        ASSERT_EQ(f.dialogs.shown.size(), 1) << missing.toStdString();
        EXPECT_EQ(f.dialogs.shown[0].text,
                  QStringLiteral("База данных %1 не найдена. Открыта база %2.").arg(missing, fallback));
        EXPECT_EQ(f.dialogs.shown[0].caption, QStringLiteral("Винк-Конфигуратор 3.7.2.1"));
        EXPECT_EQ(f.value("TForm1", "BaseName"), fallback);
        f.dialogs.shown.clear();
        f.run();
        EXPECT_TRUE(f.dialogs.shown.isEmpty()) << missing.toStdString();
    }
    EXPECT_TRUE(QDir(f.work).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());

    // A stored name of an existing file is used as it is.
    const QString own = f.root.filePath(QStringLiteral("own.sqlite"));
    {
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(own));
        db.appendRows({listRow(QStringLiteral("1"), QDate(2020, 1, 1)),
                       listRow(QStringLiteral("2"), QDate(2021, 1, 1))});
    }
    IniFile ini = f.ini();
    ini.writeString(QStringLiteral("TForm1"), QStringLiteral("BaseName"), own);
    ini.save();
    ConfigDatabase db;
    ProgramStart start(f.inputs(), f.dialogs, db, f.session, f.conversion);
    start.startUp();
    EXPECT_EQ(db.path(), own);
    // The list starts on the last row.
    EXPECT_EQ(db.RecNo(), 2);
    start.shutDown();
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(f.value("TForm1", "BaseName"), own);
}

TEST(ProgramStart, AReadOnlyDatabaseIsSaidOnceAndBrowsed)
{
    StartFixture f;
    f.run();
    const QString base = f.exe + QStringLiteral("MXVynBase.sqlite");
    QFile::setPermissions(base, QFileDevice::ReadOwner);
    f.dialogs.shown.clear();
    f.run([&](ProgramStart&) {});
    QFile::setPermissions(base, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(f.dialogs.messages(),
              QStringList{QStringLiteral("База данных %1 открыта только для чтения. Изменения не "
                                         "могут быть сохранены.")
                              .arg(base)});
}

TEST(ProgramStart, TemporaryDirectoriesOfKilledRunsAreRemoved)
{
    StartFixture f;
    // A killed run's (its lock free), an older version's of a day ago, a running
    // program's (locked) and a stranger's directory of the same pattern.
    const QString killed = f.temp + QStringLiteral("/VynAAAAAA");
    const QString older = f.temp + QStringLiteral("/VynBBBBBB");
    const QString running = f.temp + QStringLiteral("/VynCCCCCC");
    const QString stranger = f.temp + QStringLiteral("/VynDDDDDD");
    for (const QString& d : {killed, older, running, stranger}) {
        QDir().mkpath(d);
        writeAll(d + QStringLiteral("/rash.ini"), "[x]\n");
    }
    writeAll(killed + QStringLiteral("/.lock"), {});
    writeAll(running + QStringLiteral("/.lock"), {});
    writeAll(stranger + QStringLiteral("/notes.txt"), "mine");
    const timeval twoDaysAgo[2] = {{time(nullptr) - 2 * 86400, 0}, {time(nullptr) - 2 * 86400, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(older).constData(), twoDaysAgo), 0);
    QFile lock(running + QStringLiteral("/.lock"));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(lock.handle(), LOCK_EX | LOCK_NB), 0);

    f.run([&](ProgramStart& s) {
        EXPECT_FALSE(QFileInfo::exists(killed));
        EXPECT_FALSE(QFileInfo::exists(older));
        EXPECT_TRUE(QFileInfo::exists(running));
        EXPECT_TRUE(QFileInfo::exists(stranger));
        EXPECT_TRUE(QFileInfo::exists(s.TempDir()));
    });
}

TEST(ProgramStart, CatalogueIsDecodedIntoAPrivateDirectoryRemovedAtExit)
{
    StartFixture f;
    QString tempDir;
    f.run([&](ProgramStart& s) {
        tempDir = s.TempDir();
        const QFileInfo info(tempDir);
        EXPECT_TRUE(info.isDir());
        EXPECT_EQ(info.absolutePath(), QFileInfo(f.temp).absoluteFilePath());
        EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("Vyn")));
        EXPECT_EQ(QFile::permissions(tempDir) & 0x0777, QFileDevice::Permissions(0x0700));
        EXPECT_EQ(s.InstrumentCatalogue(), tempDir + QStringLiteral("/rash.ini"));
        EXPECT_EQ(readAll(s.InstrumentCatalogue()), readAll(sourceFile("data/catalogue/rash.ini")));
    });
    EXPECT_FALSE(tempDir.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tempDir));

    // An empty catalogue decodes to an empty file.
    writeAll(f.exe + QStringLiteral("rash.spe"), QByteArray());
    f.run([&](ProgramStart& s) {
        EXPECT_TRUE(QFileInfo(s.InstrumentCatalogue()).isFile());
        EXPECT_EQ(QFileInfo(s.InstrumentCatalogue()).size(), 0);
    });
    EXPECT_TRUE(f.dialogs.shown.isEmpty());
}

TEST(ProgramStart, WhatEndsTheProgramIsSaidAndStops)
{
    struct Case
    {
        const char* what;
        std::function<void(StartFixture&)> spoil;
        QString message;
        QString caption;
    };
    const Case cases[] = {
        {"missing rash.spe",
         [](StartFixture& f) { QFile::remove(f.exe + QStringLiteral("rash.spe")); },
         QStringLiteral("Не возможно открыть файл : rash.spe\r\nВыполнение программы завершено."),
         QStringLiteral("Сообщение")},
        {"no temporary directory", [](StartFixture& f) { QDir(f.temp).removeRecursively(); },
         QStringLiteral("Временная директория не может быть создана"), QString()},
        {"hist.ini cannot be created",
         [](StartFixture& f) {
             QFile::link(f.root.filePath(QStringLiteral("no/such/dir/hist.ini")),
                         f.exe + QStringLiteral("hist.ini"));
         },
         QString(), QStringLiteral("Сообщение")},
        {"missing conf.dat",
         [](StartFixture& f) { QFile::remove(f.exe + QStringLiteral("conf.dat")); },
         QStringLiteral("Файл conf.dat должен находится в рабочем каталоге программы. "
                        "\n\rПрограмма будет закрыта"),
         QStringLiteral("Внимание!")},
    };
    for (const Case& c : cases) {
        StartFixture f;
        c.spoil(f);
        const QString message =
            c.message.isEmpty() ? QStringLiteral("Не возможно создать файл : ") + f.exe +
                                      QStringLiteral("hist.ini\r\nВыполнение программы завершено.")
                                : c.message;
        QString tempDir;
        f.run([&](ProgramStart& s) {
            EXPECT_TRUE(s.stopRequested()) << c.what;
            tempDir = s.TempDir();
        });
        ASSERT_EQ(f.dialogs.messages(), QStringList{message}) << c.what;
        EXPECT_EQ(f.dialogs.shown[0].caption, c.caption) << c.what;
        // Nothing private is left behind.
        EXPECT_TRUE(tempDir.isEmpty() || !QFileInfo::exists(tempDir)) << c.what;
        EXPECT_TRUE(QDir(f.temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty())
            << c.what;
    }
}

TEST(ProgramStart, ADatabaseThatIsNotOneIsRefusedAndTheProgramGoesOn)
{
    StartFixture f;
    f.run();
    const QString notABase = f.root.filePath(QStringLiteral("notes.mdb"));
    const QByteArray bytes("Standard Jet DB\0\0\0 not ours", 27);
    writeAll(notABase, bytes);
    IniFile ini = f.ini();
    ini.writeString(QStringLiteral("TForm1"), QStringLiteral("BaseName"), notABase);
    ini.save();
    f.dialogs.shown.clear();
    f.session.DeviceGeneration = 0;
    f.run([&](ProgramStart& s) {
        EXPECT_FALSE(s.stopRequested());
        EXPECT_FALSE(QFileInfo(s.InstrumentCatalogue()).size() == 0);
    });
    EXPECT_EQ(f.dialogs.messages(),
              (QStringList{"Невозможно открыть базу приборов. Проверьте настройки.",
                           "Ошибка инициализации программы"}));
    for (const auto& shown : f.dialogs.shown) {
        EXPECT_EQ(shown.caption, QStringLiteral("Сообщение"));
        EXPECT_EQ(shown.messageKind, MessageKind::Error);
    }
    EXPECT_EQ(readAll(notABase), bytes);
    // The steps after the failure are skipped.
    EXPECT_EQ(f.session.DeviceGeneration, 0);

    // A reason to stop still stops after a failed database.
    QFile::remove(f.exe + QStringLiteral("rash.spe"));
    f.run([&](ProgramStart& s) { EXPECT_TRUE(s.stopRequested()); });
}

TEST(ProgramStart, ProgramEndWritesTheWindowSettings)
{
    StartFixture f;
    f.run([&](ProgramStart& s) {
        s.settings().writeString(QStringLiteral("TForm1"), QStringLiteral("Panel3_Left"),
                                 QStringLiteral("12"));
        EXPECT_EQ(f.value("TForm1", "Panel3_Left"), QString());
    });
    EXPECT_EQ(f.value("TForm1", "Panel3_Left"), QStringLiteral("12"));
    EXPECT_EQ(f.value("Start", "FirstStart"), QStringLiteral("first"));
}

TEST(ProgramStart, SchemeTableKeepsAShortLastRecordWithZeros)
{
    StartFixture f;
    const QByteArray shipped = readAll(binFile("conf.dat"));
    ASSERT_GE(shipped.size(), 120);
    writeAll(f.exe + QStringLiteral("conf.dat"), shipped.left(120));
    f.run([&](ProgramStart& s) {
        ASSERT_EQ(s.schemeTable().records().size(), 3u);
        const auto& last = s.schemeTable().records()[2];
        // Its ten bytes hold the code; the file ends before the parameters.
        for (std::uint8_t b : last.parameters)
            EXPECT_EQ(b, 0);
        // A table already loaded stays when conf.dat goes away.
        QFile::remove(f.exe + QStringLiteral("conf.dat"));
        EXPECT_FALSE(s.LoadConf());
        EXPECT_EQ(s.schemeTable().records().size(), 3u);
        EXPECT_TRUE(s.stopRequested());
    });
}

TEST(ProgramTitle, InternalNameVersionAndSpecialBuild)
{
    const QString start = QStringLiteral("Винк-Конфигуратор ");
    const ProgramTitle plain =
        programTitle({QStringLiteral("Винк-Конфигуратор"), QStringLiteral("3.7.2.1"), {}}, start);
    EXPECT_EQ(plain.title, QStringLiteral("Винк-Конфигуратор 3.7.2.1"));
    EXPECT_FALSE(plain.IsSpecialBuild);
    const ProgramTitle special = programTitle(
        {QStringLiteral("Винк-Конфигуратор"), QStringLiteral("3.7.2.1"), QStringLiteral(" (тест)")},
        start);
    EXPECT_EQ(special.title, QStringLiteral("Винк-Конфигуратор 3.7.2.1 (тест)"));
    EXPECT_TRUE(special.IsSpecialBuild);
    EXPECT_EQ(programTitle({QStringLiteral("Винк-Конфигуратор"), QString(), {}}, start).title,
              start);
}

TEST(ProgramStart, InstalledProductDataIsReadWhereTheUserHasNoCopy)
{
    StartFixture f;
    const QString share = f.root.filePath(QStringLiteral("share/"));
    QDir().mkpath(share);
    for (const char* name : {"rash.spe", "conf.dat"})
        ASSERT_TRUE(QFile::rename(f.exe + QLatin1String(name), share + QLatin1String(name)));
    writeAll(share + QStringLiteral("prg.vyn"), "shipped");

    ConfigDatabase db(ConfigDatabase::Options{100});
    StartInputs in = f.inputs();
    in.productDirs = {share};
    ProgramStart start(in, f.dialogs, db, f.session, f.conversion);
    start.startUp();
    EXPECT_FALSE(start.stopRequested()) << f.dialogs.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(start.InstrumentCatalogue().isEmpty());
    EXPECT_TRUE(start.LoadConf());
    EXPECT_FALSE(start.schemeTable().isEmpty());
    // The first-start default names the installed programmer file; nothing is copied.
    EXPECT_EQ(start.settings().readString(QStringLiteral("TForm1"), QStringLiteral("Prg")),
              share + QStringLiteral("prg.vyn"));
    start.shutDown();
    EXPECT_FALSE(QFileInfo::exists(f.exe + QStringLiteral("conf.dat")));
    EXPECT_FALSE(QFileInfo::exists(f.exe + QStringLiteral("prg.vyn")));
    EXPECT_TRUE(f.dialogs.messages().isEmpty()) << f.dialogs.messages().join(QLatin1Char('|')).toStdString();
}
