#include "altdays/altdayeditor.h"
#include "tests/common/fakedialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;
using vyn::test::FakeDialogs;

namespace vyn {
void PrintTo(const AltDay& e, std::ostream* os)
{
    *os << e.date.toString(Qt::ISODate).toStdString() << '/' << e.weekday;
}
void PrintTo(const AltDayButtons& b, std::ostream* os)
{
    *os << "add " << b.add << " remove " << b.remove << " change " << b.change;
}
} // namespace vyn

namespace {

constexpr auto kAlt = AltDayPage::Alternative;
constexpr auto kHol = AltDayPage::Holidays;

// 2026: 1 January a Thursday, 7 May a Thursday, 9 May a Saturday, 10 May a Sunday.
class Editor : public ::testing::Test
{
protected:
    AltDayEditorSettings settings(bool vynData = false)
    {
        auto clock = [this] { return m_today; };
        AltDayEditorSettings s = vynData ? AltDayEditorSettings::vynData(clock)
                                         : AltDayEditorSettings::mainProgram(
                                               QStringLiteral("Конфигуратор Vyn"), clock);
        s.locale = NumberLocale(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
        return s;
    }

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QByteArray bytesOf(const QString& file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // An entry made the way the user makes one.
    static void addEntry(AltDayEditor& e, AltDayPage page, QDate date, int weekday)
    {
        e.calendarClicked(date);
        e.setWeekday(page, weekday);
        ASSERT_TRUE(e.add(page));
    }

    QDate m_today{2026, 3, 15};
    QTemporaryDir m_dir;
    FakeDialogs m_user;
};

TEST_F(Editor, StartsOnFirstJanuaryInSetvynAndOnElevenJulyTwoThousandOneInVynData)
{
    const AltDayEditor setvyn(settings());
    EXPECT_EQ(setvyn.calendarDate(), QDate(2026, 1, 1));
    EXPECT_EQ(setvyn.weekday(kAlt), 3); // Thursday
    EXPECT_EQ(setvyn.weekday(kHol), 3);
    EXPECT_EQ(setvyn.settings().clientSize, QSize(591, 207));
    EXPECT_TRUE(setvyn.currentFileName().isEmpty());

    const AltDayEditor vynData(settings(true));
    EXPECT_EQ(vynData.calendarDate(), QDate(2001, 7, 11));
    EXPECT_EQ(vynData.weekday(kAlt), 2); // Wednesday
    EXPECT_EQ(vynData.settings().clientSize, QSize(564, 184));
    EXPECT_EQ(vynData.settings().programTitle, QStringLiteral("Конструктор альтернативных дней"));
}

TEST_F(Editor, AddIsDisabledAtFifteenEntriesAndRemoveAndChangeNeedOne)
{
    AltDayEditor e(settings());
    EXPECT_EQ(e.buttons(kHol), (AltDayButtons{true, false, false}));
    for (int i = 1; i <= 15; ++i) {
        addEntry(e, kHol, QDate(2026, 1, i), 0);
        EXPECT_EQ(e.buttons(kHol), (AltDayButtons{i < 15, true, true})) << i << " entries";
    }
    EXPECT_FALSE(e.add(kHol));
    EXPECT_EQ(e.entries(kHol).size(), 15);
    // The other list has its own limit.
    EXPECT_EQ(e.buttons(kAlt), (AltDayButtons{true, false, false}));

    e.select(kHol, 3);
    ASSERT_TRUE(e.remove(kHol));
    EXPECT_EQ(e.buttons(kHol), (AltDayButtons{true, true, true}));
    EXPECT_EQ(e.entries(kHol).at(3).date, QDate(2026, 1, 5));
    EXPECT_EQ(e.selected(kHol), -1);
    EXPECT_FALSE(e.remove(kHol)); // nothing selected any more
}

TEST_F(Editor, AnEntryTakesTheCalendarDateAndThePagesOwnDropDown)
{
    AltDayEditor e(settings());
    e.calendarClicked(QDate(2026, 5, 7));
    e.setWeekday(kAlt, 5);
    ASSERT_TRUE(e.add(kAlt));
    ASSERT_TRUE(e.add(kHol)); // the holidays drop-down still shows the date's Thursday
    EXPECT_EQ(e.entries(kAlt), (QList<AltDay>{{QDate(2026, 5, 7), 5}}));
    EXPECT_EQ(e.entries(kHol), (QList<AltDay>{{QDate(2026, 5, 7), 3}}));
    EXPECT_EQ(e.dateText(e.entries(kAlt).at(0)), QStringLiteral("07.05.2026"));
    EXPECT_EQ(AltDayEditor::weekdayText(e.entries(kAlt).at(0)), QStringLiteral("Суббота"));
}

TEST_F(Editor, CalendarSundaySelectsVoskresenyeInBothDropDowns)
{
    AltDayEditor e(settings());
    e.setWeekday(kAlt, 1);
    e.calendarClicked(QDate(2026, 5, 10));
    EXPECT_EQ(e.weekday(kAlt), 6);
    EXPECT_EQ(e.weekday(kHol), 6);
    // Moving the calendar without a click keeps the drop-downs.
    e.setCalendarDate(QDate(2026, 5, 11));
    EXPECT_EQ(e.calendarDate(), QDate(2026, 5, 11));
    EXPECT_EQ(e.weekday(kAlt), 6);
}

TEST_F(Editor, ClickingAnEntryMovesTheCalendarAndOnlyItsPagesDropDown)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    e.calendarClicked(QDate(2026, 2, 2)); // Monday
    e.entryClicked(kAlt, 0);
    EXPECT_EQ(e.calendarDate(), QDate(2026, 5, 7));
    EXPECT_EQ(e.weekday(kAlt), 5);
    EXPECT_EQ(e.weekday(kHol), 0);
    EXPECT_EQ(e.selected(kAlt), 0);
}

TEST_F(Editor, ChangeActsOnTheSelectedEntryOfItsOwnPage)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    addEntry(e, kHol, QDate(2026, 1, 7), 2);
    e.select(kAlt, 0);
    e.select(kHol, 0);
    e.calendarClicked(QDate(2026, 5, 9));
    ASSERT_TRUE(e.change(kHol));
    EXPECT_EQ(e.entries(kHol), (QList<AltDay>{{QDate(2026, 5, 9), 5}}));
    EXPECT_EQ(e.entries(kAlt), (QList<AltDay>{{QDate(2026, 5, 7), 5}}));

