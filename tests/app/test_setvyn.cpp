// The whole program in a temporary program directory: the real start-up, the
// configuration database in an SQLite file, the main window offscreen, and the
// write command against vynsim on a pseudo-terminal.

#include "app/currentconfig.h"
#include "app/databasebrowsingstore.h"
#include "app/windows/interfacesettingswindow.h"
#include "app/windows/mainwindow.h"
#include "app/windows/sessionend.h"
#include "app/windows/setvynapplication.h"
#include "apptesting.h"
#include "documents/firmdetails.h"
#include "editor/windows/channelgrid.h"
#include "editor/windows/configeditorwindow.h"
#include "model/configfile.h"
#include "model/inifile.h"
#include "tests/common/dbffixture.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"
#include "tests/support/simprocess.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

using namespace vyn;
using namespace vyn::test;

namespace {

const QString kTitle = QStringLiteral("Винк-Конфигуратор 3.7.2.1");

class Setvyn : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid() && work.isValid() && temp.isValid());
        for (const char* name : {"rash.spe", "conf.dat", "prg.vyn"})
            ASSERT_TRUE(QFile::copy(binFile(name), path(name))) << name;
    }
    void TearDown() override { end(); }

    QString path(const QString& name) const { return home.filePath(name); }
    QString path(const char* name) const { return path(QString::fromUtf8(name)); }
    QString base() const { return path("MXVynBase.sqlite"); }

    // A setvyn.ini from an earlier run, its database at base().
    void earlierRun(const QByteArray& more = {})
    {
        writeAll(path("setvyn.ini"),
                 "[Start]\nFirstStart=\n[TForm1]\nBaseName=" + base().toUtf8() + "\n" + more);
    }
    // Starts with short line waits and one stored row, newerWithPressures().
    void startWithStoredRow(const QByteArray& settings)
    {
        earlierRun(settings);
        ProtoTimings fast;
        fast.lineResetLowMs = 50;
        fast.lineResetHighMs = 50;
        fast.configFinalPauseMs = 100;
        ASSERT_TRUE(start(fast));
        program->record() = newerWithPressures();
        ASSERT_TRUE(program->currentConfiguration().save(true).posted);
        form().refreshList();
    }
    // The live log of slowCalculatorWithStoredRow's simulator.
    QString simLog() const { return path("slow-sim.json"); }
    // Blocks until the simulator has taken a few parameters of the write.
    bool someParametersWritten() const
    {
        return vyntest::waitForLogLines(simLog(), "\"parameter\"", 3);
    }
    // A calculator on a slow line (a write takes half a minute at 1200 baud) and
    // the stored row to write into it; none when the simulator did not start.
    std::unique_ptr<vyntest::SimProcess> slowCalculatorWithStoredRow()
    {
        auto sim = std::make_unique<vyntest::SimProcess>(
            QStringList{QStringLiteral("--serial"), QStringLiteral("12345678"),
                        QStringLiteral("--pace"), QStringLiteral("--speed"), QStringLiteral("1200"),
                        QStringLiteral("--idle-exit"), QStringLiteral("60"),
                        QStringLiteral("--log"), simLog()});
        if (!sim->started()) {
            ADD_FAILURE() << sim->error().toStdString();
            return nullptr;
        }
        startWithStoredRow("[TFormCommConfig]\nPort=" + sim->path().toUtf8() + "\nSpeed=0\n");
        return sim;
    }
    void addRows(const std::vector<StoredRow>& rows) { addRows(base(), rows); }
    static void addRows(const QString& file, const std::vector<StoredRow>& rows)
    {
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(file));
        ASSERT_TRUE(db.appendRows(rows).ok);
    }
    // "Копировать файл" of the named file, as the user does it.
    void copyIntoProgramDirectory(const QString& source)
    {
        onModal([source](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("FilenameEdit1"))->setText(source);
            QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
        });
        form().findChild<QAction*>(QStringLiteral("N5"))->trigger();
    }

    bool start(std::optional<ProtoTimings> timings = {}, std::optional<OperateTimings> op = {})
    {
        SetvynOptions o;
        o.exeDir = home.path() + QLatin1Char('/');
        o.workingDir = work.path();
        o.tempRoot = temp.path();
        o.dialogs = &user;
        o.database.busyTimeoutMs = 200;
        o.protoTimings = timings;
        o.operateTimings = op;
        o.ports = [](QStringList& ports) { ports.clear(); };
        o.clock = clock;
        program = std::make_unique<SetvynApplication>(o);
        if (!program->start())
            return false;
        program->mainWindow().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&program->mainWindow()));
        return true;
    }
    // Closes the main window and ends the program as main() does.
    void end()
    {
        if (!program)
            return;
        if (program->hasWindows())
            program->mainWindow().close();
        program->finish();
        program.reset();
    }
    QString ini(const char* section, const char* key) const
    {
        IniFile f(path("setvyn.ini"));
        return f.readString(QString::fromLatin1(section), QString::fromLatin1(key));
    }
    QStringList tempEntries() const
    {
        return QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    MainWindow& form() { return program->mainWindow(); }
    QTableView* list() { return form().findChild<QTableView*>(QStringLiteral("DBGrid1")); }
    QAbstractButton* button(const QString& text)
    {
        for (QAbstractButton* b : form().findChildren<QAbstractButton*>())
            if (b->text() == text && b->window() == &form())
                return b;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    void click(const QString& text) { QTest::mouseClick(button(text), Qt::LeftButton); }
    void search(const QString& text)
    {
        form().findChild<QLineEdit*>(QStringLiteral("SearchText"))->setText(text);
    }
    QStringList shownSerials()
    {
        QStringList out;
        const QAbstractItemModel* m = list()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString();
        return out;
    }
    QStringList storedSerials()
    {
        RawDb raw(program->database().path());
        return raw.column(QStringLiteral("SELECT SNUM FROM VYN_Base ORDER BY ID"));
    }

    // Runs the step on the next modal window once it is shown, then closes
    // whatever the step left open; modalSeen names the window it met.
    void onModal(std::function<void(QWidget*)> step)
    {
        modalSeen.clear();
        modalPoll.setInterval(20);
        modalPoll.disconnect();
        QObject::connect(&modalPoll, &QTimer::timeout, [this, step] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible())
                return;
            modalPoll.stop();
            modalSeen = w->objectName();
            step(w);
            if (QApplication::activeModalWidget() == w)
                w->close();
        });
        modalPoll.start();
    }

    QTemporaryDir home, work, temp;
    FakeDialogs user;
    std::function<QDateTime()> clock; // none: the computer's
    QTimer modalPoll;
    QString modalSeen;
    std::unique_ptr<SetvynApplication> program;
};

std::vector<StoredRow> fiveRows()
{
    std::vector<StoredRow> rows;
    const char* serials[] = {"10450021", "12001207", "00120034", "77777777", "31313131"};
    for (int i = 0; i < 5; ++i)
        rows.push_back(listRow(QString::fromLatin1(serials[i]), QDate(2015, 3, i + 1),
                               QStringLiteral("объект %1").arg(i)));
    return rows;
}

} // namespace

TEST_F(Setvyn, FirstAndSecondStartOfTheSettingsFile)
{
    writeAll(path("year.alt"), QByteArray(62, '\0'));
    ASSERT_TRUE(start());
    EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form().windowTitle(), kTitle);
    EXPECT_EQ(ini("Start", "FirstStart"), QStringLiteral("first"));
    EXPECT_EQ(ini("TForm1", "Prg"), path("prg.vyn"));
    EXPECT_EQ(ini("TForm6", "Edit3_Text"), path("year.alt"));
    EXPECT_EQ(ini("TForm6", "Edit4_Text"), path("save_tarif.trf"));
    // The loader was read from the programmer file.
    EXPECT_NE(program->loaderImage(), LoaderImage());
    // The private directory lives while the program runs, with the decoded catalogue.
    const QString tempDir = program->programStart().TempDir();
    EXPECT_TRUE(QFileInfo::exists(tempDir + QStringLiteral("/rash.ini")));
    EXPECT_EQ(QFileInfo(tempDir).permissions() & 0x0077, 0);
    EXPECT_EQ(list()->model()->rowCount(), 0);
    end();
    EXPECT_TRUE(tempEntries().isEmpty());
    EXPECT_FALSE(ini("TForm1", "Width").isEmpty()); // the window's placement was written

    // Second start: FirstStart emptied, a changed default stays as it is.
    IniFile f(path("setvyn.ini"));
    f.writeString(QStringLiteral("TForm6"), QStringLiteral("Edit4_Text"), QStringLiteral("own.trf"));
    ASSERT_TRUE(f.save());
    ASSERT_TRUE(start());
    EXPECT_EQ(ini("Start", "FirstStart"), QString());
    EXPECT_EQ(ini("TForm6", "Edit4_Text"), QStringLiteral("own.trf"));
    EXPECT_TRUE(user.shown.isEmpty());
}

