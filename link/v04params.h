#pragma once
// The parameter writes that configure a generation-04 calculator, computed from
// the record alone; the communicator only sends them.

#include "model/configrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vyn {

// One parameter write: function 3, data = prefix + value.
struct ParameterWrite
{
    std::array<std::uint8_t, 7> prefix{};
    QByteArray value;
    int pauseAfterMs = 0; // a wait the calculator needs after this write

    QByteArray requestData() const;
    bool operator==(const ParameterWrite&) const = default;
};

struct V04WriteInputs
{
    int deviceVersion = 4;
    // The 62 bytes of the alternative-days file; empty when no file is configured.
    QByteArray altDays;
    bool noDaylightSaving = true;  // "Не осуществлять перевод на зимнее/летнее время"
    bool minFlowControl = false;   // "Устанавить в приборе контроль минимального значения расхода"
    QDateTime now;
    NumberLocale locale;
};

// Reads the alternative-days file for the write. An empty path (no file chosen)
// gives no entries; a file that cannot be read raises EComunicatorExcept with
// "Файл <name>не может быть открыт". A short file counts only the entries it
// holds, and no count exceeds 15.
QByteArray readAltDaysForWrite(const QString& path);

// Raises EComunicatorExcept naming the first numeric cell of the record that does
// not read as a number: such a cell would reach the calculator as 0.
void refuseUnreadableNumbers(const ConfigRecord& rec, const NumberLocale& locale);

// The writes in the calculator's order (after refuseUnreadableNumbers). The record must be numbered
// (numberSystems) first. A thermometer limit, report day or tariff time that is not
// an integer raises EComunicatorExcept.
std::vector<ParameterWrite> buildV04ParameterWrites(const ConfigRecord& rec,
                                                    const V04WriteInputs& in);

// Pressure in MPa as the calculator's word: hundredths of kgf/cm² up to version 4,
// tenths of kPa from version 5. Halves round to even.
std::uint16_t pressureCode(const QString& cell, int deviceVersion, const NumberLocale& locale);

} // namespace vyn
