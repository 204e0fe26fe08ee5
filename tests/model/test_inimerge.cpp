#include "model/inifile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vyn::IniFile;

namespace {

QByteArray fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Two programs read the file at their start and write it when they close.
TEST(IniMerge, TwoProgramsKeepEachOthersKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setvyn.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("; settings\n[TForm1]\nLeft=10\nTop=20\n[TForm6]\nCheckBox1_Checked=0\n[Old]\nx=1\n");
    }
    IniFile first(path), second(path);
    first.writeString(QStringLiteral("TForm1"), QStringLiteral("Left"), QStringLiteral("100"));
    first.writeString(QStringLiteral("TFormCommConfig"), QStringLiteral("Port"),
                      QStringLiteral("ttyUSB0"));
    second.writeString(QStringLiteral("TForm1"), QStringLiteral("Top"), QStringLiteral("200"));
    second.writeString(QStringLiteral("TForm6"), QStringLiteral("CheckBox1_Checked"),
                       QStringLiteral("1"));
    second.deleteKey(QStringLiteral("TForm1"), QStringLiteral("Left"));
    second.eraseSection(QStringLiteral("Old"));

    ASSERT_TRUE(first.saveChanges());
    ASSERT_TRUE(second.saveChanges());

    const IniFile onDisk(path);
    // The first program's changes survive the second program's write...
    EXPECT_EQ(onDisk.readString(QStringLiteral("TFormCommConfig"), QStringLiteral("Port")),
              QStringLiteral("ttyUSB0"));
    // ...except a key the second one deleted afterwards: the last change wins.
    EXPECT_FALSE(onDisk.valueExists(QStringLiteral("TForm1"), QStringLiteral("Left")));
    EXPECT_EQ(onDisk.readString(QStringLiteral("TForm1"), QStringLiteral("Top")),
              QStringLiteral("200"));
    EXPECT_EQ(onDisk.readString(QStringLiteral("TForm6"), QStringLiteral("CheckBox1_Checked")),
              QStringLiteral("1"));
    EXPECT_FALSE(onDisk.sectionExists(QStringLiteral("Old")));
    EXPECT_TRUE(fileText(path).startsWith("; settings\n"));
    // The second program reads what the first wrote from now on.
    EXPECT_EQ(second.readString(QStringLiteral("TFormCommConfig"), QStringLiteral("Port")),
              QStringLiteral("ttyUSB0"));

    // Unchanged keys are not written back over another program's newer values.
    IniFile third(path);
    first.writeString(QStringLiteral("TForm1"), QStringLiteral("Top"), QStringLiteral("300"));
    ASSERT_TRUE(first.saveChanges());
    third.writeString(QStringLiteral("TForm6"), QStringLiteral("Edit1_Text"),
                      QStringLiteral("/data/MXVynBase.sqlite"));
    ASSERT_TRUE(third.saveChanges());
    const IniFile last(path);
    EXPECT_EQ(last.readString(QStringLiteral("TForm1"), QStringLiteral("Top")),
              QStringLiteral("300"));
    EXPECT_EQ(last.readString(QStringLiteral("TForm6"), QStringLiteral("Edit1_Text")),
              QStringLiteral("/data/MXVynBase.sqlite"));
    // Written through a temporary file: nothing else is left in the directory.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("setvyn.ini")});
}

TEST(IniMerge, AMissingFileIsCreatedAndAnUnwritableOneReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hist.ini"));
    IniFile ini(path);
    ini.writeInteger(QStringLiteral("Flow"), QStringLiteral("Pos"), 3);
    ASSERT_TRUE(ini.saveChanges());
    EXPECT_EQ(IniFile(path).readInteger(QStringLiteral("Flow"), QStringLiteral("Pos"), 0), 3);

    IniFile nowhere(dir.filePath(QStringLiteral("no/such/dir/setvyn.ini")));
    nowhere.writeInteger(QStringLiteral("A"), QStringLiteral("b"), 1);
    EXPECT_FALSE(nowhere.saveChanges());
    EXPECT_FALSE(IniFile().saveChanges());
}
