#include "editor/flowrules.h"
#include "editorfixture.h"
#include "model/inifile.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

QString flow(const ConfigRecord& rec, int row, int col) { return rec.FlowTable.cell(row, col); }
QString thermo(const ConfigRecord& rec, int row, int col) { return rec.ThermoTable.cell(row, col); }

// The user picks a text in a flow cell.
CellChange pick(ConfigRecord& rec, int row, int col, const char* text, const EditorContext& ctx)
{
    return flowCellChanged(rec, row, col, rec.FlowTable.cell(row, col), QString::fromUtf8(text), ctx);
}

QStringList items(const CellChoice& c) { return c.items; }

} // namespace

TEST(FlowCascade, SingleEntryIsFilledWithoutOpeningTheList)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "10");
    pick(rec, 1, FlowCol::Type, "HOTM", fx.ctx);
    // Two diameters and nothing remembered: the diameter waits for the user.
    EXPECT_EQ(flow(rec, 1, FlowCol::Du), QString());
    EXPECT_EQ(flow(rec, 1, FlowCol::Fmin), QString());
    EXPECT_EQ(flow(rec, 1, FlowCol::Source), QStringLiteral("Автономный"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Archive), QStringLiteral("Объём"));

    pick(rec, 1, FlowCol::Du, "15", fx.ctx);
    EXPECT_EQ(flow(rec, 1, FlowCol::Du), QStringLiteral("15 мм"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Fnom), QStringLiteral("1,5 м3/ч")); // the only nominal flow
    EXPECT_EQ(flow(rec, 1, FlowCol::Fimp), QString());                  // two pulse weights
    EXPECT_EQ(flow(rec, 1, FlowCol::Fmin), QStringLiteral("0,00 м3/ч")); // minimum flow control off
    EXPECT_EQ(flow(rec, 1, FlowCol::Fmax), QStringLiteral("3,00 м3/ч"));
    // The pipe's thermometer: the pipe's limits, capped by the type (none: 200).
    EXPECT_EQ(thermo(rec, 1, ThermoCol::TMin), QStringLiteral("10 °С"));
    EXPECT_EQ(thermo(rec, 1, ThermoCol::TMax), QStringLiteral("120 °С"));
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMin), QString());

    fx.ctx.options.minFlowControl = true;
    pick(rec, 1, FlowCol::Fimp, "10", fx.ctx);
    EXPECT_EQ(flow(rec, 1, FlowCol::Fimp), QStringLiteral("10 л/имп"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Fmin), QStringLiteral("0,03 м3/ч"));
}

TEST(FlowCascade, HistoryRemembersThePositionAndRestoresItNextTime)
{
    EditorFixture fx;
    fx.ctx.options.flowHistory = true;
    ConfigRecord rec = shaped("04", "10");
    pick(rec, 1, FlowCol::Type, "HOTM", fx.ctx);
    pick(rec, 1, FlowCol::Du, "20", fx.ctx); // the 2nd diameter
    EXPECT_EQ(IniFile(fx.historyPath()).readString(QStringLiteral("HOTM"), QStringLiteral("LastSelect")),
              QStringLiteral("1"));
    pick(rec, 1, FlowCol::Fnom, "4", fx.ctx);
    EXPECT_EQ(fx.history->flowPosition(QStringLiteral("HOTM|20")), 1);

    // Next time the type is chosen, the remembered diameter and nominal flow come back;
    // "HOTM|20|4" has no pulse weights.
    pick(rec, 2, FlowCol::Type, "HOTM", fx.ctx);
    EXPECT_EQ(flow(rec, 2, FlowCol::Du), QStringLiteral("20 мм"));
    EXPECT_EQ(flow(rec, 2, FlowCol::Fnom), QStringLiteral("4 м3/ч"));
    EXPECT_EQ(flow(rec, 2, FlowCol::Fimp), QString());

    // With the option off the history is neither read nor written.
    fx.ctx.options.flowHistory = false;
    ConfigRecord other = shaped("04", "10");
    pick(other, 1, FlowCol::Type, "HOTM", fx.ctx);
    EXPECT_EQ(flow(other, 1, FlowCol::Du), QString());
    pick(other, 1, FlowCol::Du, "15", fx.ctx);
    EXPECT_EQ(fx.history->flowPosition(QStringLiteral("HOTM")), 1);
}

