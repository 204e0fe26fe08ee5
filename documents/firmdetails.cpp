#include "firmdetails.h"

#include "model/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vyn {

namespace {

const QString kSection = QStringLiteral("Firm");

} // namespace

QString firmDetailsFileName()
{
    return QStringLiteral("firm.ini");
}

QString firmDetailsMissingMessage()
{
    return QStringLiteral("Реквизиты организации не заполнены");
}

FirmDetails readFirmDetails(const QString& path)
{
    const IniFile ini(path);
    const auto value = [&ini](const char* key) {
        return ini.readString(kSection, QString::fromLatin1(key)).trimmed();
    };
    FirmDetails firm{value("Name"), value("Address"), value("Phone"), value("Email"), value("Logo")};
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
    ini.writeString(kSection, QStringLiteral("Name"), details.name.trimmed());
    ini.writeString(kSection, QStringLiteral("Address"), details.address.trimmed());
    ini.writeString(kSection, QStringLiteral("Phone"), details.phone.trimmed());
    ini.writeString(kSection, QStringLiteral("Email"), details.email.trimmed());
    ini.writeString(kSection, QStringLiteral("Logo"), logo);
    return ini.saveAs(path);
}

} // namespace vyn
