#pragma once
// The measurement systems derived from the scheme code: table shapes, designations,
// system numbers and the per-system questions of the newer devices.

#include "configrecord.h"

#include <QChar>
#include <QStringList>
#include <array>
#include <cstdint>

namespace vyn {

// Numeric value of a scheme digit: "A" is 9, "b" is 11 (or 10 where asked); -1 otherwise.
int schemeDigitValue(QChar digit, bool bAsTen = false);

// First digits the editor offers, and the second digits for a type and first digit.
QStringList firstSchemeDigits();
QStringList offeredSecondDigits(const QString& type, QChar firstDigit,
                                std::optional<int> hardwareVariant);

// Flow channel rows for the record's type and hardware variant.
int flowRowsForType(const QString& type, std::optional<int> hardwareVariant);

// Type-dependent shape: flow row count, "05" fixed to "66", second digit reselected
// from the offered list (kept when still offered, else the first entry).
void applyTypeShape(ConfigRecord& rec);

// Fills designations of both system positions from the scheme (flow column 0 must
// already be clear), adds the extra rows and default contract pressures.
void fillSystemDesignations(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale);

// Clears every channel cell of the three tables and the flow designations, then
// fills the designations of both positions.
void rebuildShape(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale);

// Rebuilds the designations of the scheme without touching other cells (editor,
// after a designation change in the flow table); contract pressures stay as entered.
void rebuildDesignations(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale);

// Applies the EnergyControl rule: only allowed with DeviceVersion 4+ and a "5" digit.
bool energyControlAllowed(const ConfigRecord& rec, int deviceVersion);
void applyEnergyControlRule(ConfigRecord& rec, int deviceVersion);

// Starts a new configuration for the identified calculator.
void resetToNewConfiguration(ConfigRecord& rec, const QString& serial, const QString& type,
                             int deviceGeneration, int deviceVersion, const NumberLocale& locale);

// System numbers of one table; numberSystems() clears HasElecSystem and numbers
// the flow, thermometer and pressure tables in that order.
void setSystemsNumber(ConfigRecord& rec, TableKind kind);
void numberSystems(ConfigRecord& rec);

bool getSystemUse(const ConfigRecord& rec, int n);
bool getSystemElec(const ConfigRecord& rec, int n);
bool getSystemEen(const ConfigRecord& rec, int n);
bool getSystemGen(const ConfigRecord& rec, int n);
bool getSystemMen(const ConfigRecord& rec, int n);
bool getSystemOutE(const ConfigRecord& rec, int n);
bool getSystemPen(const ConfigRecord& rec, int n);
bool getSystemTen(const ConfigRecord& rec, int n);

// Six system type codes of the newer devices.
std::array<std::uint8_t, 6> setInitArray(const ConfigRecord& rec);

} // namespace vyn