TEST_F(Setvyn, BaseNameNamingNoFileIsSaidAndTheProgramDirectorysDatabaseOpened)
{
    earlierRun();
    addRows(fiveRows());
    const QString gone = home.filePath(QStringLiteral("gone/base.sqlite"));
    IniFile f(path("setvyn.ini"));
    f.writeString(QStringLiteral("TForm1"), QStringLiteral("BaseName"), gone);
    ASSERT_TRUE(f.save());
    ASSERT_TRUE(start());
    EXPECT_EQ(user.messages(), QStringList{QStringLiteral("База данных %1 не найдена. Открыта база %2.")
                                               .arg(gone, base())});
    EXPECT_EQ(user.shown.value(0).caption, kTitle);
    EXPECT_EQ(program->database().path(), base());
    EXPECT_EQ(shownSerials().size(), 5);
    end();
    EXPECT_EQ(ini("TForm1", "BaseName"), base());
    EXPECT_TRUE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    // Said once: the next start opens the stored file without a word.
    user.shown.clear();
    ASSERT_TRUE(start());
    EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Setvyn, MissingCatalogueEndsTheProgramAfterStartUp)
{
    QFile::remove(path("rash.spe"));
    EXPECT_FALSE(start());
    ASSERT_FALSE(user.shown.isEmpty());
    EXPECT_EQ(user.shown.first().text,
              QStringLiteral("Не возможно открыть файл : rash.spe\r\nВыполнение программы завершено."));
    EXPECT_EQ(user.shown.first().caption, QStringLiteral("Сообщение"));
    EXPECT_TRUE(tempEntries().isEmpty());
    EXPECT_FALSE(program->database().isOpen());
}

TEST_F(Setvyn, FileThatIsNoDatabaseIsRefusedAndLeftAlone)
{
    const QByteArray text = "ID;SNUM\n1;12345678\n";
    writeAll(base(), text);
    earlierRun();
    ASSERT_TRUE(start());
    EXPECT_EQ(user.messages(),
              QStringList({QStringLiteral("Невозможно открыть базу приборов. Проверьте настройки."),
                           QStringLiteral("Ошибка инициализации программы")}));
    EXPECT_EQ(user.shown.first().caption, QStringLiteral("Сообщение"));
    // The window opens with an empty list.
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(list()->model()->rowCount(), 0);
    end();
    EXPECT_EQ(readAll(base()), text);
}

TEST_F(Setvyn, FilterOnAndOffAndDeleteOnTheDatabase)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    const QStringList all{"10450021", "12001207", "00120034", "77777777", "31313131"};
    EXPECT_EQ(shownSerials(), all);
    // Start-up leaves the newest row current.
    EXPECT_EQ(form().panelText(0), QStringLiteral("5"));

    // Blank text: "Вкл" goes down, the list stays.
    search(QStringLiteral("  "));
    click(QStringLiteral("Вкл"));
    EXPECT_TRUE(button(QStringLiteral("Вкл"))->isChecked());
    EXPECT_EQ(shownSerials(), all);

    search(QStringLiteral("0012"));
    EXPECT_EQ(shownSerials(), QStringList({"12001207", "00120034"}));
    EXPECT_EQ(form().panelText(1), QStringLiteral("2"));
    search(QStringLiteral("9999"));
    EXPECT_TRUE(shownSerials().isEmpty());
    EXPECT_EQ(form().panelText(1), QStringLiteral("0"));
    EXPECT_FALSE(button(QStringLiteral("Удалить"))->isEnabled());
    EXPECT_FALSE(button(QStringLiteral("Вкл"))->isEnabled());

    search(QStringLiteral("0012"));
    click(QStringLiteral("Выкл"));
    EXPECT_EQ(shownSerials(), all);
    EXPECT_EQ(form().panelText(1), QString());

    // Delete: No keeps the row, Yes removes it from the file.
    list()->setCurrentIndex(list()->model()->index(1, 0));
    user.answers.enqueue(false);
    click(QStringLiteral("Удалить"));
    EXPECT_EQ(storedSerials(), all);
    user.answers.enqueue(true);
    click(QStringLiteral("Удалить"));
    ASSERT_EQ(user.of(FakeDialogs::Kind::Ask).size(), 2);
    EXPECT_EQ(user.shown.last().text, QStringLiteral("Вы хотите удалить выбранную запись?"));
    EXPECT_EQ(user.shown.last().caption, kTitle);
    EXPECT_EQ(storedSerials(), QStringList({"10450021", "00120034", "77777777", "31313131"}));
    EXPECT_EQ(shownSerials(), storedSerials());
}

TEST_F(Setvyn, CopyAppendsTheCurrentRowWithSerialZeros)
{
    earlierRun();
    ASSERT_TRUE(start());
    program->record() = newerWithPressures();
    const auto saved = program->currentConfiguration().save(true);
    ASSERT_TRUE(saved.posted);
    ASSERT_TRUE(program->database().setText(saved.id, QStringLiteral("COMMENT"),
                                            QStringLiteral("ЦТП-4")));
    form().refreshList();
    ASSERT_EQ(shownSerials(), QStringList({"12345678"}));

    // The copy is saved as the editor's "Ввод" saves, with its completeness question.
    user.answers.enqueue(true);
    click(QStringLiteral("Копировать"));
    ASSERT_EQ(user.shown.size(), 1) << user.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(user.shown.first().kind, FakeDialogs::Kind::Ask);
    EXPECT_TRUE(user.shown.first().text.startsWith(
        QStringLiteral("При создании конфигурации остались не введенные поля")));
    EXPECT_EQ(storedSerials(), QStringList({"12345678", "00000000"}));
    EXPECT_EQ(shownSerials(), storedSerials());
    // The configuration's other values are the original's.
    RawDb raw(program->database().path());
    QStringList others = raw.column(QStringLiteral(
        "SELECT TYPE_VYN || '/' || CXEMA || '/' || RASH || '/' || M_PMAX FROM VYN_Base"));
    EXPECT_EQ(others.size(), 2);
    others.removeDuplicates();
    EXPECT_EQ(others.size(), 1) << others.join(QLatin1Char(',')).toStdString();
}

TEST_F(Setvyn, InterfaceSettingsChangeWhatTheNextWriteReads)
{
    earlierRun();
    ASSERT_TRUE(start());
    EXPECT_TRUE(writeInputsFromSettings(program->interfaceSettings().current(), {}).noDaylightSaving);
    onModal([](QWidget* w) {
        w->findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(modalSeen, QStringLiteral("Form6"));
    EXPECT_FALSE(writeInputsFromSettings(program->interfaceSettings().current(), {}).noDaylightSaving);
    EXPECT_FALSE(IniFile(path("setvyn.ini"))
                     .readBool(QStringLiteral("TForm6"), QStringLiteral("CheckBox7_Checked"), true));
    EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Setvyn, FileCopyIntoTheProgramDirectory)
{
    earlierRun();
    ASSERT_TRUE(start());
    const QString source = work.filePath(QStringLiteral("own.alt"));
    writeAll(source, QByteArray(62, '\1'));
    onModal([source](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("FilenameEdit1"))->setText(source);
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    QAction* copy = form().findChild<QAction*>(QStringLiteral("N5"));
    ASSERT_TRUE(copy && copy->isEnabled());
    copy->trigger();
    EXPECT_EQ(modalSeen, QStringLiteral("Form8"));
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Файл успешно скопирован!")}));
    EXPECT_EQ(readAll(path("own.alt")), QByteArray(62, '\1'));
    EXPECT_EQ(ini("TForm8", "FilenameEdit1_Text"), source);
}

TEST_F(Setvyn, FirmDetailsFromTheFileMenuAndTheInterfaceSettingsGoIntoTheProgramDirectory)
{
    earlierRun();
    ASSERT_TRUE(start());
    onModal([](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("firmName"))->setText(QStringLiteral("ООО «Фирма»"));
        w->findChild<QLineEdit*>(QStringLiteral("firmPhone"))->setText(QStringLiteral("+7 000"));
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("saveFirm")), Qt::LeftButton);
    });
    QAction* firm = form().findChild<QAction*>(QStringLiteral("firmDetails"));
    ASSERT_TRUE(firm && firm->isEnabled());
    firm->trigger();
    EXPECT_EQ(modalSeen, QStringLiteral("FirmDetailsWindow"));
    EXPECT_EQ(readFirmDetails(path("firm.ini")).name, QStringLiteral("ООО «Фирма»"));

    // The interface settings reach the same window with the stored details.
    QString shownName;
    onModal([this, &shownName](QWidget* settings) {
        onModal([&shownName](QWidget* w) {
            shownName = w->findChild<QLineEdit*>(QStringLiteral("firmName"))->text();
        });
        auto* button = settings->findChild<QAbstractButton*>(QStringLiteral("firmDetails"));
        ASSERT_TRUE(button && button->isEnabled());
        button->click();
    });
    form().findChild<QAction*>(QStringLiteral("N26"))->trigger();
    EXPECT_EQ(shownName, QStringLiteral("ООО «Фирма»"));
    EXPECT_EQ(modalSeen, QStringLiteral("FirmDetailsWindow"));
}

