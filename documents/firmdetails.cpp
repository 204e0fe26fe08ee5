#include "firmdetails.h"

#include "model/inifile.h"
#include "model/settingskeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vyn {

namespace {

namespace keys = settingskeys::firm;
const QString& kSection = keys::kSection;

} // namespace

QString firmDetailsFileName()
{
    return settingskeys::kFirmFile;
}

QString firmDetailsMissingMessage()
{
    return QStringLiteral("Реквизиты организации не заполнены");
}

FirmDetails readFirmDetails(const QString& path)
{
    const IniFile ini(path);
    const auto value = [&ini](const QString& key) { return ini.readString(kSection, key).trimmed(); };
    FirmDetails firm{value(keys::kName), value(keys::kAddress), value(keys::kPhone),
                     value(keys::kEmail), value(keys::kLogo)};
    if (!firm.logo.isEmpty())
        firm.logo = QFileInfo(path).dir().absoluteFilePath(firm.logo);
    return firm;
}

bool writeFirmDetails(const QString& path, const FirmDetails& details)
{
    const QDir dir = QFileInfo(path).dir();
    QString logo;
    if (!details.logo.isEmpty()) {
        const QFileInfo source(details.logo);
        if (source.absolutePath() == dir.absolutePath()) {
            logo = source.fileName();
        } else {
            logo = QStringLiteral("firmlogo");
            if (!source.suffix().isEmpty())
                logo += QLatin1Char('.') + source.suffix().toLower();
            const QString target = dir.filePath(logo);
            const QString part = target + QStringLiteral(".part");
            QFile::remove(part);
            if (!QFile::copy(source.absoluteFilePath(), part))
                return false;
            QFile::remove(target);
            if (!QFile::rename(part, target)) {
                QFile::remove(part);
                return false;
            }
        }
    }
    IniFile ini(path); // other sections and comments stay
    ini.writeString(kSection, keys::kName, details.name.trimmed());
    ini.writeString(kSection, keys::kAddress, details.address.trimmed());
    ini.writeString(kSection, keys::kPhone, details.phone.trimmed());
    ini.writeString(kSection, keys::kEmail, details.email.trimmed());
    ini.writeString(kSection, keys::kLogo, logo);
    return ini.saveAs(path);
}

} // namespace vyn