TEST(FlowCascade, AValueThatStillNamesASectionStays)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "60");
    pick(rec, 1, FlowCol::Type, "HOTM", fx.ctx);
    pick(rec, 1, FlowCol::Du, "15", fx.ctx);
    pick(rec, 1, FlowCol::Fimp, "1", fx.ctx);
    // COLDM has a diameter 15 as well, but "COLDM|15|1,5|1" is no section.
    pick(rec, 1, FlowCol::Type, "COLDM", fx.ctx);
    EXPECT_EQ(flow(rec, 1, FlowCol::Du), QStringLiteral("15 мм"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Fnom), QStringLiteral("1,5 м3/ч"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Fimp), QStringLiteral("1 л/имп")); // the only weight
    EXPECT_EQ(flow(rec, 1, FlowCol::Fmax), QStringLiteral("3,00 м3/ч"));
    EXPECT_EQ(flow(rec, 1, FlowCol::Source), QStringLiteral("Сетевой"));
    // A diameter the new type lacks is emptied, and what depends on it.
    pick(rec, 2, FlowCol::Type, "HOTM", fx.ctx);
    pick(rec, 2, FlowCol::Du, "20", fx.ctx);
    pick(rec, 2, FlowCol::Type, "COLDM", fx.ctx);
    EXPECT_EQ(flow(rec, 2, FlowCol::Du), QString());
    EXPECT_EQ(flow(rec, 2, FlowCol::Fnom), QString());
    EXPECT_EQ(flow(rec, 2, FlowCol::Fmax), QString());
}

TEST(FlowCascade, ThermometerLimitsFollowTheScheme)
{
    EditorFixture fx;
    // Scheme 4: the return pipe (row 2) carries the flow meter.
    ConfigRecord four = shaped("04", "40");
    pick(four, 2, FlowCol::Type, "HOTM", fx.ctx);
    pick(four, 2, FlowCol::Du, "20", fx.ctx);
    pick(four, 2, FlowCol::Fnom, "2,5", fx.ctx);
    EXPECT_EQ(thermo(four, 1, ThermoCol::TMin), QStringLiteral("5 °С"));
    EXPECT_EQ(thermo(four, 1, ThermoCol::TMax), QStringLiteral("150 °С"));
    EXPECT_EQ(thermo(four, 2, ThermoCol::TMin), QStringLiteral("20 °С"));
    EXPECT_EQ(thermo(four, 2, ThermoCol::TMax), QStringLiteral("95 °С"));

    // Scheme 3: the supply pipe carries it and the return thermometer copies.
    ConfigRecord three = shaped("04", "30");
    // The thermometer type (Tmax 110) caps the pipe's 120.
    three.ThermoTable.setCell(1, ThermoCol::Type, QStringLiteral("KPAIR"));
    pick(three, 1, FlowCol::Type, "HOTM", fx.ctx);
    pick(three, 1, FlowCol::Du, "15", fx.ctx);
    EXPECT_EQ(thermo(three, 1, ThermoCol::TMax), QStringLiteral("110 °С"));
    EXPECT_EQ(thermo(three, 2, ThermoCol::TMin), QStringLiteral("10 °С"));
    EXPECT_EQ(thermo(three, 2, ThermoCol::TMax), QStringLiteral("110 °С"));
    // The single pipe "Vb" of scheme 3 sets no thermometer.
    pick(three, 2, FlowCol::Type, "HOTM", fx.ctx);
    pick(three, 2, FlowCol::Du, "20", fx.ctx);
    pick(three, 2, FlowCol::Fnom, "2,5", fx.ctx);
    EXPECT_EQ(thermo(three, 2, ThermoCol::TMin), QStringLiteral("10 °С"));
}

TEST(FlowCascade, ColdWaterThermometerKeepsItsFixedLimits)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "60"); // thermometer row 1 is "tu"
    ASSERT_EQ(rec.ThermoTable.designation(1), QStringLiteral("tu"));
    rec.ThermoTable.setCell(1, ThermoCol::TMin, QStringLiteral("-70 °С"));
    pick(rec, 1, FlowCol::Type, "HOTM", fx.ctx);
    pick(rec, 1, FlowCol::Du, "15", fx.ctx);
    EXPECT_EQ(thermo(rec, 1, ThermoCol::TMin), QStringLiteral("-70 °С"));
    EXPECT_EQ(thermo(rec, 1, ThermoCol::TMax), QString());
}