TEST_F(Setvyn, EditOpensTheEditorOnTheCurrentRow)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    list()->setCurrentIndex(list()->model()->index(1, 0));
    QString serial;
    onModal([&serial](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        serial = editor->serialField()->text();
        EXPECT_FALSE(editor->typeList()->isEnabled());
        QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(serial, QStringLiteral("12001207"));
    EXPECT_FALSE(program->editor().isVisible());
    EXPECT_EQ(storedSerials().size(), 5);
}

TEST_F(Setvyn, ImportOfAnOlderTableAddsItsRows)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    const QString table = work.filePath(QStringLiteral("old.dbf"));
    ASSERT_TRUE(writeDbf(table, 0x65, {{"SNUM", 'C', 20}, {"Cxema", 'C', 3}, {"COMMENT", 'C', 200}},
                         {{QStringLiteral("A0012"), QStringLiteral("36"), QStringLiteral("Котельная")},
                          {QStringLiteral("10450021"), QStringLiteral("40"), QStringLiteral("есть")}}));
    user.openFiles.enqueue(table);
    QTest::keyClick(&form(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_FALSE(user.shown.isEmpty());
    EXPECT_EQ(user.shown.first().caption, QStringLiteral("Импорт базы"));
    // The serial stored already is skipped.
    EXPECT_EQ(storedSerials(), QStringList({"10450021", "12001207", "00120034", "77777777",
                                            "31313131", "A0012"}));
    QStringList shown = shownSerials(), stored = storedSerials();
    shown.sort();
    stored.sort();
    EXPECT_EQ(shown, stored);
    EXPECT_EQ(form().panelText(3), QString()); // the waiting text is gone
}

TEST_F(Setvyn, DocumentsNeedAnIdentifiedCalculator)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    for (const char* name : {"ToolButtonPassport", "ToolButtonCard"}) {
        SCOPED_TRACE(name);
        user.shown.clear();
        QAction* a = form().findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_TRUE(a && a->isEnabled());
        a->trigger();
        EXPECT_EQ(user.messages(),
                  QStringList({QStringLiteral("Печать возможна только для подключенного прибора!")}));
    }
}

TEST_F(Setvyn, WriteCommandIntoASimulatedCalculator)
{
    vyntest::SimProcess sim({QStringLiteral("--generation"), QStringLiteral("04"),
                             QStringLiteral("--serial"), QStringLiteral("12345678"),
                             QStringLiteral("--log"), home.filePath(QStringLiteral("log.json")),
                             QStringLiteral("--idle-exit"), QStringLiteral("60")});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    startWithStoredRow("[TFormCommConfig]\nPort=" + sim.path().toUtf8() + "\n");

    // Whatever the record held before, the write takes the current row.
    program->record() = ConfigRecord();
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Конфигурация записана успешно")}));
    EXPECT_EQ(form().panelText(1), QStringLiteral("3")); // DeviceVersion: fifth digit 5
    EXPECT_EQ(form().progressPosition(), 0);
    EXPECT_EQ(program->database().currentRow()->value(QStringLiteral("DeviceSoftData")).toDate(),
              QDate(2015, 3, 1));

    sim.stop();
    QFile f(home.filePath(QStringLiteral("log.json")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QMap<QString, QString> params;
    int count = 0;
    for (const QJsonValue& p :
         QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("parameters")].toArray()) {
        params[p[QStringLiteral("prefix")].toString()] = p[QStringLiteral("value")].toString();
        ++count;
    }
    EXPECT_EQ(count, 127);
    EXPECT_EQ(params.value(QStringLiteral("03352000380001")), QStringLiteral("14")); // scheme
    // "Не осуществлять перевод на зимнее/летнее время" is on: bit 0x08 clear.
    bool ok = false;
    const int options = params.value(QStringLiteral("03352500880001")).toInt(&ok, 16);
    EXPECT_TRUE(ok);
    EXPECT_EQ(options & 0x08, 0);
}

TEST_F(Setvyn, AskedToEndDuringAWriteStopsBetweenParameters)
{
    const auto sim = slowCalculatorWithStoredRow();
    ASSERT_TRUE(sim);

    // The write holds the window thread; the request comes from elsewhere, as
    // from a signal handler.
    std::thread ending([this] {
        EXPECT_TRUE(someParametersWritten());
        program->requestDeviceCommandStop();
    });
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    ending.join();
    ASSERT_EQ(user.messages().size(), 1);
    EXPECT_TRUE(user.messages()[0].startsWith(QStringLiteral("Запись прервана: записано ")))
        << user.messages()[0].toStdString();
    EXPECT_TRUE(user.messages()[0].endsWith(QStringLiteral(" из 127 параметров; конфигурация "
                                                           "прибора неполная")));
    EXPECT_EQ(form().progressPosition(), 0);
    // The port is free again.
    const int fd = ::open(sim->path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
}

TEST_F(Setvyn, SessionEndDuringAWriteStopsItAndFreesThePort)
{
    const auto sim = slowCalculatorWithStoredRow();
    ASSERT_TRUE(sim);
    const auto watcher = program->watchSessionEnd();

    // SIGTERM, as at logout, while the write holds the window thread.
    std::chrono::steady_clock::time_point signalled;
    std::thread ending([this, &signalled] {
        EXPECT_TRUE(someParametersWritten());
        signalled = std::chrono::steady_clock::now();
        ::kill(::getpid(), SIGTERM);
    });
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    const auto ended = std::chrono::steady_clock::now();
    ending.join();
    EXPECT_LT(ended - signalled, std::chrono::milliseconds(500));
    ASSERT_EQ(user.messages().size(), 1);
    const QString message = user.messages()[0];
    const qsizetype from = QStringLiteral("Запись прервана: записано ").size();
    ASSERT_TRUE(message.startsWith(QStringLiteral("Запись прервана: записано ")))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral(" из 127 параметров; конфигурация прибора неполная")))
        << message.toStdString();
    const int written = message.mid(from, message.indexOf(QLatin1Char(' '), from) - from).toInt();
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 127);

    // Then the program ends as when its window is closed.
    QTRY_VERIFY_WITH_TIMEOUT(!form().isVisible(), 5000);

    // The line is free: another program identifies the calculator on it.
    QProcess tool;
    tool.start(QStringLiteral(VYNTOOL_PATH),
               {QStringLiteral("identify"), QStringLiteral("--port"), sim->path(),
                QStringLiteral("--fast"), QStringLiteral("--speed"), QStringLiteral("1200")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
}

// A generation-03 calculator with its loader and scheme table, its row stored.
class Setvyn03 : public Setvyn
{
protected:
    void SetUp() override
    {
        Setvyn::SetUp();
        sim = std::make_unique<vyntest::SimProcess>(
            QStringList{QStringLiteral("--generation"), QStringLiteral("03"),
                        QStringLiteral("--serial"), QStringLiteral("12342678"),
                        QStringLiteral("--idle-exit"), QStringLiteral("60")});
        ASSERT_TRUE(sim->started()) << sim->error().toStdString();
    }
    void startWith(const QByteArray& comm, std::optional<OperateTimings> op)
    {
        earlierRun("Prg=" + path("prg.vyn").toUtf8() + "\n[TFormCommConfig]\nPort=" +
                   sim->path().toUtf8() + "\n" + comm);
        ProtoTimings fast;
        fast.lineResetLowMs = 50;
        fast.lineResetHighMs = 50;
        ASSERT_TRUE(start(fast, op));
        program->record() = shaped("03", "10", 0, "12342678");
        ASSERT_TRUE(program->currentConfiguration().save(true).posted);
        form().refreshList();
    }
    void TearDown() override
    {
        end();
        sim->stop();
    }
    std::unique_ptr<vyntest::SimProcess> sim;
};

TEST_F(Setvyn, RowOfGeneration04IntoAnOlderCalculatorSendsTheOlderTariffList)
{
    // The sample row is generation 03's, with three tariff entries; the same row
    // dated for generation 04 must program the same memory once the calculator's
    // firmware date is stored in it.
    QFile sample(binFile("sample-config.json"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const StoredRow older = parseConfigJson(sample.readAll());
    StoredRow newer = older;
    newer.setValue(QStringLiteral("DeviceSoftData"), QDate(2015, 3, 1));
    clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(14, 35, 20)); };

    QJsonArray memory[2];
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "generation 03 row" : "generation 04 row");
        const QString log = path(QStringLiteral("sim%1.json").arg(i));
        vyntest::SimProcess sim({QStringLiteral("--gen"), QStringLiteral("03"),
                                 QStringLiteral("--serial"), QStringLiteral("12342678"),
                                 QStringLiteral("--log"), log, QStringLiteral("--idle-exit"),
                                 QStringLiteral("60")});
        ASSERT_TRUE(sim.started()) << sim.error().toStdString();
        end();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(base() + QString::fromLatin1(suffix));
        addRows({i == 0 ? older : newer});
        earlierRun("Prg=" + path("prg.vyn").toUtf8() + "\n[TFormCommConfig]\nPort=" +
                   sim.path().toUtf8() + "\n");
        ProtoTimings fast;
        fast.lineResetLowMs = 50;
        fast.lineResetHighMs = 50;
        OperateTimings quick;
        quick.byteInterval = std::chrono::milliseconds(1);
        ASSERT_TRUE(start(fast, quick));
        user.shown.clear();
        QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !program->runner().busy() && !form().transferTimerActive(); }, 60000));
        EXPECT_EQ(user.messages(), QStringList{QStringLiteral("Программа Винка записана успешно.")});
        end();
        sim.stop();
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        memory[i] = QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("memory")].toArray();
    }
    ASSERT_FALSE(memory[0].isEmpty());
    EXPECT_EQ(memory[1], memory[0]);
}

