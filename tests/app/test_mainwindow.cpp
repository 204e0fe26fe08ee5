#include "app/windows/commsettingsdialog.h"
#include "app/windows/helpwindow.h"
#include "app/windows/mainwindow.h"
#include "app/windows/memorybrowsingstore.h"
#include "model/inifile.h"
#include "tests/common/fakedialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace vyn;
using vyn::test::FakeDialogs;

namespace {

const QString kTitle = QStringLiteral("Винк-Конфигуратор 3.7.2.1");

QList<MemoryRow> rows()
{
    const auto row = [](const char* snum, int day, const char* comment) {
        return MemoryRow{QString::fromUtf8(snum),    QDateTime(QDate(2015, 3, day), QTime(10, 0)),
                         QStringLiteral("4"),        QStringLiteral("15"),
                         QString::fromUtf8(comment), QStringLiteral("HOST\\user")};
    };
    return {row("10450021", 1, "Котельная AB"), row("12001207", 2, "школа"),
            row("00120034", 3, "стенд Ab"), row("77777777", 4, "прочее"),
            row("31313131", 5, "ab-склад")};
}

// The window driven by the texts of its controls, over a store in memory.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindow& open(const QByteArray& ini = {})
    {
        m_form.reset();
        m_ini = IniFile(m_dir.filePath(QStringLiteral("setvyn.ini")));
        m_ini.setText(ini);
        m_store = std::make_unique<MemoryBrowsingStore>(rows());
        m_form = std::make_unique<MainWindow>(kTitle, *m_store, m_ini, m_user, m_helpPath);
        m_form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        return *m_form;
    }

