#pragma once
// The one current configuration of a calculator. Plain data: general values, the
// three channel tables of text cells and the tariff schedules. Everything that
// decides something about it is a free function (here and in systems.h).

#include "channeltable.h"
#include "numberlocale.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace vyn {

enum class TableKind { Flow, Thermo, Pressure };

namespace FlowCol {
enum : int { Designation = 0, Type = 1, Du = 2, Fnom = 3, Fimp = 4, Fmin = 5, Fmax = 6,
             Serial = 7, Source = 8, Archive = 9, System = 10, Count = 11 };
}
namespace ThermoCol {
enum : int { Designation = 0, Type = 1, R0 = 2, W = 3, Klass = 4, Length = 5, Serial = 6,
             TMin = 7, TMax = 8, Pressure = 9, System = 10, Count = 11 };
}
namespace PressureCol {
enum : int { Designation = 0, Type = 1, PMin = 2, PMax = 3, Serial = 4, System = 5, Count = 6 };
}

enum class AdapterKind { None = -1, Connected = 0, ModBus = 1, ModBusModem = 2 };
enum class ArchiveMode { None = -1, MonthClear = 0, GrowTotal = 1 };
enum class ManUsing { None = -1, No = 0, Possibility = 1, Always = 2 };

// Stored words of the enumerations ("connected", "monthclear", "no", ...).
QString adapterKindKey(AdapterKind kind);
AdapterKind adapterKindFromKey(const QString& key);
QString archiveModeKey(ArchiveMode mode);
ArchiveMode archiveModeFromKey(const QString& key);
QString manUsingKey(ManUsing use);
ManUsing manUsingFromKey(const QString& key);

// Season start: day and month, no year (the year 2000 where a date is needed).
struct DayMonth
{
    int day = 15;
    int month = 5;
    bool operator==(const DayMonth&) const = default;
};

// One entry of the generation-03 tariff list.
struct TariffEntry
{
    int hour = 0;       // 0..23
    int minute = 0;     // 0..59
    QString tariff;     // "C1", "C2", "C3"
    int condition = 0;  // index into tariffConditions()
    bool operator==(const TariffEntry&) const = default;
};

// One editable entry of a generation-04 day schedule; an empty time is unused.
struct DayEntry
{
    QString time;   // "hh:mm"
    QString tariff; // "C1".."C3"
    bool operator==(const DayEntry&) const = default;
};

// The fixed first entry 00:00 "C1" is implied and not held here.
using DaySchedule = std::array<DayEntry, 6>;

enum DayKind : int { WorkDays = 0, Saturdays = 1, Sundays = 2 };

struct ConfigRecord
{
    QString SNUM = QStringLiteral("12345678");
    QString TYPE_VYN = QStringLiteral("04");
    QString CXEMA = QStringLiteral("10");
    bool PITVYN = false;
    int DSTART = 1; // 1..28; 0 = nothing selected
    DayMonth DATEL;
    DayMonth DATEZ;
    QString TXIZ = QStringLiteral("5,0");
    QString TXIL = QStringLiteral("5,0");
    AdapterKind adapterType = AdapterKind::Connected;
    int networkAddress = 1; // 1..240
    QString OutImpMass = QStringLiteral("1,0");
    ArchiveMode archiveMode = ArchiveMode::MonthClear;
    bool tempDiffControl = true;
    bool EnergyControl = false;
    bool LigthSet = false;
    ManUsing manUsingType = ManUsing::No;

    ChannelTable FlowTable;
    ChannelTable ThermoTable;
    ChannelTable PressureTable;

    bool ColdSourceFlag = false;
    bool HasElecSystem = false;
    int ElecSystemNumber = 0;

    std::vector<TariffEntry> TariffList;
    std::array<DaySchedule, 3> daySchedules{}; // WorkDayTime, SubbDayTarif, SunDayTarif

    ConfigRecord();

    ChannelTable& table(TableKind kind);
    const ChannelTable& table(TableKind kind) const;

    QChar firstDigit() const { return CXEMA.size() > 0 ? CXEMA.at(0) : QChar(); }
    QChar secondDigit() const { return CXEMA.size() > 1 ? CXEMA.at(1) : QChar(); }
    void setFirstDigit(QChar d);
    void setSecondDigit(QChar d);

    bool operator==(const ConfigRecord&) const = default;
};

// Column captions of the three tables (row 0).
QStringList flowCaptions();
QStringList thermoCaptions();
QStringList pressureCaptions();

// "С1", "С1+С'", "C1+C2", "C1+C2+C'", "C1+C2+C3" (the first two with Cyrillic С).
const QStringList& tariffZoneTypes();
// "В рабочие, субботу и воскресенье", "В рабочие и в субботу", "В рабочие".
const QStringList& tariffConditions();
// "C1", "C2", "C3".
const QStringList& tariffNames();
// "C1" 1, "C2" 2, "C3" 3, any other text 3.
int getTarifNumberFromString(const QString& text);

// --- cell helpers -------------------------------------------------------------

// The part before the first blank when it is a number, else the whole text.
QString GetStrOld(const QString& text, const NumberLocale& locale);
// The first '.' and ',' become the separator, then converted; -1 when not a number.
double ParseDecimal(const QString& text, const NumberLocale& locale);
// Number read from a cell: GetStrOld, then the locale conversion.
std::optional<double> cellNumber(const QString& text, const NumberLocale& locale);
// Unit suffix of a column (" мм", " МПа", ...), empty when the column has none.
QString unitSuffix(TableKind kind, int column, bool electricityRow);
// Stores a value: a number without blanks in a column with a unit gets the suffix.
void SetValueGrid(ConfigRecord& rec, TableKind kind, int row, const QString& text, int column,
                  const NumberLocale& locale);
// First flow row (from 1) whose designation is exactly "C", or -1.
int FindElecLine(const ConfigRecord& rec);
// Bare values of flow columns 1..n of a row joined with "|".
QString GetResultStr(const ConfigRecord& rec, int row, int n, const NumberLocale& locale);
// The 5th character of the serial number as a digit; none when missing or not a digit.
std::optional<int> HardwareVariant(const ConfigRecord& rec);

// Electricity values derived from the "C" row.
bool typeElect(const ConfigRecord& rec);
// Position of the "C" row's zone text in tariffZoneTypes(), or -1.
int tariffZoneIndex(const ConfigRecord& rec);

} // namespace vyn
