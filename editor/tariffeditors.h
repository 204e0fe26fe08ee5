#pragma once
// The two "Расписание" editors: the tariff list of generation-03 devices and the
// time picker of the generation-04 day grids.

#include "model/configrecord.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace vyn {

QStringList hourTexts();   // "00".."23"
QStringList minuteTexts(); // "00".."59"

// The list editor over the record's TariffList. The generation-03 image holds
// nine entries, so adding stops there; a longer stored list is kept whole.
class TariffListEditor
{
public:
    static constexpr int kMaxEntries = 9;

    // Positions in the lists "Часы:", "Минуты:", "Тариф:" and "Условие:"; -1 for no match.
    struct Choice
    {
        int hour = 0;
        int minute = 0;
        int tariff = 0;
        int condition = 0;
        bool operator==(const Choice&) const = default;
    };

    explicit TariffListEditor(std::vector<TariffEntry>& list) : m_list(list) {}

    int count() const { return static_cast<int>(m_list.size()); }
    bool canAdd() const { return count() < kMaxEntries; }
    // "Изменить", "Удалить" and "Удалить все".
    bool canEdit() const { return !m_list.empty(); }

    // "Добавить": false (nothing added) when the list is full or a choice is out of range.
    bool add(const Choice& choice);
    // "Изменить": the selected entry takes the lists' values.
    bool change(int index, const Choice& choice);
    bool remove(int index);
    void removeAll() { m_list.clear(); }

    // The list positions that show an entry (selecting it loads them).
    Choice choiceOf(int index) const;
    // The row as shown: "Время" (hh:mm), "Тариф", "Условие".
    QStringList rowTexts(int index) const;

private:
    static std::optional<TariffEntry> entryOf(const Choice& choice);
    bool valid(int index) const { return index >= 0 && index < count(); }

    std::vector<TariffEntry>& m_list;
};

// The time picker "Время" of a day-grid time cell.
class TimePicker
{
public:
    // Both lists start at "00" each time the picker is shown.
    void show();
    // "Очистить": both lists' texts emptied.
    void clear();
    void setHours(const QString& text) { m_hours = text; }
    void setMinutes(const QString& text) { m_minutes = text; }
    QString hours() const { return m_hours; }
    QString minutes() const { return m_minutes; }

    // The time cell after "Готово" (done) or "Отменить": hours ":" minutes, empty
    // when either part is empty, the current text when cancelled.
    QString result(bool done, const QString& current) const;

private:
    QString m_hours = QStringLiteral("00");
    QString m_minutes = QStringLiteral("00");
};

} // namespace vyn