    template <class T> T* child(const char* name) const
    {
        T* w = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* searchText() const { return child<QLineEdit>("SearchText"); }
    QComboBox* searchColumn() const { return child<QComboBox>("SearchColumn"); }
    QTableView* list() const { return child<QTableView>("DBGrid1"); }

    QAbstractButton* button(const QString& text) const
    {
        // Buttons of the main window itself, not of the windows it owns.
        for (QAbstractButton* b : m_form->findChildren<QAbstractButton*>())
            if (b->text() == text && b->window() == m_form.get())
                return b;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    void click(const QString& text)
    {
        QAbstractButton* b = button(text);
        ASSERT_TRUE(b->isEnabled()) << text.toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void search(const QString& text, int column)
    {
        searchColumn()->setCurrentIndex(column);
        searchText()->setText(text);
    }
    // The serial numbers the list shows, top to bottom.
    QStringList shownSerials() const
    {
        QStringList out;
        const QAbstractItemModel* m = list()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString();
        return out;
    }
    QStringList allSerials() const
    {
        QStringList out;
        for (const MemoryRow& r : m_store->allRows())
            out << r.snum;
        return out;
    }
    QString panel(int i) const { return m_form->panelText(i); }

    QTemporaryDir m_dir;
    QString m_helpPath = QStringLiteral(SETVYN_BIN_DIR_PATH "/help/setvyn.html");
    IniFile m_ini;
    FakeDialogs m_user;
    std::unique_ptr<MemoryBrowsingStore> m_store;
    std::unique_ptr<MainWindow> m_form;
};

const QStringList kAll{"10450021", "12001207", "00120034", "77777777", "31313131"};

TEST_F(MainWindowTest, StartsUnfilteredWithNeitherToggleDown)
{
    MainWindow& f = open();
    EXPECT_EQ(f.windowTitle(), kTitle);
    EXPECT_FALSE(button(QStringLiteral("Вкл"))->isChecked());
    EXPECT_FALSE(button(QStringLiteral("Выкл"))->isChecked());
    EXPECT_EQ(searchColumn()->currentText(), QStringLiteral("сериийному номеру"));
    EXPECT_EQ(shownSerials(), kAll);
    EXPECT_EQ(panel(1), QString());
    EXPECT_TRUE(button(QStringLiteral("Удалить"))->isEnabled());
    EXPECT_TRUE(button(QStringLiteral("Вкл"))->isEnabled());
    // The store's current row is the list's and panel 0 shows its number.
    EXPECT_EQ(list()->currentIndex().row(), m_store->currentRow());
    EXPECT_EQ(panel(0), QString::number(m_store->currentRow() + 1));
}

TEST_F(MainWindowTest, FilterOnWithBlankAndNonBlankTexts)
{
    struct Case
    {
        const char* text;
        int column;
        QStringList shown;
        const char* count; // panel 1
        bool enabled;      // "Удалить" and "Вкл"
    };
    const QList<Case> cases{
        {"", 0, kAll, "", true},
        {"   ", 0, kAll, "", true},
        {"0012", 0, {"12001207", "00120034"}, "2", true},
        {"ab", 4, {"10450021", "00120034", "31313131"}, "3", true},
        {"ШКОЛА", 4, {"12001207"}, "1", true},
        {"2015", 1, kAll, "5", true},
        {"zzz", 0, {}, "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        open();
        search(QString::fromUtf8(c.text), c.column);
        click(QStringLiteral("Вкл"));
        EXPECT_TRUE(button(QStringLiteral("Вкл"))->isChecked());
        EXPECT_FALSE(button(QStringLiteral("Выкл"))->isChecked());
        EXPECT_EQ(shownSerials(), c.shown);
        EXPECT_EQ(panel(1), QString::fromUtf8(c.count));
        EXPECT_EQ(button(QStringLiteral("Удалить"))->isEnabled(), c.enabled);
        EXPECT_EQ(button(QStringLiteral("Вкл"))->isEnabled(), c.enabled);

        click(QStringLiteral("Выкл"));
        EXPECT_FALSE(button(QStringLiteral("Вкл"))->isChecked());
        EXPECT_TRUE(button(QStringLiteral("Выкл"))->isChecked());
        EXPECT_EQ(shownSerials(), kAll);
        EXPECT_EQ(panel(1), QString());
        EXPECT_TRUE(button(QStringLiteral("Удалить"))->isEnabled());
        EXPECT_TRUE(button(QStringLiteral("Вкл"))->isEnabled());
    }
}

TEST_F(MainWindowTest, TypingWhileFilterOnFiltersAgainAndABlankTextKeepsTheLastResult)
{
    open();
    search(QStringLiteral("1"), 0);
    click(QStringLiteral("Вкл"));
    EXPECT_EQ(shownSerials(), (QStringList{"10450021", "12001207", "00120034", "31313131"}));

    searchText()->setText(QStringLiteral("12"));
    EXPECT_EQ(shownSerials(), (QStringList{"12001207", "00120034"}));
    EXPECT_EQ(panel(1), QStringLiteral("2"));

    searchText()->setText(QStringLiteral("  "));
    EXPECT_EQ(shownSerials(), (QStringList{"12001207", "00120034"}));
    searchText()->clear();
    EXPECT_EQ(shownSerials(), (QStringList{"12001207", "00120034"}));

    // Another column filters again with the same text.
    searchText()->setText(QStringLiteral("ab"));
    EXPECT_EQ(shownSerials(), QStringList{});
    EXPECT_EQ(panel(1), QStringLiteral("0"));
    searchColumn()->setCurrentIndex(4);
    EXPECT_EQ(shownSerials(), (QStringList{"10450021", "00120034", "31313131"}));
    EXPECT_TRUE(button(QStringLiteral("Удалить"))->isEnabled());
}

TEST_F(MainWindowTest, ASearchChangeWithFilterOffShowsEveryRow)
{
    open();
    searchText()->setText(QStringLiteral("0012"));
    EXPECT_EQ(shownSerials(), kAll);
    click(QStringLiteral("Вкл"));
    click(QStringLiteral("Выкл"));
    searchText()->setText(QStringLiteral("7777"));
    searchColumn()->setCurrentIndex(3);
    EXPECT_EQ(shownSerials(), kAll);
    EXPECT_EQ(panel(1), QString());
}

TEST_F(MainWindowTest, HighlightsTheSearchTextWithFilteringOff)
{
    open();
    // Away from the cells looked at, so that none of them is drawn selected.
    list()->setCurrentIndex(list()->model()->index(1, 2));
    search(QStringLiteral("ab"), 4);
    ASSERT_FALSE(m_store->isFiltering());
    QCoreApplication::processEvents();

    const QImage shot = list()->viewport()->grab().toImage();
    const QColor tip = list()->palette().color(QPalette::ToolTipBase);
    const QColor base = list()->palette().color(QPalette::Base);
    ASSERT_NE(tip, base);
    // A point of the cell's background, right of its text.
    const auto colourOf = [&](int row, int column) {
        const QRect r = list()->visualRect(list()->model()->index(row, column));
        return QColor(shot.pixel(r.right() - 3, r.center().y()));
    };
    const QList<std::tuple<int, int, bool>> cells{
        {0, 4, true},  // "Котельная AB"
        {1, 4, false}, // "школа"
        {2, 4, true},  // "стенд Ab"
        {3, 4, false}, // "прочее"
        {4, 4, true},  // "ab-склад"
        {0, 0, false}, // another column
        {4, 5, false},
    };
    for (const auto& [row, column, lit] : cells)
        EXPECT_EQ(colourOf(row, column), lit ? tip : base) << row << "," << column;

    // A blank text highlights nothing.
    searchText()->setText(QStringLiteral(" "));
    QCoreApplication::processEvents();
    const QImage plain = list()->viewport()->grab().toImage();
    const QRect r = list()->visualRect(list()->model()->index(0, 4));
    EXPECT_EQ(QColor(plain.pixel(r.right() - 3, r.center().y())), base);
}

TEST_F(MainWindowTest, DeleteAsksAndCounts)
{
    MainWindow& f = open();
    list()->setCurrentIndex(list()->model()->index(1, 0));
    ASSERT_EQ(m_store->currentRow(), 1);
    EXPECT_EQ(panel(0), QStringLiteral("2"));

    m_user.answers.enqueue(false);
    click(QStringLiteral("Удалить"));
    ASSERT_EQ(m_user.shown.size(), 1);
    EXPECT_EQ(m_user.shown[0].kind, FakeDialogs::Kind::Ask);
    EXPECT_EQ(m_user.shown[0].text, QStringLiteral("Вы хотите удалить выбранную запись?"));
    EXPECT_EQ(m_user.shown[0].caption, kTitle);
    EXPECT_EQ(allSerials(), kAll);

    m_user.answers.enqueue(true);
    click(QStringLiteral("Удалить"));
    EXPECT_EQ(allSerials(), (QStringList{"10450021", "00120034", "77777777", "31313131"}));
    EXPECT_EQ(shownSerials().size(), 4);
    EXPECT_EQ(list()->currentIndex().row(), m_store->currentRow());
    EXPECT_EQ(panel(0), QString::number(m_store->currentRow() + 1));
    EXPECT_EQ(panel(1), QString());
    EXPECT_EQ(m_store->loadedId(), -1);

    // Filtering on: deleting the only row shown leaves 0 and disables the buttons.
    search(QStringLiteral("7777"), 0);
    click(QStringLiteral("Вкл"));
    EXPECT_EQ(panel(1), QStringLiteral("1"));
    m_user.answers.enqueue(true);
    click(QStringLiteral("Удалить"));
    EXPECT_EQ(shownSerials(), QStringList{});
    EXPECT_EQ(allSerials(), (QStringList{"10450021", "00120034", "31313131"}));
    EXPECT_EQ(panel(1), QStringLiteral("0"));
    EXPECT_EQ(panel(0), QString());
    EXPECT_FALSE(button(QStringLiteral("Удалить"))->isEnabled());
    EXPECT_FALSE(button(QStringLiteral("Вкл"))->isEnabled());
    EXPECT_TRUE(m_user.messages().isEmpty());
    (void)f;
}

TEST_F(MainWindowTest, AFailedDeleteKeepsTheRowWithoutAMessage)
{
    open();
    m_store->setDeleteFails(true);
    m_user.answers.enqueue(true);
    click(QStringLiteral("Удалить"));
    EXPECT_EQ(allSerials(), kAll);
    EXPECT_EQ(m_user.of(FakeDialogs::Kind::Ask).size(), 1);
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(MainWindowTest, CopyAppendsTheCurrentRowWithSerialZeros)
{
    open();
    list()->setCurrentIndex(list()->model()->index(2, 0));
    click(QStringLiteral("Копировать"));
    ASSERT_EQ(m_store->allRows().size(), 6);
    const MemoryRow& copy = m_store->allRows().last();
    EXPECT_EQ(copy.snum, QStringLiteral("00000000"));
    EXPECT_EQ(copy.comment, QStringLiteral("стенд Ab"));
    EXPECT_EQ(list()->currentIndex().row(), 5);
    EXPECT_EQ(panel(0), QStringLiteral("6"));
}

TEST_F(MainWindowTest, TheListHasItsColumnsAndStoresTypedComments)
{
    open();
    const QStringList titles{"Серийный номер", "Дата модификации", "Тип Винка",
                             "Схема",          "Комментарий",      "Кто конфигурировал"};
    const QList<int> widths{120, 120, 69, 80, 194, 161};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(list()->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(list()->columnWidth(c), widths[c]) << c;
    }
    EXPECT_TRUE(list()->showGrid());
    EXPECT_TRUE(list()->verticalHeader()->isVisible()); // the row indicator

    // The editor is open in a comment cell once it is current; the text is kept.
    list()->setFocus();
    list()->setCurrentIndex(list()->model()->index(1, 4));
    auto* editor = list()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("new comment"));
    list()->setCurrentIndex(list()->model()->index(2, 4));
    EXPECT_EQ(m_store->allRows()[1].comment, QStringLiteral("new comment"));
    EXPECT_EQ(m_store->currentRow(), 2);
    // The serial is not edited in the list.
    EXPECT_FALSE(list()->model()->flags(list()->model()->index(1, 0)) & Qt::ItemIsEditable);
}

// Every item of a menu: "text|shortcut|hint", "-" for a separator.
QStringList menuItems(QMenuBar* bar, const QString& title)
{
    for (QAction* m : bar->actions()) {
        if (m->text() != title)
            continue;
        QStringList out;
        for (QAction* a : m->menu()->actions())
            out << (a->isSeparator() ? QStringLiteral("-")
                                     : a->text() + QLatin1Char('|') + a->shortcut().toString() +
                                           QLatin1Char('|') + a->statusTip());
        return out;
    }
    ADD_FAILURE() << "no menu " << title.toStdString();
    return {};
}

TEST_F(MainWindowTest, MenuHasEveryItemShortcutHintAndSeparator)
{
    MainWindow& f = open();
    QStringList titles;
    for (QAction* m : f.menuBar()->actions())
        titles << m->text();
    EXPECT_EQ(titles, (QStringList{"&Файл", "&Конфигурация", "&Справка"}));
    EXPECT_EQ(menuItems(f.menuBar(), QStringLiteral("&Файл")),
              (QStringList{"П&росмотр паспорта||Предварительный просмотр паспорта",
                           "Просмотр карты программирования||",
                           "Реквизиты организации...||Реквизиты организации в паспорте и карте",
                           "-", "Копировать файл||", "-",
                           "Экспорт конфигурации...||Запись текущей конфигурации в файл",
                           "Импорт конфигурации...||Чтение конфигураций из файлов в базу", "-",
                           "&Выход|Ctrl+Q|Выход из программы"}));
    EXPECT_EQ(
        menuItems(f.menuBar(), QStringLiteral("&Конфигурация")),
        (QStringList{"&Редактирование конфигурации|Ctrl+E|Редактирование текущей конфигурации",
                     "Создание конфигурации|Ctrl+N|Создание конфигурации прибора",
                     "&Запись конфигурации в прибор|Ctrl+F9|Запись конфигурации", "-",
                     "Коммуникационные настройки...|Ctrl+L|Коммуникационные настройки",
                     "Интерфейсные настройки...|Ctrl+I|Интерфейсные настройки", "-"}));
    EXPECT_EQ(menuItems(f.menuBar(), QStringLiteral("&Справка")),
              (QStringList{"Содержание|F1|Вызов справки", "-",
                           "&О программе|Ctrl+F1|Информация о программе"}));

    // The import has its shortcut on the window and no menu item.
    QAction* import = nullptr;
    for (QAction* a : f.actions())
        if (a->shortcut() == QKeySequence(QStringLiteral("Ctrl+O")))
            import = a;
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->text(), QStringLiteral("&Импорт..."));
    EXPECT_EQ(import->statusTip(), QStringLiteral("Импорт данных в базу"));
}

TEST_F(MainWindowTest, ToolbarButtonsInOrderWithTheirHints)
{
    MainWindow& f = open();
    QToolBar* bar = child<QToolBar>("ToolBar1");
    QStringList hints;
    for (QAction* a : bar->actions())
        hints << (a->isSeparator() ? QStringLiteral("-") : a->toolTip());
    EXPECT_EQ(hints, (QStringList{"Создание конфигурации прибора", "-", "Запись конфигурации", "-",
                                  "Предварительный просмотр и печать паспорта",
                                  "Напечатать карту программирования", "Коммуникационные настройки",
                                  "Интерфейсные настройки", "-", "-", "Выход из программы",
                                  "Вызов справки", "Конструктор альтернативных дней"}));
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            continue;
        EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
    }
    (void)f;
}

TEST_F(MainWindowTest, CommandsOfOtherWindowsAreDisabledUntilGiven)
{
    MainWindow& f = open();
    const auto action = [&f](const QString& hint) -> QAction* {
        for (QAction* a : f.findChildren<QAction*>())
            if (a->statusTip() == hint)
                return a;
        return nullptr;
    };
    const QStringList later{"Предварительный просмотр паспорта",
                            "Предварительный просмотр и печать паспорта",
                            "Напечатать карту программирования",
                            "Импорт данных в базу",
                            "Редактирование текущей конфигурации",
                            "Создание конфигурации прибора",
                            "Запись конфигурации",
                            "Интерфейсные настройки"};
    for (const QString& hint : later) {
        ASSERT_NE(action(hint), nullptr) << hint.toStdString();
        EXPECT_FALSE(action(hint)->isEnabled()) << hint.toStdString();
    }
    for (const char* hint : {"Выход из программы", "Вызов справки", "Информация о программе",
                             "Конструктор альтернативных дней"})
        EXPECT_TRUE(action(QString::fromUtf8(hint))->isEnabled()) << hint;
    EXPECT_FALSE(action(QStringLiteral("Коммуникационные настройки"))->isEnabled());

    IniFile ini;
    CommSettingsDialog comm(ini, &f, [](QStringList&) {});
    f.setCommConfig(&comm);
    EXPECT_TRUE(action(QStringLiteral("Коммуникационные настройки"))->isEnabled());

    QStringList ran;
    MainWindowCommands commands;
    commands.write = [&ran] { ran << QStringLiteral("write"); };
    commands.import = [&ran] { ran << QStringLiteral("import"); };
    commands.edit = [&ran] { ran << QStringLiteral("edit"); };
    f.setCommands(commands);
    EXPECT_TRUE(action(QStringLiteral("Запись конфигурации"))->isEnabled());
    EXPECT_FALSE(action(QStringLiteral("Создание конфигурации прибора"))->isEnabled());

    // Shortcuts: Ctrl+F9 writes, Ctrl+O imports without a menu item, Enter in the list edits.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_F9, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
    list()->setFocus();
    list()->setCurrentIndex(list()->model()->index(0, 0));
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(ran, (QStringList{"write", "import", "edit"}));
    // The edit command shows the number of rows first.
    EXPECT_EQ(panel(1), QStringLiteral("5"));
}

TEST_F(MainWindowTest, HintsGoToTheLastPanel)
{
    MainWindow& f = open();
    for (QAction* a : f.findChildren<QAction*>()) {
        if (a->statusTip() == QStringLiteral("Запись конфигурации")) {
            a->showStatusText(&f);
            break;
        }
    }
    EXPECT_EQ(panel(3), QStringLiteral("Запись конфигурации"));

    QStatusTipEvent tip(searchText()->statusTip());
    QApplication::sendEvent(searchText(), &tip);
    EXPECT_EQ(panel(3), QStringLiteral("Искомая строка"));
    EXPECT_EQ(searchColumn()->statusTip(), QStringLiteral("Выбор поля для фильтрации"));
    EXPECT_EQ(button(QStringLiteral("Вкл"))->statusTip(), QStringLiteral("Включить фильтрацию"));
    EXPECT_EQ(button(QStringLiteral("Выкл"))->statusTip(), QStringLiteral("Выключить фильтрацию"));
    EXPECT_EQ(button(QStringLiteral("Удалить"))->statusTip(),
              QStringLiteral("Удалить текущую запись"));
    EXPECT_EQ(button(QStringLiteral("Копировать"))->statusTip(),
              QStringLiteral("Скопировать текущую запись"));
    EXPECT_TRUE(f.statusBar()->currentMessage().isEmpty());
}

TEST_F(MainWindowTest, ProgressBarStepsWrapsAndResets)
{
    MainWindow& f = open();
    QProgressBar* bar = child<QProgressBar>("ProgressBar1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);

    ProgressSink& progress = f;
    progress.SetProgressBarMax(3);
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_TRUE(bar->isVisible());
    QList<int> seen;
    for (int i = 0; i < 4; ++i) {
        progress.IncrementProgressBar();
        seen << bar->value();
    }
    EXPECT_EQ(seen, (QList<int>{1, 2, 0, 1}));
    progress.ResetProgressBar();
    EXPECT_EQ(bar->value(), 0);

    f.showDeviceVersion(5);
    EXPECT_EQ(panel(1), QStringLiteral("5"));
}

TEST_F(MainWindowTest, RefreshFromTheContextMenu)
{
    MainWindow& f = open();
    QAction* refresh = nullptr;
    for (QAction* a : f.findChildren<QAction*>())
        if (a->text() == QStringLiteral("Обновить"))
            refresh = a;
    ASSERT_NE(refresh, nullptr);
    EXPECT_EQ(list()->contextMenuPolicy(), Qt::CustomContextMenu);
    refresh->trigger();
    EXPECT_EQ(m_store->refreshCount(), 1);
    EXPECT_EQ(shownSerials(), kAll);
}

TEST_F(MainWindowTest, KeepsItsPlacementAndBandPositions)
{
    MainWindow& f = open();
    f.setGeometry(40, 50, 800, 500);
    f.close();
    const QString s = QStringLiteral("TForm1");
    for (const char* key : {"Left", "Top", "Width", "Height", "Panel3_Left", "Panel3_Top",
                            "Panel4_Left", "Panel4_Top"})
        EXPECT_TRUE(m_ini.valueExists(s, QString::fromLatin1(key))) << key;
    EXPECT_EQ(m_ini.readString(s, QStringLiteral("Maximized")), QStringLiteral("False"));
    EXPECT_EQ(m_ini.readInteger(s, QStringLiteral("Width"), 0), 800);
    // By default the search band has the second line to itself.
    EXPECT_GT(m_ini.readInteger(s, QStringLiteral("Panel3_Top"), 0), 0);
    EXPECT_EQ(m_ini.readInteger(s, QStringLiteral("Panel4_Top"), -1), 0);

    // Stored: the current-record band below, the search band beside the toolbar.
    MainWindow& g = open("[TForm1]\nLeft=60\nTop=70\nWidth=1100\nHeight=600\n"
                         "Panel3_Left=400\nPanel3_Top=0\nPanel4_Left=0\nPanel4_Top=40\n");
    EXPECT_EQ(g.geometry(), QRect(60, 70, 1100, 600));
    QToolBar* tools = child<QToolBar>("ToolBar1");
    QToolBar* searchBand = child<QToolBar>("Panel3");
    QToolBar* record = child<QToolBar>("Panel4");
    EXPECT_EQ(searchBand->y(), tools->y());
    EXPECT_GT(searchBand->x(), tools->x());
    EXPECT_GT(record->y(), tools->y());
}

TEST_F(MainWindowTest, AboutShowsTheTitleFirst)
{
    MainWindow& f = open();
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        QWidget* about = QApplication::activeModalWidget();
        if (!about)
            return;
        QList<QLabel*> labels = about->findChildren<QLabel*>();
        labels.removeIf([](QLabel* l) { return l->text().isEmpty(); });
        std::sort(labels.begin(), labels.end(),
                  [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
        for (QLabel* l : labels)
            seen << l->text();
        about->close();
    });
    for (QAction* a : f.findChildren<QAction*>())
        if (a->text() == QStringLiteral("&О программе"))
            a->trigger();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.first(), kTitle);
}

TEST_F(MainWindowTest, HelpOpensTheDocumentAndTheToolbarTopic)
{
    MainWindow& f = open();
    for (QAction* a : f.findChildren<QAction*>())
        if (a->text() == QStringLiteral("Содержание"))
            a->trigger();
    HelpWindow& help = f.helpWindow();
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.browser()->source().fileName(), QStringLiteral("setvyn.html"));
    EXPECT_TRUE(help.browser()->source().fragment().isEmpty());

    child<QToolBar>("ToolBar1");
    for (QAction* a : child<QToolBar>("ToolBar1")->actions())
        if (a->toolTip() == QStringLiteral("Вызов справки"))
            a->trigger();
    EXPECT_EQ(help.browser()->source().fragment(), QStringLiteral("_interfase_introduction"));
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(MainWindowTest, HelpDocumentHasTheTopicsTheProgramAsksFor)
{
    QFile doc(m_helpPath);
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    for (const char* topic : {"_interfase_introduction", "Comm", "interf", "prav"})
        EXPECT_TRUE(text.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(topic))))
            << topic;
}