    e.select(kHol, -1);
    EXPECT_FALSE(e.change(kHol));
}

TEST_F(Editor, FirstSaveAsksForANameWithTheAltFilterThenSavesWithoutAsking)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);

    e.save(m_user); // cancelled
    ASSERT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).size(), 1);
    const FileChoice choice = m_user.shown.at(0).file;
    EXPECT_EQ(choice.filter, QStringLiteral("Файл альтернативных дней(*.alt)"));
    EXPECT_EQ(choice.defaultSuffix, QStringLiteral("alt"));
    EXPECT_TRUE(e.currentFileName().isEmpty());

    m_user.saveFiles.enqueue(path("a.alt"));
    e.save(m_user);
    EXPECT_EQ(e.currentFileName(), path("a.alt"));
    EXPECT_EQ(bytesOf(path("a.alt")).mid(0, 4), QByteArray::fromHex("01000785"));

    addEntry(e, kHol, QDate(2026, 5, 9), 5);
    e.save(m_user);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).size(), 2);
    const QByteArray bytes = bytesOf(path("a.alt"));
    ASSERT_EQ(bytes.size(), 62);
    EXPECT_EQ(bytes.mid(0, 4), QByteArray::fromHex("01010785"));
    EXPECT_EQ(bytes.mid(32, 2), QByteArray::fromHex("0905")); // a holiday is a working day

    // Save as always asks; cancelling keeps the name.
    e.saveAs(m_user);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).size(), 3);
    EXPECT_EQ(e.currentFileName(), path("a.alt"));
    m_user.saveFiles.enqueue(path("b.alt"));
    e.saveAs(m_user);
    EXPECT_EQ(e.currentFileName(), path("b.alt"));
    EXPECT_EQ(bytesOf(path("b.alt")), bytes);
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(Editor, SaveLeavesTheLastEntriesSelectedAndTheCalendarOnTheLastHoliday)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    addEntry(e, kAlt, QDate(2026, 11, 7), 6);
    addEntry(e, kHol, QDate(2026, 1, 7), 0);
    addEntry(e, kHol, QDate(2026, 3, 8), 0);
    e.calendarClicked(QDate(2026, 12, 31));
    m_user.saveFiles.enqueue(path("a.alt"));
    e.save(m_user);
    EXPECT_EQ(e.selected(kAlt), 1);
    EXPECT_EQ(e.selected(kHol), 1);
    EXPECT_EQ(e.weekday(kAlt), 6);
    EXPECT_EQ(e.weekday(kHol), 0);
    EXPECT_EQ(e.calendarDate(), QDate(2026, 3, 8));

    AltDayEditor onlyAlternative(settings());
    addEntry(onlyAlternative, kAlt, QDate(2026, 5, 7), 5);
    onlyAlternative.calendarClicked(QDate(2026, 12, 31));
    m_user.saveFiles.enqueue(path("b.alt"));
    onlyAlternative.save(m_user);
    EXPECT_EQ(onlyAlternative.calendarDate(), QDate(2026, 5, 7));
}