TEST_F(Setvyn03, TransferFollowedOnTheStatusBar)
{
    OperateTimings quick;
    quick.byteInterval = std::chrono::milliseconds(1);
    startWith({}, quick);
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_TRUE(program->runner().busy()) << user.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form().panelText(1), QStringLiteral("2")); // DeviceVersion: fifth digit 2
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().transferTimerActive(); }, 5000));
    // The result is shown on the window thread while the worker waits for it.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !program->runner().busy() && !form().transferTimerActive(); }, 60000));
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Программа Винка записана успешно.")}));
    EXPECT_EQ(user.shown.last().caption, kTitle);
    EXPECT_TRUE(form().panelText(1).endsWith(QLatin1Char('h'))); // the last page's address
    EXPECT_EQ(form().progressPosition(), 0);
}

TEST_F(Setvyn03, SecondClickOffersToStopTheTransfer)
{
    // Slow bytes from the communication settings: 20 ms each.
    startWith("RxSpinEdit3_Value=20\n", std::nullopt);
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    ASSERT_TRUE(program->runner().busy()) << user.messages().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form().panelText(3).isEmpty(); }, 10000));

    user.answers.enqueue(false);
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(user.shown.last().text, QStringLiteral("Вы хотите завершить процесс?"));
    EXPECT_EQ(user.shown.last().caption, kTitle);
    EXPECT_TRUE(program->runner().busy());

    user.answers.enqueue(true);
    QTest::keyClick(&form(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(user.of(FakeDialogs::Kind::Ask).size(), 2);
    EXPECT_FALSE(program->runner().busy());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return program->runner().running()->Finished() && !form().transferTimerActive(); },
        10000));
    EXPECT_TRUE(user.messages().isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
}

namespace {

// A line whose other end is held open and never answers.
struct SilentLine
{
    int master = -1;
    QString path;
    SilentLine()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            path = QString::fromLocal8Bit(::ptsname(master));
    }
    ~SilentLine()
    {
        if (master >= 0)
            ::close(master);
    }
};

ProtoTimings quickLine()
{
    ProtoTimings t;
    t.lineResetLowMs = 50;
    t.lineResetHighMs = 50;
    t.configFinalPauseMs = 100;
    t.receiveChecks = 60; // a silent calculator is given up after about 0.3 s
    return t;
}

// The parameters a simulated calculator took, by prefix.
// Everything a simulated calculator took, in order.
QJsonArray loggedParameterList(const QString& log)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("parameters")].toArray();
}

QMap<QString, QString> loggedParameters(const QString& log)
{
    QMap<QString, QString> params;
    for (const QJsonValue& p : loggedParameterList(log))
        params[p[QStringLiteral("prefix")].toString()] = p[QStringLiteral("value")].toString();
    return params;
}

// Chooses the entry of a cell's drop-down that begins with the text (a cell
// the catalogue filled already is left as it is).
bool choose(ChannelGrid* grid, int row, int column, const QString& text)
{
    if (grid->cellText(row, column).startsWith(text))
        return true;
    for (const QString& entry : grid->offered(row, column))
        if (entry.startsWith(text))
            return grid->editCell(row, column, entry);
    ADD_FAILURE() << "row " << row << " column " << column << " offers no "
                  << text.toStdString() << ": "
                  << grid->offered(row, column).join(QLatin1Char('|')).toStdString();
    return false;
}

} // namespace

