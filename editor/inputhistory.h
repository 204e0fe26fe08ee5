#pragma once
// The editor's input history, hist.ini: the last list positions chosen in the
// flow and thermometer tables and the last day schedules. Every change is
// written through at once, as the profile routines it was written with did.

#include "model/configrecord.h"
#include "model/inifile.h"

#include <QString>
#include <array>
#include <optional>

namespace vyn {

class InputHistory
{
public:
    InputHistory() = default;
    explicit InputHistory(const QString& path);

    QString path() const { return m_file.path(); }

    // Position stored under (flow section, "LastSelect"); none when missing or not a number.
    std::optional<int> flowPosition(const QString& section) const;
    bool setFlowPosition(const QString& section, int position);

    // Position stored under (thermometer type, "LastSelect_" + column).
    std::optional<int> thermoPosition(const QString& type, int column) const;
    bool setThermoPosition(const QString& type, int column, int position);

    // Sections WorkDay/SubbDay/SunDay + Times/Tarif, keys "1".."6".
    std::array<DaySchedule, 3> daySchedules() const;
    bool storeDaySchedules(const std::array<DaySchedule, 3>& schedules);

private:
    std::optional<int> position(const QString& section, const QString& key) const;
    bool setPosition(const QString& section, const QString& key, int position);

    IniFile m_file;
};

} // namespace vyn
