#include "editorwindowfixture.h"

#include "model/systems.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTreeWidget>

using namespace vyn;
using namespace vyn::test;

namespace {

// Fills a type-04 configuration of two heat systems (scheme "11") with the
// water meter "Vn" through the grids, as a user would.
void fillTwoHeatSystems(EditorWindowFixture& f)
{
    f.startNew("04");
    f.choose(f.w().secondDigitList(), "1");
    ChannelGrid* flow = f.w().flowGrid();
    for (int r = 1; r <= 4; ++r) {
        f.edit(flow, r, FlowCol::Type, "ВСТ");
        f.edit(flow, r, FlowCol::Du, "65");
        f.edit(flow, r, FlowCol::Serial, r % 2 ? "10001" : "10002");
    }
    f.edit(flow, 5, FlowCol::Type, "ВСХН");
    f.edit(flow, 5, FlowCol::Du, "50");
    f.edit(flow, 5, FlowCol::Fimp, "10");
    f.edit(flow, 5, FlowCol::Serial, "20005");
    ChannelGrid* thermo = f.w().thermoGrid();
    for (int r = 1; r <= 4; ++r) {
        f.edit(thermo, r, ThermoCol::Type, "КТСПР-001");
        f.edit(thermo, r, ThermoCol::R0, "100");
        f.edit(thermo, r, ThermoCol::W, "1,385");
        f.edit(thermo, r, ThermoCol::Klass, "A");
        f.edit(thermo, r, ThermoCol::Length, "80");
        f.edit(thermo, r, ThermoCol::Serial, "3000");
    }
    ChannelGrid* pressure = f.w().pressureGrid();
    for (int r = 1; r <= 4; ++r) {
        f.edit(pressure, r, PressureCol::Type, "Метран-55-ДИ");
        f.edit(pressure, r, PressureCol::PMax, "1,0");
        f.edit(pressure, r, PressureCol::Serial, "400");
    }
}

// A heat system, a water meter and the electricity meter (scheme "17").
void fillElectricity(EditorWindowFixture& f)
{
    f.startNew("04");
    f.choose(f.w().secondDigitList(), "7");
    ChannelGrid* flow = f.w().flowGrid();
    for (int r = 1; r <= 2; ++r) {
        f.edit(flow, r, FlowCol::Type, "ВСТ");
        f.edit(flow, r, FlowCol::Du, "50");
        f.edit(flow, r, FlowCol::Fimp, "10");
        f.edit(flow, r, FlowCol::Serial, "555");
    }
    f.edit(flow, 3, FlowCol::Type, "ВСХН");
    f.edit(flow, 3, FlowCol::Du, "50");
    f.edit(flow, 3, FlowCol::Fimp, "100");
    f.edit(flow, 3, FlowCol::Serial, "556");
    f.edit(flow, 4, FlowCol::Type, "Меркурий 230");
    f.edit(flow, 4, FlowCol::Fimp, "5000");
    f.edit(flow, 4, FlowCol::Fmax, "15");
    f.edit(flow, 4, FlowCol::Serial, "777");
    for (int r = 1; r <= 2; ++r) {
        f.edit(f.w().thermoGrid(), r, ThermoCol::Type, "КТСПР-001");
        f.edit(f.w().thermoGrid(), r, ThermoCol::R0, "500");
        f.edit(f.w().thermoGrid(), r, ThermoCol::W, "1,391");
        f.edit(f.w().thermoGrid(), r, ThermoCol::Klass, "B");
        f.edit(f.w().thermoGrid(), r, ThermoCol::Length, "60");
        f.edit(f.w().thermoGrid(), r, ThermoCol::Serial, "812");
    }
    f.clickTime(WorkDays, 1, [](TimePickerDialog& p) { EditorWindowFixture::pick(p, "07", "00"); });
    f.clickTime(WorkDays, 2, [](TimePickerDialog& p) { EditorWindowFixture::pick(p, "23", "00"); });
    f.clickTime(Sundays, 1, [](TimePickerDialog& p) { EditorWindowFixture::pick(p, "10", "30"); });
}

// The record as a stored row gives it back: pressures come back with three
// decimals, so they count as equal when they are the same number.
void expectReadBackEqual(const ConfigRecord& saved, const ConfigRecord& loaded)
{
    ConfigRecord a = saved;
    ConfigRecord b = loaded;
    auto pressure = [](TableKind kind, int col) {
        return (kind == TableKind::Thermo && col == ThermoCol::Pressure) ||
               (kind == TableKind::Pressure &&
                (col == PressureCol::PMin || col == PressureCol::PMax));
    };
    for (TableKind kind : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        ChannelTable& ta = a.table(kind);
        ChannelTable& tb = b.table(kind);
        ASSERT_EQ(ta.channelRows(), tb.channelRows());
        for (int r = 1; r <= ta.channelRows(); ++r)
            for (int c = 0; c < ta.columnCount(); ++c) {
                if (pressure(kind, c) && !ta.cell(r, c).isEmpty()) {
                    const auto x = cellNumber(ta.cell(r, c), kComma);
                    const auto y = cellNumber(tb.cell(r, c), kComma);
                    ASSERT_TRUE(x && y) << ta.cell(r, c) << " / " << tb.cell(r, c);
                    EXPECT_NEAR(*x, *y, 1e-3) << "row " << r << " column " << c;
                    tb.setCell(r, c, ta.cell(r, c));
                }
                EXPECT_EQ(ta.cell(r, c), tb.cell(r, c))
                    << "table " << int(kind) << " row " << r << " column " << c;
            }
    }
    EXPECT_TRUE(a == b);
}

} // namespace

