#include "altdayeditor.h"

#include <QFileInfo>

namespace vyn {

namespace {

int weekdayOf(const QDate& date)
{
    return date.dayOfWeek() - 1; // Monday = 0 .. Sunday = 6
}

const QString kEditorTitle = QStringLiteral("Конструктор альтернативных дней");

} // namespace

AltDayEditorSettings AltDayEditorSettings::mainProgram(const QString& programTitle,
                                                       std::function<QDate()> today)
{
    return {programTitle, std::move(today), std::nullopt, QSize(591, 207), NumberLocale::system()};
}

AltDayEditorSettings AltDayEditorSettings::vynData(std::function<QDate()> today)
{
    return {kEditorTitle, std::move(today),
            QDate(2001, 7, 11), QSize(564, 184), NumberLocale::system()};
}

AltDayEditor::AltDayEditor(AltDayEditorSettings settings) : m_settings(std::move(settings))
{
    if (!m_settings.today)
        m_settings.today = QDate::currentDate;
    m_calendar = m_settings.calendarStart.value_or(QDate(m_settings.today().year(), 1, 1));
    for (List& list : m_lists)
        list.weekday = weekdayOf(m_calendar);
}

AltDayButtons AltDayEditor::buttons(AltDayPage page) const
{
    const qsizetype n = entries(page).size();
    return {n < kAltDaysPerList, n > 0, n > 0};
}

QString AltDayEditor::windowTitle() const
{
    QString title = kEditorTitle;
    if (!m_fileName.isEmpty())
        title += QStringLiteral(" — ") + QFileInfo(m_fileName).fileName();
    if (m_modified)
        title += QLatin1Char('*');
    return title;
}

QString AltDayEditor::dateText(const AltDay& entry) const
{
    return entry.date.toString(m_settings.locale.shortDateFormat());
}

QString AltDayEditor::weekdayText(const AltDay& entry)
{
    return weekdayNames().value(entry.weekday);
}

void AltDayEditor::setCalendarDate(const QDate& date)
{
    if (date.isValid())
        m_calendar = date;
}

void AltDayEditor::calendarClicked(const QDate& date)
{
    setCalendarDate(date);
    for (List& list : m_lists)
        list.weekday = weekdayOf(m_calendar);
}

void AltDayEditor::setWeekday(AltDayPage page, int weekday)
{
    if (weekday >= 0 && weekday < weekdayNames().size())
        at(page).weekday = weekday;
}

void AltDayEditor::select(AltDayPage page, int row)
{
    List& list = at(page);
    list.selected = row >= 0 && row < list.entries.size() ? row : -1;
}

void AltDayEditor::entryClicked(AltDayPage page, int row)
{
    select(page, row);
    List& list = at(page);
    if (list.selected < 0)
        return;
    const AltDay& entry = list.entries.at(list.selected);
    m_calendar = entry.date;
    list.weekday = entry.weekday;
}

bool AltDayEditor::add(AltDayPage page)
{
    List& list = at(page);
    if (list.entries.size() >= kAltDaysPerList)
        return false;
    list.entries.append({m_calendar, list.weekday});
    m_modified = true;
    return true;
}

bool AltDayEditor::change(AltDayPage page)
{
    List& list = at(page);
    if (list.selected < 0)
        return false;
    list.entries[list.selected] = {m_calendar, list.weekday};
    m_modified = true;
    return true;
}

bool AltDayEditor::remove(AltDayPage page)
{
    List& list = at(page);
    if (list.selected < 0)
        return false;
    list.entries.removeAt(list.selected);
    list.selected = -1;
    m_modified = true;
    return true;
}

FileChoice AltDayEditor::fileChoice(const QString& caption, const QString& start) const
{
    return {caption, start, qtFileFilter(QStringLiteral("Файл альтернативных дней(*.alt)|*.alt")),
            QStringLiteral("alt")};
}

bool AltDayEditor::confirmDiscard(UserDialogs& dialogs)
{
    if (!m_modified)
        return true;
    const QString question =
        m_fileName.isEmpty()
            ? QStringLiteral("Списки дней изменены и не сохранены.\nСохранить их в файл?")
            : QStringLiteral("Списки дней изменены.\nСохранить изменения в файле «%1»?")
                  .arg(QFileInfo(m_fileName).fileName());
    if (!dialogs.ask(question, m_settings.programTitle, true))
        return true;
    return save(dialogs);
}

void AltDayEditor::open(UserDialogs& dialogs)
{
    if (!confirmDiscard(dialogs))
        return;
    const QString name = dialogs.chooseOpenFile(fileChoice(QStringLiteral("Открыть"), m_fileName));
    if (name.isEmpty())
        return;
    AltDaysLists read;
    try {
        read = readAltDaysFile(name, m_settings.today().year());
    } catch (const AltDaysFileError& e) {
        // The lists are kept: a file that cannot be read must not cost the
        // entries not saved yet.
        dialogs.inform(e.message(), m_settings.programTitle, MessageKind::Error);
        return;
    }
    // Every entry goes in through the calendar and the page's drop-down, so
    // they show the last entry read. Nothing is selected: the buttons act on
    // what the user picks next.
    const std::array<const QList<AltDay>*, 2> lists{&read.alternative, &read.holidays};
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        List& list = m_lists[i];
        list.entries.clear();
        list.selected = -1;
        for (const AltDay& entry : *lists[i]) {
            if (list.entries.size() >= kAltDaysPerList)
                break;
            m_calendar = entry.date;
            list.weekday = entry.weekday;
            list.entries.append(entry);
        }
    }
    // "Сохранить" now writes back to the file just opened.
    m_fileName = name;
    m_modified = false;
}

bool AltDayEditor::save(UserDialogs& dialogs)
{
    if (m_fileName.isEmpty())
        return saveAs(dialogs);
    return writeFile(m_fileName, dialogs);
}

bool AltDayEditor::saveAs(UserDialogs& dialogs)
{
    const QString name =
        dialogs.chooseSaveFile(fileChoice(QStringLiteral("Сохранить как"), m_fileName));
    if (name.isEmpty())
        return false;
    return writeFile(name, dialogs);
}

bool AltDayEditor::writeFile(const QString& name, UserDialogs& dialogs)
{
    // Each used entry is visited as a click while the record is built, so the
    // last one of each list ends selected and the calendar shows the last of all.
    for (List& list : m_lists) {
        if (list.entries.isEmpty())
            continue;
        list.selected = static_cast<int>(list.entries.size()) - 1;
        m_calendar = list.entries.last().date;
        list.weekday = list.entries.last().weekday;
    }
    try {
        writeAltDaysFile(name, entries(AltDayPage::Alternative), entries(AltDayPage::Holidays));
    } catch (const AltDaysFileError& e) {
        dialogs.inform(e.message(), m_settings.programTitle, MessageKind::Error);
        return false;
    }
    // A file that could not be written does not become the current one.
    m_fileName = name;
    m_modified = false;
    return true;
}

} // namespace vyn
