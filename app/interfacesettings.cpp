#include "interfacesettings.h"

#include "model/altdays.h"
#include "model/inifile.h"

namespace vyn {

namespace {

const QString kForm6 = QStringLiteral("TForm6");
const QString kForm1 = QStringLiteral("TForm1");
const QString kDatabase = QStringLiteral("Edit1_Text");
const QString kAltDays = QStringLiteral("Edit3_Text");
const QString kTariff = QStringLiteral("Edit4_Text");
const QString kProgrammer = QStringLiteral("Edit5_Text");
const QString kBaseName = QStringLiteral("BaseName");

struct StoredOption
{
    const char* key;
    bool InterfaceSettings::*value;
};
constexpr StoredOption kOptions[] = {
    {"CheckBox3_Checked", &InterfaceSettings::minFlowControl},
    {"CheckBox4_Checked", &InterfaceSettings::flowHistory},
    {"CheckBox5_Checked", &InterfaceSettings::thermoHistory},
    {"CheckBox6_Checked", &InterfaceSettings::completenessCheck},
    {"CheckBox7_Checked", &InterfaceSettings::noDaylightSaving},
};

QString readOr(const IniFile& ini, const QString& section, const QString& key, const QString& base)
{
    return ini.valueExists(section, key) ? ini.readString(section, key) : base;
}

} // namespace

InterfaceSettings InterfaceSettings::readStored(const IniFile& ini, InterfaceSettings s)
{
    s.databasePath = readOr(ini, kForm6, kDatabase, s.databasePath);
    s.programmerFile = readOr(ini, kForm6, kProgrammer, s.programmerFile);
    s.altDaysFile = readOr(ini, kForm6, kAltDays, s.altDaysFile);
    s.tariffFile = readOr(ini, kForm6, kTariff, s.tariffFile);
    for (const StoredOption& o : kOptions)
        s.*o.value = ini.readBool(kForm6, QString::fromLatin1(o.key), s.*o.value);
    return s;
}

InterfaceSettings InterfaceSettings::readStored(const IniFile& ini)
{
    return readStored(ini, InterfaceSettings());
}

void InterfaceSettings::writeStored(IniFile& ini) const
{
    ini.writeString(kForm6, kDatabase, databasePath);
    ini.writeString(kForm6, kProgrammer, programmerFile);
    ini.writeString(kForm6, kAltDays, altDaysFile);
    ini.writeString(kForm6, kTariff, tariffFile);
    for (const StoredOption& o : kOptions)
        ini.writeBool(kForm6, QString::fromLatin1(o.key), this->*o.value);
}

void InterfaceSettings::takeMainWindowCopies(const IniFile& ini)
{
    databasePath = ini.readString(kForm1, kBaseName);
    programmerFile = ini.readString(kForm1, kProgrammer);
    altDaysFile = ini.readString(kForm1, kAltDays);
    tariffFile = ini.readString(kForm1, kTariff);
}

void InterfaceSettings::writeMainWindowCopies(IniFile& ini) const
{
    ini.writeString(kForm1, kProgrammer, programmerFile);
    ini.writeString(kForm1, kAltDays, altDaysFile);
    ini.writeString(kForm1, kTariff, tariffFile);
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
