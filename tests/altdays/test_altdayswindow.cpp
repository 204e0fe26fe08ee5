#include "altdays/altdayswindow.h"
#include "tests/common/fakedialogs.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vyn;
using vyn::test::FakeDialogs;

namespace {

// The window driven the way a user drives it: by the texts on its controls.
class Window : public ::testing::Test
{
protected:
    AltDaysWindow& open(bool vynData = true)
    {
        auto clock = [this] { return m_today; };
        AltDayEditorSettings s =
            vynData ? AltDayEditorSettings::vynData(clock)
                    : AltDayEditorSettings::mainProgram(QStringLiteral("Конфигуратор Vyn"), clock);
        s.locale = NumberLocale(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
        m_windows.push_back(std::make_unique<AltDaysWindow>(s, &m_user));
        AltDaysWindow& w = *m_windows.back();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }

    static QTabWidget* tabs(QWidget& w) { return w.findChild<QTabWidget*>(); }

    // Brings the page with this tab text to the front, as a click on its tab.
    static QWidget* page(QWidget& w, const QString& title)
    {
        QTabWidget* t = tabs(w);
        for (int i = 0; i < t->count(); ++i) {
            if (t->tabText(i) == title) {
                QTest::mouseClick(t->tabBar(), Qt::LeftButton, {},
                                  t->tabBar()->tabRect(i).center());
                EXPECT_EQ(t->currentIndex(), i);
                return t->widget(i);
            }
        }
        ADD_FAILURE() << "no page " << title.toStdString();
        return nullptr;
    }
    static QTabWidget* pageControl(QWidget& w) { return tabs(w); }

    static QPushButton* button(QWidget* page, const QString& text)
    {
        for (QPushButton* b : page->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    static QTableWidget* list(QWidget* page) { return page->findChild<QTableWidget*>(); }
    static QComboBox* combo(QWidget* page) { return page->findChild<QComboBox*>(); }

    static void click(QPushButton* b)
    {
        ASSERT_TRUE(b->isEnabled()) << b->text().toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static void clickRow(QTableWidget* l, int row)
    {
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row, 0)).center());
    }
    static void choose(QComboBox* c, const QString& text)
    {
        const int i = c->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        c->setCurrentIndex(i);
    }

    static QAction* menuItem(QWidget& w, const QString& text)
    {
        for (QMenu* m : w.findChild<QMenuBar*>()->findChildren<QMenu*>())
            if (m->title() == QStringLiteral("Файл"))
                for (QAction* a : m->actions())
                    if (a->text() == text)
                        return a;
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }

    // A mouse click on the day's cell of the calendar.
    static void clickCalendar(QWidget& w, const QDate& date)
    {
        auto* calendar = w.findChild<QCalendarWidget*>();
        calendar->setCurrentPage(date.year(), date.month());
        auto* view = calendar->findChild<QTableView*>();
        QAbstractItemModel* model = view->model();
        const QString day = QString::number(date.day());
        // Days of the neighbouring months repeat small numbers at the end and
        // large ones at the start.
        QModelIndex cell;
        for (int r = 0; r < model->rowCount() && !(cell.isValid() && date.day() < 15); ++r)
            for (int c = 0; c < model->columnCount(); ++c)
                if (model->index(r, c).data().toString() == day &&
                    !(cell.isValid() && date.day() < 15))
                    cell = model->index(r, c);
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
        ASSERT_EQ(calendar->selectedDate(), date);
    }

    // On the page: the date clicked in the calendar, a weekday chosen, "Добавить".
    QWidget* addEntry(QWidget& w, const QString& title, const QDate& date, const QString& weekday)
    {
        QWidget* p = page(w, title);
        clickCalendar(w, date);
        choose(combo(p), weekday);
        click(button(p, kAdd));
        return p;
    }

    static QStringList rows(QTableWidget* l)
    {
        QStringList out;
        for (int r = 0; r < l->rowCount(); ++r)
            out.append(l->item(r, 0)->text() + QLatin1Char(' ') + l->item(r, 1)->text());
        return out;
    }

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    static QByteArray bytesOf(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    const QString kAlt = QStringLiteral("Альтернативные");
    const QString kHol = QStringLiteral("Праздничные");
    const QString kAdd = QStringLiteral("Добавить");
    const QString kRemove = QStringLiteral("Удалить");
    const QString kChange = QStringLiteral("Изменить");

    QDate m_today{2026, 3, 15};
    QTemporaryDir m_dir;
    FakeDialogs m_user;
    std::vector<std::unique_ptr<AltDaysWindow>> m_windows;
};

TEST_F(Window, OpensOnTheHolidaysPageWithTheFormsControls)
{
    AltDaysWindow& w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней"));
    const int menuHeight = w.findChild<QMenuBar*>()->height();
    EXPECT_EQ(w.size(), QSize(564, 184 + menuHeight));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.findChild<QCalendarWidget*>()->selectedDate(), QDate(2001, 7, 11));
    EXPECT_EQ(pageControl(w)->tabText(pageControl(w)->currentIndex()), kHol);

    QStringList items;
    for (QAction* a : w.findChild<QMenuBar*>()->findChild<QMenu*>()->actions())
        items.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("&Открыть"), QStringLiteral("-"),
                                  QStringLiteral("&Сохранить"), QStringLiteral("Сохранить &как..."),
                                  QStringLiteral("-"), QStringLiteral("&Выход")}));

    for (const QString& title : {kAlt, kHol}) {
        QWidget* p = page(w, title);
        QTableWidget* l = list(p);
        EXPECT_EQ(l->horizontalHeaderItem(0)->text(), QStringLiteral("Дата"));
        EXPECT_EQ(l->horizontalHeaderItem(1)->text(), QStringLiteral("День недели"));
        EXPECT_EQ(l->columnWidth(0), 80);
        EXPECT_EQ(l->columnWidth(1), 150);
        EXPECT_FALSE(l->horizontalHeader()->sectionsClickable());
        EXPECT_EQ(l->editTriggers(), QAbstractItemView::NoEditTriggers);
        QStringList names;
        for (int i = 0; i < combo(p)->count(); ++i)
            names.append(combo(p)->itemText(i));
        EXPECT_EQ(names, (QStringList{QStringLiteral("Понедельник"), QStringLiteral("Вторник"),
                                      QStringLiteral("Среда"), QStringLiteral("Четверг"),
                                      QStringLiteral("Пятница"), QStringLiteral("Суббота"),
                                      QStringLiteral("Воскресенье")}));
        EXPECT_EQ(combo(p)->currentText(), QStringLiteral("Среда")); // 11 July 2001
        EXPECT_TRUE(button(p, kAdd)->isEnabled());
        EXPECT_FALSE(button(p, kRemove)->isEnabled());
        EXPECT_FALSE(button(p, kChange)->isEnabled());
    }
}

