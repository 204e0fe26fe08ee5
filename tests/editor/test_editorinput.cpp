// What is typed into the editor is what is stored and what the calculator gets:
// refused input, the electricity row across a reload, the catalogue's precision,
// Enter and the close box.
#include "editorwindowfixture.h"

#include "link/v04params.h"
#include "model/systems.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace vyn;
using namespace vyn::test;

namespace {

// Messages are shown once the cell editor has closed.
QStringList shownMessages(EditorWindowFixture& f)
{
    QCoreApplication::processEvents();
    return f.dialogs.messages();
}

// Thermometers of a matched pair: both pipes of system 1 need their flow meters.
void fillPipes(EditorWindowFixture& f)
{
    for (int r = 1; r <= 2; ++r)
        if (f.flow(r, FlowCol::Type).isEmpty())
            f.edit(f.w().flowGrid(), r, FlowCol::Type, "ВСТ");
    f.edit(f.w().thermoGrid(), 1, ThermoCol::Type, "КТСПР-001");
}

// The value the generation-04 write sends with the parameter p2 p3 for the record.
QByteArray sentValue(ConfigRecord rec, int p2, int p3, bool minFlowControl = false)
{
    numberSystems(rec);
    V04WriteInputs in;
    in.locale = kComma;
    in.minFlowControl = minFlowControl;
    in.now = QDateTime(QDate(2025, 3, 14), QTime(10, 0));
    for (const ParameterWrite& w : buildV04ParameterWrites(rec, in))
        if (w.prefix[2] == p2 && w.prefix[3] == p3)
            return w.value;
    ADD_FAILURE() << "nothing sent as " << p2 << " " << p3;
    return {};
}

EditorOptions withoutCompletenessQuestion()
{
    EditorOptions o;
    o.completenessCheck = false;
    o.minFlowControl = true;
    return o;
}

} // namespace

TEST(EditorInput, NumericCellsRefuseWhatTheCalculatorCannotTake)
{
    EditorWindowFixture f;
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    f.edit(flow, 1, FlowCol::Type, "ВСТ");
    const QString before = f.flow(1, FlowCol::Du);
    for (const char* bad : {"abc", "-50", "1e308"}) {
        f.dialogs.shown.clear();
        f.edit(flow, 1, FlowCol::Du, bad);
        EXPECT_EQ(shownMessages(f), QStringList{QStringLiteral("«Ду» строки V1/: допустимо число от 1 до 3000")})
            << bad;
        EXPECT_EQ(f.flow(1, FlowCol::Du), before) << bad;
        EXPECT_EQ(flow->cellText(1, FlowCol::Du), before) << bad;
    }
    f.dialogs.shown.clear();
    for (const char* good : {"50.5", "50,5"}) {
        f.edit(flow, 1, FlowCol::Du, "65");
        f.edit(flow, 1, FlowCol::Du, good);
        EXPECT_EQ(f.flow(1, FlowCol::Du), QStringLiteral("50,5 мм")) << good;
    }
    EXPECT_TRUE(shownMessages(f).isEmpty());
}

TEST(EditorInput, TextCellsRefuseTheSeparatorAndWhatDoesNotFit)
{
    EditorWindowFixture f;
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    f.edit(flow, 1, FlowCol::Type, "ВСТ");
    f.edit(flow, 1, FlowCol::Serial, "1001");
    f.edit(flow, 1, FlowCol::Serial, "AB|CD");
    EXPECT_EQ(shownMessages(f), QStringList{QStringLiteral("«Сер. номер» строки V1/: символ «|» недопустим")});
    EXPECT_EQ(f.flow(1, FlowCol::Serial), QStringLiteral("1001"));

    f.dialogs.shown.clear();
    f.edit(f.w().thermoGrid(), 1, ThermoCol::Type, "КТСПР-001");
    f.edit(f.w().thermoGrid(), 1, ThermoCol::Serial, std::string(300, '7').c_str());
    ASSERT_EQ(shownMessages(f).size(), 1);
    EXPECT_EQ(shownMessages(f).first(), QStringLiteral("«Сер. номер» строки t1/: не более 46 символов"));
    EXPECT_TRUE(f.thermo(1, ThermoCol::Serial).isEmpty());
}