TEST_F(Setvyn, CreateOpensTheEditorForTheIdentifiedCalculator)
{
    vyntest::SimProcess sim({QStringLiteral("--generation"), QStringLiteral("04"),
                             QStringLiteral("--serial"), QStringLiteral("12345678"),
                             QStringLiteral("--idle-exit"), QStringLiteral("60")});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    earlierRun("[TFormCommConfig]\nPort=" + sim.path().toUtf8() + "\n");
    ASSERT_TRUE(start(quickLine()));
    program->record().SNUM = QStringLiteral("99999999");
    program->record().TYPE_VYN = QStringLiteral("02");

    QString serial, type, firstDigit, caption, waitingPanel;
    DeviceSession session;
    bool typeEnabled = false, isNew = false, cursorRestored = false, adapterShown = false;
    qsizetype messagesBefore = -1;
    onModal([&](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        caption = editor->windowTitle();
        serial = editor->serialField()->text();
        type = editor->typeList()->currentText();
        typeEnabled = editor->typeList()->isEnabled();
        firstDigit = editor->firstDigitList()->currentText();
        isNew = editor->isNewConfiguration();
        adapterShown = editor->adapterGroup()->isVisibleTo(editor);
        waitingPanel = form().panelText(3);
        cursorRestored = QApplication::overrideCursor() == nullptr;
        messagesBefore = user.shown.size();
        session = program->session();
        QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(caption, QStringLiteral("Создание конфигурации"));
    EXPECT_EQ(serial, QStringLiteral("12345678"));
    EXPECT_EQ(type, QStringLiteral("04"));
    EXPECT_TRUE(typeEnabled);
    EXPECT_EQ(firstDigit, QStringLiteral("1"));
    EXPECT_TRUE(isNew);
    // Version 3 (no new-type answer, fifth digit 5): the adapter kind is offered.
    EXPECT_TRUE(adapterShown);
    EXPECT_EQ(waitingPanel, QString()); // the waiting window was hidden before the editor
    EXPECT_TRUE(cursorRestored);
    EXPECT_EQ(messagesBefore, 0);
    EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form().panelText(1), QStringLiteral("3"));
    // While the editor was open: what the identification found.
    EXPECT_EQ(session.IdentifiedSerial, QStringLiteral("12345678"));
    EXPECT_EQ(session.DeviceGeneration, 1);
    EXPECT_EQ(session.DeviceFirmwareDate, QDate(2015, 3, 1));
    EXPECT_EQ(session.DeviceVersion, 3);
    EXPECT_TRUE(session.ActiveComunicator != nullptr);
    // "Отказ" saves nothing.
    EXPECT_FALSE(program->editor().isVisible());
    EXPECT_TRUE(storedSerials().isEmpty());
}

TEST_F(Setvyn, CreateWithoutAnAnsweringCalculatorStillOpensTheEditor)
{
    SilentLine line;
    ASSERT_FALSE(line.path.isEmpty());
    earlierRun("[TFormCommConfig]\nPort=" + line.path.toUtf8() + "\n");
    ASSERT_TRUE(start(quickLine()));
    program->record().TYPE_VYN = QStringLiteral("02");

    QString serial, type;
    DeviceSession session;
    int typeIndex = -1;
    bool typeEnabled = false;
    qsizetype messagesBefore = -1;
    onModal([&](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        serial = editor->serialField()->text();
        typeIndex = editor->typeList()->currentIndex();
        type = editor->typeList()->currentText();
        typeEnabled = editor->typeList()->isEnabled();
        messagesBefore = user.shown.size();
        session = program->session();
        QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_N, Qt::ControlModifier);
    // The failure is reported first, then the editor opens.
    EXPECT_EQ(messagesBefore, 1);
    ASSERT_EQ(user.shown.size(), 1);
    EXPECT_EQ(user.shown.first().kind, FakeDialogs::Kind::Inform);
    EXPECT_EQ(user.shown.first().text,
              QStringLiteral("Прибор не обнаружен\nОшибка 1: Ошибка приема подтверждения."));
    EXPECT_EQ(user.shown.first().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(typeIndex, 3);
    EXPECT_EQ(type, QStringLiteral("04"));
    EXPECT_TRUE(typeEnabled);
    EXPECT_EQ(serial, QString());
    EXPECT_EQ(session.DeviceVersion, 0);
    EXPECT_EQ(session.DeviceGeneration, 1);
    EXPECT_EQ(session.DeviceFirmwareDate, QDate(2004, 1, 1));
    EXPECT_TRUE(session.ActiveComunicator == nullptr);
    EXPECT_EQ(form().panelText(3), QString());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Setvyn, CreatedConfigurationIsStoredAndWrittenIntoTheCalculator)
{
    const QString log = home.filePath(QStringLiteral("log.json"));
    vyntest::SimProcess sim({QStringLiteral("--generation"), QStringLiteral("04"),
                             QStringLiteral("--serial"), QStringLiteral("12345678"),
                             QStringLiteral("--log"), log,
                             QStringLiteral("--idle-exit"), QStringLiteral("60")});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    earlierRun("[TFormCommConfig]\nPort=" + sim.path().toUtf8() + "\n");
    ASSERT_TRUE(start(quickLine()));

    QStringList flowNames, thermoNames;
    QString fmax;
    bool saved = false;
    qsizetype questionsBefore = -1;
    onModal([&](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        // Scheme "26": a two-pipe heat system and two single-pipe water channels.
        editor->firstDigitList()->setCurrentIndex(editor->firstDigitList()->findText(QStringLiteral("2")));
        editor->secondDigitList()->setCurrentIndex(editor->secondDigitList()->findText(QStringLiteral("6")));
        // The report day list is the one with 1..28.
        QComboBox* report = nullptr;
        for (QComboBox* c : editor->findChildren<QComboBox*>())
            if (c->count() == 28 && c->itemText(0) == QStringLiteral("1") &&
                c->itemText(27) == QStringLiteral("28"))
                report = c;
        ASSERT_NE(report, nullptr);
        report->setCurrentIndex(16); // day 17

        ChannelGrid* flow = editor->flowGrid();
        ChannelGrid* thermo = editor->thermoGrid();
        for (int r = 1; r <= 5; ++r)
            flowNames << flow->cellText(r, 0);
        for (int r = 1; r <= 4; ++r)
            thermoNames << thermo->cellText(r, 0);
        // "V1/": ВСТ, 50 mm, 15 m3/h, 10 l per pulse; "t1/": Pt-500 (the lists show
        // catalogue values upper-cased).
        ASSERT_TRUE(choose(flow, 1, 1, QStringLiteral("ВСТ")));
        ASSERT_TRUE(choose(flow, 1, 2, QStringLiteral("50")));
        ASSERT_TRUE(choose(flow, 1, 3, QStringLiteral("15")));
        ASSERT_TRUE(choose(flow, 1, 4, QStringLiteral("10")));
        fmax = flow->cellText(1, 6);
        ASSERT_TRUE(choose(thermo, 1, 1, QStringLiteral("PT-500")));
        ASSERT_TRUE(choose(thermo, 1, 4, QStringLiteral("A")));

        // Other rows stay empty: the completeness question is answered Yes.
        questionsBefore = user.shown.size();
        user.answers.enqueue(true);
        QTest::mouseClick(editor->okButton(), Qt::LeftButton);
        saved = !editor->isVisible();
    });
    QTest::keyClick(&form(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(flowNames, QStringList({"V1/", "V1\\", "Vc", "Vd", "Vn"}));
    EXPECT_EQ(thermoNames, QStringList({"t1/", "t1\\", "tu", ""}));
    EXPECT_TRUE(fmax.startsWith(QStringLiteral("30"))) << fmax.toStdString();
    EXPECT_TRUE(saved);
    EXPECT_EQ(questionsBefore, 0);
    ASSERT_EQ(user.shown.size(), 1) << user.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(user.shown.first().kind, FakeDialogs::Kind::Ask);
    EXPECT_EQ(user.shown.first().text,
              QStringLiteral("При создании конфигурации остались не введенные поля\n\rВы действительно хотите выйти?"));
    EXPECT_EQ(user.shown.first().caption, QStringLiteral("Внимание!"));

    // The new row is in the file and in the list, and it is the current row.
    EXPECT_EQ(storedSerials(), QStringList({"12345678"}));
    EXPECT_EQ(shownSerials(), QStringList({"12345678"}));
    RawDb raw(program->database().path());
    EXPECT_EQ(raw.column(QStringLiteral("SELECT TYPE_VYN || '/' || CXEMA FROM VYN_Base")),
              QStringList({"04/26"}));
    ASSERT_TRUE(program->database().currentRow());
    EXPECT_EQ(program->database().currentRow()->value(QStringLiteral("SNUM")).toString(),
              QStringLiteral("12345678"));

    // The write takes the stored row; the serial matches, so nothing is asked.
    user.shown.clear();
    // The write command of the menu (Ctrl+F9); the offscreen platform does not
    // hand the activation back to the main window, so the action is triggered.
    QAction* write = form().findChild<QAction*>(QStringLiteral("N24"));
    ASSERT_TRUE(write && write->isEnabled());
    EXPECT_EQ(write->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F9));
    write->trigger();
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Конфигурация записана успешно")}));
    EXPECT_TRUE(user.of(FakeDialogs::Kind::Ask).isEmpty());
    EXPECT_EQ(program->database().currentRow()->value(QStringLiteral("DeviceSoftData")).toDate(),
              QDate(2015, 3, 1));

    sim.stop();
    const QMap<QString, QString> p = loggedParameters(log);
    ASSERT_FALSE(p.isEmpty());
    EXPECT_EQ(p.value(QStringLiteral("03352000380001")), QStringLiteral("26")); // 16*2 + 6
    EXPECT_EQ(p.value(QStringLiteral("03352E03400001")), QStringLiteral("11")); // DSTART 17
    // Flow row 1: a type, battery powered; its pulse weight 10.0 and Fmax 30.0.
    EXPECT_EQ(p.value(QStringLiteral("03350404880001")), QStringLiteral("80"));
    EXPECT_EQ(p.value(QStringLiteral("03353404100001")), QStringLiteral("00002041"));
    EXPECT_EQ(p.value(QStringLiteral("03356404100001")), QStringLiteral("0000F041"));
    // Flow row 2 has no meter.
    EXPECT_EQ(p.value(QStringLiteral("03350414880001")), QStringLiteral("00"));
    EXPECT_EQ(p.value(QStringLiteral("03353414100001")), QStringLiteral("00000000"));
    // t1/: Pt-500, R0 500 (0x01), W 1,385 (0x04), a type (0x80).
    EXPECT_EQ(p.value(QStringLiteral("03350303880001")), QStringLiteral("85"));
    EXPECT_EQ(p.value(QStringLiteral("03350313880001")), QStringLiteral("00"));
}

TEST_F(Setvyn, CommandsActOnlyOnAVisibleRow)
{
    for (bool empty : {false, true}) {
        earlierRun();
        if (!empty)
            addRows(fiveRows());
        ASSERT_TRUE(start());
        const QStringList before = storedSerials();
        if (!empty) {
            click(QStringLiteral("Вкл"));
            search(QStringLiteral("9999"));
            ASSERT_TRUE(shownSerials().isEmpty());
        }
        bool modal = false;
        onModal([&modal](QWidget*) { modal = true; });
        QTest::keyClick(list(), Qt::Key_E, Qt::ControlModifier);
        click(QStringLiteral("Копировать"));
        for (const char* command : {"N24", "N3", "N4"})
            form().findChild<QAction*>(QString::fromLatin1(command))->trigger();
        QTest::qWait(60);
        modalPoll.stop();
        EXPECT_FALSE(modal) << empty;
        EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(storedSerials(), before) << empty;
        end();
        QFile::remove(base());
    }
}

TEST_F(Setvyn, CommandKeysWorkFromTheSearchField)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    auto* field = form().findChild<QLineEdit*>(QStringLiteral("SearchText"));
    field->setFocus();
    field->setText(QStringLiteral("0012"));
    field->setCursorPosition(0);
    bool editorSeen = false;
    onModal([&editorSeen](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        editorSeen = editor != nullptr;
        if (editor)
            QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
    });
    QTest::keyClick(field, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(editorSeen);
    // The key went to the window, not to the field's cursor.
    EXPECT_EQ(field->cursorPosition(), 0);
}

TEST_F(Setvyn, RefreshReadsTheRowAsItIsInTheFile)
{
    earlierRun();
    addRows(fiveRows());
    ASSERT_TRUE(start());
    CurrentConfiguration& current = program->currentConfiguration();
    ASSERT_TRUE(current.RePaintStatus());
    EXPECT_EQ(program->record().SNUM, QStringLiteral("31313131"));
    // Changed behind the program's back, without the row's version.
    RawDb(base()).exec(QStringLiteral("UPDATE VYN_Base SET SNUM = '55555555' WHERE SNUM = '31313131'"));
    form().refreshList();
    EXPECT_FALSE(current.LoadedRecord());
    ASSERT_TRUE(current.RePaintStatus());
    EXPECT_EQ(program->record().SNUM, QStringLiteral("55555555"));
}

TEST_F(Setvyn, CopyOverTheConnectedDatabaseConnectsTheCopy)
{
    earlierRun();
    addRows(fiveRows());
    const QString source = work.filePath(QStringLiteral("MXVynBase.sqlite"));
    addRows(source, {listRow(QStringLiteral("A0000001"), QDate(2019, 1, 1)),
                     listRow(QStringLiteral("A0000002"), QDate(2019, 1, 2))});
    ASSERT_TRUE(start());
    // Unsaved pages of the connected file sit in its journal while it is open.
    ASSERT_TRUE(program->database().setText(program->database().ids().front(),
                                            QStringLiteral("COMMENT"), QStringLiteral("wal")));
    ASSERT_TRUE(program->currentConfiguration().RePaintStatus());
    copyIntoProgramDirectory(source);
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Файл успешно скопирован!")}));
    EXPECT_TRUE(program->database().isOpen());
    EXPECT_EQ(program->database().path(), base());
    EXPECT_EQ(shownSerials(), QStringList({"A0000001", "A0000002"}));
    EXPECT_FALSE(program->currentConfiguration().LoadedRecord());
    // The copy goes on being written, and stays whole.
    program->record() = newerWithPressures();
    ASSERT_TRUE(program->currentConfiguration().save(true).posted);
    EXPECT_EQ(RawDb(base()).value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    end();
    RawDb raw(base());
    EXPECT_EQ(raw.value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    EXPECT_EQ(raw.column(QStringLiteral("SELECT SNUM FROM VYN_Base ORDER BY ID")),
              QStringList({"A0000001", "A0000002", "12345678"}));
}

TEST_F(Setvyn, ACopyThatFailsSaysWhyAndLeftoversOfAKilledCopyGo)
{
    earlierRun();
    const QString leftover = path(".own.alt.Ab12Cd");
    writeAll(leftover, "half");
    const timeval old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(leftover).constData(), old), 0);
    writeAll(path(".profile"), "mine");
    ASSERT_TRUE(start());
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists(path(".profile")));
    copyIntoProgramDirectory(work.filePath(QStringLiteral("none.alt")));
    EXPECT_EQ(user.messages(),
              QStringList({QStringLiteral("Ошибка Копирования файла! Код: 2 (No such file or directory)")}));
    // A file the program read at its start: the copy counts from the next start.
    user.shown.clear();
    const QString conf = work.filePath(QStringLiteral("conf.dat"));
    ASSERT_TRUE(QFile::copy(path("conf.dat"), conf));
    copyIntoProgramDirectory(conf);
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral(
                                   "Файл успешно скопирован!\nКопия вступит в силу при следующем "
                                   "запуске программы.")}));
}

