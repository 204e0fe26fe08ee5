#include "editor/thermorules.h"
#include "editorfixture.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

QString thermo(const ConfigRecord& rec, int row, int col) { return rec.ThermoTable.cell(row, col); }

CellChange pick(ConfigRecord& rec, int row, int col, const char* text, const EditorContext& ctx)
{
    return thermoCellChanged(rec, row, col, rec.ThermoTable.cell(row, col), QString::fromUtf8(text), ctx);
}

// Flow row sized as type | diameter | nominal flow.
void sizeFlow(ConfigRecord& rec, int row, const char* type, const char* du, const char* fnom)
{
    rec.FlowTable.setCell(row, FlowCol::Type, QString::fromUtf8(type));
    SetValueGrid(rec, TableKind::Flow, row, QString::fromUtf8(du), FlowCol::Du, kComma);
    SetValueGrid(rec, TableKind::Flow, row, QString::fromUtf8(fnom), FlowCol::Fnom, kComma);
}

} // namespace

TEST(ThermoCascade, MatchedPairIsCopiedIntoTheOtherPipe)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "10");
    sizeFlow(rec, 1, "HOTM", "15", "1,5"); // Tmin 10
    rec.ThermoTable.setCell(2, ThermoCol::TMax, QStringLiteral("180 °С"));
    rec.ThermoTable.setCell(2, ThermoCol::Serial, QStringLiteral("old"));
    pick(rec, 1, ThermoCol::Serial, "4711", fx.ctx);
    pick(rec, 1, ThermoCol::Type, "KPAIR", fx.ctx);

    EXPECT_EQ(thermo(rec, 1, ThermoCol::R0), QStringLiteral("100 Ом")); // the only R0
    EXPECT_EQ(thermo(rec, 1, ThermoCol::W), QString());                 // two ratios, nothing remembered
    EXPECT_EQ(thermo(rec, 1, ThermoCol::Klass), QStringLiteral("A"));
    EXPECT_EQ(thermo(rec, 1, ThermoCol::Length), QString());
    EXPECT_EQ(thermo(rec, 1, ThermoCol::TMin), QStringLiteral("10 °С"));
    for (int c = ThermoCol::Type; c <= ThermoCol::TMin; ++c)
        EXPECT_EQ(thermo(rec, 2, c), thermo(rec, 1, c)) << c;
    // The pair's upper limit is lowered to the type's 110; the contract pressures stay.
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMax), QStringLiteral("110 °С"));
    EXPECT_EQ(thermo(rec, 1, ThermoCol::Pressure), QStringLiteral("0,6 МПа"));
    EXPECT_EQ(thermo(rec, 2, ThermoCol::Pressure), QStringLiteral("0,4 МПа"));

    pick(rec, 2, ThermoCol::Length, "80", fx.ctx);
    EXPECT_EQ(thermo(rec, 1, ThermoCol::Length), QStringLiteral("80 мм"));

    // A single thermometer is not copied.
    ConfigRecord single = shaped("04", "10");
    pick(single, 1, ThermoCol::Type, "SINGLE", fx.ctx);
    EXPECT_EQ(thermo(single, 1, ThermoCol::W), QStringLiteral("1,391"));
    EXPECT_EQ(thermo(single, 1, ThermoCol::TMin), QStringLiteral("5 °С")); // no flow meter: 5
    EXPECT_EQ(thermo(single, 2, ThermoCol::Type), QString());
}

TEST(ThermoCascade, HistoryFillsTheRememberedListPositions)
{
    EditorFixture fx;
    fx.ctx.options.thermoHistory = true;
    ConfigRecord rec = shaped("04", "80");
    pick(rec, 1, ThermoCol::Type, "SINGLE", fx.ctx);
    pick(rec, 1, ThermoCol::R0, "500", fx.ctx);
    EXPECT_EQ(fx.history->thermoPosition(QStringLiteral("SINGLE"), 2), 1);
    pick(rec, 2, ThermoCol::Type, "SINGLE", fx.ctx);
    EXPECT_EQ(thermo(rec, 2, ThermoCol::R0), QStringLiteral("500 Ом"));
    // Columns beyond the type's lists are left alone.
    EXPECT_EQ(thermo(rec, 2, ThermoCol::Klass), QString());
}

TEST(ThermoCascade, LowerLimitComesFromTheFlowMeterOfTheSamePipe)
{
    EditorFixture fx;
    // Scheme 3: "t1\" lies on the pipe of "V1/" (row 1), not of "Vb".
    ConfigRecord three = shaped("04", "30");
    sizeFlow(three, 1, "HOTM", "15", "1,5"); // Tmin 10
    sizeFlow(three, 2, "HOTM", "20", "2,5"); // Tmin 20
    pick(three, 2, ThermoCol::Type, "SINGLE", fx.ctx);
    EXPECT_EQ(thermo(three, 2, ThermoCol::TMin), QStringLiteral("10 °С"));
    // Scheme 8: "tb" with "Vb".
    ConfigRecord eight = shaped("04", "80");
    sizeFlow(eight, 1, "HOTM", "15", "1,5");
    sizeFlow(eight, 2, "HOTM", "20", "2,5");
    pick(eight, 2, ThermoCol::Type, "SINGLE", fx.ctx);
    EXPECT_EQ(thermo(eight, 2, ThermoCol::TMin), QStringLiteral("20 °С"));
    // An upper limit above the type's is capped; one within it stays.
    eight.ThermoTable.setCell(1, ThermoCol::TMax, QStringLiteral("150 °С"));
    pick(eight, 1, ThermoCol::Type, "SINGLE", fx.ctx);
    EXPECT_EQ(thermo(eight, 1, ThermoCol::TMax), QStringLiteral("150 °С"));
    pick(eight, 1, ThermoCol::Type, "KPAIR", fx.ctx);
    EXPECT_EQ(thermo(eight, 1, ThermoCol::TMax), QStringLiteral("110 °С"));
}

