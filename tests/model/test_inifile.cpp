#include "model/inifile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vyn::IniFile;

TEST(IniFile, NamesCompareWithoutCaseAndFileOrderStays)
{
    IniFile ini;
    ini.setText("; settings\n[Start]\nFirstStart=no\n\n[TFormCommConfig]\nPort=ttyUSB0\nSpeed=3\n");
    EXPECT_EQ(ini.readString(QStringLiteral("start"), QStringLiteral("FIRSTSTART")),
              QStringLiteral("no"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("tformcommconfig"), QStringLiteral("speed"), -1), 3);
    ini.writeString(QStringLiteral("START"), QStringLiteral("firststart"), QStringLiteral("first"));
    ini.writeString(QStringLiteral("Start"), QStringLiteral("New"), QStringLiteral("1"));
    ini.writeString(QStringLiteral("Окно"), QStringLiteral("Ключ"), QStringLiteral("Значение"));
    EXPECT_EQ(QString::fromUtf8(ini.text()),
              QStringLiteral("; settings\n[Start]\nFirstStart=first\nNew=1\n\n[TFormCommConfig]\n"
                             "Port=ttyUSB0\nSpeed=3\n[Окно]\nКлюч=Значение\n"));
    EXPECT_EQ(ini.readString(QStringLiteral("окно"), QStringLiteral("КЛЮЧ")),
              QStringLiteral("Значение"));
}

TEST(IniFile, ValuesReadAsTheWindowsProfileFunctionsDo)
{
    IniFile ini;
    ini.setText(
        "[S]\r\nQuoted = \"  a b  \"\r\nNum=12abc\r\nNone=abc\r\nB1=True\r\nB2=false\r\nB3=0\r\n");
    EXPECT_EQ(ini.readString(QStringLiteral("S"), QStringLiteral("Quoted")),
              QStringLiteral("  a b  "));
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("Num"), 0), 12);
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("None"), 7), 7);
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("Missing"), 5), 5);
    EXPECT_TRUE(ini.readBool(QStringLiteral("S"), QStringLiteral("B1"), false));
    EXPECT_FALSE(ini.readBool(QStringLiteral("S"), QStringLiteral("B2"), true));
    EXPECT_FALSE(ini.readBool(QStringLiteral("S"), QStringLiteral("B3"), true));
    EXPECT_EQ(ini.readString(QStringLiteral("Nope"), QStringLiteral("X"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(IniFile, RoundTripThroughAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setvyn.ini"));
    IniFile ini(path); // missing file: empty profile
    EXPECT_TRUE(ini.sections().isEmpty());
    ini.writeBool(QStringLiteral("TFormCommConfig"), QStringLiteral("CheckBox1_Checked"), true);
    ini.writeString(QStringLiteral("TFormCommConfig"), QStringLiteral("Port"),
                    QStringLiteral("Порт 1"));
    ASSERT_TRUE(ini.save());
    IniFile back(path);
    EXPECT_EQ(
        back.readString(QStringLiteral("TFormCommConfig"), QStringLiteral("CheckBox1_Checked")),
        QStringLiteral("True"));
    EXPECT_EQ(back.readString(QStringLiteral("TFormCommConfig"), QStringLiteral("Port")),
              QStringLiteral("Порт 1"));
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("Port=\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 1")); // UTF-8
}

TEST(IniFile, Windows1251FileIsRead)
{
    IniFile ini;
    // "[Окно]\nПорт=Сеть" in Windows-1251: not valid UTF-8.
    ini.setText("[\xCE\xEA\xED\xEE]\n\xCF\xEE\xF0\xF2=\xD1\xE5\xF2\xFC\n");
    EXPECT_EQ(ini.readString(QStringLiteral("Окно"), QStringLiteral("Порт")),
              QStringLiteral("Сеть"));
    // Written back as UTF-8.
    EXPECT_EQ(ini.text(),
              QByteArray("[\xD0\x9E\xD0\xBA\xD0\xBD\xD0\xBE]\n"
                         "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82=\xD0\xA1\xD0\xB5\xD1\x82\xD1\x8C\n"));
}

TEST(IniFile, EraseAndDelete)
{
    IniFile ini;
    ini.setText("[A]\nx=1\ny=2\n[B]\nz=3\n");
    ini.deleteKey(QStringLiteral("a"), QStringLiteral("X"));
    ini.eraseSection(QStringLiteral("b"));
    EXPECT_EQ(ini.text(), QByteArray("[A]\ny=2\n"));
    EXPECT_FALSE(ini.valueExists(QStringLiteral("A"), QStringLiteral("x")));
    EXPECT_EQ(ini.keys(QStringLiteral("A")), QStringList{QStringLiteral("y")});
}

TEST(IniFile, SavesWriteBackTheLinesAsRead)
{
    // Comments, blank and unparsed lines keep every CR of their own; each line keeps its break.
    const std::vector<QByteArray> files = {
        "; note\r\r\r\n[A]\r\nx=1\r\n\r\r\n",
        "[A]\nx=1\n; note\r\r\n\r\nnot a key\r\r\n",
        "[A]\r\nx=1\n; mixed\r\n",
        "; no final break\r",
        "\xEF\xBB\xBF[A]\nx=1\n",
        "\xEF\xBB\xBF\xEF\xBB\xBF; two marks\n",
    };
    for (const QByteArray& bytes : files) {
        IniFile ini;
        ini.setText(bytes);
        for (int save = 0; save < 3; ++save) {
            const QByteArray written = ini.text();
            EXPECT_EQ(written, bytes.endsWith('\n') ? bytes : bytes + '\n') << bytes.toStdString();
            ini.setText(written);
        }
    }
    // New lines take the break of the file's first line.
    IniFile crlf;
    crlf.setText("[A]\r\nx=1\r\n");
    crlf.writeString(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("2"));
    crlf.writeString(QStringLiteral("B"), QStringLiteral("z"), QStringLiteral("3"));
    EXPECT_EQ(crlf.text(), QByteArray("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));
}
