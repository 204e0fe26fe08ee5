// vyntool create and vyntool write against vynsim, run as the program they are.

#include "link/portlist.h"
#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using vyntest::SimProcess;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class VyntoolWrite : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    void startSim(const QStringList& args)
    {
        sim = std::make_unique<SimProcess>(
            QStringList(args) << QStringLiteral("--log") << path("log.json")
                              << QStringLiteral("--idle-exit") << QStringLiteral("60"));
        ASSERT_TRUE(sim->started()) << sim->error().toStdString();
    }
    // Parameters the simulator received, as "prefix value".
    QStringList parameters()
    {
        sim->stop();
        QFile f(path("log.json"));
        f.open(QIODevice::ReadOnly);
        QStringList out;
        for (const QJsonValue& p :
             QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("parameters")].toArray())
            out << p[QStringLiteral("prefix")].toString() + QLatin1Char(' ') +
                       p[QStringLiteral("value")].toString();
        return out;
    }

    // Parameter writes in the simulator's live log so far.
    int parameterLines() const
    {
        QFile f(path("log.json"));
        return f.open(QIODevice::ReadOnly) ? static_cast<int>(f.readAll().count("\"parameter\""))
                                           : 0;
    }
    // Starts vyntool, the program directory set to the test's directory.
    void startTool(QProcess& p, const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SETVYN_HOME"), dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VYNTOOL_PATH), args);
    }
    // Runs vyntool with the program directory set to the test's directory.
    ToolRun vyntool(const QStringList& args, const QByteArray& input = {})
    {
        QProcess p;
        startTool(p, args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QJsonObject config(const char* name) const
    {
        QFile f(path(name));
        f.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    void writeFile(const char* name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A generation-03 calculator on the line and old.json created for it.
    void createOlderConfig()
    {
        startSim({QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--serial"),
                  QStringLiteral("12342678")});
        const ToolRun created =
            vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                     QStringLiteral("--fast"), QStringLiteral("--out"), path("old.json")});
        ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    }
    // The write of old.json with the build's scheme table and the programmer file given.
    QStringList olderWrite(const QString& prg = QStringLiteral(SETVYN_BIN_DIR_PATH "/prg.vyn")) const
    {
        return {QStringLiteral("write"),  QStringLiteral("--config"),
                path("old.json"),         QStringLiteral("--port"),
                sim->path(),              QStringLiteral("--fast"),
                QStringLiteral("--prg"),  prg,
                QStringLiteral("--conf"), QStringLiteral(SETVYN_BIN_DIR_PATH "/conf.dat"),
                QStringLiteral("--byte-interval"), QStringLiteral("1")};
    }

    // No exclusive mark or lock is left on the line: another program may open it.
    void expectLineReleased() const
    {
        const int fd = ::open(sim->path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        int exclusive = -1;
        EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "no lock is held";
        ::close(fd);
    }

    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
};

} // namespace

TEST_F(VyntoolWrite, CreateThenWrite)
{
    startSim(
        {QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--new-type")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("new.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    QJsonObject c = config("new.json");
    EXPECT_EQ(c[QStringLiteral("SNUM")].toString(), QStringLiteral("87654321"));
    EXPECT_EQ(c[QStringLiteral("TYPE_VYN")].toString(), QStringLiteral("04"));
    EXPECT_EQ(c[QStringLiteral("DeviceSoftData")].toString(), QStringLiteral("2015-03-01"));

    // An existing file is not replaced.
    const QByteArray before = QJsonDocument(c).toJson();
    const ToolRun again =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("new.json")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(QJsonDocument(config("new.json")).toJson(), before);

    // The program directory's alternative-days file is the default.
    QByteArray alt(62, '\0');
    alt[1] = 1, alt[32] = 8, alt[33] = 3; // holiday 8 March
    writeFile("year.alt", alt);
    const ToolRun written = vyntool({QStringLiteral("write"), QStringLiteral("--config"),
                                     path("new.json"), QStringLiteral("--port"), sim->path(),
                                     QStringLiteral("--fast"), QStringLiteral("--dst")});
    EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.contains(QStringLiteral("Конфигурация записана успешно")));
    const QStringList params = parameters();
    EXPECT_EQ(params.size(), 127);
    EXPECT_TRUE(params.contains(QStringLiteral("03351606400001 01")));
    EXPECT_TRUE(params.contains(QStringLiteral("03351616600001 0308")));
    // options: monthly clearing, summer/winter time switched (temperature control on)
    EXPECT_TRUE(params.contains(QStringLiteral("03352500880001 0C")));
}

TEST_F(VyntoolWrite, SerialQuestionOnTheTerminal)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("c.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    QJsonObject c = config("c.json");
    c[QStringLiteral("SNUM")] = QStringLiteral("12345678");
    writeFile("c.json", QJsonDocument(c).toJson());
    const QStringList write{QStringLiteral("write"),
                            QStringLiteral("--config"),
                            path("c.json"),
                            QStringLiteral("--port"),
                            sim->path(),
                            QStringLiteral("--fast"),
                            QStringLiteral("--alt"),
                            QString()};

    const ToolRun declined = vyntool(write, "н\n");
    EXPECT_EQ(declined.exitCode, 5);
    EXPECT_TRUE(declined.err.contains(QStringLiteral(
        "Внимание: Подключенный прибор имеет номер несоответствующий\nномеру выбранному в базе.")))
        << declined.err.toStdString();
    EXPECT_FALSE(declined.out.contains(QStringLiteral("Конфигурация записана успешно")));

    const ToolRun noAnswer = vyntool(write);
    EXPECT_EQ(noAnswer.exitCode, 5);

    const ToolRun yes = vyntool(QStringList(write) << QStringLiteral("--yes"));
    EXPECT_EQ(yes.exitCode, 0) << yes.err.toStdString();
    EXPECT_EQ(config("c.json")[QStringLiteral("DeviceSoftData")].toString(),
              QStringLiteral("2015-03-01"));
    EXPECT_EQ(parameters().size(), 127); // the declined runs wrote nothing
}

TEST_F(VyntoolWrite, Generation03TransferAndCtrlC)
{
    createOlderConfig();
    const QStringList write = olderWrite();

    const ToolRun r = vyntool(write);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Программа Винка записана успешно.")))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Идет запись конфигурации...")))
        << r.err.toStdString();

    // Slow bytes; Ctrl+C once the pages are being written.
    QProcess p;
    QStringList slow = write;
    slow.last() = QStringLiteral("20");
    p.setReadChannel(QProcess::StandardError);
    startTool(p, slow);
    QByteArray err;
    while (!err.contains("Идет запись конфигурации...") && p.waitForReadyRead(20000))
        err += p.readAllStandardError();
    ASSERT_TRUE(err.contains("Идет запись конфигурации...")) << err.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    err += p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
    EXPECT_TRUE(err.contains("Запись остановлена")) << err.toStdString();
    EXPECT_FALSE(p.readAllStandardOutput().contains("записана успешно"));

    sim->stop();
    QFile f(path("log.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject log = QJsonDocument::fromJson(f.readAll()).object();
    const QJsonArray loaders = log[QStringLiteral("loader")].toArray();
    ASSERT_EQ(loaders.size(), 2);
    EXPECT_TRUE(loaders[0][QStringLiteral("ended")].toBool());
    EXPECT_FALSE(log[QStringLiteral("memory")].toArray().isEmpty());
}

TEST_F(VyntoolWrite, RowOfGeneration04IntoAnOlderCalculatorSendsTheOlderTariffList)
{
    // The sample row is generation 03's, with three tariff entries; dated for a
    // generation-04 calculator it is read without them until the calculator's
    // firmware date says otherwise. Both must program the same memory.
    QFile sample(QStringLiteral(SETVYN_BIN_DIR_PATH "/sample-config.json"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray older = sample.readAll();
    QByteArray newer = older;
    newer.replace("\"DeviceSoftData\": \"2003-06-17\"", "\"DeviceSoftData\": \"2015-03-01\"");
    ASSERT_NE(newer, older);
    writeFile("older.json", older);
    writeFile("newer.json", newer);

    QJsonArray memory[2];
    for (int i = 0; i < 2; ++i) {
        const char* name = i == 0 ? "older.json" : "newer.json";
        SCOPED_TRACE(name);
        startSim({QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--serial"),
                  QStringLiteral("12342678")});
        const ToolRun r = vyntool(
            {QStringLiteral("write"), QStringLiteral("--config"), path(name),
             QStringLiteral("--port"), sim->path(), QStringLiteral("--fast"),
             QStringLiteral("--prg"), QStringLiteral(SETVYN_BIN_DIR_PATH "/prg.vyn"),
             QStringLiteral("--conf"), QStringLiteral(SETVYN_BIN_DIR_PATH "/conf.dat"),
             QStringLiteral("--byte-interval"), QStringLiteral("1"), QStringLiteral("--alt"),
             QString(), QStringLiteral("--clock"), QStringLiteral("2026-12-10T14:35:20")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Программа Винка записана успешно.")));
        sim->stop();
        QFile f(path("log.json"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        memory[i] = QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("memory")].toArray();
        const vyntest::RunResult shown = vyntest::runProgram(
            QStringLiteral("vynsim"), {QStringLiteral("--show"), path("log.json")}, 10000);
        EXPECT_TRUE(shown.out.startsWith("Programmed memory (generation 03): ")) << shown.out.toStdString();
        EXPECT_EQ(config(name)[QStringLiteral("DeviceSoftData")].toString(),
                  QStringLiteral("2003-05-19"));
    }
    ASSERT_FALSE(memory[0].isEmpty());
    EXPECT_EQ(memory[1], memory[0]);
}

TEST_F(VyntoolWrite, Failures)
{
    const QString sample =
        QDir(QStringLiteral(SETVYN_BIN_DIR_PATH)).filePath(QStringLiteral("sample-config.json"));
    struct Case
    {
        QStringList args;
        int exitCode;
        const char* err;
    };
    const QList<Case> cases{
        {{QStringLiteral("write"), QStringLiteral("--port"), QStringLiteral("x")},
         2,
         "не указан --config"},
        {{QStringLiteral("write"), QStringLiteral("--config"), sample, QStringLiteral("--port"),
          QStringLiteral("x"), QStringLiteral("--dst"), QStringLiteral("--no-dst")},
         2,
         "исключают друг друга"},
        {{QStringLiteral("write"), QStringLiteral("--config"), sample, QStringLiteral("--port"),
          QStringLiteral("x"), QStringLiteral("--speed"), QStringLiteral("19200")},
         2,
         "--speed 19200"},
        {{QStringLiteral("write"), QStringLiteral("--config"), path("none.json"),
          QStringLiteral("--port"), QStringLiteral("x")},
         1,
         "не удаётся открыть файл"},
        {{QStringLiteral("create"), QStringLiteral("--port"), QStringLiteral("ttyVYN_absent"),
          QStringLiteral("--out"), path("n.json")},
         3,
         "В настоящее время ttyVYN_absent не доступен"},
    };
    for (const Case& c : cases) {
        const ToolRun r = vyntool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("n.json")));

    // The port message of the write command names the port as "порт:".
    QFile::copy(sample, path("s.json"));
    QFile(path("s.json")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const ToolRun absent =
        vyntool({QStringLiteral("write"), QStringLiteral("--config"), path("s.json"),
                 QStringLiteral("--port"), QStringLiteral("ttyVYN_absent")});
    EXPECT_EQ(absent.exitCode, 3);
    EXPECT_TRUE(
        absent.err.contains(QStringLiteral("В настоящее время порт: ttyVYN_absent не доступен")))
        << absent.err.toStdString();
}

namespace {
// The outcome object vyntool printed as the last line of stdout.
QJsonObject outcomeOf(const ToolRun& r)
{
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    return QJsonDocument::fromJson(lines.last().toUtf8()).object();
}
} // namespace

TEST_F(VyntoolWrite, JsonOutcomesAndExitCodes)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--new-type")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("c.json"),
                 QStringLiteral("--json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    const QJsonObject c = outcomeOf(created);
    EXPECT_EQ(c[QStringLiteral("outcome")].toString(), QStringLiteral("created"));
    EXPECT_EQ(c[QStringLiteral("serial")].toString(), QStringLiteral("87654321"));
    EXPECT_EQ(c[QStringLiteral("generation")].toString(), QStringLiteral("04"));
    EXPECT_EQ(c[QStringLiteral("deviceVersion")].toInt(), 5);
    EXPECT_EQ(created.out.count(QLatin1Char('\n')), 1) << "stdout holds the object only";
    sim->stop();

    struct Case
    {
        const char* what;
        QStringList simArgs; // none: no simulator, an absent port
        QStringList extra;
        int exitCode;
        const char* outcome;
        const char* error; // the start of the error text
        int written;       // -1: no parameter count in the object
    };
    const QString serial = QStringLiteral("--serial");
    const QList<Case> cases{
        {"written", {serial, QStringLiteral("87654321")}, {}, 0, "written", "", 127},
        {"port unavailable", {}, {}, 3, "port-unavailable",
         "В настоящее время порт: ttyVYN_absent не доступен", -1},
        {"silent calculator", {serial, QStringLiteral("87654321"), QStringLiteral("--fault"),
                               QStringLiteral("silent")},
         {}, 4, "not-identified", "Прибор не обнаружен\nОшибка 4: Ошибка приема заголовка.", -1},
        {"type mismatch", {serial, QStringLiteral("87654321"), QStringLiteral("--type"),
                           QStringLiteral("2")},
         {}, 5, "type-mismatch", "Несоответствие типов конфигурации и типа ВИНКА", -1},
        {"serial declined", {serial, QStringLiteral("11111111")}, {}, 5, "serial-declined",
         "Ничего не записано", -1},
        {"write failed", {serial, QStringLiteral("87654321"), QStringLiteral("--fault"),
                          QStringLiteral("bad-header-crc@13")},
         {}, 1, "failed",
         "Ошибка записи конфигурации\nОшибка 5: Ошибка контрольной суммы заголовка.\n"
         "Записано 9 из 127 параметров.",
         9},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        QString port = QStringLiteral("ttyVYN_absent");
        if (!k.simArgs.isEmpty()) {
            startSim(QStringList(k.simArgs) << QStringLiteral("--new-type"));
            port = sim->path();
        }
        const ToolRun r = vyntool(QStringList{QStringLiteral("write"), QStringLiteral("--config"),
                                              path("c.json"), QStringLiteral("--port"), port,
                                              QStringLiteral("--fast"), QStringLiteral("--alt"),
                                              QString(), QStringLiteral("--json")} +
                                  k.extra);
        EXPECT_EQ(r.exitCode, k.exitCode) << r.err.toStdString();
        EXPECT_EQ(r.out.count(QLatin1Char('\n')), 1) << r.out.toStdString();
        const QJsonObject o = outcomeOf(r);
        EXPECT_EQ(o[QStringLiteral("outcome")].toString(), QString::fromUtf8(k.outcome));
        EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), k.exitCode);
        EXPECT_TRUE(o.contains(QStringLiteral("durationMs")));
        if (*k.error)
            EXPECT_TRUE(o[QStringLiteral("error")].toString().startsWith(QString::fromUtf8(k.error)))
                << o[QStringLiteral("error")].toString().toStdString();
        else
            EXPECT_TRUE(o[QStringLiteral("error")].isNull());
        if (k.written >= 0) {
            EXPECT_EQ(o[QStringLiteral("parametersWritten")].toInt(), k.written);
            EXPECT_EQ(o[QStringLiteral("parametersTotal")].toInt(), 127);
        }
        if (k.exitCode != 3 && k.exitCode != 4) {
            EXPECT_EQ(o[QStringLiteral("generation")].toString(), QStringLiteral("04"));
            EXPECT_EQ(o[QStringLiteral("deviceVersion")].toInt(), 5);
        }
        if (sim)
            sim->stop();
        sim.reset();
    }
}

TEST_F(VyntoolWrite, InterruptedWriteClosesThePortProperly)
{
    // A slow line: 127 parameters at 1200 baud take half a minute.
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--pace"),
              QStringLiteral("--speed"), QStringLiteral("1200")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--speed"), QStringLiteral("1200"),
                 QStringLiteral("--out"), path("c.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();

    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        QProcess p;
        startTool(p,
                {QStringLiteral("write"), QStringLiteral("--config"), path("c.json"),
                 QStringLiteral("--port"), sim->path(), QStringLiteral("--fast"),
                 QStringLiteral("--speed"), QStringLiteral("1200"), QStringLiteral("--alt"),
                 QString(), QStringLiteral("--json")});
        ASSERT_TRUE(p.waitForStarted());
        // Identified, a few parameters written.
        const int before = parameterLines();
        ASSERT_TRUE(vyntest::waitForLogLines(path("log.json"), "\"parameter\"", before + 3));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(10000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(out.toUtf8()).object();
        EXPECT_EQ(o[QStringLiteral("outcome")].toString(), QStringLiteral("interrupted"));
        const int written = o[QStringLiteral("parametersWritten")].toInt();
        EXPECT_GT(written, 0);
        EXPECT_LT(written, 127);
        EXPECT_TRUE(err.contains(QStringLiteral("Запись прервана: записано %1 из 127 параметров; "
                                                "конфигурация прибора неполная")
                                     .arg(written)))
            << err.toStdString();

        expectLineReleased();
    }
    const ToolRun again = vyntool({QStringLiteral("identify"), QStringLiteral("--port"),
                                   sim->path(), QStringLiteral("--fast"), QStringLiteral("--speed"),
                                   QStringLiteral("1200")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}

TEST_F(VyntoolWrite, InterruptOnASilentLineEndsAtOnce)
{
    // The seventh parameter's header is never acknowledged: without a prompt stop
    // the tool would wait 3 x 2.5 s before it looked at the signal.
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--fault"),
              QStringLiteral("drop-ack@10")});
    const ToolRun created = vyntool({QStringLiteral("create"), QStringLiteral("--port"),
                                     sim->path(), QStringLiteral("--fast"),
                                     QStringLiteral("--out"), path("c.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    sim->stop();
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--fault"),
              QStringLiteral("drop-ack@10")});

    QProcess p;
    startTool(p,
            {QStringLiteral("write"), QStringLiteral("--config"), path("c.json"),
             QStringLiteral("--port"), sim->path(), QStringLiteral("--fast"),
             QStringLiteral("--alt"), QString()});
    ASSERT_TRUE(p.waitForStarted());
    // Identified, six parameters written, the seventh's header unanswered.
    ASSERT_TRUE(vyntest::waitForLogLines(path("log.json"), "\"fault\":\"drop-ack\""));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(500));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 130) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Запись прервана: записано 6 из 127 параметров; "
                                            "конфигурация прибора неполная")))
        << err.toStdString();
    expectLineReleased();
}

TEST_F(VyntoolWrite, NoCfgSkipsTheTypeCheck)
{
    createOlderConfig();
    sim->stop();
    // The calculator shows NoCFG: its type reply names no type.
    startSim({QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--serial"),
              QStringLiteral("12342678"), QStringLiteral("--nocfg")});
    const QStringList write = olderWrite();
    const ToolRun refused = vyntool(write);
    EXPECT_EQ(refused.exitCode, 5) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Несоответствие типов")));
    const ToolRun r = vyntool(QStringList(write) << QStringLiteral("--nocfg"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Программа Винка записана успешно.")));
}

TEST_F(VyntoolWrite, RejectedProgrammerFileWritesNothing)
{
    createOlderConfig();
    writeFile("bad.vyn", "@F800\n31 40 00 0A\nG1 02\nq\n");
    const ToolRun r = vyntool(olderWrite(path("bad.vyn")));
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ошибка открытия файла ") + path("bad.vyn")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Файл программатора не прочитан")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("записана успешно")));
    sim->stop();
    QFile f(path("log.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject log = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_TRUE(log[QStringLiteral("loader")].toArray().isEmpty()) << "no loader was started";
    for (const QJsonValue& e : log[QStringLiteral("exchanges")].toArray())
        EXPECT_NE(e[QStringLiteral("function")].toInt(), 1) << "no programming-mode request";
}

TEST_F(VyntoolWrite, DamagedAlternativeDaysFileIsRefused)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("c.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    writeFile("random.alt", QByteArray("\x03\x01\x07\x85\x03\x41\x09\x09\x05\x05", 10));
    const ToolRun r = vyntool({QStringLiteral("write"), QStringLiteral("--config"), path("c.json"),
                               QStringLiteral("--port"), sim->path(), QStringLiteral("--fast"),
                               QStringLiteral("--alt"), path("random.alt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ошибка открытия файла.")));
    EXPECT_TRUE(parameters().isEmpty());
}

TEST_F(VyntoolWrite, BatchWritesEachFileWithASummary)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321")});
    const QStringList create{QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                             QStringLiteral("--fast"), QStringLiteral("--out")};
    ASSERT_EQ(vyntool(QStringList(create) << path("a.json")).exitCode, 0);
    ASSERT_EQ(vyntool(QStringList(create) << path("b.json")).exitCode, 0);
    const ToolRun r = vyntool({QStringLiteral("write"), QStringLiteral("--config"), path("a.json"),
                               QStringLiteral("--config"), path("none.json"),
                               QStringLiteral("--config"), path("b.json"), QStringLiteral("--port"),
                               sim->path(), QStringLiteral("--fast"), QStringLiteral("--alt"),
                               QString(), QStringLiteral("--json")},
                              "\n\n");
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    QStringList outcomes;
    for (const QString& line : lines)
        outcomes << QJsonDocument::fromJson(line.toUtf8())
                        .object()[QStringLiteral("outcome")]
                        .toString();
    EXPECT_EQ(outcomes, (QStringList{QStringLiteral("written"), QStringLiteral("failed"),
                                     QStringLiteral("written")}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Итого: записано 2 из 3, не записано 1")))
        << r.err.toStdString();
    EXPECT_EQ(parameters().size(), 2 * 127);
}

TEST_F(VyntoolWrite, PortsAndHelpInRussian)
{
    const ToolRun ports = vyntool({QStringLiteral("ports"), QStringLiteral("--json")});
    EXPECT_EQ(ports.exitCode, 0);
    QStringList expected;
    vyn::EnumeratePorts(expected);
    EXPECT_EQ(QJsonDocument::fromJson(ports.out.toUtf8()).array().toVariantList(),
              QVariant(expected).toList());

    struct Help
    {
        const char* command;
        QStringList listed;
        QStringList notListed;
    };
    const QList<Help> helps{
        {"write",
         {QStringLiteral("--config"), QStringLiteral("--yes"), QStringLiteral("--nocfg"),
          QStringLiteral("--json")},
         {QStringLiteral("--out")}},
        {"create",
         {QStringLiteral("--out"), QStringLiteral("--json"), QStringLiteral("1200, 2400")},
         {QStringLiteral("--yes"), QStringLiteral("--config")}},
        {"identify",
         {QStringLiteral("--port"), QStringLiteral("--json"), QStringLiteral("1200, 2400")},
         {QStringLiteral("--out"), QStringLiteral("--config")}},
    };
    for (const Help& h : helps) {
        const QString name = QString::fromLatin1(h.command);
        const ToolRun r = vyntool({name, QStringLiteral("--help")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Использование: vyntool ") + name))
            << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Коды завершения:")));
        for (const QString& o : h.listed)
            EXPECT_TRUE(r.out.contains(o)) << h.command << " " << o.toStdString();
        for (const QString& o : h.notListed)
            EXPECT_FALSE(r.out.contains(o)) << h.command << " " << o.toStdString();
    }
    const ToolRun usage = vyntool({QStringLiteral("identify"), QStringLiteral("--bogus")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("неизвестный параметр «bogus»")))
        << usage.err.toStdString();

    // The documents run on Qt's GUI side; no runtime-directory note reaches the user.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VYNTOOL_PATH), {QStringLiteral("card"), QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.readAllStandardError(), QByteArray());
}

TEST_F(VyntoolWrite, EveryCommandSpeaksRussian)
{
    struct Case
    {
        const char* usage;        // the first help line
        QStringList badArgs;      // a usage error
        const char* error;        // what it says
        const char* notListed;    // an option the command ignores, or empty
    };
    const Case cases[] = {
        {"Использование: vyntool image [параметры]", {"image", "--config", "a.json", "--hex", "--dst", "--no-dst"},
         "--dst и --no-dst исключают друг друга", "--port"},
        {"Использование: vyntool alt [параметры] действие файл", {"alt", "erase", "a.alt"},
         "неизвестное действие «erase»; допустимо: show или write", "--config"},
        {"Использование: vyntool conf [параметры] действие", {"conf", "show"}, "conf show: нужен файл",
         "--port"},
        {"Использование: vyntool catalogue [параметры] действие", {"catalogue"},
         "не указано действие (pack или unpack)", "--json"},
        {"Использование: vyntool import [параметры] таблица", {"import"}, "нужна одна таблица DBF",
         "--port"},
        {"Использование: vyntool settings [параметры] действие", {"settings", "edit"},
         "неизвестное действие «edit»; допустимо: show", "--port"},
        {"Использование: vyntool base [параметры] действие", {"base", "add", "db.sqlite"},
         "base add: нужны база и файлы конфигурации", "--json"},
        {"Использование: vyntool passport [параметры]",
         {"passport", "--config", "a.json", "--pdf", "a.pdf", "--tables-json", "t.json"},
         "укажите одно из --pdf и --tables-json", "--alt"},
        {"Использование: vyntool card [параметры]",
         {"card", "--config", "a.json"}, "укажите одно из --pdf и --tables-json", "--print-for"},
    };
    static const QRegularExpression cyrillic(QStringLiteral("[А-Яа-яЁё]"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.usage);
        const QString command = c.badArgs.first();
        const ToolRun help = vyntool({command, QStringLiteral("--help")});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.section(QLatin1Char('\n'), 0, 0), QString::fromUtf8(c.usage));
        // The description and every option are in Russian.
        EXPECT_TRUE(help.out.section(QLatin1Char('\n'), 1, 1).contains(cyrillic)) << help.out.toStdString();
        for (const QString& line : help.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("  -"))) {
                EXPECT_TRUE(line.contains(cyrillic)) << line.toStdString();
            }
        }
        EXPECT_FALSE(help.out.contains(QString::fromUtf8(c.notListed) + QLatin1Char(' ')))
            << help.out.toStdString();

        const ToolRun bad = vyntool(c.badArgs);
        EXPECT_EQ(bad.exitCode, 2);
        EXPECT_TRUE(bad.err.contains(QString::fromUtf8(c.error))) << bad.err.toStdString();
    }
}

TEST_F(VyntoolWrite, SerialBytesOfTenOrMoreAreCutToEightCharacters)
{
    startSim({QStringLiteral("--serial-bytes"), QStringLiteral("10,11,12,3,4,5,6,7")});
    const ToolRun id = vyntool({QStringLiteral("identify"), QStringLiteral("--port"), sim->path(),
                                QStringLiteral("--fast"), QStringLiteral("--json")});
    ASSERT_EQ(id.exitCode, 0) << id.err.toStdString();
    EXPECT_EQ(outcomeOf(id)[QStringLiteral("serial")].toString(), QStringLiteral("10111234567"));
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("c.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(config("c.json")[QStringLiteral("SNUM")].toString(), QStringLiteral("10111234"));
}
