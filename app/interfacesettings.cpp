#include "app/interfacesettings.h"

#include "model/altdays.h"
#include "model/inifile.h"
#include "model/settingskeys.h"

namespace vyn {

namespace {

namespace mainKeys = settingskeys::mainWindow;
namespace keys = settingskeys::interfaceSettings;

struct StoredOption
{
    const QString& key;
    bool InterfaceSettings::*value;
};
const StoredOption kOptions[] = {
    {keys::kMinFlowControl, &InterfaceSettings::minFlowControl},
    {keys::kFlowHistory, &InterfaceSettings::flowHistory},
    {keys::kThermoHistory, &InterfaceSettings::thermoHistory},
    {keys::kCompletenessCheck, &InterfaceSettings::completenessCheck},
    {keys::kNoDaylightSaving, &InterfaceSettings::noDaylightSaving},
};

QString readOr(const IniFile& ini, const QString& section, const QString& key, const QString& base)
{
    return ini.valueExists(section, key) ? ini.readString(section, key) : base;
}

} // namespace

InterfaceSettings InterfaceSettings::readStored(const IniFile& ini, InterfaceSettings s)
{
    s.databasePath = readOr(ini, keys::kSection, keys::kDatabase, s.databasePath);
    s.programmerFile = readOr(ini, keys::kSection, keys::kProgrammerFile, s.programmerFile);
    s.altDaysFile = readOr(ini, keys::kSection, keys::kAltDaysFile, s.altDaysFile);
    s.tariffFile = readOr(ini, keys::kSection, keys::kTariffFile, s.tariffFile);
    for (const StoredOption& o : kOptions)
        s.*o.value = ini.readBool(keys::kSection, o.key, s.*o.value);
    return s;
}

InterfaceSettings InterfaceSettings::readStored(const IniFile& ini)
{
    return readStored(ini, InterfaceSettings());
}

void InterfaceSettings::writeStored(IniFile& ini) const
{
    ini.writeString(keys::kSection, keys::kDatabase, databasePath);
    ini.writeString(keys::kSection, keys::kProgrammerFile, programmerFile);
    ini.writeString(keys::kSection, keys::kAltDaysFile, altDaysFile);
    ini.writeString(keys::kSection, keys::kTariffFile, tariffFile);
    for (const StoredOption& o : kOptions)
        ini.writeBool(keys::kSection, o.key, this->*o.value);
}

void InterfaceSettings::takeMainWindowCopies(const IniFile& ini)
{
    databasePath = ini.readString(mainKeys::kSection, mainKeys::kDatabase);
    programmerFile = ini.readString(mainKeys::kSection, mainKeys::kProgrammerFile);
    altDaysFile = ini.readString(mainKeys::kSection, mainKeys::kAltDaysFile);
    tariffFile = ini.readString(mainKeys::kSection, mainKeys::kTariffFile);
}

void InterfaceSettings::writeMainWindowCopies(IniFile& ini) const
{
    ini.writeString(mainKeys::kSection, mainKeys::kProgrammerFile, programmerFile);
    ini.writeString(mainKeys::kSection, mainKeys::kAltDaysFile, altDaysFile);
    ini.writeString(mainKeys::kSection, mainKeys::kTariffFile, tariffFile);
}

InterfaceSettings InterfaceSettings::atStart(const IniFile& ini)
{
    InterfaceSettings s = readStored(ini);
    s.takeMainWindowCopies(ini);
    return s;
}

WriteConfigInputs toWriteConfigInputs(const InterfaceSettings& s, const CommSettings& comm)
{
    WriteConfigInputs in;
    in.altDaysFile = s.altDaysFile;
    in.noDaylightSaving = s.noDaylightSaving;
    in.minFlowControl = s.minFlowControl;
    in.comm = comm;
    return in;
}

ImageInputs toImageInputs(const InterfaceSettings& s)
{
    ImageInputs in;
    in.noSeasonTimeChange = s.noDaylightSaving;
    in.minFlowControl = s.minFlowControl;
    if (!s.altDaysFile.isEmpty()) {
        try {
            in.altDays = readAltDaysRaw(s.altDaysFile);
        } catch (const AltDaysFileError&) {
            in.altDays.reset(); // 62 zero bytes
        }
    }
    return in;
}

EditorOptions toEditorOptions(const InterfaceSettings& s)
{
    EditorOptions o;
    o.minFlowControl = s.minFlowControl;
    o.flowHistory = s.flowHistory;
    o.thermoHistory = s.thermoHistory;
    o.completenessCheck = s.completenessCheck;
    return o;
}

} // namespace vyn

#include <QFile>
#include <QFileInfo>

namespace vyn {

bool isJetDatabaseFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb"))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

} // namespace vyn
