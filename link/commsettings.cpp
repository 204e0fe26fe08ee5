#include "commsettings.h"

#include "model/inifile.h"
#include "model/settingskeys.h"

namespace vyn {

namespace {

namespace keys = settingskeys::commSettings;
const QString& kSection = keys::kSection;

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
    s.port = ini.readString(kSection, keys::kPort);
    s.dtr = ini.readBool(kSection, keys::kDtr, s.dtr);
    s.rts = ini.readBool(kSection, keys::kRts, s.rts);
    s.networkAddress = spinValue(ini, keys::kNetworkAddress, s.networkAddress);
    const bool firstStart = ini.readString(settingskeys::start::kSection, settingskeys::start::kFirstStart,
                                           QStringLiteral("first")) == QLatin1String("first");
    if (firstStart) {
        s.wait = 5;
        s.byteInterval = 5;
        return s; // speed 9600, 8 bits, "N", one stop bit: the member defaults
    }
    s.speedItem = itemIndex(ini, keys::kSpeed, speedItems(), s.speedItem);
    s.dataBitsItem = itemIndex(ini, keys::kDataBits, dataBitsItems(), s.dataBitsItem);
    s.parityItem = itemIndex(ini, keys::kParity, parityItems(), s.parityItem);
    s.stopBitsItem = itemIndex(ini, keys::kStopBits, stopBitsItems(), s.stopBitsItem);
    s.wait = spinValue(ini, keys::kWait, s.wait);
    s.byteInterval = spinValue(ini, keys::kByteInterval, s.byteInterval);
    return s;
}

void CommSettings::write(IniFile& ini) const
{
    ini.writeString(kSection, keys::kPort, port);
    ini.writeInteger(kSection, keys::kSpeed, speedItem);
    ini.writeInteger(kSection, keys::kDataBits, dataBitsItem);
    ini.writeInteger(kSection, keys::kParity, parityItem);
    ini.writeInteger(kSection, keys::kStopBits, stopBitsItem);
    ini.writeBool(kSection, keys::kDtr, dtr);
    ini.writeBool(kSection, keys::kRts, rts);
    ini.writeInteger(kSection, keys::kNetworkAddress, networkAddress);
    ini.writeInteger(kSection, keys::kWait, wait);
    ini.writeInteger(kSection, keys::kByteInterval, byteInterval);
}

} // namespace vyn
