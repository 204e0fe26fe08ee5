#include "app/programstart.h"
#include "app/windows/filecopywindow.h"
#include "app/windows/interfacesettingswindow.h"
#include "app/windows/serverdatabasedialog.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include "model/inifile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace vyn;
using namespace vyn::test;

namespace {

// One 55-byte scheme record: the code's length, 20 code characters, 34 bytes.
QByteArray schemeRecord(const QByteArray& code, char fill)
{
    QByteArray r(55, '\0');
    r[0] = static_cast<char>(code.size());
    r.replace(1, code.size(), code);
    for (int i = 21; i < 55; ++i)
        r[i] = fill;
    return r;
}

// A program directory started once by the program, then the interface settings
// window created as the program start creates it.
class InterfaceWindow : public ::testing::Test
{
protected:
    InterfaceWindow()
    {
        QDir().mkpath(exe);
        QDir().mkpath(work);
        QFile::copy(binFile("rash.spe"), exe + QStringLiteral("rash.spe"));
        writeConf(schemeRecord("30", 1) + schemeRecord("10", 2));
    }
    ~InterfaceWindow() override
    {
        form.reset();
        if (start)
            start->shutDown();
    }

    void writeConf(const QByteArray& bytes) { writeAll(exe + QStringLiteral("conf.dat"), bytes); }