TEST_F(Window, InSetvynTheCalendarStartsOnFirstJanuaryOfTheCurrentYear)
{
    AltDaysWindow& w = open(false);
    EXPECT_EQ(w.size().width(), 591);
    EXPECT_EQ(w.size().height(), 207 + w.findChild<QMenuBar*>()->height());
    EXPECT_EQ(w.findChild<QCalendarWidget*>()->selectedDate(), QDate(2026, 1, 1));
    EXPECT_EQ(combo(page(w, kAlt))->currentText(), QStringLiteral("Четверг"));
}

TEST_F(Window, TheFifteenthEntryDisablesAddAndDeletingOneEnablesItAgain)
{
    AltDaysWindow& w = open();
    QWidget* p = page(w, kHol);
    for (int i = 1; i <= 15; ++i) {
        click(button(p, kAdd));
        EXPECT_EQ(button(p, kAdd)->isEnabled(), i < 15) << i;
    }
    EXPECT_EQ(list(p)->rowCount(), 15);
    EXPECT_TRUE(button(page(w, kAlt), kAdd)->isEnabled());

    p = page(w, kHol);
    clickRow(list(p), 14);
    click(button(p, kRemove));
    EXPECT_EQ(list(p)->rowCount(), 14);
    EXPECT_TRUE(button(p, kAdd)->isEnabled());
}

TEST_F(Window, ChangeOnTheHolidaysPageChangesTheHolidayNotTheAlternativeDay)
{
    AltDaysWindow& w = open();
    QWidget* alt = addEntry(w, kAlt, QDate(2001, 5, 7), QStringLiteral("Суббота"));
    clickRow(list(alt), 0);

    QWidget* hol = page(w, kHol);
    clickCalendar(w, QDate(2001, 1, 7));
    click(button(hol, kAdd));
    clickRow(list(hol), 0);

    clickCalendar(w, QDate(2001, 3, 8)); // a Thursday
    click(button(hol, kChange));
    EXPECT_EQ(rows(list(hol)), QStringList{QStringLiteral("08.03.2001 Четверг")});
    EXPECT_EQ(rows(list(alt)), QStringList{QStringLiteral("07.05.2001 Суббота")});
}