TEST_F(Setvyn, ADatabaseTypedIntoTheInterfaceSettingsIsConnectedByEnter)
{
    earlierRun();
    addRows(fiveRows());
    const QString other = work.filePath(QStringLiteral("other.sqlite"));
    addRows(other, {listRow(QStringLiteral("B0000001"), QDate(2019, 1, 1))});
    ASSERT_TRUE(start());
    onModal([other](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(other);
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(modalSeen, QStringLiteral("Form6"));
    EXPECT_EQ(program->database().path(), other);
    EXPECT_EQ(shownSerials(), QStringList{"B0000001"});
    EXPECT_EQ(ini("TForm1", "BaseName"), other);
    EXPECT_TRUE(user.shown.isEmpty()) << user.messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(Setvyn, EnterWithoutConfDatEndsTheProgram)
{
    earlierRun();
    ASSERT_TRUE(start());
    QFile::remove(path("conf.dat"));
    onModal([](QWidget* w) {
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    QTest::keyClick(&form(), Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(user.shown.size(), 1);
    EXPECT_TRUE(user.shown[0].text.endsWith(QStringLiteral("Программа будет закрыта")));
    QTest::qWait(50);
    EXPECT_FALSE(form().isVisible());
}

TEST_F(Setvyn, AReadOnlyDatabaseIsBrowsedAndItsChangesRefused)
{
    earlierRun();
    addRows(fiveRows());
    QFile::setPermissions(base(), QFileDevice::ReadOwner);
    ASSERT_TRUE(start());
    const QString readOnly = QStringLiteral("База данных %1 открыта только для чтения. Изменения "
                                            "не могут быть сохранены.")
                                 .arg(base());
    EXPECT_EQ(user.messages(), QStringList{readOnly});
    EXPECT_EQ(shownSerials().size(), 5);
    user.shown.clear();
    user.answers.enqueue(true);
    click(QStringLiteral("Удалить"));
    EXPECT_EQ(user.messages(), QStringList{readOnly});
    user.shown.clear();
    form().findChild<QAction*>(QStringLiteral("N6"))->trigger(); // import
    EXPECT_EQ(user.messages(), QStringList{readOnly});
    end();
    QFile::setPermissions(base(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(RawDb(base()).column(QStringLiteral("SELECT SNUM FROM VYN_Base")).size(), 5);
}

TEST_F(Setvyn, TwoProgramsKeepEachOthersSettings)
{
    earlierRun();
    ASSERT_TRUE(start());
    std::unique_ptr<SetvynApplication> first = std::move(program);
    FakeDialogs secondUser;
    SetvynOptions o;
    o.exeDir = home.path() + QLatin1Char('/');
    o.workingDir = work.path();
    o.tempRoot = temp.path();
    o.dialogs = &secondUser;
    o.ports = [](QStringList& ports) { ports.clear(); };
    SetvynApplication second(o);
    ASSERT_TRUE(second.start());
    first->programStart().settings().writeString(QStringLiteral("TForm8"),
                                                 QStringLiteral("FilenameEdit1_Text"),
                                                 QStringLiteral("/from/first"));
    second.programStart().settings().writeString(QStringLiteral("TFormCommConfig"),
                                                 QStringLiteral("Port"), QStringLiteral("ttyUSB7"));
    first->mainWindow().close();
    first->finish();
    second.mainWindow().close();
    second.finish();
    EXPECT_EQ(ini("TForm8", "FilenameEdit1_Text"), QStringLiteral("/from/first"));
    EXPECT_EQ(ini("TFormCommConfig", "Port"), QStringLiteral("ttyUSB7"));
    EXPECT_EQ(ini("TForm1", "BaseName"), base());
}

// The real program, ended by the session as logout or shutdown end it.
TEST_F(Setvyn, SessionEndSignalsEndTheProgramAsClosingItDoes)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        earlierRun();
        QProcess setvyn;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SETVYN_HOME"), home.path());
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        setvyn.setProcessEnvironment(env);
        setvyn.setWorkingDirectory(work.path());
        setvyn.start(binFile("setvyn"), {});
        ASSERT_TRUE(setvyn.waitForStarted());
        // Up once its private directory and its window's band exist.
        QElapsedTimer waited;
        waited.start();
        while (tempEntries().filter(QStringLiteral("Vyn")).isEmpty() && waited.elapsed() < 20000)
            QTest::qWait(50);
        ASSERT_FALSE(tempEntries().filter(QStringLiteral("Vyn")).isEmpty());
        QTest::qWait(500);
        ::kill(static_cast<pid_t>(setvyn.processId()), signal);
        ASSERT_TRUE(setvyn.waitForFinished(20000));
        EXPECT_EQ(setvyn.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_TRUE(tempEntries().filter(QStringLiteral("Vyn")).isEmpty()) << signal;
        EXPECT_FALSE(ini("TForm1", "Width").isEmpty()) << signal;
        EXPECT_EQ(RawDb(base()).value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        EXPECT_FALSE(QFileInfo::exists(base() + QStringLiteral("-wal"))) << signal;
        QFile::remove(path("setvyn.ini"));
    }
}

namespace {

StoredRow withoutId(StoredRow row)
{
    row.remove(QStringLiteral("ID"));
    return row;
}

} // namespace

TEST_F(Setvyn, ExportedConfigurationImportsAsAnEqualRowAndVyntoolWritesTheSameBytes)
{
    const QString setvynLog = home.filePath(QStringLiteral("setvyn-log.json"));
    vyntest::SimProcess sim({QStringLiteral("--generation"), QStringLiteral("04"),
                             QStringLiteral("--serial"), QStringLiteral("12345678"),
                             QStringLiteral("--log"), setvynLog,
                             QStringLiteral("--idle-exit"), QStringLiteral("60")});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    earlierRun("[TFormCommConfig]\nPort=" + sim.path().toUtf8() + "\n");
    ASSERT_TRUE(start(quickLine()));
    program->record() = newerWithPressures();
    ASSERT_TRUE(program->currentConfiguration().save(true).posted);
    form().refreshList();
    form().findChild<QAction*>(QStringLiteral("N24"))->trigger();
    ASSERT_EQ(user.messages(), QStringList({QStringLiteral("Конфигурация записана успешно")}));
    sim.stop();
    const StoredRow stored = *program->database().currentRow();

    const QString file = work.filePath(QStringLiteral("12345678.json"));
    user.saveFiles.enqueue(file);
    QAction* exportAction = form().findChild<QAction*>(QStringLiteral("ExportConfig"));
    ASSERT_TRUE(exportAction && exportAction->isEnabled());
    EXPECT_EQ(exportAction->text(), QStringLiteral("Экспорт конфигурации..."));
    exportAction->trigger();
    ASSERT_EQ(user.of(FakeDialogs::Kind::SaveFile).size(), 1);
    EXPECT_EQ(user.of(FakeDialogs::Kind::SaveFile).first().caption,
              QStringLiteral("Экспорт конфигурации"));
    EXPECT_TRUE(user.of(FakeDialogs::Kind::SaveFile).first().file.directory.endsWith(
        QStringLiteral("/12345678.json")));
    const QJsonObject json = QJsonDocument::fromJson(readAll(file)).object();
    EXPECT_FALSE(json.contains(QStringLiteral("ID")));
    EXPECT_EQ(json.value(QStringLiteral("SNUM")).toString(), QStringLiteral("12345678"));

    user.shown.clear();
    user.answers.enqueue(true); // the completeness question: save anyway
    user.openFileLists.enqueue({file});
    QAction* importAction = form().findChild<QAction*>(QStringLiteral("ImportConfig"));
    ASSERT_TRUE(importAction && importAction->isEnabled());
    EXPECT_EQ(importAction->text(), QStringLiteral("Импорт конфигурации..."));
    importAction->trigger();
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Импортировано конфигураций: 1")}));
    EXPECT_EQ(user.of(FakeDialogs::Kind::Ask).size(), 1);
    EXPECT_EQ(storedSerials(), QStringList({"12345678", "12345678"}));
    ConfigDatabase& db = program->database();
    db.Last();
    EXPECT_EQ(withoutId(*db.currentRow()), withoutId(stored));

    // The same file through vyntool into a calculator of the same kind.
    const QString toolLog = home.filePath(QStringLiteral("vyntool-log.json"));
    vyntest::SimProcess toolSim({QStringLiteral("--generation"), QStringLiteral("04"),
                                 QStringLiteral("--serial"), QStringLiteral("12345678"),
                                 QStringLiteral("--log"), toolLog,
                                 QStringLiteral("--idle-exit"), QStringLiteral("60")});
    ASSERT_TRUE(toolSim.started()) << toolSim.error().toStdString();
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SETVYN_HOME"), home.path());
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(VYNTOOL_PATH),
               {QStringLiteral("write"), QStringLiteral("--config"), file, QStringLiteral("--port"),
                toolSim.path(), QStringLiteral("--fast")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    toolSim.stop();
    // The last two writes set the calculator's clock to the moment of each write:
    // a minute may turn between the two programs' writes.
    const auto withoutClock = [](QJsonArray list) {
        for (int i = 0; i < 2 && !list.isEmpty(); ++i)
            list.removeLast();
        return list;
    };
    const QJsonArray written = loggedParameterList(setvynLog);
    EXPECT_FALSE(written.isEmpty());
    EXPECT_EQ(loggedParameterList(toolLog).size(), written.size());
    EXPECT_EQ(withoutClock(loggedParameterList(toolLog)), withoutClock(written));
}

TEST_F(Setvyn, ImportOfSeveralFilesAddsAllOrNone)
{
    ASSERT_TRUE(start());
    const auto file = [this](const char* name, const QByteArray& json) {
        const QString path = work.filePath(QString::fromLatin1(name));
        writeAll(path, json);
        return path;
    };
    const QString first = file("first.json", "{\"SNUM\": \"11110001\", \"TYPE_VYN\": \"04\", "
                                             "\"CXEMA\": \"10\", \"DATE\": \"2024-05-06\"}");
    const QString second = file("second.json", "{\"SNUM\": \"11110002\", \"TYPE_VYN\": \"04\", "
                                               "\"CXEMA\": \"10\"}");
    const struct
    {
        const char* name;
        const char* json;
        const char* error;
    } broken[] = {
        {"unknown.json", "{\"SNUM\": \"1\", \"TXIZZ\": 5}",
         "ключ \"TXIZZ\": такого столбца нет в VYN_Base"},
        {"value.json", "{\"SNUM\": \"1\", \"TXIZ\": \"5,0\"}",
         "ключ \"TXIZ\": значение должно быть числом"},
        {"cut.json", "{\"SNUM\": \"1\"", "ошибка в JSON"},
    };
    for (const auto& b : broken) {
        user.shown.clear();
        const QString bad = file(b.name, b.json);
        user.openFileLists.enqueue({first, bad, second});
        form().findChild<QAction*>(QStringLiteral("ImportConfig"))->trigger();
        ASSERT_EQ(user.messages().size(), 1) << b.name;
        EXPECT_TRUE(user.messages().first().startsWith(
            QStringLiteral("Конфигурации не импортированы.\n") + bad + QStringLiteral(": ") +
            QString::fromUtf8(b.error)))
            << user.messages().first().toStdString();
        EXPECT_TRUE(storedSerials().isEmpty()) << b.name;
    }

    user.shown.clear();
    for (int i = 0; i < 4; ++i)
        user.answers.enqueue(true); // the completeness question: save anyway
    user.openFileLists.enqueue({first, second});
    form().findChild<QAction*>(QStringLiteral("ImportConfig"))->trigger();
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Импортировано конфигураций: 2")}));
    EXPECT_EQ(storedSerials(), QStringList({"11110001", "11110002"}));
    RawDb raw(program->database().path());
    // A file's own date stays; a file without one is dated today.
    EXPECT_EQ(raw.column(QStringLiteral("SELECT date(DATE) FROM VYN_Base ORDER BY ID")),
              QStringList({"2024-05-06", QDate::currentDate().toString(Qt::ISODate)}));
    // Cancelled: nothing asked of the database.
    user.shown.clear();
    form().findChild<QAction*>(QStringLiteral("ImportConfig"))->trigger();
    EXPECT_TRUE(user.messages().isEmpty());
}

// The settings files of a whole session, compared with copies written once and
// kept under tests/app/data/settings-session. They are the contract with older
// profiles and other programs: a section or key that changes its name, its
// place or its value's form fails here. Set SETVYN_SETTINGS_SESSION_OUT to a
// directory to get the session's files there (to inspect, or to renew the copies).
namespace {

const QString kGoldenDir = QStringLiteral(SETVYN_SOURCE_DIR_PATH "/tests/app/data/settings-session");

// Values that come from the screen and the style, not from the session: checked
// to be numbers, then compared by name only.
bool placedByTheScreen(const QString& section, const QString& key)
{
    static const QStringList mainWindow{"Left",        "Top",        "Width",       "Height",
                                        "Panel3_Left", "Panel3_Top", "Panel4_Left", "Panel4_Top"};
    static const QStringList editorWindow{"Left", "Top"};
    return (section == QLatin1String("TForm1") && mainWindow.contains(key)) ||
           (section == QLatin1String("TFormVynConfig") && editorWindow.contains(key));
}

// The file's text with the temporary directories named by placeholders and the
// screen's numbers masked; a screen value that is no number stays as it is.
QString comparable(const QByteArray& bytes, const QList<std::pair<QString, QString>>& places)
{
    QString text = QString::fromUtf8(bytes);
    for (const auto& [dir, placeholder] : places)
        text.replace(dir, placeholder);
    QStringList lines = text.split(QLatin1Char('\n'));
    QString section;
    for (QString& line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            section = line.trimmed().mid(1).chopped(1);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !placedByTheScreen(section, line.left(eq)))
            continue;
        bool number = false;
        line.mid(eq + 1).trimmed().toInt(&number);
        if (number)
            line = line.left(eq + 1) + QStringLiteral("<screen>");
    }
    return lines.join(QLatin1Char('\n'));
}

// Empty when equal, else the first line that differs with its number.
std::string firstDifference(const QString& expected, const QString& actual)
{
    const QStringList e = expected.split(QLatin1Char('\n'));
    const QStringList a = actual.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(e.size(), a.size()); ++i) {
        const QString el = i < e.size() ? e.at(i) : QStringLiteral("<end of file>");
        const QString al = i < a.size() ? a.at(i) : QStringLiteral("<end of file>");
        if (el != al)
            return QStringLiteral("line %1: expected \"%2\", written \"%3\"")
                .arg(i + 1)
                .arg(el, al)
                .toStdString();
    }
    return {};
}

} // namespace

TEST_F(Setvyn, ASessionWritesTheSettingsFilesItAlwaysWrote)
{
    // A fresh program directory: no profile yet, a database, a second one with
    // rows to edit and an alternative-days file to find.
    writeAll(path("year.alt"), QByteArray(62, '\0'));
    addRows(fiveRows());
    addRows(path("second.sqlite"), fiveRows());
    ASSERT_TRUE(start());

    // The interface settings: every file field and every stored option changed.
    onModal([this](QWidget* w) {
        const std::pair<const char*, QString> fields[] = {{"Edit1", path("second.sqlite")},
                                                          {"Edit5", path("own.vyn")},
                                                          {"Edit3", path("own.alt")},
                                                          {"Edit4", path("own.trf")}};
        for (const auto& [name, text] : fields)
            w->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
        for (const char* name : {"CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "CheckBox7"}) {
            auto* box = w->findChild<QCheckBox*>(QString::fromLatin1(name));
            box->setChecked(!box->isChecked());
        }
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    form().findChild<QAction*>(QStringLiteral("N26"))->trigger();
    EXPECT_EQ(modalSeen, QStringLiteral("Form6"));

    // The communication settings: the port, every list, both lines and the numbers.
    onModal([](QWidget* w) {
        w->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setEditText(QStringLiteral("ttyUSB3"));
        const std::pair<const char*, int> lists[] = {
            {"ComboBox2", 1}, {"ComboBox3", 0}, {"ComboBox4", 3}, {"ComboBox5", 1}};
        for (const auto& [name, item] : lists)
            w->findChild<QComboBox*>(QString::fromLatin1(name))->setCurrentIndex(item);
        for (const char* name : {"CheckBox1", "CheckBox2"})
            w->findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(false);
        const std::pair<const char*, int> numbers[] = {
            {"RxSpinEdit1", 17}, {"RxSpinEdit2", 9}, {"RxSpinEdit3", 4}};
        for (const auto& [name, value] : numbers)
            w->findChild<QSpinBox*>(QString::fromLatin1(name))->setValue(value);
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    });
    form().findChild<QAction*>(QStringLiteral("N25"))->trigger();
    EXPECT_EQ(modalSeen, QStringLiteral("FormCommConfig"));

    // The editor on a row of the second database, saved: its place, and the
    // day schedules in the input history.
    list()->setCurrentIndex(list()->model()->index(1, 0));
    for (int i = 0; i < 4; ++i)
        user.answers.enqueue(true);
    bool edited = false;
    onModal([&edited](QWidget* w) {
        auto* editor = dynamic_cast<ConfigEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        edited = true;
        QTest::mouseClick(editor->okButton(), Qt::LeftButton);
    });
    ASSERT_EQ(list()->model()->rowCount(), 5);
    form().findChild<QAction*>(QStringLiteral("N22"))->trigger();
    EXPECT_TRUE(edited);

    // A file copied into the program directory: the copy window's last file.
    const QString source = work.filePath(QStringLiteral("copied.alt"));
    writeAll(source, QByteArray(62, '\1'));
    copyIntoProgramDirectory(source);
    EXPECT_EQ(modalSeen, QStringLiteral("Form8"));

    // The firm's details.
    onModal([](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("firmName"))->setText(QStringLiteral("ООО «Фирма»"));
        w->findChild<QLineEdit*>(QStringLiteral("firmPhone"))->setText(QStringLiteral("+7 000"));
        QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("saveFirm")), Qt::LeftButton);
    });
    form().findChild<QAction*>(QStringLiteral("firmDetails"))->trigger();
    EXPECT_EQ(modalSeen, QStringLiteral("FirmDetailsWindow"));

    // Closing writes the main window's own keys and saves the profile.
    end();
    EXPECT_EQ(user.messages(), QStringList({QStringLiteral("Файл успешно скопирован!")}));

    const QList<std::pair<QString, QString>> places{{home.path(), QStringLiteral("<program directory>")},
                                                    {work.path(), QStringLiteral("<working directory>")}};
    const QStringList written = QDir(home.path()).entryList({QStringLiteral("*.ini")}, QDir::Files,
                                                           QDir::Name);
    const QString out = qEnvironmentVariable("SETVYN_SETTINGS_SESSION_OUT");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        for (const QString& name : written)
            writeAll(QDir(out).filePath(name),
                     comparable(readAll(path(name)), places).toUtf8());
    }
    EXPECT_EQ(written, QDir(kGoldenDir).entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name));
    for (const QString& name : written) {
        const QString expected = QString::fromUtf8(readAll(QDir(kGoldenDir).filePath(name)));
        const QString actual = comparable(readAll(path(name)), places);
        EXPECT_EQ(firstDifference(expected, actual), std::string()) << name.toStdString();
    }
}

// Whether or not Qt can draw SVG here, the window gets an icon that is drawn:
// the program's own where SVG is drawn, the stock one where it is not. The
// icons are in the theme the program chooses where the desktop names none.
TEST(SetvynApplicationSetUp, TheWindowIconIsOneQtCanDraw)
{
    QTemporaryDir icons;
    const QDir theme(icons.filePath(QStringLiteral("Adwaita")));
    ASSERT_TRUE(theme.mkpath(QStringLiteral("scalable/apps")) && theme.mkpath(QStringLiteral("32x32/apps")));
    writeAll(theme.filePath(QStringLiteral("index.theme")),
             "[Icon Theme]\nName=Adwaita\nDirectories=32x32/apps,scalable/apps\n"
             "[32x32/apps]\nSize=32\nType=Fixed\n"
             "[scalable/apps]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    ASSERT_TRUE(QFile::copy(QStringLiteral(SETVYN_SOURCE_DIR_PATH "/data/desktop/org.setvyn.Setvyn.svg"),
                            theme.filePath(QStringLiteral("scalable/apps/org.setvyn.Setvyn.svg"))));
    QImage stock(32, 32, QImage::Format_ARGB32);
    stock.fill(Qt::darkGreen);
    ASSERT_TRUE(stock.save(theme.filePath(QStringLiteral("32x32/apps/accessories-calculator.png"))));

    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    const QIcon windowIcon = QApplication::windowIcon();
    QIcon::setThemeSearchPaths({icons.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));
    setUpProgramApplication(*qApp);
    // A theme icon is looked up when drawn: before the theme is put back.
    const QIcon set = QApplication::windowIcon();
    const bool drawn = !set.pixmap(32).isNull();
    const QString name = set.name();
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
    QApplication::setWindowIcon(windowIcon);

    EXPECT_TRUE(drawn);
    const bool svg = QImageReader::supportedImageFormats().contains("svg");
    EXPECT_EQ(name, svg ? QStringLiteral("org.setvyn.Setvyn") : QStringLiteral("accessories-calculator"));
}