TEST(ThermoCells, ColdWaterRowHasFixedLimitsAndNoPressure)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "90"); // "to", then "tu"
    ASSERT_EQ(rec.ThermoTable.designation(2), QStringLiteral("tu"));
    rec.ThermoTable.setCell(2, ThermoCol::Pressure, QStringLiteral("0,5 МПа"));
    pick(rec, 2, ThermoCol::Type, "KPAIR", fx.ctx);
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMin), QStringLiteral("-70 °С"));
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMax), QStringLiteral("100 °С"));
    EXPECT_EQ(thermo(rec, 2, ThermoCol::Pressure), QString());
    pick(rec, 2, ThermoCol::TMax, "150", fx.ctx);
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMax), QStringLiteral("100 °С"));

    // A matched pair next to the cold-water row is not copied into it.
    pick(rec, 1, ThermoCol::Type, "KPAIR", fx.ctx);
    pick(rec, 1, ThermoCol::Serial, "1", fx.ctx);
    EXPECT_EQ(thermo(rec, 2, ThermoCol::Serial), QString());
    EXPECT_EQ(thermo(rec, 2, ThermoCol::TMin), QStringLiteral("-70 °С"));
}

TEST(ThermoCells, WhatEachCellOffers)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "10");
    const EditorContext& ctx = fx.ctx;
    EXPECT_FALSE(thermoCellChoice(rec, 1, ThermoCol::Designation, ctx).editable);
    EXPECT_FALSE(thermoCellChoice(rec, 1, ThermoCol::System, ctx).editable);
    EXPECT_FALSE(thermoCellChoice(rec, 4, ThermoCol::Type, ctx).editable); // no designation
    EXPECT_EQ(thermoCellChoice(rec, 1, ThermoCol::Type, ctx).items,
              (QStringList{QStringLiteral("KPAIR"), QStringLiteral("SINGLE")}));
    // Without a type the dependent lists offer one blank entry.
    EXPECT_EQ(thermoCellChoice(rec, 1, ThermoCol::R0, ctx).items, QStringList{QString()});
    rec.ThermoTable.setCell(1, ThermoCol::Type, QStringLiteral("KPAIR"));
    EXPECT_EQ(thermoCellChoice(rec, 1, ThermoCol::W, ctx).items,
              (QStringList{QStringLiteral("1,385"), QStringLiteral("1,391")}));
    EXPECT_EQ(thermoCellChoice(rec, 1, ThermoCol::Length, ctx).items,
              (QStringList{QStringLiteral("60"), QStringLiteral("80")}));
    EXPECT_EQ(thermoCellChoice(rec, 1, ThermoCol::Pressure, ctx).items,
              (QStringList{QStringLiteral("0,6"), QStringLiteral("1,0")}));
    for (int c : {int(ThermoCol::Serial), int(ThermoCol::TMin), int(ThermoCol::TMax)})
        EXPECT_FALSE(thermoCellChoice(rec, 1, c, ctx).hasList) << c;
}

TEST(PressureCells, TypeListLimitsAndLowerLimit)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "8b"); // "Po", "Pb", "Pc", "Pd"
    const EditorContext& ctx = fx.ctx;
    EXPECT_EQ(pressureCellChoice(rec, 1, PressureCol::Type, ctx).items,
              (QStringList{QStringLiteral("SENS"), QStringLiteral("xxxx")}));
    EXPECT_FALSE(pressureCellChoice(rec, 3, PressureCol::Type, ctx).editable); // "Pc" with digit b
    EXPECT_TRUE(pressureCellChoice(rec, 4, PressureCol::Type, ctx).editable);
    EXPECT_FALSE(pressureCellChoice(rec, 1, PressureCol::System, ctx).editable);
    EXPECT_TRUE(pressureCellChoice(rec, 1, PressureCol::PMin, ctx).editable);

    pressureCellChanged(rec, 1, PressureCol::Type, QString(), QStringLiteral("SENS"), ctx);
    EXPECT_EQ(rec.PressureTable.cell(1, PressureCol::PMin), QStringLiteral("0 МПа"));
    EXPECT_EQ(pressureCellChoice(rec, 1, PressureCol::PMax, ctx).items,
              (QStringList{QStringLiteral("0,6"), QStringLiteral("1,6")}));
    pressureCellChanged(rec, 1, PressureCol::PMax, QString(), QStringLiteral("1,6"), ctx);
    EXPECT_EQ(rec.PressureTable.cell(1, PressureCol::PMax), QStringLiteral("1,6 МПа"));
    EXPECT_FALSE(pressureCellChanged(rec, 1, PressureCol::PMax, QStringLiteral("1,6 МПа"), QString(), ctx).applied);
    EXPECT_EQ(rec.PressureTable.cell(1, PressureCol::PMax), QStringLiteral("1,6 МПа"));
}