TEST_F(Editor, OpenReadsIntoTheCurrentYearAndAWeekendHolidayBecomesMonday)
{
    AltDayEditor writer(settings(true)); // VynData's calendar: 2001
    addEntry(writer, kAlt, QDate(2001, 5, 7), 5);
    addEntry(writer, kHol, QDate(2001, 5, 12), 5); // a Saturday
    m_user.saveFiles.enqueue(path("days.alt"));
    writer.save(m_user);

    m_today = QDate(2026, 3, 15);
    AltDayEditor reader(settings(true));
    addEntry(reader, kAlt, QDate(2001, 1, 1), 0); // replaced by the file
    m_user.answers.enqueue(false);
    m_user.openFiles.enqueue(path("days.alt"));
    reader.open(m_user);
    EXPECT_EQ(reader.entries(kAlt), (QList<AltDay>{{QDate(2026, 5, 7), 5}}));
    // 12 May 2026 is a Tuesday; the Saturday of 2001 was saved as a working day.
    EXPECT_EQ(reader.entries(kHol), (QList<AltDay>{{QDate(2026, 5, 12), 1}}));
    EXPECT_EQ(reader.calendarDate(), QDate(2026, 5, 12));
    EXPECT_EQ(reader.weekday(kAlt), 5);
    EXPECT_EQ(reader.selected(kAlt), -1);

    // 9 May 2026 is a Saturday: without a day kind it reads as Monday.
    AltDayEditor sameYear(settings());
    addEntry(sameYear, kHol, QDate(2026, 5, 9), 5);
    m_user.saveFiles.enqueue(path("may.alt"));
    sameYear.save(m_user);
    m_user.openFiles.enqueue(path("may.alt"));
    sameYear.open(m_user);
    EXPECT_EQ(sameYear.entries(kHol), (QList<AltDay>{{QDate(2026, 5, 9), 0}}));
    EXPECT_EQ(AltDayEditor::weekdayText(sameYear.entries(kHol).at(0)), QStringLiteral("Понедельник"));
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(Editor, SaveAfterOpenWritesTheOpenedFileAndNotTheLastSavedOne)
{
    AltDayEditor e(settings());
    addEntry(e, kHol, QDate(2026, 1, 7), 2);
    m_user.saveFiles.enqueue(path("saved.alt"));
    ASSERT_TRUE(e.save(m_user));
    const QByteArray saved = bytesOf(path("saved.alt"));
    {
        AltDayEditor writer(settings());
        addEntry(writer, kAlt, QDate(2026, 5, 7), 5);
        m_user.saveFiles.enqueue(path("opened.alt"));
        ASSERT_TRUE(writer.save(m_user));
    }

    m_user.shown.clear();
    m_user.openFiles.enqueue(path("opened.alt"));
    e.open(m_user);
    EXPECT_EQ(e.currentFileName(), path("opened.alt"));
    EXPECT_TRUE(m_user.of(FakeDialogs::Kind::Ask).isEmpty()); // nothing was unsaved
    addEntry(e, kHol, QDate(2026, 3, 8), 0);
    EXPECT_TRUE(e.save(m_user));
    EXPECT_TRUE(m_user.of(FakeDialogs::Kind::SaveFile).isEmpty());
    EXPECT_EQ(bytesOf(path("saved.alt")), saved);
    EXPECT_EQ(bytesOf(path("opened.alt")).mid(0, 4), QByteArray::fromHex("01010785"));
    EXPECT_EQ(bytesOf(path("opened.alt")).mid(32, 2), QByteArray::fromHex("0803"));

    // The save dialog starts at the current file.
    e.saveAs(m_user);
    ASSERT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).size(), 1);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).at(0).file.directory, path("opened.alt"));
}

TEST_F(Editor, TitleNamesTheCurrentFileWithAnAsteriskWhileModified)
{
    AltDayEditor e(settings());
    const QString base = QStringLiteral("Конструктор альтернативных дней");
    EXPECT_EQ(e.windowTitle(), base);
    addEntry(e, kHol, QDate(2026, 1, 7), 2);
    EXPECT_EQ(e.windowTitle(), base + QStringLiteral("*"));
    m_user.saveFiles.enqueue(path("days.alt"));
    e.save(m_user);
    EXPECT_EQ(e.windowTitle(), base + QStringLiteral(" — days.alt"));
    EXPECT_FALSE(e.isModified());

    // Every change of a list marks it; a failed write keeps the mark and the name.
    e.entryClicked(kHol, 0);
    ASSERT_TRUE(e.change(kHol));
    EXPECT_EQ(e.windowTitle(), base + QStringLiteral(" — days.alt*"));
    e.save(m_user);
    e.entryClicked(kHol, 0);
    ASSERT_TRUE(e.remove(kHol));
    EXPECT_TRUE(e.isModified());
    m_user.saveFiles.enqueue(path("no-such-dir/other.alt"));
    EXPECT_FALSE(e.saveAs(m_user));
    EXPECT_EQ(e.windowTitle(), base + QStringLiteral(" — days.alt*"));
    EXPECT_EQ(e.currentFileName(), path("days.alt"));

    m_user.answers.enqueue(false); // drop the change
    m_user.openFiles.enqueue(path("days.alt"));
    e.open(m_user);
    EXPECT_EQ(e.windowTitle(), base + QStringLiteral(" — days.alt"));
}