TEST(ConfigEditorWindow, TypeFrom04To02HidesThePressurePanelAndClearsTheTables)
{
    EditorWindowFixture f;
    fillTwoHeatSystems(f);
    ASSERT_TRUE(f.w().pressurePanel()->isVisible());
    ASSERT_EQ(f.w().pressureGrid()->cellText(1, PressureCol::Type), QStringLiteral("Метран-55-ДИ"));

    f.choose(f.w().typeList(), "02");

    EXPECT_FALSE(f.w().pressurePanel()->isVisible());
    for (TableKind kind : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        const ChannelTable& t = f.record.table(kind);
        for (int r = 1; r <= t.channelRows(); ++r)
            for (int c = 1; c < t.columnCount(); ++c) {
                if (kind != TableKind::Thermo || c != ThermoCol::Pressure) {
                    EXPECT_TRUE(t.cell(r, c).isEmpty()) << int(kind) << " " << r << " " << c;
                }
            }
    }
    // Only the default contract pressures of the new shape are there.
    EXPECT_EQ(f.thermo(1, ThermoCol::Pressure), QStringLiteral("0,6 МПа"));
    EXPECT_EQ(f.thermo(2, ThermoCol::Pressure), QStringLiteral("0,4 МПа"));
    // 5th serial digit 2: four flow rows for "02"; the grid shows what the record holds.
    EXPECT_EQ(f.w().flowGrid()->rowCount(), 4);
    EXPECT_TRUE(f.w().flowGrid()->cellText(1, FlowCol::Type).isEmpty());
    EXPECT_EQ(f.w().flowGrid()->cellText(1, FlowCol::Designation), QStringLiteral("V1/"));
    // "02" offers the second digits 0, 6, 7 only.
    QStringList seconds;
    for (int i = 0; i < f.w().secondDigitList()->count(); ++i)
        seconds << f.w().secondDigitList()->itemText(i);
    EXPECT_EQ(seconds,
              (QStringList{QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("7")}));

    f.choose(f.w().typeList(), "04");
    EXPECT_TRUE(f.w().pressurePanel()->isVisible());
}

