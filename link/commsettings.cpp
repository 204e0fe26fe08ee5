#include "commsettings.h"

#include "model/inifile.h"

namespace vyn {

namespace {

const QString kSection = QStringLiteral("TFormCommConfig");

int itemIndex(const IniFile& ini, const QString& key, const QStringList& items, int fallback)
{
    const int i = ini.readInteger(kSection, key, fallback);
    return i >= 0 && i < items.size() ? i : fallback;
}

int spinValue(const IniFile& ini, const QString& key, int fallback)
{
    const int v = ini.readInteger(kSection, key, fallback);
    return v >= 1 && v <= 255 ? v : fallback;
}

} // namespace

const QStringList& CommSettings::speedItems()
{
    static const QStringList items{QStringLiteral("1200"), QStringLiteral("2400"),
                                   QStringLiteral("4800"), QStringLiteral("9600")};
    return items;
}

const QStringList& CommSettings::dataBitsItems()
{
    static const QStringList items{QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
    return items;
}

const QStringList& CommSettings::parityItems()
{
    static const QStringList items{QStringLiteral("N"), QStringLiteral("1"), QStringLiteral("0"),
                                   QStringLiteral("E"), QStringLiteral("O")};
    return items;
}

const QStringList& CommSettings::stopBitsItems()
{
    static const QStringList items{QStringLiteral("1"), QStringLiteral("2")};
    return items;
}

int CommSettings::speed() const
{
    return speedItems().value(speedItem, QStringLiteral("9600")).toInt();
}

TDatabits CommSettings::databits() const
{
    switch (dataBitsItem) {
    case 0:
        return da6;
    case 1:
        return da7;
    default:
        return da8;
    }
}

TParity CommSettings::parity() const
{
    switch (parityItem) {
    case 1:
        return pMark;
    case 2:
        return pSpace;
    case 3:
        return pEven;
    case 4:
        return pOdd;
    default:
        return pNone;
    }
}

TStopbits CommSettings::stopbits() const
{
    return stopBitsItem == 0 ? sb1_0 : sb2_0;
}

CommSettings CommSettings::read(const IniFile& ini)
{
    CommSettings s;
    s.port = ini.readString(kSection, QStringLiteral("Port"));
    s.dtr = ini.readBool(kSection, QStringLiteral("CheckBox1_Checked"), s.dtr);
    s.rts = ini.readBool(kSection, QStringLiteral("CheckBox2_Checked"), s.rts);
    s.networkAddress = spinValue(ini, QStringLiteral("RxSpinEdit1_Value"), s.networkAddress);
    const bool firstStart = ini.readString(QStringLiteral("Start"), QStringLiteral("FirstStart"),
                                           QStringLiteral("first")) == QLatin1String("first");
    if (firstStart) {
        s.wait = 5;
        s.byteInterval = 5;
        return s; // speed 9600, 8 bits, "N", one stop bit: the member defaults
    }
    s.speedItem = itemIndex(ini, QStringLiteral("Speed"), speedItems(), s.speedItem);
    s.dataBitsItem = itemIndex(ini, QStringLiteral("Byte"), dataBitsItems(), s.dataBitsItem);
    s.parityItem = itemIndex(ini, QStringLiteral("Parity"), parityItems(), s.parityItem);
    s.stopBitsItem = itemIndex(ini, QStringLiteral("Stop"), stopBitsItems(), s.stopBitsItem);
    s.wait = spinValue(ini, QStringLiteral("RxSpinEdit2_Value"), s.wait);
    s.byteInterval = spinValue(ini, QStringLiteral("RxSpinEdit3_Value"), s.byteInterval);
    return s;
}

void CommSettings::write(IniFile& ini) const
{
    ini.writeString(kSection, QStringLiteral("Port"), port);
    ini.writeInteger(kSection, QStringLiteral("Speed"), speedItem);
    ini.writeInteger(kSection, QStringLiteral("Byte"), dataBitsItem);
    ini.writeInteger(kSection, QStringLiteral("Parity"), parityItem);
    ini.writeInteger(kSection, QStringLiteral("Stop"), stopBitsItem);
    ini.writeBool(kSection, QStringLiteral("CheckBox1_Checked"), dtr);
    ini.writeBool(kSection, QStringLiteral("CheckBox2_Checked"), rts);
    ini.writeInteger(kSection, QStringLiteral("RxSpinEdit1_Value"), networkAddress);
    ini.writeInteger(kSection, QStringLiteral("RxSpinEdit2_Value"), wait);
    ini.writeInteger(kSection, QStringLiteral("RxSpinEdit3_Value"), byteInterval);
}

} // namespace vyn
