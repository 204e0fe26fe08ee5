#include "link/commsettings.h"
#include "link/portlist.h"
#include "model/inifile.h"

#include <gtest/gtest.h>

using namespace vyn;

namespace {
const char* kStored = "[Start]\nFirstStart=no\n[TFormCommConfig]\nPort=ttyUSB1\nSpeed=1\nByte=0\n"
                      "Parity=3\nStop=1\nCheckBox1_Checked=False\nCheckBox2_Checked=True\n"
                      "RxSpinEdit1_Value=12\nRxSpinEdit2_Value=9\nRxSpinEdit3_Value=3\n";
}

TEST(CommSettings, StoredValuesAreRead)
{
    IniFile ini;
    ini.setText(kStored);
    const CommSettings s = CommSettings::read(ini);
    EXPECT_EQ(s.port, QStringLiteral("ttyUSB1"));
    EXPECT_EQ(s.speed(), 2400);
    EXPECT_EQ(s.databits(), da6);
    EXPECT_EQ(s.parity(), pEven);
    EXPECT_EQ(s.stopbits(), sb2_0);
    EXPECT_FALSE(s.dtr);
    EXPECT_TRUE(s.rts);
    EXPECT_EQ(s.networkAddress, 12);
    EXPECT_EQ(s.wait, 9);
    EXPECT_EQ(s.byteInterval, 3);
}

TEST(CommSettings, FirstStartOverridesStoredChoices)
{
    for (const char* start : std::initializer_list<const char*>{"first", nullptr}) {
        IniFile ini;
        ini.setText(kStored);
        if (start)
            ini.writeString(QStringLiteral("Start"), QStringLiteral("FirstStart"),
                            QString::fromLatin1(start));
        else
            ini.deleteKey(QStringLiteral("Start"), QStringLiteral("FirstStart"));
        const CommSettings s = CommSettings::read(ini);
        EXPECT_EQ(s.speed(), 9600);
        EXPECT_EQ(s.databits(), da8);
        EXPECT_EQ(s.parity(), pNone);
        EXPECT_EQ(s.stopbits(), sb1_0);
        EXPECT_EQ(s.wait, 5);
        EXPECT_EQ(s.byteInterval, 5);
        EXPECT_EQ(s.port, QStringLiteral("ttyUSB1")); // the port is kept
    }
}

TEST(CommSettings, ParityItemsMapToTheirLineCodes)
{
    CommSettings s;
    const TParity expected[] = {pNone, pMark, pSpace, pEven, pOdd}; // N 1 0 E O
    for (int i = 0; i < 5; ++i) {
        s.parityItem = i;
        EXPECT_EQ(s.parity(), expected[i]) << i;
    }
}

TEST(CommSettings, WrittenUnderTheStoredKeysAndReadBack)
{
    CommSettings s;
    s.port = QStringLiteral("/dev/pts/3");
    s.speedItem = 2;
    s.parityItem = 4;
    s.dtr = false;
    s.wait = 11;
    IniFile ini;
    ini.writeString(QStringLiteral("Start"), QStringLiteral("FirstStart"), QStringLiteral("no"));
    s.write(ini);
    EXPECT_EQ(ini.keys(QStringLiteral("TFormCommConfig")),
              (QStringList{QStringLiteral("Port"), QStringLiteral("Speed"), QStringLiteral("Byte"),
                           QStringLiteral("Parity"), QStringLiteral("Stop"),
                           QStringLiteral("CheckBox1_Checked"), QStringLiteral("CheckBox2_Checked"),
                           QStringLiteral("RxSpinEdit1_Value"), QStringLiteral("RxSpinEdit2_Value"),
                           QStringLiteral("RxSpinEdit3_Value")}));
    EXPECT_EQ(
        ini.readString(QStringLiteral("TFormCommConfig"), QStringLiteral("CheckBox1_Checked")),
        QStringLiteral("False"));
    EXPECT_EQ(CommSettings::read(ini), s);
}

TEST(CommSettings, DamagedValuesFallBack)
{
    IniFile ini;
    ini.setText("[Start]\nFirstStart=no\n[TFormCommConfig]\nSpeed=9\nByte=-1\nParity=x\n"
                "RxSpinEdit2_Value=0\nRxSpinEdit3_Value=300\n");
    const CommSettings s = CommSettings::read(ini);
    EXPECT_EQ(s.speed(), 9600);
    EXPECT_EQ(s.databits(), da8);
    EXPECT_EQ(s.parity(), pNone);
    EXPECT_EQ(s.wait, 7);
    EXPECT_EQ(s.byteInterval, 2);
}

TEST(PortList, EnumerationReplacesTheList)
{
    QStringList list{QStringLiteral("stale entry")};
    EnumeratePorts(list);
    EXPECT_FALSE(list.contains(QStringLiteral("stale entry")));
    for (const QString& name : list)
        EXPECT_FALSE(name.isEmpty());
}