TEST(FlowCells, WhatEachCellOffers)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "16"); // V1/ V1\ Vc Vd Vn
    const EditorContext& ctx = fx.ctx;
    EXPECT_FALSE(flowCellChoice(rec, 0, 1, ctx).editable);
    EXPECT_FALSE(flowCellChoice(rec, 1, FlowCol::System, ctx).editable);
    EXPECT_FALSE(flowCellChoice(rec, 1, FlowCol::Designation, ctx).editable); // 3 characters
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Designation, ctx)),
              (QStringList{QStringLiteral("Vc"), QStringLiteral("C")}));
    EXPECT_EQ(items(flowCellChoice(rec, 1, FlowCol::Type, ctx)), QStringList{QStringLiteral("HOTM")});
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Type, ctx)),
              (QStringList{QStringLiteral("HOTM"), QStringLiteral("COLDM")}));
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Du, ctx)), QStringList());
    rec.FlowTable.setCell(3, FlowCol::Type, QStringLiteral("COLDM"));
    rec.FlowTable.setCell(3, FlowCol::Du, QStringLiteral("15 мм"));
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Du, ctx)),
              (QStringList{QStringLiteral("15"), QStringLiteral("25")}));
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Fnom, ctx)),
              (QStringList{QStringLiteral("1,5"), QStringLiteral("2,5")}));
    for (int c : {int(FlowCol::Fmin), int(FlowCol::Fmax), int(FlowCol::Serial)}) {
        EXPECT_TRUE(flowCellChoice(rec, 3, c, ctx).editable);
        EXPECT_FALSE(flowCellChoice(rec, 3, c, ctx).hasList);
    }

    // Power source: only for a mains-powered calculator and a chosen type.
    EXPECT_FALSE(flowCellChoice(rec, 3, FlowCol::Source, ctx).editable);
    rec.PITVYN = true;
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Source, ctx)), QStringList{QStringLiteral("Сетевой")});
    EXPECT_FALSE(flowCellChoice(rec, 4, FlowCol::Source, ctx).editable);

    // Hardware variants below 2 have no electricity row; no serial: no restriction.
    rec.SNUM = QStringLiteral("12341678");
    EXPECT_FALSE(flowCellChoice(rec, 3, FlowCol::Designation, ctx).editable);
    rec.SNUM = QStringLiteral("123");
    EXPECT_TRUE(flowCellChoice(rec, 3, FlowCol::Designation, ctx).editable);
}

TEST(FlowCells, ArchiveOnlyWhereThePipeHasItsThermometer)
{
    EditorFixture fx;
    struct Case { const char* scheme; int row; bool editable; };
    const Case cases[] = {
        {"10", 1, true},  {"10", 2, true},  {"12", 3, true},  {"12", 4, true},
        {"40", 1, false}, {"40", 2, true},  {"30", 1, true},  {"30", 2, false},
        {"80", 1, true},  {"80", 2, true},  {"90", 2, false}, {"60", 1, false},
        {"14", 3, false}, {"13", 4, false}, {"18", 3, true},  {"19", 4, false},
    };
    for (const Case& c : cases) {
        const ConfigRecord rec = shaped("04", c.scheme);
        const CellChoice choice = flowCellChoice(rec, c.row, FlowCol::Archive, fx.ctx);
        EXPECT_EQ(choice.editable, c.editable) << c.scheme << " row " << c.row;
        if (c.editable) {
            EXPECT_EQ(choice.items, (QStringList{QStringLiteral("Объём"), QStringLiteral("Масса")}));
        }
    }
}

