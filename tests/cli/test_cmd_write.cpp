// vyntool create and vyntool write against vynsim, run as the program they are.

#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

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

    // Runs vyntool with the program directory set to the test's directory.
    ToolRun vyntool(const QStringList& args, const QByteArray& input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SETVYN_HOME"), dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VYNTOOL_PATH), args);
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
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(declined.err.contains(QStringLiteral(
        "Внимание: Подключенный прибор имеет номер несоответствующий\nномеру выбранному в базе.")))
        << declined.err.toStdString();
    EXPECT_FALSE(declined.out.contains(QStringLiteral("Конфигурация записана успешно")));

    const ToolRun noAnswer = vyntool(write);
    EXPECT_EQ(noAnswer.exitCode, 1);

    const ToolRun yes = vyntool(QStringList(write) << QStringLiteral("--yes"));
    EXPECT_EQ(yes.exitCode, 0) << yes.err.toStdString();
    EXPECT_EQ(config("c.json")[QStringLiteral("DeviceSoftData")].toString(),
              QStringLiteral("2015-03-01"));
    EXPECT_EQ(parameters().size(), 127); // the declined runs wrote nothing
}

TEST_F(VyntoolWrite, Generation03TransferAndCtrlC)
{
    const QString bin = QStringLiteral(SETVYN_BIN_DIR_PATH "/");
    startSim({QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--serial"),
              QStringLiteral("12342678")});
    const ToolRun created =
        vyntool({QStringLiteral("create"), QStringLiteral("--port"), sim->path(),
                 QStringLiteral("--fast"), QStringLiteral("--out"), path("old.json")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    const QStringList write{QStringLiteral("write"),
                            QStringLiteral("--config"),
                            path("old.json"),
                            QStringLiteral("--port"),
                            sim->path(),
                            QStringLiteral("--fast"),
                            QStringLiteral("--prg"),
                            bin + QStringLiteral("prg.vyn"),
                            QStringLiteral("--conf"),
                            bin + QStringLiteral("conf.dat"),
                            QStringLiteral("--byte-interval"),
                            QStringLiteral("1")};

    const ToolRun r = vyntool(write);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Программа Винка записана успешно.")))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Идет запись конфигурации...")))
        << r.err.toStdString();

    // Slow bytes; Ctrl+C once the pages are being written.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SETVYN_HOME"), dir.path());
    p.setProcessEnvironment(env);
    QStringList slow = write;
    slow.last() = QStringLiteral("20");
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(VYNTOOL_PATH), slow);
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
         "missing --config"},
        {{QStringLiteral("write"), QStringLiteral("--config"), sample, QStringLiteral("--port"),
          QStringLiteral("x"), QStringLiteral("--dst"), QStringLiteral("--no-dst")},
         2,
         "exclude each other"},
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
         1,
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
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_TRUE(
        absent.err.contains(QStringLiteral("В настоящее время порт: ttyVYN_absent не доступен")))
        << absent.err.toStdString();
}