TEST_F(Editor, UnsavedListsAreAskedAboutBeforeTheyAreDropped)
{
    AltDayEditor e(settings());
    EXPECT_TRUE(e.confirmDiscard(m_user)); // nothing to lose: no question
    EXPECT_TRUE(m_user.shown.isEmpty());

    // Never saved: "Да" asks for a name; cancelling it keeps the window.
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    m_user.answers.enqueue(true);
    EXPECT_FALSE(e.confirmDiscard(m_user));
    ASSERT_EQ(m_user.of(FakeDialogs::Kind::Ask).size(), 1);
    const FakeDialogs::Shown question = m_user.of(FakeDialogs::Kind::Ask).at(0);
    EXPECT_EQ(question.text, QStringLiteral("Списки дней изменены и не сохранены.\nСохранить их в файл?"));
    EXPECT_EQ(question.caption, QStringLiteral("Конфигуратор Vyn"));
    EXPECT_TRUE(question.defaultYes);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::SaveFile).size(), 1);

    m_user.answers.enqueue(true);
    m_user.saveFiles.enqueue(path("days.alt"));
    EXPECT_TRUE(e.confirmDiscard(m_user));
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 4), QByteArray::fromHex("01000785"));

    // A known file: "Да" writes there; "Нет" drops the change unwritten.
    addEntry(e, kHol, QDate(2026, 1, 7), 2);
    m_user.shown.clear();
    m_user.answers.enqueue(false);
    EXPECT_TRUE(e.confirmDiscard(m_user));
    EXPECT_EQ(m_user.shown.at(0).text,
              QStringLiteral("Списки дней изменены.\nСохранить изменения в файле «days.alt»?"));
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 2), QByteArray::fromHex("0100"));
    m_user.answers.enqueue(true);
    EXPECT_TRUE(e.confirmDiscard(m_user));
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 2), QByteArray::fromHex("0101"));
    EXPECT_TRUE(m_user.of(FakeDialogs::Kind::SaveFile).isEmpty());

    // Opening another file with unsaved lists asks first; "Да" saves them.
    addEntry(e, kHol, QDate(2026, 3, 8), 0);
    {
        AltDayEditor writer(settings());
        m_user.saveFiles.enqueue(path("empty.alt"));
        writer.save(m_user);
    }
    m_user.answers.enqueue(true);
    m_user.openFiles.enqueue(path("empty.alt"));
    e.open(m_user);
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 2), QByteArray::fromHex("0102"));
    EXPECT_EQ(e.currentFileName(), path("empty.alt"));
    EXPECT_TRUE(e.entries(kHol).isEmpty());
}

TEST_F(Editor, FailuresShowTheirMessageWithTheProgramTitleAndKeepTheLists)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    addEntry(e, kHol, QDate(2026, 1, 7), 2);
    const QList<AltDay> alternative = e.entries(kAlt);
    const QList<AltDay> holidays = e.entries(kHol);

    m_user.answers.enqueue(false);
    m_user.openFiles.enqueue(path("missing.alt"));
    e.open(m_user);
    m_user.saveFiles.enqueue(path("no-such-dir/out.alt"));
    e.save(m_user);

    ASSERT_EQ(m_user.of(FakeDialogs::Kind::Inform).size(), 2);
    EXPECT_EQ(m_user.messages(),
              (QStringList{QStringLiteral("Ошибка открытия файла."), QStringLiteral("Ошибка записи файла.")}));
    for (const FakeDialogs::Shown& s : m_user.of(FakeDialogs::Kind::Inform))
        EXPECT_EQ(s.caption, QStringLiteral("Конфигуратор Vyn"));
    EXPECT_EQ(e.entries(kAlt), alternative);
    EXPECT_EQ(e.entries(kHol), holidays);
    EXPECT_FALSE(QFile::exists(path("no-such-dir/out.alt")));
}

TEST_F(Editor, CancelledOpenChangesNothing)
{
    AltDayEditor e(settings());
    addEntry(e, kAlt, QDate(2026, 5, 7), 5);
    m_user.answers.enqueue(false);
    e.open(m_user);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::OpenFile).size(), 1);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::OpenFile).at(0).file.filter,
              QStringLiteral("Файл альтернативных дней(*.alt)"));
    EXPECT_EQ(e.entries(kAlt).size(), 1);
    EXPECT_TRUE(m_user.messages().isEmpty());
}

} // namespace