TEST(ConfigEditorWindow, ElectricityDesignationShowsTheTariffPanelAndChoosingBackHidesIt)
{
    struct Case
    {
        int generation;
        const char* water; // the single-pipe row 3 of scheme "16"
    };
    for (const Case& c : {Case{1, "Vc"}, Case{0, "Fc"}}) {
        SCOPED_TRACE(c.generation);
        EditorWindowFixture f(c.generation);
        f.startNew("04");
        f.choose(f.w().secondDigitList(), "6");
        ChannelGrid* flow = f.w().flowGrid();
        ASSERT_EQ(f.flow(3, FlowCol::Designation), QString::fromLatin1(c.water));
        f.edit(flow, 3, FlowCol::Type, "ВСХН");
        f.edit(flow, 3, FlowCol::Serial, "42");
        EXPECT_EQ(flow->offered(3, FlowCol::Designation),
                  (QStringList{QString::fromLatin1(c.water), QStringLiteral("C")}));
        EXPECT_FALSE(f.w().tariffListPanel()->isVisible());
        EXPECT_FALSE(f.w().dayGridsPanel()->isVisible());

        f.edit(flow, 3, FlowCol::Designation, "C");

        EXPECT_EQ(flow->cellText(3, FlowCol::Designation), QStringLiteral("C"));
        for (int col = FlowCol::Type; col <= FlowCol::Archive; ++col)
            EXPECT_TRUE(f.flow(3, col).isEmpty()) << col;
        EXPECT_EQ(f.w().tariffListPanel()->isVisible(), c.generation == 0);
        EXPECT_EQ(f.w().dayGridsPanel()->isVisible(), c.generation == 1);
        // The electricity row offers the meters, its own constants, and no diameter.
        EXPECT_TRUE(flow->offered(3, FlowCol::Type).contains(QStringLiteral("Электросчетчик")));
        EXPECT_EQ(flow->openEditor(3, FlowCol::Du), nullptr);

        f.edit(flow, 3, FlowCol::Designation, c.water);

        EXPECT_EQ(flow->cellText(3, FlowCol::Designation), QString::fromLatin1(c.water));
        EXPECT_FALSE(f.w().tariffListPanel()->isVisible());
        EXPECT_FALSE(f.w().dayGridsPanel()->isVisible());
    }
}

TEST(ConfigEditorWindow, SerialFieldTakesEightDigitsOnly)
{
    EditorWindowFixture f;
    f.startNew();
    QLineEdit* serial = f.w().serialField();
    serial->clear();
    QTest::keyClicks(serial, QStringLiteral("12ab3"));
    QTest::sendKeyEvent(QTest::Click, serial, Qt::Key_unknown, QStringLiteral("Ж"), Qt::NoModifier);
    QTest::keyClicks(serial, QStringLiteral("4-5"));
    EXPECT_EQ(serial->text(), QStringLiteral("12345"));
    QTest::keyClicks(serial, QStringLiteral("6789"));
    EXPECT_EQ(serial->text(), QStringLiteral("12345678"));
    EXPECT_EQ(f.record.SNUM, QStringLiteral("12345678"));
}

TEST(ConfigEditorWindow, TariffListStopsAtNineEntriesAndShowsALongerStoredListWhole)
{
    EditorWindowFixture f(0);
    f.startNew("04");
    f.choose(f.w().secondDigitList(), "7");
    TariffListPanel* list = f.w().tariffListPanel();
    ASSERT_TRUE(list->isVisible());
    EXPECT_FALSE(list->deleteButton()->isEnabled());

    for (int i = 0; i < 10; ++i) {
        list->hoursList()->setCurrentIndex(i + 1);
        list->addButton()->click();
    }
    EXPECT_EQ(f.record.TariffList.size(), 9u);
    EXPECT_EQ(list->list()->topLevelItemCount(), 9);
    EXPECT_FALSE(list->addButton()->isEnabled());
    EXPECT_EQ(list->list()->topLevelItem(8)->text(0), QStringLiteral("09:00"));
    EXPECT_EQ(list->list()->topLevelItem(8)->text(2),
              QStringLiteral("В рабочие, субботу и воскресенье"));

    list->list()->setCurrentItem(list->list()->topLevelItem(0));
    list->deleteButton()->click();
    EXPECT_TRUE(list->addButton()->isEnabled());
    EXPECT_EQ(f.record.TariffList.front().hour, 2);

    f.record.TariffList.assign(10, TariffEntry{7, 30, QStringLiteral("C2"), 2});
    f.w().showRecord();
    EXPECT_EQ(list->list()->topLevelItemCount(), 10);
    EXPECT_FALSE(list->addButton()->isEnabled());
}

