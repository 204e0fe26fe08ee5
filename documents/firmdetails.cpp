#include "firmdetails.h"

#include "model/inifile.h"

namespace vyn {

QString firmDetailsFileName()
{
    return QStringLiteral("firm.ini");
}

FirmDetails readFirmDetails(const QString& path)
{
    const IniFile ini(path);
    const QString s = QStringLiteral("Firm");
    return {ini.readString(s, QStringLiteral("Name")), ini.readString(s, QStringLiteral("Address")),
            ini.readString(s, QStringLiteral("Phone")), ini.readString(s, QStringLiteral("Email"))};
}

} // namespace vyn