TEST_F(Window, ClickingASundaySelectsVoskresenyeInBothDropDowns)
{
    AltDaysWindow& w = open();
    clickCalendar(w, QDate(2001, 7, 15));
    EXPECT_EQ(combo(page(w, kAlt))->currentText(), QStringLiteral("Воскресенье"));
    EXPECT_EQ(combo(page(w, kHol))->currentText(), QStringLiteral("Воскресенье"));
}

TEST_F(Window, ClickingAnEntryShowsItsDateAndWeekday)
{
    AltDaysWindow& w = open();
    QWidget* alt = addEntry(w, kAlt, QDate(2001, 5, 7), QStringLiteral("Суббота"));
    clickCalendar(w, QDate(2001, 9, 3));
    clickRow(list(alt), 0);
    EXPECT_EQ(w.findChild<QCalendarWidget*>()->selectedDate(), QDate(2001, 5, 7));
    EXPECT_EQ(combo(alt)->currentText(), QStringLiteral("Суббота"));
    EXPECT_EQ(combo(page(w, kHol))->currentText(), QStringLiteral("Понедельник"));
}

TEST_F(Window, SevenMayAsSaturdayIsSavedAndReopenedInTheCurrentYear)
{
    AltDaysWindow& w = open();
    addEntry(w, kAlt, QDate(2001, 5, 7), QStringLiteral("Суббота"));
    m_user.saveFiles.enqueue(path("may.alt"));
    menuItem(w, QStringLiteral("&Сохранить"))->trigger();

    AltDaysWindow& again = open();
    m_user.openFiles.enqueue(path("may.alt"));
    menuItem(again, QStringLiteral("&Открыть"))->trigger();
    EXPECT_EQ(rows(list(page(again, kAlt))), QStringList{QStringLiteral("07.05.2026 Суббота")});
    EXPECT_EQ(list(page(again, kHol))->rowCount(), 0);
    EXPECT_EQ(again.findChild<QCalendarWidget*>()->selectedDate(), QDate(2026, 5, 7));
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(Window, ASaturdayHolidayIsReopenedAsMonday)
{
    AltDaysWindow& w = open(false);
    QWidget* hol = page(w, kHol);
    clickCalendar(w, QDate(2026, 5, 9));
    EXPECT_EQ(combo(hol)->currentText(), QStringLiteral("Суббота"));
    click(button(hol, kAdd));
    EXPECT_EQ(rows(list(hol)), QStringList{QStringLiteral("09.05.2026 Суббота")});
    m_user.saveFiles.enqueue(path("holiday.alt"));
    menuItem(w, QStringLiteral("Сохранить &как..."))->trigger();

    m_user.openFiles.enqueue(path("holiday.alt"));
    menuItem(w, QStringLiteral("&Открыть"))->trigger();
    EXPECT_EQ(rows(list(page(w, kHol))), QStringList{QStringLiteral("09.05.2026 Понедельник")});
}

TEST_F(Window, SaveAfterOpenWritesTheOpenedFileAndTheTitleShowsIt)
{
    AltDaysWindow& w = open();
    click(button(page(w, kHol), kAdd));
    m_user.saveFiles.enqueue(path("first.alt"));
    menuItem(w, QStringLiteral("&Сохранить"))->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней — first.alt"));
    const QByteArray first = bytesOf(path("first.alt"));
    {
        AltDaysWindow& writer = open();
        addEntry(writer, kAlt, QDate(2001, 5, 7), QStringLiteral("Суббота"));
        m_user.saveFiles.enqueue(path("days.alt"));
        menuItem(writer, QStringLiteral("&Сохранить"))->trigger();
    }

    m_user.shown.clear();
    m_user.openFiles.enqueue(path("days.alt"));
    menuItem(w, QStringLiteral("&Открыть"))->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней — days.alt"));
    QWidget* hol = addEntry(w, kHol, QDate(2001, 1, 7), QStringLiteral("Воскресенье"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней — days.alt*"));
    menuItem(w, QStringLiteral("&Сохранить"))->trigger();
    EXPECT_TRUE(m_user.of(FakeDialogs::Kind::SaveFile).isEmpty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней — days.alt"));
    EXPECT_EQ(bytesOf(path("first.alt")), first);
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 4), QByteArray::fromHex("01010785"));
    EXPECT_EQ(bytesOf(path("days.alt")).mid(32, 2), QByteArray::fromHex("0701"));
    EXPECT_EQ(list(hol)->rowCount(), 1);
}

TEST_F(Window, OpeningClearsTheSelectionSoTheButtonsActOnTheClickedRow)
{
    AltDaysWindow& w = open();
    QWidget* hol = page(w, kHol);
    for (int day : {1, 2, 3}) {
        clickCalendar(w, QDate(2001, 1, day));
        click(button(hol, kAdd));
    }
    m_user.saveFiles.enqueue(path("days.alt"));
    menuItem(w, QStringLiteral("&Сохранить"))->trigger(); // leaves the last row selected
    ASSERT_FALSE(list(hol)->selectedItems().isEmpty());

    m_user.openFiles.enqueue(path("days.alt"));
    menuItem(w, QStringLiteral("&Открыть"))->trigger();
    EXPECT_TRUE(list(hol)->selectedItems().isEmpty());
    EXPECT_FALSE(list(hol)->currentIndex().isValid());
    clickRow(list(hol), 0);
    click(button(hol, kRemove));
    // A working day reads back as its own weekday, a weekend one as Monday.
    EXPECT_EQ(rows(list(hol)), (QStringList{QStringLiteral("02.01.2026 Пятница"),
                                            QStringLiteral("03.01.2026 Понедельник")}));
}

TEST_F(Window, ClosingWithUnsavedListsAsksAndYesSavesThem)
{
    AltDaysWindow& w = open();
    m_user.saveFiles.enqueue(path("days.alt"));
    menuItem(w, QStringLiteral("&Сохранить"))->trigger();
    w.close(); // nothing unsaved: no question
    EXPECT_TRUE(m_user.of(FakeDialogs::Kind::Ask).isEmpty());
    EXPECT_FALSE(w.isVisible());

    w.show();
    click(button(page(w, kHol), kAdd));
    m_user.answers.enqueue(true);
    menuItem(w, QStringLiteral("&Выход"))->trigger();
    ASSERT_EQ(m_user.of(FakeDialogs::Kind::Ask).size(), 1);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::Ask).at(0).text,
              QStringLiteral("Списки дней изменены.\nСохранить изменения в файле «days.alt»?"));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(bytesOf(path("days.alt")).mid(0, 2), QByteArray::fromHex("0001"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Конструктор альтернативных дней — days.alt"));

    // A save that fails keeps the window open with its lists.
    AltDaysWindow& other = open();
    click(button(page(other, kHol), kAdd));
    m_user.answers.enqueue(true);
    m_user.saveFiles.enqueue(path("no-such-dir/x.alt"));
    other.close();
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(list(page(other, kHol))->rowCount(), 1);
    m_user.answers.enqueue(false);
    other.close();
    EXPECT_FALSE(other.isVisible());
}

TEST_F(Window, AFileThatCannotBeOpenedIsReportedWithTheProgramTitle)
{
    AltDaysWindow& w = open();
    click(button(page(w, kHol), kAdd));
    m_user.answers.enqueue(false);
    m_user.openFiles.enqueue(path("missing.alt"));
    menuItem(w, QStringLiteral("&Открыть"))->trigger();
    ASSERT_EQ(m_user.of(FakeDialogs::Kind::Inform).size(), 1);
    EXPECT_EQ(m_user.shown.last().text, QStringLiteral("Ошибка открытия файла."));
    EXPECT_EQ(m_user.shown.last().caption, QStringLiteral("Конструктор альтернативных дней"));
    EXPECT_EQ(list(page(w, kHol))->rowCount(), 1);
}

TEST_F(Window, ListsSurviveBetweenModalOpenings)
{
    AltDaysWindow& w = open(false);
    w.hide();
    // setvyn shows the one window modally from its toolbar, again and again.
    for (int opening = 1; opening <= 2; ++opening) {
        QTimer::singleShot(0, &w, [&] {
            click(button(page(w, kHol), kAdd));
            m_user.answers.enqueue(false); // keep them unsaved
            menuItem(w, QStringLiteral("&Выход"))->trigger();
        });
        w.exec();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(list(page(w, kHol))->rowCount(), opening);
    }
}

TEST(VynData, RunsAsItsOwnProgramAndWritesNothing)
{
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(VYNDATA_PATH), {});
    ASSERT_TRUE(program.waitForStarted());
    // Still running: its window is up and the message loop waits for the user.
    EXPECT_FALSE(program.waitForFinished(700));
    program.terminate();
    program.waitForFinished();
    EXPECT_TRUE(QDir(home.path())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
}

} // namespace