TEST(ConfigEditorWindow, TimePickerSetsClearsOrLeavesTheDayGridEntry)
{
    EditorWindowFixture f;
    f.startNew("04");
    f.choose(f.w().secondDigitList(), "7");
    QTableWidget* work = f.w().dayGridsPanel()->grid(WorkDays);
    ASSERT_TRUE(work->isVisible());
    EXPECT_EQ(work->item(0, 1)->text(), QStringLiteral("00:00"));
    EXPECT_EQ(work->item(0, 2)->text(), QStringLiteral("C1"));
    EXPECT_EQ(work->item(3, 0)->text(), QStringLiteral("3"));

    f.clickTime(WorkDays, 1, [](TimePickerDialog& p) {
        EXPECT_EQ(p.windowTitle(), QStringLiteral("Время"));
        EXPECT_EQ(p.hoursList()->currentText(), QStringLiteral("00"));
        EXPECT_EQ(p.minutesList()->currentText(), QStringLiteral("00"));
        EditorWindowFixture::pick(p, "07", "30");
    });
    EXPECT_EQ(work->item(1, 1)->text(), QStringLiteral("07:30"));
    EXPECT_EQ(f.record.daySchedules[WorkDays][0].time, QStringLiteral("07:30"));

    f.clickTime(WorkDays, 1, [](TimePickerDialog& p) {
        p.hoursList()->setCurrentText(QStringLiteral("11"));
        p.cancelButton()->click();
    });
    EXPECT_EQ(work->item(1, 1)->text(), QStringLiteral("07:30"));

    f.clickTime(WorkDays, 2, [](TimePickerDialog& p) { EditorWindowFixture::pick(p, "22", "15"); });
    f.clickTime(WorkDays, 1, [](TimePickerDialog& p) {
        p.clearButton()->click();
        EXPECT_TRUE(p.hoursList()->currentText().isEmpty());
        EXPECT_TRUE(p.minutesList()->currentText().isEmpty());
        p.doneButton()->click();
    });
    EXPECT_TRUE(work->item(1, 1)->text().isEmpty());

    // The cleared entry is not stored; the other one is.
    f.edit(f.w().flowGrid(), 4, FlowCol::Type, "Меркурий 230");
    f.dialogs.answers.enqueue(true); // the gaps left
    ASSERT_TRUE(f.w().acceptConfiguration());
    const StoredRow row = *f.db.currentRow();
    EXPECT_EQ(row.value(QStringLiteral("WorkDayTime")).toString(), QStringLiteral("22:15:C1|"));
}

