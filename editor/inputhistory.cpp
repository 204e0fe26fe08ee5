#include "editor/inputhistory.h"

#include "model/settingskeys.h"

namespace vyn {

namespace {

namespace keys = settingskeys::inputHistory;

QString timesSection(int day) { return QLatin1String(keys::kDayNames[day]) + keys::kTimesSuffix; }
QString tarifSection(int day) { return QLatin1String(keys::kDayNames[day]) + keys::kTariffSuffix; }

} // namespace

InputHistory::InputHistory(const QString& path) : m_file(path) {}

std::optional<int> InputHistory::position(const QString& section, const QString& key) const
{
    bool ok = false;
    const int n = m_file.readString(section, key).toInt(&ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}

bool InputHistory::setPosition(const QString& section, const QString& key, int position)
{
    m_file.writeInteger(section, key, position);
    return m_file.saveChanges();
}

std::optional<int> InputHistory::flowPosition(const QString& section) const
{
    return position(section, keys::kLastSelect);
}

bool InputHistory::setFlowPosition(const QString& section, int position)
{
    return setPosition(section, keys::kLastSelect, position);
}

std::optional<int> InputHistory::thermoPosition(const QString& type, int column) const
{
    return position(type, keys::kLastSelectOfColumn + QString::number(column));
}

bool InputHistory::setThermoPosition(const QString& type, int column, int position)
{
    return setPosition(type, keys::kLastSelectOfColumn + QString::number(column), position);
}

std::array<DaySchedule, 3> InputHistory::daySchedules() const
{
    std::array<DaySchedule, 3> out{};
    for (int d = 0; d < 3; ++d)
        for (int i = 0; i < 6; ++i) {
            DayEntry& e = out[static_cast<std::size_t>(d)][static_cast<std::size_t>(i)];
            const QString key = QString::number(i + 1);
            e.time = m_file.readString(timesSection(d), key);
            e.tariff = m_file.readString(tarifSection(d), key);
        }
    return out;
}

bool InputHistory::storeDaySchedules(const std::array<DaySchedule, 3>& schedules)
{
    for (int d = 0; d < 3; ++d)
        for (int i = 0; i < 6; ++i) {
            const DayEntry& e = schedules[static_cast<std::size_t>(d)][static_cast<std::size_t>(i)];
            const QString key = QString::number(i + 1);
            m_file.writeString(timesSection(d), key, e.time);
            m_file.writeString(tarifSection(d), key, e.tariff);
        }
    return m_file.saveChanges();
}

} // namespace vyn
