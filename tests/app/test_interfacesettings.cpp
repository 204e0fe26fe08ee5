#include "app/filecopy.h"
#include "app/interfacesettings.h"
#include "apptesting.h"

#include "model/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

using namespace vyn;
using namespace vyn::test;

TEST(InterfaceSettings, StoredKeysAndTheMainWindowCopies)
{
    IniFile ini;
    ini.setText("[TForm6]\r\nEdit1_Text=/p/db.sqlite\r\nEdit3_Text=/p/a.alt\r\nEdit4_Text=/p/t.trf\r\n"
                "Edit5_Text=/p/prg.vyn\r\nCheckBox3_Checked=True\r\nCheckBox4_Checked=True\r\n"
                "CheckBox5_Checked=True\r\nCheckBox6_Checked=False\r\nCheckBox7_Checked=False\r\n"
                "[TForm1]\r\nBaseName=/q/base.sqlite\r\nEdit3_Text=/q/b.alt\r\n");
    const InterfaceSettings stored = InterfaceSettings::readStored(ini);
    EXPECT_EQ(stored.databasePath, QStringLiteral("/p/db.sqlite"));
    EXPECT_EQ(stored.altDaysFile, QStringLiteral("/p/a.alt"));
    EXPECT_EQ(stored.tariffFile, QStringLiteral("/p/t.trf"));
    EXPECT_EQ(stored.programmerFile, QStringLiteral("/p/prg.vyn"));
    EXPECT_TRUE(stored.minFlowControl);
    EXPECT_TRUE(stored.flowHistory);
    EXPECT_TRUE(stored.thermoHistory);
    EXPECT_FALSE(stored.completenessCheck);
    EXPECT_FALSE(stored.noDaylightSaving);

    // After creation the file fields are the main window's copies; missing ones empty.
    const InterfaceSettings start = InterfaceSettings::atStart(ini);
    EXPECT_EQ(start.databasePath, QStringLiteral("/q/base.sqlite"));
    EXPECT_EQ(start.altDaysFile, QStringLiteral("/q/b.alt"));
    EXPECT_EQ(start.tariffFile, QString());
    EXPECT_EQ(start.programmerFile, QString());
    EXPECT_TRUE(start.minFlowControl);

    IniFile out;
    stored.writeStored(out);
    stored.writeMainWindowCopies(out);
    EXPECT_EQ(out.readString(QStringLiteral("TForm6"), QStringLiteral("CheckBox6_Checked")),
              QStringLiteral("False"));
    EXPECT_EQ(out.readString(QStringLiteral("TForm6"), QStringLiteral("CheckBox3_Checked")),
              QStringLiteral("True"));
    EXPECT_EQ(out.readString(QStringLiteral("TForm1"), QStringLiteral("Edit4_Text")),
              QStringLiteral("/p/t.trf"));
    EXPECT_EQ(out.readString(QStringLiteral("TForm1"), QStringLiteral("Edit5_Text")),
              QStringLiteral("/p/prg.vyn"));
    // "Ввод" does not change the database: BaseName is the browse button's.
    EXPECT_FALSE(out.valueExists(QStringLiteral("TForm1"), QStringLiteral("BaseName")));
    EXPECT_EQ(InterfaceSettings::readStored(out), stored);
}

TEST(InterfaceSettings, EmptySectionGivesTheDefaults)
{
    const InterfaceSettings s = InterfaceSettings::readStored(IniFile());
    EXPECT_FALSE(s.minFlowControl);
    EXPECT_FALSE(s.flowHistory);
    EXPECT_FALSE(s.thermoHistory);
    EXPECT_TRUE(s.completenessCheck);
    EXPECT_TRUE(s.noDaylightSaving);
    EXPECT_FALSE(s.noCfgShown);
    EXPECT_FALSE(s.printSerialNumbers);
    EXPECT_EQ(s.passport, PassportKind::Complex);
}

