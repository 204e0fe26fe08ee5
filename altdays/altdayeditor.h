#pragma once
// What the alternative-days window decides, without widgets: the two lists, the
// calendar's working date, the two weekday drop-downs, the selections, the
// button states and the file commands with their current-file rules: the current
// file is the one last opened or saved, and changes not saved yet are asked about
// before the lists are replaced or the window closes.
// The window binds its controls to this and redraws from it after every action.

#include "model/altdays.h"
#include "model/numberlocale.h"
#include "model/userdialogs.h"

#include <QDate>
#include <QList>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace vyn {

// The page index of the window's page control.
enum class AltDayPage { Alternative = 0, Holidays = 1 };

struct AltDayButtons
{
    bool add = false;
    bool remove = false;
    bool change = false;
    bool operator==(const AltDayButtons&) const = default;
};

// The two places the editor lives differ in these values only.
struct AltDayEditorSettings
{
    QString programTitle;              // caption of the failure messages
    std::function<QDate()> today;      // the clock; the year of reading a file
    std::optional<QDate> calendarStart; // none: 1 January of the current year
    QSize clientSize;
    NumberLocale locale;

    // Inside setvyn: the messages carry setvyn's title.
    static AltDayEditorSettings mainProgram(const QString& programTitle,
                                            std::function<QDate()> today = QDate::currentDate);
    static AltDayEditorSettings vynData(std::function<QDate()> today = QDate::currentDate);
};

class AltDayEditor
{
public:
    explicit AltDayEditor(AltDayEditorSettings settings);

    const AltDayEditorSettings& settings() const { return m_settings; }

    const QList<AltDay>& entries(AltDayPage page) const { return at(page).entries; }
    int selected(AltDayPage page) const { return at(page).selected; } // -1: none
    int weekday(AltDayPage page) const { return at(page).weekday; }   // drop-down index
    QDate calendarDate() const { return m_calendar; }
    QString currentFileName() const { return m_fileName; }
    // The lists differ from the current file (or nothing was saved yet).
    bool isModified() const { return m_modified; }
    // "Конструктор альтернативных дней — days.alt", an asterisk while modified.
    QString windowTitle() const;
    AltDayButtons buttons(AltDayPage page) const;

    // An entry as the list shows it: the short date and the weekday name.
    QString dateText(const AltDay& entry) const;
    static QString weekdayText(const AltDay& entry);

    // The calendar's date moved (keyboard, month arrows): the working date only.
    void setCalendarDate(const QDate& date);
    // The calendar clicked or entered: both drop-downs take the date's weekday.
    void calendarClicked(const QDate& date);
    void setWeekday(AltDayPage page, int weekday);
    void select(AltDayPage page, int row);
    // An entry clicked: it is selected, the calendar takes its date and the
    // page's drop-down its weekday.
    void entryClicked(AltDayPage page, int row);

    // The buttons of a page; false when nothing changed.
    bool add(AltDayPage page);
    bool change(AltDayPage page);
    bool remove(AltDayPage page);

    // The "Файл" menu. save and saveAs are true when the file was written.
    void open(UserDialogs& dialogs);
    bool save(UserDialogs& dialogs);
    bool saveAs(UserDialogs& dialogs);
    // Before the lists are dropped (closing, opening another file): true when
    // nothing unsaved is lost, or the user saved them or chose to drop them.
    bool confirmDiscard(UserDialogs& dialogs);

private:
    struct List
    {
        QList<AltDay> entries;
        int selected = -1;
        int weekday = 0;
    };
    List& at(AltDayPage page) { return m_lists[static_cast<std::size_t>(page)]; }
    const List& at(AltDayPage page) const { return m_lists[static_cast<std::size_t>(page)]; }

    FileChoice fileChoice(const QString& caption, const QString& start) const;
    bool writeFile(const QString& name, UserDialogs& dialogs);

    AltDayEditorSettings m_settings;
    std::array<List, 2> m_lists;
    QDate m_calendar;
    QString m_fileName; // the file last opened or saved
    bool m_modified = false;
};

} // namespace vyn