TEST_F(MainWindowTest, AMissingHelpDocumentIsReported)
{
    m_helpPath = m_dir.filePath(QStringLiteral("help/none.html"));
    MainWindow& f = open();
    f.showHelpTopic(QStringLiteral("Comm"));
    EXPECT_FALSE(f.helpWindow().isVisible());
    ASSERT_EQ(m_user.messages().size(), 1);
    EXPECT_TRUE(m_user.messages()[0].contains(m_helpPath));
}

} // namespace

TEST_F(MainWindowTest, AStoredPlacementIsUsedOnlyWithItsTitleBarOnAScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case
    {
        const char* what;
        QRect stored;
        bool used;
    };
    const Case cases[] = {
        {"on the screen", QRect(screen.x() + 60, screen.y() + 70, 600, 400), true},
        {"title bar above the screen", QRect(screen.x() + 60, screen.y() - 300, 600, 800), false},
        {"a sliver at the left", QRect(screen.x() - 560, screen.y() + 70, 600, 400), false},
        {"on no screen at all", QRect(screen.right() + 500, screen.y() + 70, 600, 400), false},
    };
    for (const Case& c : cases) {
        MainWindow& f = open(QStringLiteral("[TForm1]\nLeft=%1\nTop=%2\nWidth=%3\nHeight=%4\n")
                                 .arg(c.stored.x())
                                 .arg(c.stored.y())
                                 .arg(c.stored.width())
                                 .arg(c.stored.height())
                                 .toUtf8());
        if (c.used) {
            EXPECT_EQ(f.geometry(), c.stored) << c.what;
        } else {
            EXPECT_NE(f.geometry(), c.stored) << c.what;
            EXPECT_TRUE(screen.contains(f.geometry().center())) << c.what;
        }
    }
}

TEST_F(MainWindowTest, EnterEditsACommentCellAndOpensTheEditorElsewhere)
{
    MainWindow& f = open();
    int edits = 0;
    MainWindowCommands commands;
    commands.edit = [&edits] { ++edits; };
    f.setCommands(commands);
    list()->setFocus();
    list()->setCurrentIndex(list()->model()->index(1, ColSnum));
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(edits, 1);

    list()->setCurrentIndex(list()->model()->index(1, ColComment));
    // The cell editor that follows the current cell is closed first.
    if (QWidget* editor = QApplication::focusWidget(); editor && editor != list())
        QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_EQ(QApplication::focusWidget(), list());
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(edits, 1);
    auto* cell = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->parentWidget(), list()->viewport());
    EXPECT_EQ(cell->maxLength(), 120);
    EXPECT_TRUE(list()->viewport()->rect().contains(cell->geometry()));
    EXPECT_EQ(cell->geometry(), list()->visualRect(list()->currentIndex()));
}

TEST_F(MainWindowTest, EscapeClosesTheHelp)
{
    MainWindow& f = open();
    f.showHelpTopic({});
    HelpWindow& help = f.helpWindow();
    ASSERT_TRUE(help.isVisible());
    QTest::keyClick(help.browser(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}