TEST(FlowCells, ElectricityRowInASinglePipeRowAndItsUndo)
{
    EditorFixture fx;
    std::array<DaySchedule, 3> last{};
    last[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    fx.history->storeDaySchedules(last);

    ConfigRecord rec = shaped("04", "16");
    pick(rec, 3, FlowCol::Type, "COLDM", fx.ctx);
    pick(rec, 3, FlowCol::Du, "15", fx.ctx);
    const CellChange toC = pick(rec, 3, FlowCol::Designation, "C", fx.ctx);
    EXPECT_EQ(toC.tariffPanel, TariffPanel::DayGrids);
    EXPECT_EQ(rec.FlowTable.designation(3), QStringLiteral("C"));
    for (int c = FlowCol::Type; c <= FlowCol::Archive; ++c)
        EXPECT_EQ(flow(rec, 3, c), QString()) << c;
    EXPECT_EQ(rec.daySchedules, last);

    // Only one electricity row: the other single pipes no longer offer "C".
    EXPECT_EQ(items(flowCellChoice(rec, 4, FlowCol::Designation, fx.ctx)), QStringList{QStringLiteral("Vd")});
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Type, fx.ctx)),
              (QStringList{QStringLiteral("Электросчетчик"), QStringLiteral("METER1"), QStringLiteral("METER2")}));
    for (int c : {2, 3, 5, 9})
        EXPECT_FALSE(flowCellChoice(rec, 3, c, fx.ctx).editable) << c;
    EXPECT_FALSE(flowCellChoice(rec, 3, FlowCol::Source, fx.ctx).editable); // generation 04

    pick(rec, 3, FlowCol::Type, "METER1", fx.ctx);
    EXPECT_EQ(flow(rec, 3, FlowCol::Fimp), QStringLiteral("3200 имп/кВт*ч")); // the only constant
    pick(rec, 3, FlowCol::Fmax, "15", fx.ctx);
    pick(rec, 3, FlowCol::Serial, "77", fx.ctx);
    EXPECT_EQ(flow(rec, 3, FlowCol::Fmax), QStringLiteral("15 кВт"));
    pick(rec, 3, FlowCol::Type, "METER2", fx.ctx);
    EXPECT_EQ(flow(rec, 3, FlowCol::Fimp), QString());
    EXPECT_EQ(items(flowCellChoice(rec, 3, FlowCol::Fimp, fx.ctx)),
              (QStringList{QStringLiteral("1000"), QStringLiteral("5000")}));
    EXPECT_EQ(flow(rec, 3, FlowCol::Serial), QStringLiteral("77"));

    // Choosing the scheme's designation again ends the electricity row.
    const CellChange back = pick(rec, 3, FlowCol::Designation, "Vc", fx.ctx);
    EXPECT_EQ(back.tariffPanel, TariffPanel::None);
    EXPECT_EQ(rec.FlowTable.designation(3), QStringLiteral("Vc"));
    EXPECT_EQ(flow(rec, 3, FlowCol::Type), QString());
    EXPECT_EQ(rec.FlowTable.designation(5), QStringLiteral("Vn"));

    // Generation 03: the list editor and the zone choice.
    fx.ctx.deviceGeneration = 0;
    ConfigRecord old = shaped("03", "16", 0, "12343678");
    EXPECT_EQ(pick(old, 4, FlowCol::Designation, "C", fx.ctx).tariffPanel, TariffPanel::List);
    EXPECT_EQ(items(flowCellChoice(old, 4, FlowCol::Source, fx.ctx)).size(), 5);
}

TEST(FlowCells, EmptyUnchangedOrUnofferedTextPutsTheRememberedTextBack)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "16");
    rec.FlowTable.setCell(3, FlowCol::Serial, QStringLiteral("123"));
    EXPECT_FALSE(flowCellChanged(rec, 3, FlowCol::Serial, QStringLiteral("123"), QString(), fx.ctx).applied);
    EXPECT_EQ(flow(rec, 3, FlowCol::Serial), QStringLiteral("123"));
    EXPECT_FALSE(flowCellChanged(rec, 3, FlowCol::Designation, QStringLiteral("Vc"), QStringLiteral("Vx"), fx.ctx).applied);
    EXPECT_EQ(rec.FlowTable.designation(3), QStringLiteral("Vc"));
}

TEST(FlowCells, MassOnOnePipeOfAHeatSystemSetsTheOther)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "12");
    pick(rec, 1, FlowCol::Archive, "Масса", fx.ctx);
    EXPECT_EQ(flow(rec, 2, FlowCol::Archive), QStringLiteral("Масса"));
    pick(rec, 4, FlowCol::Archive, "Масса", fx.ctx);
    EXPECT_EQ(flow(rec, 3, FlowCol::Archive), QStringLiteral("Масса"));
    pick(rec, 2, FlowCol::Archive, "Объём", fx.ctx);
    EXPECT_EQ(flow(rec, 1, FlowCol::Archive), QStringLiteral("Объём"));

    // Scheme 8 has two single pipes: each keeps its own archive.
    ConfigRecord eight = shaped("04", "80");
    pick(eight, 1, FlowCol::Archive, "Масса", fx.ctx);
    EXPECT_EQ(flow(eight, 2, FlowCol::Archive), QString());
}