TEST(ConfigEditorWindow, SevenChosenFillsTheDayGridsFromTheHistory)
{
    EditorWindowFixture f;
    std::array<DaySchedule, 3> last{};
    last[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    last[WorkDays][1] = {QStringLiteral("23:00"), QStringLiteral("C1")};
    last[Saturdays][0] = {QStringLiteral("09:00"), QStringLiteral("C3")};
    last[Sundays][5] = {QStringLiteral("21:45"), QStringLiteral("C2")};
    ASSERT_TRUE(f.history.storeDaySchedules(last));
    f.startNew("04");

    f.choose(f.w().secondDigitList(), "7");

    DayGridsPanel* days = f.w().dayGridsPanel();
    ASSERT_TRUE(days->isVisible());
    EXPECT_EQ(days->grid(WorkDays)->item(1, 1)->text(), QStringLiteral("07:00"));
    EXPECT_EQ(days->grid(WorkDays)->item(1, 2)->text(), QStringLiteral("C2"));
    EXPECT_EQ(days->grid(WorkDays)->item(2, 1)->text(), QStringLiteral("23:00"));
    EXPECT_EQ(days->grid(Saturdays)->item(1, 2)->text(), QStringLiteral("C3"));
    EXPECT_EQ(days->grid(Sundays)->item(6, 1)->text(), QStringLiteral("21:45"));
    EXPECT_TRUE(days->grid(Sundays)->item(1, 1)->text().isEmpty());
}

TEST(ConfigEditorWindow, MassOnTheSupplyPipeAlsoSetsTheReturnPipe)
{
    EditorWindowFixture f;
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    EXPECT_EQ(flow->offered(1, FlowCol::Archive),
              (QStringList{QStringLiteral("Объём"), QStringLiteral("Масса")}));

    f.edit(flow, 1, FlowCol::Archive, "Масса");

    EXPECT_EQ(flow->cellText(1, FlowCol::Archive), QStringLiteral("Масса"));
    EXPECT_EQ(flow->cellText(2, FlowCol::Archive), QStringLiteral("Масса"));
    f.edit(flow, 2, FlowCol::Archive, "Объём");
    EXPECT_EQ(f.flow(1, FlowCol::Archive), QStringLiteral("Объём"));
}

TEST(ConfigEditorWindow, CellEditsFollowTheCatalogueAndPutBackAnEmptyEntry)
{
    EditorWindowFixture f;
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    f.edit(flow, 1, FlowCol::Type, "ВСТ");
    f.edit(flow, 1, FlowCol::Du, "65");
    // Single entries filled without opening a list; the cells carry their units.
    EXPECT_EQ(flow->cellText(1, FlowCol::Du), QStringLiteral("65 мм"));
    EXPECT_EQ(flow->cellText(1, FlowCol::Fnom), QStringLiteral("25 м3/ч"));
    EXPECT_EQ(flow->cellText(1, FlowCol::Fimp), QStringLiteral("100 л/имп"));
    EXPECT_EQ(flow->cellText(1, FlowCol::Archive), QStringLiteral("Объём"));

    // An emptied cell and the list entry the cell already shows change nothing.
    f.edit(flow, 1, FlowCol::Serial, "7788");
    f.edit(flow, 1, FlowCol::Serial, "");
    EXPECT_EQ(f.flow(1, FlowCol::Serial), QStringLiteral("7788"));
    f.edit(flow, 1, FlowCol::Du, "65");
    EXPECT_EQ(f.flow(1, FlowCol::Fnom), QStringLiteral("25 м3/ч"));

    // Rows without designation and the system column cannot be edited.
    f.choose(f.w().secondDigitList(), "0");
    EXPECT_EQ(flow->openEditor(3, FlowCol::Type), nullptr);
    EXPECT_EQ(flow->openEditor(1, FlowCol::System), nullptr);
    EXPECT_EQ(f.w().thermoGrid()->openEditor(1, ThermoCol::Designation), nullptr);

    // "Очистить таблицу" keeps the designations.
    f.edit(flow, 1, FlowCol::Type, "ВСТ");
    flow->clearAction()->trigger();
    EXPECT_TRUE(f.flow(1, FlowCol::Type).isEmpty());
    EXPECT_EQ(f.flow(1, FlowCol::Designation), QStringLiteral("V1/"));
    EXPECT_EQ(flow->actions().value(0)->text(), QStringLiteral("Очистить таблицу"));
}

TEST(ConfigEditorWindow, EditCancelEditShowsTheStoredRowAgain)
{
    EditorWindowFixture f;
    fillTwoHeatSystems(f);
    ASSERT_TRUE(f.w().acceptConfiguration());
    ASSERT_FALSE(f.w().isVisible());

    ASSERT_TRUE(f.w().prepareForStoredRow());
    f.w().show();
    EXPECT_FALSE(f.w().typeList()->isEnabled());
    EXPECT_FALSE(f.w().isNewConfiguration());
    f.edit(f.w().flowGrid(), 1, FlowCol::Serial, "999");
    f.edit(f.w().thermoGrid(), 1, ThermoCol::Type, "КТПТР-01");
    f.w().serialField()->selectAll();
    QTest::keyClicks(f.w().serialField(), QStringLiteral("9"));
    EXPECT_EQ(f.record.SNUM, QStringLiteral("9"));
    f.w().cancelButton()->click();
    EXPECT_FALSE(f.w().isVisible());

    ASSERT_TRUE(f.w().prepareForStoredRow());
    f.w().show();
    EXPECT_EQ(f.w().flowGrid()->cellText(1, FlowCol::Serial), QStringLiteral("10001"));
    EXPECT_EQ(f.w().thermoGrid()->cellText(1, ThermoCol::Type), QStringLiteral("КТСПР-001"));
    EXPECT_EQ(f.w().serialField()->text(), kSerial);
    EXPECT_EQ(f.db.RecordCount(), 1);
}

TEST(ConfigEditorWindow, SavedConfigurationReadsBackEqual)
{
    struct Case
    {
        const char* what;
        void (*fill)(EditorWindowFixture&);
    };
    for (const Case& c :
         {Case{"two heat systems", fillTwoHeatSystems}, Case{"electricity", fillElectricity}}) {
        SCOPED_TRACE(c.what);
        EditorWindowFixture f;
        c.fill(f);
        f.dialogs.answers.enqueue(true); // left gaps, if any: save anyway
        ASSERT_TRUE(f.w().acceptConfiguration());
        EXPECT_EQ(f.dialogs.messages(), QStringList());
        EXPECT_EQ(f.refreshed, 1);
        const ConfigRecord saved = f.record;

        f.record = ConfigRecord();
        ASSERT_TRUE(f.w().prepareForStoredRow());
        numberSystems(f.record);
        expectReadBackEqual(saved, f.record);
        // And a second save changes the same row, not a new one.
        f.dialogs.answers.enqueue(true);
        ASSERT_TRUE(f.w().acceptConfiguration());
        EXPECT_EQ(f.db.RecordCount(), 1);
    }
}

TEST(ConfigEditorWindow, SaveStopsWithTheRulesMessagesAndRefusesTheCloseBoxUntilCancel)
{
    EditorWindowFixture f;
    f.startNew("04");
    // A flow meter on "V1/" without a thermometer on "t1/".
    f.edit(f.w().flowGrid(), 1, FlowCol::Type, "ВСТ");
    EXPECT_FALSE(f.w().acceptConfiguration());
    EXPECT_EQ(
        f.dialogs.messages(),
        QStringList{QStringLiteral("Неверно заполнены таблицы конфигурации:\n"
                                   "тип указан только у одного из преобразователей V1/ и t1/")});
    EXPECT_TRUE(f.w().isVisible());
    EXPECT_FALSE(f.w().closeBoxRefused());

    f.edit(f.w().flowGrid(), 1, FlowCol::Type, "ВСТ");
    f.edit(f.w().thermoGrid(), 1, ThermoCol::Type, "КТСПР-001");
    f.edit(f.w().flowGrid(), 2, FlowCol::Type, "ВСТ");
    f.dialogs.answers.enqueue(false); // gaps left: stay
    EXPECT_FALSE(f.w().acceptConfiguration());
    const auto asked = f.dialogs.of(FakeDialogs::Kind::Ask);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text,
              QStringLiteral("При создании конфигурации остались не введенные поля\n\r"
                             "Вы действительно хотите выйти?"));
    EXPECT_EQ(asked[0].caption, QStringLiteral("Внимание!"));
    EXPECT_TRUE(f.w().closeBoxRefused());
    f.w().close();
    EXPECT_TRUE(f.w().isVisible());
    EXPECT_EQ(f.db.RecordCount(), 0);

    f.w().cancelButton()->click();
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_FALSE(f.w().closeBoxRefused());
    // The placement is kept for the next time.
    EXPECT_TRUE(f.settings.valueExists(QStringLiteral("TFormVynConfig"), QStringLiteral("Left")));
}