TEST(EditorInput, AFailedGroupKeepsTheWindowOpenWithTheValues)
{
    EditorWindowFixture f;
    f.w().setOptions(withoutCompletenessQuestion());
    f.startNew("04");
    fillPipes(f);
    f.edit(f.w().flowGrid(), 1, FlowCol::Serial, "4711");
    // 31 June cannot be stored: the season group fails.
    f.record.DATEL = {31, 6};
    f.w().showRecord();
    EXPECT_FALSE(f.w().acceptConfiguration());
    EXPECT_EQ(f.dialogs.messages(), QStringList{QStringLiteral("Была ошибка 2 при создании базы")});
    EXPECT_TRUE(f.w().isVisible());
    EXPECT_EQ(f.flow(1, FlowCol::Serial), QStringLiteral("4711"));
    EXPECT_EQ(f.db.RecordCount(), 1);

    // Mended, it goes into the same row.
    f.record.DATEL = {30, 6};
    EXPECT_TRUE(f.w().acceptConfiguration());
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_EQ(f.db.RecordCount(), 1);
}

TEST(EditorInput, AGenericElectricityMeterStaysTheElectricityRow)
{
    EditorWindowFixture f;
    f.w().setOptions(withoutCompletenessQuestion());
    f.startNew("04");
    f.choose(f.w().secondDigitList(), "6");
    ChannelGrid* flow = f.w().flowGrid();
    const QString water = f.flow(3, FlowCol::Designation);
    ASSERT_TRUE(flow->offered(3, FlowCol::Designation).contains(QStringLiteral("C"))) << water;
    f.edit(flow, 3, FlowCol::Designation, "C");
    f.edit(flow, 3, FlowCol::Type, "Электросчетчик");
    f.edit(flow, 3, FlowCol::Fimp, "1600");
    f.edit(flow, 3, FlowCol::Fmax, "25");
    f.edit(flow, 3, FlowCol::Serial, "3003");
    ASSERT_EQ(FindElecLine(f.record), 3);
    ASSERT_TRUE(f.w().acceptConfiguration());

    ASSERT_TRUE(f.w().prepareForStoredRow());
    EXPECT_EQ(FindElecLine(f.record), 3);
    EXPECT_EQ(f.flow(3, FlowCol::Type), QStringLiteral("Электросчетчик"));
    EXPECT_EQ(f.flow(3, FlowCol::Fimp), QStringLiteral("1600 имп/кВт*ч"));
    EXPECT_EQ(f.flow(3, FlowCol::Fmax), QStringLiteral("25 кВт"));
    f.window->show();
    EXPECT_TRUE(f.w().dayGridsPanel()->isVisible());
    // And the calculator hears of an electricity meter on channel 3, not a flow meter.
    EXPECT_EQ(sentValue(f.record, 0x04, 0x24), QByteArray::fromHex("82"));
}

TEST(EditorInput, CatalogueFlowMinimumsKeepThreeDecimals)
{
    EditorWindowFixture f;
    f.w().setOptions(withoutCompletenessQuestion());
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    f.edit(flow, 1, FlowCol::Type, "ULTRAFLOW II");
    f.edit(flow, 1, FlowCol::Du, "15");
    f.edit(flow, 1, FlowCol::Fnom, "0,6");
    EXPECT_EQ(f.flow(1, FlowCol::Fmin), QStringLiteral("0,006 м3/ч"));
    EXPECT_EQ(f.flow(1, FlowCol::Fmax), QStringLiteral("1,20 м3/ч"));
    fillPipes(f);
    ASSERT_TRUE(f.w().acceptConfiguration());

    ASSERT_TRUE(f.w().prepareForStoredRow());
    EXPECT_EQ(f.flow(1, FlowCol::Fmin), QStringLiteral("0,006 м3/ч"));
    EXPECT_EQ(sentValue(f.record, 0x54, 0x04, true), QByteArray::fromHex("a69bc43b")); // 0.006 as a single
}

