#include "editor/tariffeditors.h"

namespace vyn {

namespace {

QStringList twoDigitTexts(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return out;
}

int positionOf(const QStringList& list, const QString& text)
{
    const QString t = text.trimmed();
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.at(i).trimmed().compare(t, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

bool inRange(int i, const QStringList& list) { return i >= 0 && i < list.size(); }

} // namespace

QStringList hourTexts() { return twoDigitTexts(24); }
QStringList minuteTexts() { return twoDigitTexts(60); }

std::optional<TariffEntry> TariffListEditor::entryOf(const Choice& c)
{
    if (!inRange(c.hour, hourTexts()) || !inRange(c.minute, minuteTexts()) ||
        !inRange(c.tariff, tariffNames()) || !inRange(c.condition, tariffConditions()))
        return std::nullopt;
    return TariffEntry{c.hour, c.minute, tariffNames().at(c.tariff), c.condition};
}

bool TariffListEditor::add(const Choice& choice)
{
    const std::optional<TariffEntry> e = entryOf(choice);
    if (!canAdd() || !e)
        return false;
    m_list.push_back(*e);
    return true;
}

bool TariffListEditor::change(int index, const Choice& choice)
{
    const std::optional<TariffEntry> e = entryOf(choice);
    if (!valid(index) || !e)
        return false;
    m_list[static_cast<std::size_t>(index)] = *e;
    return true;
}

bool TariffListEditor::remove(int index)
{
    if (!valid(index))
        return false;
    m_list.erase(m_list.begin() + index);
    return true;
}

QStringList TariffListEditor::rowTexts(int index) const
{
    if (!valid(index))
        return {};
    const TariffEntry& e = m_list[static_cast<std::size_t>(index)];
    const QString condition = e.condition >= 0 && e.condition < tariffConditions().size()
                                  ? tariffConditions().at(e.condition)
                                  : QString();
    return {QStringLiteral("%1:%2").arg(e.hour, 2, 10, QLatin1Char('0')).arg(e.minute, 2, 10, QLatin1Char('0')),
            e.tariff, condition};
}

TariffListEditor::Choice TariffListEditor::choiceOf(int index) const
{
    const QStringList row = rowTexts(index);
    if (row.isEmpty())
        return {-1, -1, -1, -1};
    const QStringList time = row.at(0).split(QLatin1Char(':'));
    return {positionOf(hourTexts(), time.value(0)), positionOf(minuteTexts(), time.value(1)),
            positionOf(tariffNames(), row.at(1)), positionOf(tariffConditions(), row.at(2))};
}

void TimePicker::show()
{
    m_hours = QStringLiteral("00");
    m_minutes = QStringLiteral("00");
}

void TimePicker::clear()
{
    m_hours.clear();
    m_minutes.clear();
}

QString TimePicker::result(bool done, const QString& current) const
{
    if (!done)
        return current;
    if (m_hours.isEmpty() || m_minutes.isEmpty())
        return QString();
    return m_hours + QLatin1Char(':') + m_minutes;
}

} // namespace vyn