TEST(ConfigEditorWindow, ASaveThatStoresNothingKeepsEverythingTyped)
{
    // Another program holds the database, or deleted the row being edited.
    enum class Other
    {
        HoldsTheWriteLock,
        DeletesTheRow
    };
    for (const Other other : {Other::HoldsTheWriteLock, Other::DeletesTheRow}) {
        SCOPED_TRACE(static_cast<int>(other));
        EditorWindowFixture f;
        fillTwoHeatSystems(f);
        ASSERT_TRUE(f.w().acceptConfiguration());
        const qint64 stored = *f.db.currentId();
        ASSERT_TRUE(f.w().prepareForStoredRow());
        f.w().show();
        f.edit(f.w().flowGrid(), 1, FlowCol::Serial, "77777");

        const QString name = QStringLiteral("other-program");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(f.db.path());
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(
                q.exec(other == Other::HoldsTheWriteLock
                           ? QStringLiteral("BEGIN IMMEDIATE")
                           : QStringLiteral("DELETE FROM VYN_Base WHERE ID = %1").arg(stored)));
        }
        f.dialogs.answers.enqueue(true);
        EXPECT_FALSE(f.w().acceptConfiguration());
        EXPECT_EQ(f.dialogs.of(FakeDialogs::Kind::Inform).size(), 1) << "the failure is said";
        EXPECT_TRUE(f.w().isVisible());
        EXPECT_EQ(f.flow(1, FlowCol::Serial), QStringLiteral("77777"));
        EXPECT_EQ(f.w().flowGrid()->cellText(1, FlowCol::Serial), QStringLiteral("77777"));

        // Once the other program is done, the same "Ввод" stores what was typed.
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
        f.dialogs.answers.enqueue(true);
        ASSERT_TRUE(f.w().acceptConfiguration());
        EXPECT_FALSE(f.w().isVisible());
        EXPECT_EQ(f.db.RecordCount(), 1);
        EXPECT_EQ(f.db.currentRow()->value(QStringLiteral("SNUM")).toString(), kSerial);
        EXPECT_EQ(f.flow(1, FlowCol::Serial), QStringLiteral("77777"));
        if (other == Other::DeletesTheRow)
            EXPECT_NE(*f.db.currentId(), stored) << "the deleted row comes back as a new one";
        else
            EXPECT_EQ(*f.db.currentId(), stored);
    }
}