TEST(InterfaceSettings, WhatTheReadersGet)
{
    QTemporaryDir dir;
    QByteArray alt(62, '\0');
    alt[0] = 7;
    alt[61] = 9;
    writeAll(dir.filePath(QStringLiteral("a.alt")), alt);

    InterfaceSettings s;
    s.altDaysFile = dir.filePath(QStringLiteral("a.alt"));
    s.minFlowControl = true;
    s.noDaylightSaving = false;
    s.flowHistory = true;
    s.completenessCheck = false;
    CommSettings comm;
    comm.port = QStringLiteral("ttyUSB0");

    const WriteConfigInputs w = toWriteConfigInputs(s, comm);
    EXPECT_EQ(w.altDaysFile, s.altDaysFile);
    EXPECT_TRUE(w.minFlowControl);
    EXPECT_FALSE(w.noDaylightSaving);
    EXPECT_EQ(w.comm.port, QStringLiteral("ttyUSB0"));

    ImageInputs img = toImageInputs(s);
    EXPECT_TRUE(img.minFlowControl);
    EXPECT_FALSE(img.noSeasonTimeChange);
    ASSERT_TRUE(img.altDays.has_value());
    EXPECT_EQ((*img.altDays)[0], 7);
    EXPECT_EQ((*img.altDays)[61], 9);
    s.altDaysFile = dir.filePath(QStringLiteral("missing.alt"));
    EXPECT_FALSE(toImageInputs(s).altDays.has_value());

    const EditorOptions e = toEditorOptions(s);
    EXPECT_TRUE(e.minFlowControl);
    EXPECT_TRUE(e.flowHistory);
    EXPECT_FALSE(e.thermoHistory);
    EXPECT_FALSE(e.completenessCheck);
}

TEST(InterfaceSettings, JetFilesAreRecognised)
{
    QTemporaryDir dir;
    QByteArray jet(64, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    writeAll(dir.filePath(QStringLiteral("renamed.sqlite")), jet);
    writeAll(dir.filePath(QStringLiteral("old.MDB")), QByteArray());
    writeAll(dir.filePath(QStringLiteral("text.db")), "SQLite format 3");
    EXPECT_TRUE(isJetDatabaseFile(dir.filePath(QStringLiteral("renamed.sqlite"))));
    EXPECT_TRUE(isJetDatabaseFile(dir.filePath(QStringLiteral("old.MDB"))));
    EXPECT_FALSE(isJetDatabaseFile(dir.filePath(QStringLiteral("text.db"))));
    EXPECT_FALSE(isJetDatabaseFile(dir.filePath(QStringLiteral("none.sqlite"))));
}

TEST(CopySingleFile, CopiesAndReplacesWithoutLeavingTemporaryFiles)
{
    QTemporaryDir root;
    const QString exe = root.filePath(QStringLiteral("prog"));
    const QString src = root.filePath(QStringLiteral("src"));
    QDir().mkpath(exe);
    QDir().mkpath(src);
    writeAll(src + QStringLiteral("/prg.vyn"), "@F000\n01 02\nq\n");
    writeAll(exe + QStringLiteral("/prg.vyn"), "an older and longer programmer file\n");

    EXPECT_EQ(CopySingleFile(src + QStringLiteral("/prg.vyn"), exe), 0);
    EXPECT_EQ(readAll(exe + QStringLiteral("/prg.vyn")), QByteArray("@F000\n01 02\nq\n"));
    EXPECT_EQ(QDir(exe).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("prg.vyn")});

    // A file of the program directory copied onto itself stays whole.
    EXPECT_EQ(CopySingleFile(exe + QStringLiteral("/prg.vyn"), exe), 0);
    EXPECT_EQ(readAll(exe + QStringLiteral("/prg.vyn")), QByteArray("@F000\n01 02\nq\n"));
}

TEST(CopySingleFile, FailuresGiveTheSystemCode)
{
    QTemporaryDir root;
    writeAll(root.filePath(QStringLiteral("a.txt")), "a");
    const struct
    {
        QString source;
        QString target;
        int code;
    } cases[] = {
        {root.filePath(QStringLiteral("missing.txt")), root.path(), ENOENT},
        {QString(), root.path(), ENOENT},
        {root.filePath(QStringLiteral("sub")), root.path(), EISDIR},
        {root.filePath(QStringLiteral("a.txt")), root.filePath(QStringLiteral("nodir")), ENOENT},
    };
    QDir().mkpath(root.filePath(QStringLiteral("sub")));
    for (const auto& c : cases) {
        EXPECT_EQ(CopySingleFile(c.source, c.target), c.code) << c.source.toStdString();
    }
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a.txt")});
}