TEST(EditorInput, EnterChangesNoTariffEntry)
{
    EditorWindowFixture f(0);
    f.startNew("03");
    f.choose(f.w().secondDigitList(), "7");
    ASSERT_GT(FindElecLine(f.record), 0);
    TariffListPanel* panel = f.w().tariffListPanel();
    ASSERT_TRUE(panel->isVisible());
    f.choose(panel->hoursList(), "07");
    panel->addButton()->click();
    ASSERT_EQ(f.record.TariffList.size(), 1u);
    panel->list()->setCurrentItem(panel->list()->topLevelItem(0));
    const auto entries = f.record.TariffList;

    QTest::keyClick(f.w().serialField(), Qt::Key_Return);
    QTest::keyClick(f.w().serialField(), Qt::Key_Enter);
    QWidget* cell = f.w().flowGrid()->openEditor(1, FlowCol::Type);
    ASSERT_NE(cell, nullptr);
    QTest::keyClick(cell, Qt::Key_Return);
    for (QPushButton* b : {panel->addButton(), panel->changeButton(), panel->deleteButton()}) {
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Return);
    }
    EXPECT_EQ(f.record.TariffList, entries);
    EXPECT_TRUE(f.w().isVisible());
    for (QPushButton* b : f.w().findChildren<QPushButton*>())
        if (b->window() == &f.w()) {
            EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text();
        }
}

TEST(EditorInput, ClosingWithChangesAsks)
{
    EditorWindowFixture f;
    f.w().setOptions(withoutCompletenessQuestion());
    f.startNew("04");
    // Nothing changed: Escape closes at once.
    QTest::keyClick(&f.w(), Qt::Key_Escape);
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_TRUE(f.dialogs.shown.isEmpty());

    f.startNew("04");
    fillPipes(f);
    const QString question = QStringLiteral("Сохранить изменения конфигурации?");
    f.w().close(); // Отмена
    EXPECT_TRUE(f.w().isVisible());
    QTest::keyClick(&f.w(), Qt::Key_Escape); // Отмена
    EXPECT_TRUE(f.w().isVisible());
    ASSERT_EQ(f.dialogs.of(FakeDialogs::Kind::Ask).size(), 2);
    EXPECT_EQ(f.dialogs.of(FakeDialogs::Kind::Ask).at(0).text, question);
    EXPECT_EQ(f.flow(1, FlowCol::Type), QStringLiteral("ВСТ"));

    f.dialogs.choices.enqueue(true); // Да: saved and closed
    f.w().close();
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_EQ(f.db.RecordCount(), 1);

    ASSERT_TRUE(f.w().prepareForStoredRow());
    f.window->show();
    f.edit(f.w().flowGrid(), 1, FlowCol::Serial, "999");
    f.dialogs.choices.enqueue(false); // Нет: discarded
    QTest::keyClick(&f.w(), Qt::Key_Escape);
    EXPECT_FALSE(f.w().isVisible());
    EXPECT_TRUE(f.flow(1, FlowCol::Serial).isEmpty());
}

TEST(EditorInput, DeleteEmptiesOneCellAndLockedCellsLookLocked)
{
    EditorWindowFixture f;
    f.startNew("04");
    ChannelGrid* flow = f.w().flowGrid();
    f.edit(flow, 1, FlowCol::Type, "ВСТ");
    f.edit(flow, 1, FlowCol::Serial, "1234");
    flow->setCurrentCell(0, FlowCol::Serial);
    QTest::keyClick(flow, Qt::Key_Delete);
    EXPECT_TRUE(f.flow(1, FlowCol::Serial).isEmpty());
    EXPECT_EQ(f.flow(1, FlowCol::Type), QStringLiteral("ВСТ"));

    // The system column and the cells of the unused rows cannot be selected.
    EXPECT_FALSE(flow->item(0, FlowCol::System)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(flow->item(0, FlowCol::System)->foreground().color(), QColor(0x80, 0x80, 0x80));
    // Only one grid shows a current cell.
    f.w().thermoGrid()->setCurrentCell(0, ThermoCol::Type);
    EXPECT_FALSE(flow->currentIndex().isValid());
}

TEST(EditorInput, ColdWaterTemperaturesTakeEitherSeparatorAndRefuseOutOfRange)
{
    EditorWindowFixture f;
    f.startNew("04");
    QDoubleSpinBox* box = f.w().heatingColdWaterBox();
    box->setFocus();
    for (const char* text : {"7.5", "7,5"}) {
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_DOUBLE_EQ(box->value(), 7.5) << text;
        EXPECT_EQ(f.record.TXIZ, QStringLiteral("7,5")) << text;
    }
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("25"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(box->value(), 7.5);
    EXPECT_EQ(shownMessages(f), QStringList{QStringLiteral("Допустимо число от 0,0 до 20,0")});
}
