// vyntool settings show, run as the program it is over a program directory.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct SettingsRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

SettingsRun settingsShow(const QString& home, const QStringList& extra = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SETVYN_HOME"), home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VYNTOOL_PATH), QStringList{QStringLiteral("settings")} + extra);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(VyntoolSettings, ShowsWhatTheProgramReads)
{
    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("setvyn.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    // The file fields come from the main window's copies, the options from "TForm6".
    ini.write("[Start]\r\nFirstStart=\r\n"
              "[TForm1]\r\nBaseName=/data/base.sqlite\r\nEdit3_Text=/data/a.alt\r\n"
              "Edit5_Text=/data/prg.vyn\r\n"
              "[TForm6]\r\nEdit1_Text=/old.sqlite\r\nEdit3_Text=/old.alt\r\nEdit4_Text=/old.trf\r\n"
              "CheckBox3_Checked=True\r\nCheckBox6_Checked=False\r\n"
              "[TFormCommConfig]\r\nPort=ttyUSB1\r\nSpeed=1\r\n");
    ini.close();

    const SettingsRun json = settingsShow(home.path(), {QStringLiteral("show"), QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonObject iface = root.value(QStringLiteral("interface")).toObject();
    EXPECT_EQ(iface.value(QStringLiteral("databasePath")).toString(), QStringLiteral("/data/base.sqlite"));
    EXPECT_EQ(iface.value(QStringLiteral("altDaysFile")).toString(), QStringLiteral("/data/a.alt"));
    EXPECT_EQ(iface.value(QStringLiteral("programmerFile")).toString(), QStringLiteral("/data/prg.vyn"));
    EXPECT_EQ(iface.value(QStringLiteral("tariffFile")).toString(), QString());
    EXPECT_TRUE(iface.value(QStringLiteral("minFlowControl")).toBool());
    EXPECT_FALSE(iface.value(QStringLiteral("completenessCheck")).toBool());
    EXPECT_TRUE(iface.value(QStringLiteral("noDaylightSaving")).toBool());
    EXPECT_EQ(iface.value(QStringLiteral("passport")).toString(), QStringLiteral("На комплекс"));
    const QJsonObject comm = root.value(QStringLiteral("communication")).toObject();
    EXPECT_EQ(comm.value(QStringLiteral("port")).toString(), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(comm.value(QStringLiteral("speed")).toInt(), 2400);

    const SettingsRun text = settingsShow(home.path(), {QStringLiteral("show")});
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Файл альтернативных дней: /data/a.alt")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("Осуществлять проверку полноты ввода данных: нет")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("Скорость передачи: 2400")));

    EXPECT_EQ(settingsShow(home.path(), {QStringLiteral("list")}).exitCode, 2);
    EXPECT_EQ(settingsShow(home.path()).exitCode, 2);
}