    InterfaceSettingsWindow& create()
    {
        start = std::make_unique<ProgramStart>(
            StartInputs{exe, work, root.filePath(QStringLiteral("tmp")), VersionData::fromBuild(),
                        ConfigDatabase::Options{100}},
            dialogs, db, session, conversion);
        start->startUp();
        dialogs.shown.clear();
        form = std::make_unique<InterfaceSettingsWindow>(InterfaceSettingsLinks{
            start->settings(), db, dialogs, [this] { return start->LoadConf(); },
            [this] { ++ended; }, &loader, QStringLiteral("Винк-Конфигуратор"),
            [this](const QString& t) { topics << t; }});
        return *form;
    }
    // The window as the menu command shows it.
    void showWindow()
    {
        form->showStoredSettings();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QLineEdit* edit(const char* name) const
    {
        return form->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QCheckBox* check(const char* name) const
    {
        return form->findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    void click(const QString& text)
    {
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->text() == text)
                return QTest::mouseClick(b, Qt::LeftButton);
        ADD_FAILURE() << "no button " << text.toStdString();
    }
    void browse(const char* name)
    {
        QToolButton* b = form->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // setvyn.ini as it is on disk.
    QString stored(const char* section, const char* key) const
    {
        return IniFile(exe + QStringLiteral("setvyn.ini"))
            .readString(QLatin1String(section), QLatin1String(key), QStringLiteral("<missing>"));
    }

    QTemporaryDir root;
    QString exe = root.filePath(QStringLiteral("prog/"));
    QString work = root.filePath(QStringLiteral("work"));
    FakeDialogs dialogs;
    ConfigDatabase db{ConfigDatabase::Options{100}};
    DeviceSession session;
    NoOldDatabaseConversion conversion;
    LoaderImage loader{};
    std::unique_ptr<ProgramStart> start;
    std::unique_ptr<InterfaceSettingsWindow> form;
    int ended = 0;
    QStringList topics;
};

const QString kConfMissing = QStringLiteral(
    "Файл conf.dat должен находится в рабочем каталоге программы. \n\rПрограмма будет закрыта");

} // namespace

TEST_F(InterfaceWindow, ShowsItsCaptionsAndHidesTheEmptyPassportList)
{
    InterfaceSettingsWindow& f = create();
    showWindow();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Интерфейсные настройки"));
    QStringList labels;
    for (QLabel* l : f.findChildren<QLabel*>())
        labels << l->text();
    for (const char* caption :
         {"Имя базы данных:", "Файл программатора", "Файл альтернативных дней:", "Файл тарифов:"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
    QStringList options;
    for (QCheckBox* c : f.findChildren<QCheckBox*>())
        options << c->text();
    EXPECT_EQ(options, (QStringList{"Прибор отображает NoCFG",
                                    "Устанавить в приборе контроль минимального значения расхода",
                                    "Сохранять историю ввода для характеристик расходомеров",
                                    "Сохранять историю ввода для характеристик термометров",
                                    "Осуществлять проверку полноты ввода данных",
                                    "Не осуществлять перевод на зимнее/летнее время",
                                    "Печатать серийные номера в карте программирования"}));
    QStringList radios;
    for (QRadioButton* r : f.findChildren<QRadioButton*>())
        radios << r->text() + (r->isChecked() ? QStringLiteral("*") : QString());
    EXPECT_EQ(radios, (QStringList{"На комплекс*", "На вычислитель"}));
    EXPECT_GE(f.width(), 451);
    for (QCheckBox* c : f.findChildren<QCheckBox*>())
        EXPECT_GE(c->width(), c->sizeHint().width()) << c->text().toStdString();

    // The list shows itself only for two kinds or more, and the window grows for it.
    auto* list = f.findChild<QListWidget*>(QStringLiteral("ListBox1"));
    EXPECT_FALSE(list->isVisible());
    const int shortened = f.height();
    f.setPassportKinds({QStringLiteral("Один")});
    EXPECT_FALSE(list->isVisible());
    f.setPassportKinds({QStringLiteral("Один"), QStringLiteral("Два")});
    EXPECT_TRUE(list->isVisible());
    EXPECT_GT(f.height(), shortened);
    f.setPassportKinds({});
    EXPECT_EQ(f.height(), shortened);

    click(QStringLiteral("Справка"));
    EXPECT_EQ(topics, QStringList{QStringLiteral("interf")});

    if (const QString wait = qEnvironmentVariable("SETVYN_SHOT_WAIT_MS"); !wait.isEmpty()) {
        f.move(20, 20);
        QTest::qWait(wait.toInt());
    }
}

TEST_F(InterfaceWindow, FirstStartLeavesTheCopiesEmptyUntilVvod)
{
    writeAll(exe + QStringLiteral("day.alt"), QByteArray(62, '\0'));
    InterfaceSettingsWindow& f = create();
    ASSERT_TRUE(start->firstStart());
    // Before the window has been confirmed, the other subsystems read empty files.
    InterfaceSettings s = f.current();
    EXPECT_EQ(s.altDaysFile, QString());
    EXPECT_EQ(s.tariffFile, QString());
    EXPECT_EQ(s.programmerFile, QString());
    EXPECT_EQ(s.databasePath, start->baseName());
    EXPECT_EQ(db.path(), start->baseName());
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(toWriteConfigInputs(s, {}).altDaysFile, QString());

    // Shown, it offers the first-start defaults; "Ввод" makes them effective.
    showWindow();
    EXPECT_EQ(edit("Edit3")->text(), exe + QStringLiteral("day.alt"));
    EXPECT_EQ(edit("Edit4")->text(), exe + QStringLiteral("save_tarif.trf"));
    EXPECT_EQ(edit("Edit5")->text(), exe + QStringLiteral("prg.vyn"));
    EXPECT_EQ(edit("Edit1")->text(), start->baseName());
    EXPECT_TRUE(check("CheckBox6")->isChecked());
    EXPECT_TRUE(check("CheckBox7")->isChecked());
    EXPECT_FALSE(check("CheckBox3")->isChecked());
    click(QStringLiteral("Ввод"));
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    s = f.current();
    EXPECT_EQ(s.altDaysFile, exe + QStringLiteral("day.alt"));
    EXPECT_EQ(s.tariffFile, exe + QStringLiteral("save_tarif.trf"));
    EXPECT_EQ(s.programmerFile, exe + QStringLiteral("prg.vyn"));
    EXPECT_EQ(stored("TForm1", "Edit3_Text"), exe + QStringLiteral("day.alt"));
    EXPECT_EQ(stored("TForm1", "Edit4_Text"), exe + QStringLiteral("save_tarif.trf"));
    EXPECT_EQ(stored("TForm1", "Edit5_Text"), exe + QStringLiteral("prg.vyn"));
    EXPECT_EQ(stored("TForm6", "CheckBox6_Checked"), QStringLiteral("True"));
    EXPECT_EQ(stored("TForm6", "CheckBox3_Checked"), QStringLiteral("False"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(InterfaceWindow, OtkazRestoresTheValueOfTheLastVvod)
{
    InterfaceSettingsWindow& f = create();
    showWindow();
    edit("Edit3")->setText(exe + QStringLiteral("first.alt"));
    click(QStringLiteral("Ввод"));

    showWindow();
    edit("Edit3")->setText(exe + QStringLiteral("second.alt"));
    edit("Edit4")->setText(exe + QStringLiteral("other.trf"));
    check("CheckBox3")->setChecked(true);
    // Until the window closes the changes are live.
    EXPECT_EQ(f.current().altDaysFile, exe + QStringLiteral("second.alt"));
    click(QStringLiteral("Отказ"));
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.current().altDaysFile, exe + QStringLiteral("first.alt"));
    EXPECT_EQ(f.current().tariffFile, exe + QStringLiteral("save_tarif.trf"));
    EXPECT_FALSE(f.current().minFlowControl);
    EXPECT_EQ(stored("TForm6", "Edit3_Text"), exe + QStringLiteral("first.alt"));
    EXPECT_EQ(stored("TForm6", "CheckBox3_Checked"), QStringLiteral("False"));
    EXPECT_EQ(stored("TForm1", "Edit3_Text"), exe + QStringLiteral("first.alt"));

    // Escape cancels the same way.
    showWindow();
    edit("Edit3")->setText(exe + QStringLiteral("third.alt"));
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_EQ(f.current().altDaysFile, exe + QStringLiteral("first.alt"));
    EXPECT_TRUE(db.isOpen());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(InterfaceWindow, LoadsTheSchemeTableWithAZeroFilledTail)
{
    const struct
    {
        QByteArray bytes;
        int records;
    } cases[] = {
        {schemeRecord("30", 1) + schemeRecord("10", 2), 2},
        {schemeRecord("30", 1) + schemeRecord("10", 2) + schemeRecord("21", 3).left(10), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        writeConf(c.bytes);
        form.reset();
        if (start)
            start->shutDown();
        create();
        ASSERT_EQ(static_cast<int>(start->schemeTable().records().size()), c.records);
        EXPECT_EQ(start->schemeTableFlag(), 0);
        EXPECT_EQ(start->schemeTable().records()[1].code, QStringLiteral("10"));
        EXPECT_EQ(start->schemeTable().records()[1].parameters[33], 2);
        if (c.records == 3) {
            const SchemeRecord& tail = start->schemeTable().records()[2];
            EXPECT_EQ(tail.code, QStringLiteral("21"));
            for (std::uint8_t b : tail.parameters)
                EXPECT_EQ(b, 0);
        }
        EXPECT_EQ(ended, 0);
    }

    // "Ввод" loads it again: a changed file is taken, a missing one ends the program.
    writeConf(schemeRecord("30", 1));
    showWindow();
    click(QStringLiteral("Ввод"));
    EXPECT_EQ(start->schemeTable().records().size(), 1u);
    QFile::remove(exe + QStringLiteral("conf.dat"));
    showWindow();
    click(QStringLiteral("Ввод"));
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(dialogs.messages(), QStringList{kConfMissing});
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Внимание!"));
    EXPECT_EQ(start->schemeTable().records().size(), 1u);
}

TEST_F(InterfaceWindow, MissingConfDatAtCreationEndsTheProgram)
{
    QFile::remove(exe + QStringLiteral("conf.dat"));
    create();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(dialogs.messages(), QStringList{kConfMissing});
    EXPECT_EQ(start->schemeTableFlag(), -1);
}

TEST_F(InterfaceWindow, DatabaseBrowseConnectsSQLiteAndRefusesOthers)
{
    InterfaceSettingsWindow& f = create();
    showWindow();
    const QString first = start->baseName();
    const QString other = root.filePath(QStringLiteral("other.sqlite"));
    writeAll(other, QByteArray()); // an empty file becomes a new database
    const QString text = root.filePath(QStringLiteral("notes.db"));
    writeAll(text,
             QByteArray("this is not a database, but a long enough text file\n").repeated(20));
    const QString jet = root.filePath(QStringLiteral("MXVynBase.mdb"));
    writeAll(jet, QByteArray(64, '\0'));

    // Cancelled: nothing changes.
    browse("SpeedButton1");
    ASSERT_EQ(dialogs.of(FakeDialogs::Kind::OpenFile).size(), 1);
    const FileChoice choice = dialogs.of(FakeDialogs::Kind::OpenFile)[0].file;
    EXPECT_EQ(choice.filter, QStringLiteral("Файлы базы данных (*.sqlite *.db)"));
    EXPECT_EQ(choice.directory, QFileInfo(first).absolutePath());
    EXPECT_EQ(db.path(), first);

    // A Jet file is refused and names the import; the connection stays.
    dialogs.openFiles.enqueue(jet);
    browse("SpeedButton1");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains(QStringLiteral("Импорт базы")));
    EXPECT_TRUE(dialogs.messages()[0].contains(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(edit("Edit1")->text(), first);

    // Another SQLite file: connected, shown, stored at once as BaseName.
    dialogs.openFiles.enqueue(other);
    browse("SpeedButton1");
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(db.path(), other);
    EXPECT_EQ(edit("Edit1")->text(), other);
    EXPECT_EQ(stored("TForm1", "BaseName"), other);

    // A file that is no database: the message, the database in use stays, nothing stored.
    dialogs.shown.clear();
    dialogs.openFiles.enqueue(text);
    browse("SpeedButton1");
    ASSERT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Не удалось подключиться к выбранной базе данных")});
    EXPECT_EQ(dialogs.shown.last().caption, QStringLiteral("Сообщение"));
    EXPECT_EQ(dialogs.shown.last().messageKind, MessageKind::Error);
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(db.path(), other);
    EXPECT_EQ(edit("Edit1")->text(), other);
    EXPECT_EQ(stored("TForm1", "BaseName"), other);

    // "Отказ" connects the stored BaseName again.
    click(QStringLiteral("Отказ"));
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(db.path(), other);
    EXPECT_EQ(f.current().databasePath, other);
}

TEST_F(InterfaceWindow, NeverShownItHoldsWhatItsControlsWouldAndWritesTheSameSettings)
{
    // One session: the window created at start, the menu's showStoredSettings, closed with
    // "Ввод" or "Отказ" — its controls made by showing it, or never made.
    const auto session = [this](const QByteArray& ini, bool shown, bool enter) {
        form.reset();
        if (start)
            start->shutDown();
        start.reset();
        QDir(exe).removeRecursively();
        QDir().mkpath(exe);
        QFile::copy(binFile("rash.spe"), exe + QStringLiteral("rash.spe"));
        writeConf(schemeRecord("30", 1));
        if (!ini.isNull())
            writeAll(exe + QStringLiteral("setvyn.ini"), ini);
        create();
        std::vector<InterfaceSettings> seen{form->current()};
        form->setPassportKinds({QStringLiteral("Один"), QStringLiteral("Два")});
        if (shown)
            showWindow();
        else
            form->showStoredSettings();
        seen.push_back(form->current());
        if (enter)
            form->acceptSettings();
        else
            form->cancelSettings();
        seen.push_back(form->current());
        form.reset();
        start->shutDown();
        start.reset();
        return std::pair(seen, readAll(exe + QStringLiteral("setvyn.ini")));
    };
    const QByteArray longPath = "/p/" + QByteArray(40000, 'x') + ".alt";
    const struct
    {
        const char* what;
        QByteArray ini;
    } cases[] = {
        {"first start", QByteArray()},
        {"stored values",
         "[TForm6]\nEdit1_Text=/p/other.sqlite\nEdit3_Text=/p/a.alt\nEdit4_Text=/p/t.trf\n"
         "Edit5_Text=/p/prg.vyn\nCheckBox3_Checked=True\nCheckBox4_Checked=True\n"
         "CheckBox5_Checked=True\nCheckBox6_Checked=False\nCheckBox7_Checked=False\n"
         "[TForm1]\nEdit3_Text=/p/b.alt\nEdit4_Text=\nEdit5_Text=/p/c.vyn\n"
         "[Start]\nFirstStart=\n"},
        {"empty and missing values",
         "[TForm6]\nEdit3_Text=\nCheckBox6_Checked=\n[Start]\nFirstStart=\n"},
        {"a path longer than a line edit holds", "[TForm6]\nEdit3_Text=" + longPath +
                                                     "\n[TForm1]\nEdit3_Text=" + longPath +
                                                     "\n[Start]\nFirstStart=\n"},
    };
    for (const auto& c : cases)
        for (const bool enter : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (enter ? ", Ввод" : ", Отказ"));
            const auto [held, heldIni] = session(c.ini, false, enter);
            const auto [shown, shownIni] = session(c.ini, true, enter);
            ASSERT_EQ(held.size(), shown.size());
            for (std::size_t i = 0; i < held.size(); ++i) {
                SCOPED_TRACE(i);
                EXPECT_EQ(held[i], shown[i]);
                EXPECT_FALSE(held[i].databasePath.isNull());
                EXPECT_LE(held[i].altDaysFile.size(), 32767);
            }
            EXPECT_EQ(heldIni, shownIni);
            EXPECT_FALSE(heldIni.isEmpty());
            EXPECT_EQ(ended, 0);
        }
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
}

TEST(ServerDatabaseDialog, FieldsMakeTheServerAddressWithoutAPassword)
{
    QString error;
    const auto shown = DatabaseLocation::parse(
        QStringLiteral("postgresql://ivanov@db.example:5433/vyn?sslmode=require"), error);
    ASSERT_TRUE(shown) << error.toStdString();
    ServerDatabaseDialog dialog(*shown);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Сервер PostgreSQL"));
    EXPECT_EQ(dialog.hostField()->text(), QStringLiteral("db.example"));
    EXPECT_EQ(dialog.portField()->value(), 5433);
    EXPECT_EQ(dialog.databaseField()->text(), QStringLiteral("vyn"));
    EXPECT_EQ(dialog.userField()->text(), QStringLiteral("ivanov"));
    EXPECT_TRUE(dialog.enterButton()->isEnabled());

    dialog.hostField()->setText(QStringLiteral(" 10.0.0.7 "));
    dialog.userField()->setText(QStringLiteral("petrov"));
    // The connection options of the server in use are kept.
    EXPECT_EQ(dialog.location().toString(),
              QStringLiteral("postgresql://petrov@10.0.0.7:5433/vyn?sslmode=require"));
    dialog.databaseField()->clear();
    EXPECT_FALSE(dialog.enterButton()->isEnabled()) << "a database must be named";

    // A file in use: empty fields and the usual port.
    DatabaseLocation file;
    file.path = QStringLiteral("/home/u/MXVynBase.sqlite");
    ServerDatabaseDialog fresh(file);
    EXPECT_TRUE(fresh.hostField()->text().isEmpty());
    EXPECT_EQ(fresh.portField()->value(), 5432);
    EXPECT_FALSE(fresh.enterButton()->isEnabled());
}

TEST_F(InterfaceWindow, AServerThatCannotBeReachedLeavesTheDatabaseInUse)
{
    std::optional<DatabaseLocation> asked;
    create();
    form->setServerChooser([&](const DatabaseLocation& shown) {
        asked = shown;
        DatabaseLocation server;
        server.engine = SqlEngine::Postgres;
        server.host = QStringLiteral("127.0.0.1");
        server.port = 1; // nothing listens there
        server.database = QStringLiteral("vyn");
        server.user = QStringLiteral("engineer");
        return std::optional<DatabaseLocation>(server);
    });
    showWindow();
    const QString first = start->baseName();

    dialogs.shown.clear();
    browse("serverDatabase");
    ASSERT_TRUE(asked);
    EXPECT_FALSE(asked->isServer()) << "a file is in use";
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].contains(QStringLiteral("127.0.0.1")))
        << dialogs.messages()[0].toStdString();
    EXPECT_EQ(dialogs.shown.last().messageKind, MessageKind::Error);
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(db.path(), first);
    EXPECT_EQ(edit("Edit1")->text(), first);
    EXPECT_EQ(stored("TForm1", "BaseName"), first);
}

TEST_F(InterfaceWindow, FileBrowseButtons)
{
    create();
    showWindow();
    const QString prg = root.filePath(QStringLiteral("new.vyn"));
    writeAll(prg, "@F000\n12 34\nq\n");
    const QString alt = root.filePath(QStringLiteral("days.alt"));
    const QString trf = root.filePath(QStringLiteral("tarif.trf"));
    dialogs.openFiles << prg << alt << trf;
    browse("SpeedButton2");
    browse("SpeedButton3");
    browse("SpeedButton4");

    const auto choices = dialogs.of(FakeDialogs::Kind::OpenFile);
    ASSERT_EQ(choices.size(), 3);
    EXPECT_EQ(choices[0].file.filter, QStringLiteral("Файлы программатора (*.vyn)"));
    EXPECT_EQ(choices[0].file.defaultSuffix, QStringLiteral("vyn"));
    EXPECT_EQ(choices[0].file.directory, QDir(exe).absolutePath());
    EXPECT_EQ(choices[1].file.filter, QStringLiteral("Файл альтернативных дней(*.alt)"));
    EXPECT_EQ(choices[1].file.defaultSuffix, QStringLiteral("alt"));
    EXPECT_EQ(choices[2].file.filter, QStringLiteral("Файлы тарифов (*.trf)"));
    EXPECT_EQ(choices[2].file.defaultSuffix, QStringLiteral("trf"));

    EXPECT_EQ(edit("Edit5")->text(), prg);
    EXPECT_EQ(edit("Edit3")->text(), alt);
    EXPECT_EQ(edit("Edit4")->text(), trf);
    // The programmer file is the main window's at once and loaded into the buffer.
    EXPECT_EQ(start->settings().readString(QStringLiteral("TForm1"), QStringLiteral("Prg")), prg);
    EXPECT_EQ(loader.at(0xF000), 0x12);
    EXPECT_EQ(loader.at(0xF001), 0x34);
    EXPECT_EQ(loader.at(0xF002), 0xFF);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

namespace {

class CopyWindow : public ::testing::Test
{
protected:
    CopyWindow()
    {
        QDir().mkpath(exe);
        ini = IniFile(exe + QStringLiteral("setvyn.ini"));
        form = std::make_unique<FileCopyWindow>(ini, dialogs, exe,
                                                QStringLiteral("Винк-Конфигуратор"));
        form->showStoredSettings();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QLineEdit* field() const
    {
        return form->findChild<QLineEdit*>(QStringLiteral("FilenameEdit1"));
    }
    void copy()
    {
        for (QPushButton* b : form->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Копировать"))
                return QTest::mouseClick(b, Qt::LeftButton);
        ADD_FAILURE() << "no button";
    }

    QTemporaryDir root;
    QString exe = root.filePath(QStringLiteral("prog/"));
    IniFile ini;
    FakeDialogs dialogs;
    std::unique_ptr<FileCopyWindow> form;
};

} // namespace

TEST_F(CopyWindow, CopiesOverAnExistingFile)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Копирование файлов в директорию программы"));
    EXPECT_EQ(form->width(), 602);
    const QString source = root.filePath(QStringLiteral("conf.dat"));
    writeAll(source, QByteArray(110, '\x01'));
    writeAll(exe + QStringLiteral("conf.dat"), QByteArray(165, '\x02'));
    dialogs.openFiles.enqueue(source);
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("FilenameEdit1_Button")),
                      Qt::LeftButton);
    EXPECT_EQ(field()->text(), source);
    copy();
    // The scheme table was read at the start: the copy counts from the next one.
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Файл успешно скопирован!\nКопия вступит в силу при "
                                         "следующем запуске программы.")});
    EXPECT_EQ(readAll(exe + QStringLiteral("conf.dat")), QByteArray(110, '\x01'));

    // The field is kept in section "TForm8" when the window closes, and shown next time.
    form->close();
    EXPECT_EQ(IniFile(exe + QStringLiteral("setvyn.ini"))
                  .readString(QStringLiteral("TForm8"), QStringLiteral("FilenameEdit1_Text")),
              source);
    field()->clear();
    form->showStoredSettings();
    EXPECT_EQ(field()->text(), source);
}

TEST_F(CopyWindow, MissingSourceShowsTheSystemCode)
{
    writeAll(exe + QStringLiteral("prg.vyn"), "kept");
    field()->setText(root.filePath(QStringLiteral("nowhere/prg.vyn")));
    copy();
    ASSERT_EQ(dialogs.messages(),
              QStringList{
                  QStringLiteral("Ошибка Копирования файла! Код: 2 (No such file or directory)")});
    EXPECT_EQ(dialogs.shown[0].messageKind, MessageKind::Error);
    EXPECT_EQ(readAll(exe + QStringLiteral("prg.vyn")), QByteArray("kept"));
}