TEST(ConfigEditorWindow, CopyRunsTheSaveWithoutShowingTheWindow)
{
    EditorWindowFixture f;
    fillTwoHeatSystems(f);
    ASSERT_TRUE(f.w().acceptConfiguration());
    f.record = ConfigRecord();

    ASSERT_TRUE(f.w().runCopyCommand());
    EXPECT_TRUE(f.dialogs.shown.isEmpty()) << "the two systems are complete";

    EXPECT_FALSE(f.w().isVisible());
    EXPECT_EQ(f.db.RecordCount(), 2);
    EXPECT_EQ(f.db.currentRow()->value(QStringLiteral("SNUM")).toString(),
              QStringLiteral("00000000"));
    EXPECT_EQ(f.db.currentRow()->value(QStringLiteral("RASH")).toString(),
              QStringLiteral("ВСТ|ВСТ|ВСТ|ВСТ|ВСХН|"));
}

TEST(ConfigEditorWindow, CreateCommandSequenceShowsTheNewConfiguration)
{
    EditorWindowFixture f;
    fillTwoHeatSystems(f);
    f.w().hide();
    // What the create command does with the record and the editor.
    NewConfigurationEditor& editor = f.w();
    f.record.SNUM.clear();
    editor.clearSerialField();
    editor.enableTypeList();
    editor.selectTypeItem(2);
    resetToNewConfiguration(f.record, QStringLiteral("87654321"), QStringLiteral("03"), 1, 4,
                            kComma);
    editor.resetToNewConfiguration();

    EXPECT_TRUE(f.w().isNewConfiguration());
    EXPECT_TRUE(f.w().typeList()->isEnabled());
    EXPECT_EQ(f.w().typeList()->currentText(), QStringLiteral("03"));
    EXPECT_EQ(f.w().serialField()->text(), QStringLiteral("87654321"));
    EXPECT_TRUE(f.w().flowGrid()->cellText(1, FlowCol::Type).isEmpty());
    EXPECT_FALSE(f.w().pressurePanel()->isVisibleTo(&f.w()));
    EXPECT_EQ(f.w().firstDigitList()->currentText(), QStringLiteral("1"));
}

// Pictures of the window for the people who look at it: run with
// SETVYN_SHOTS_DIR set under a real display (xvfb-run, QT_QPA_PLATFORM=xcb).
TEST(ConfigEditorWindow, Screenshots)
{
    const QString dir = qEnvironmentVariable("SETVYN_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SETVYN_SHOTS_DIR not set";
    struct Shot
    {
        const char* file;
        void (*fill)(EditorWindowFixture&);
    };
    for (const Shot& s : {Shot{"editor-type04-two-systems.png", fillTwoHeatSystems},
                          Shot{"editor-electricity.png", fillElectricity}}) {
        EditorWindowFixture f;
        s.fill(f);
        for (ChannelGrid* g : {f.w().flowGrid(), f.w().thermoGrid(), f.w().pressureGrid()})
            g->setCurrentItem(nullptr);
        for (DayKind d : {WorkDays, Saturdays, Sundays})
            f.w().dayGridsPanel()->grid(d)->setCurrentItem(nullptr);
        f.w().move(0, 0);
        f.w().raise();
        QTest::qWait(300);
        EXPECT_TRUE(f.w().grab().save(dir + QLatin1Char('/') + QLatin1String(s.file)));
    }
}
