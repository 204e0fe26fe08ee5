#include "model/systems.h"
#include "recordfixture.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

QStringList designations(const ChannelTable& t) { return column(t, 0); }
QStringList numbers(const ChannelTable& t) { return column(t, t.systemColumn()); }

void typeEveryDesignatedRow(ConfigRecord& rec)
{
    for (TableKind k : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        ChannelTable& t = rec.table(k);
        for (int r = 1; r <= t.channelRows(); ++r)
            if (!t.designation(r).isEmpty())
                t.setCell(r, 1, QStringLiteral("тип"));
    }
}

} // namespace

TEST(SchemeDigits, OfferedSecondDigitsFollowTypeFirstDigitAndHardware)
{
    struct Case { const char* type; char first; std::optional<int> hv; const char* expected; };
    const Case cases[] = {
        {"02", '3', 2, "0 6 7"},
        {"02", '3', 3, "0 6"},
        {"03", '1', 2, "0 1 2 3 4 5 6 7 8 9 A"},
        {"04", '2', std::nullopt, "0 2 3 4 5 6 7 8 9 A"},
        {"04", '4', 1, "0 4 5 6 7 8 9 A"},
        {"03", '5', 5, "0 5 6 8 9"},
        {"04", '9', 0, "0 6 7"},
        {"04", '8', 0, "0 6 7 8 9 b"},
        {"01", '1', 0, "0"},
        {"05", '6', 0, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(offeredSecondDigits(QString::fromLatin1(c.type), QLatin1Char(c.first), c.hv)
                      .join(QLatin1Char(' ')),
                  QString::fromLatin1(c.expected))
            << c.type << ' ' << c.first;
    EXPECT_EQ(schemeDigitValue(QLatin1Char('A')), 9);
    EXPECT_EQ(schemeDigitValue(QLatin1Char('b')), 11);
    EXPECT_EQ(schemeDigitValue(QLatin1Char('b'), true), 10);
}

TEST(Shape, TypeDecidesFlowRowsAndFixedSchemes)
{
    EXPECT_EQ(shaped("01", "15").FlowTable.channelRows(), 4);
    EXPECT_EQ(shaped("01", "15").CXEMA, QStringLiteral("10"));
    EXPECT_EQ(shaped("02", "16", 1, "12342678").FlowTable.channelRows(), 4);
    EXPECT_EQ(shaped("02", "16", 1, "12343678").FlowTable.channelRows(), 5);
    EXPECT_EQ(shaped("03", "16", 1, "1234").FlowTable.channelRows(), 4);
    EXPECT_EQ(shaped("04", "10").FlowTable.channelRows(), 5);
    const ConfigRecord five = shaped("05", "10");
    EXPECT_EQ(five.CXEMA, QStringLiteral("66"));
    EXPECT_EQ(five.FlowTable.channelRows(), 5);
    // a second digit that is no longer offered falls back to the first offered one
    EXPECT_EQ(shaped("02", "15").CXEMA, QStringLiteral("10"));
    EXPECT_EQ(shaped("04", "17", 1, "12345678").CXEMA, QStringLiteral("10"));
}

TEST(Shape, DesignationsOfTypicalSchemes)
{
    struct Case {
        const char* type; const char* scheme; int generation;
        const char* flow; const char* thermo; const char* pressure; bool coldSource;
    };
    const Case cases[] = {
        {"04", "14", 1, "V1/ V1\\ Vc V2\\ Vn", "t1/ t1\\ t2/ t2\\", "P1/ P1\\ P2/ P2\\", false},
        {"02", "60", 1, "Vo Vb  ", "   ", "   ", false},
        {"04", "60", 1, "Vo Vb   ", "tu   ", "   ", false},
        {"04", "17", 1, "V1/ V1\\ Vc C Vn", "t1/ t1\\ tu ", "P1/ P1\\  ", false},
        {"04", "1A", 1, "V1/ V1\\ Vc Vd Vn", "t1/ t1\\ tc tu", "P1/ P1\\ Pc ", true},
        {"04", "10", 1, "V1/ V1\\   ", "t1/ t1\\  ", "P1/ P1\\  ", false},
        {"03", "35", 0, "F1/ Fb F2/ F2\\", "t1/ t1\\ t2/ t2\\", "P1/ P1\\ P2/ P2\\", true},
        {"04", "8b", 1, "Vo Vb Vc Vd Vn", "to tb tc td", "Po Pb Pc Pd", true},
        {"03", "46", 0, "Fo F1\\ Fc Fd", "t1/ t1\\  ", "P1/ P1\\  ", false},
    };
    for (const Case& c : cases) {
        const ConfigRecord rec = shaped(c.type, c.scheme, c.generation, "12342678");
        const QString where = QStringLiteral("%1/%2").arg(QLatin1String(c.type), QLatin1String(c.scheme));
        EXPECT_EQ(designations(rec.FlowTable).join(QLatin1Char(' ')), QString::fromLatin1(c.flow)) << where.toStdString();
        EXPECT_EQ(designations(rec.ThermoTable).join(QLatin1Char(' ')), QString::fromLatin1(c.thermo)) << where.toStdString();
        EXPECT_EQ(designations(rec.PressureTable).join(QLatin1Char(' ')), QString::fromLatin1(c.pressure)) << where.toStdString();
        EXPECT_EQ(rec.ColdSourceFlag, c.coldSource) << where.toStdString();
    }
}

TEST(Shape, DefaultContractPressures)
{
    const ConfigRecord heat = shaped("04", "14");
    EXPECT_EQ(column(heat.ThermoTable, ThermoCol::Pressure).join(QLatin1Char('|')),
              QStringLiteral("0,6 МПа|0,4 МПа|0,6 МПа|0,4 МПа"));
    const ConfigRecord cold = shaped("04", "1A");
    EXPECT_EQ(column(cold.ThermoTable, ThermoCol::Pressure).join(QLatin1Char('|')),
              QStringLiteral("0,6 МПа|0,4 МПа|0,5 МПа|")); // "tu" gets none
}

TEST(Shape, RebuildClearsCellsAndSecondDigitZeroEmptiesItsRows)
{
    ConfigRecord rec = shaped("04", "15");
    typeEveryDesignatedRow(rec);
    rec.FlowTable.setCell(3, FlowCol::Du, QStringLiteral("50 мм"));
    rec.setSecondDigit(QLatin1Char('0'));
    rebuildShape(rec, 1, kComma);
    for (TableKind k : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        const ChannelTable& t = rec.table(k);
        for (int r = 1; r <= t.channelRows(); ++r)
            for (int c = 1; c < t.columnCount(); ++c) {
                if (!(k == TableKind::Thermo && c == ThermoCol::Pressure)) {
                    EXPECT_TRUE(t.cell(r, c).isEmpty()) << int(k) << ' ' << r << ' ' << c;
                }
            }
        EXPECT_TRUE(t.designation(3).isEmpty());
        EXPECT_TRUE(t.designation(4).isEmpty());
    }
}

TEST(Shape, DesignationRebuildKeepsEnteredCells)
{
    ConfigRecord rec = shaped("04", "16");
    rec.ThermoTable.setCell(1, ThermoCol::Pressure, QStringLiteral("1,2 МПа"));
    rec.FlowTable.setCell(4, 0, QStringLiteral("C"));
    rec.FlowTable.setCell(1, FlowCol::Type, QStringLiteral("ВСТ"));
    rebuildDesignations(rec, 1, kComma);
    EXPECT_EQ(rec.FlowTable.designation(4), QStringLiteral("Vd"));
    EXPECT_EQ(rec.FlowTable.cell(1, FlowCol::Type), QStringLiteral("ВСТ"));
    EXPECT_EQ(rec.ThermoTable.cell(1, ThermoCol::Pressure), QStringLiteral("1,2 МПа"));
}

TEST(Numbering, HeatSystemBeforeItsSinglePipe)
{
    ConfigRecord rec = shaped("04", "14");
    typeEveryDesignatedRow(rec);
    numberSystems(rec);
    EXPECT_EQ(numbers(rec.FlowTable).join(QLatin1Char(' ')), QStringLiteral("1 1 3 2 4"));
    EXPECT_EQ(numbers(rec.ThermoTable).join(QLatin1Char(' ')), QStringLiteral("1 1 2 2"));
    EXPECT_EQ(numbers(rec.PressureTable).join(QLatin1Char(' ')), QStringLiteral("1 1 2 2"));
    EXPECT_FALSE(rec.HasElecSystem);
}

TEST(Numbering, ElectricityRowIsASystemOfItsOwn)
{
    ConfigRecord rec = shaped("04", "17");
    typeEveryDesignatedRow(rec);
    numberSystems(rec);
    // "tu" takes the number of the extra row, which moves up by one
    EXPECT_EQ(numbers(rec.FlowTable).join(QLatin1Char(' ')), QStringLiteral("1 1 2 3 5"));
    EXPECT_EQ(numbers(rec.ThermoTable).join(QLatin1Char(' ')), QStringLiteral("1 1 4 "));
    EXPECT_TRUE(rec.HasElecSystem);
    EXPECT_EQ(rec.ElecSystemNumber, 3);
    EXPECT_TRUE(getSystemElec(rec, 3));
    EXPECT_FALSE(getSystemElec(rec, 2));
    EXPECT_TRUE(getSystemUse(rec, 3));

    rec.SNUM = QStringLiteral("12343678"); // 5-channel hardware looks at the rows
    EXPECT_TRUE(getSystemElec(rec, 3));
    rec.SNUM = QStringLiteral("1234");
    EXPECT_FALSE(getSystemElec(rec, 3));
}

TEST(Numbering, ElectricityRowBeforeAHeatPipeKeepsItsNumber)
{
    ConfigRecord rec = shaped("04", "40");
    rec.FlowTable.setCell(1, 0, QStringLiteral("C"));
    typeEveryDesignatedRow(rec);
    numberSystems(rec);
    EXPECT_EQ(rec.FlowTable.systemNumber(2), QStringLiteral("1"));
    EXPECT_EQ(rec.FlowTable.systemNumber(1), QStringLiteral("2"));
    EXPECT_EQ(rec.ElecSystemNumber, 2);
    EXPECT_TRUE(getSystemElec(rec, 2));
}

TEST(Numbering, ColdWaterThermometerWithoutNumberedNeighboursTakesNextNumber)
{
    ConfigRecord rec = shaped("03", "10", 1, "12342678"); // 4 flow rows, rows 3 and 4 empty
    ASSERT_EQ(rec.FlowTable.channelRows(), 4);
    rec.ThermoTable.setCell(3, 0, QStringLiteral("tu"));
    typeEveryDesignatedRow(rec);
    numberSystems(rec);
    EXPECT_EQ(rec.ThermoTable.systemNumber(3), QStringLiteral("2"));

    rec.ThermoTable.setCell(3, 1, QString()); // absent: no system
    numberSystems(rec);
    EXPECT_TRUE(rec.ThermoTable.systemNumber(3).isEmpty());
    EXPECT_TRUE(getSystemUse(rec, 1));
}

TEST(Queries, PerSystemAnswers)
{
    ConfigRecord rec = shaped("04", "1A");
    typeEveryDesignatedRow(rec);
    rec.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
    rec.FlowTable.setCell(3, FlowCol::Archive, QStringLiteral("Объём"));
    numberSystems(rec);
    EXPECT_EQ(numbers(rec.FlowTable).join(QLatin1Char(' ')), QStringLiteral("1 1 2 3 5"));
    EXPECT_EQ(numbers(rec.ThermoTable).join(QLatin1Char(' ')), QStringLiteral("1 1 2 4"));
    EXPECT_TRUE(getSystemMen(rec, 1));
    EXPECT_FALSE(getSystemGen(rec, 1));
    EXPECT_TRUE(getSystemGen(rec, 2));
    EXPECT_TRUE(getSystemTen(rec, 2));
    EXPECT_TRUE(getSystemPen(rec, 2));
    EXPECT_FALSE(getSystemTen(rec, 3));
    EXPECT_TRUE(getSystemUse(rec, 3));  // typed flow, no thermometer of its own
    EXPECT_FALSE(getSystemUse(rec, 6));
    EXPECT_FALSE(getSystemEen(rec, 1));

    rec.ThermoTable.setCell(1, 1, QString()); // system 1: a thermometer lacks its type
    EXPECT_TRUE(getSystemUse(rec, 1));        // ... but the other one has a type
    rec.ThermoTable.setCell(2, 1, QString());
    EXPECT_FALSE(getSystemUse(rec, 1));
}

TEST(Queries, OutputPulsesOnlyForFirstModbusSystemOutsideScheme60)
{
    ConfigRecord rec = shaped("04", "10");
    rec.adapterType = AdapterKind::ModBus;
    EXPECT_TRUE(getSystemOutE(rec, 1));
    EXPECT_FALSE(getSystemOutE(rec, 2));
    rec.adapterType = AdapterKind::Connected;
    EXPECT_FALSE(getSystemOutE(rec, 1));
    ConfigRecord water = shaped("04", "60");
    water.adapterType = AdapterKind::ModBus;
    EXPECT_FALSE(getSystemOutE(water, 1));
}

TEST(Queries, InitArrayCodes)
{
    struct Case { const char* scheme; std::array<std::uint8_t, 6> codes; };
    const Case cases[] = {
        {"14", {0xB3, 0xB3, 0x84, 0, 0, 0}},
        {"17", {0xB3, 0x84, 0xC0, 0, 0, 0}},
        {"36", {0xB3, 0x84, 0x84, 0x84, 0, 0}},
        {"8b", {0x93, 0x93, 0x93, 0x93, 0, 0}},
        {"9A", {0x93, 0x84, 0x93, 0x84, 0, 0}},
        {"50", {0xB3, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        ConfigRecord rec;
        rec.CXEMA = QString::fromLatin1(c.scheme);
        EXPECT_EQ(setInitArray(rec), c.codes) << c.scheme;
    }
}

TEST(NewConfiguration, ResetKeepsKeptValuesAndAppliesRules)
{
    ConfigRecord rec = shaped("04", "55");
    rec.TXIZ = QStringLiteral("7,5");
    rec.manUsingType = ManUsing::Always;
    rec.EnergyControl = true;
    rec.DSTART = 20;
    rec.LigthSet = true;
    rec.PITVYN = true;
    rec.FlowTable.setCell(1, 1, QStringLiteral("ВСТ"));
    resetToNewConfiguration(rec, QStringLiteral("00123456"), QStringLiteral("04"), 1, 5, kComma);
    EXPECT_EQ(rec.SNUM, QStringLiteral("00123456"));
    EXPECT_EQ(rec.CXEMA, QStringLiteral("15"));
    EXPECT_EQ(rec.DSTART, 1);
    EXPECT_EQ(rec.DATEL, (DayMonth{15, 5}));
    EXPECT_FALSE(rec.LigthSet);
    EXPECT_FALSE(rec.PITVYN);
    EXPECT_TRUE(rec.EnergyControl); // version 5 and a "5" digit: allowed, kept
    EXPECT_EQ(rec.TXIZ, QStringLiteral("7,5"));
    EXPECT_EQ(rec.manUsingType, ManUsing::Always);
    EXPECT_TRUE(rec.FlowTable.cell(1, 1).isEmpty());

    resetToNewConfiguration(rec, QStringLiteral("00123456"), QStringLiteral("04"), 1, 3, kComma);
    EXPECT_FALSE(rec.EnergyControl); // older device: forced off
    rec.EnergyControl = true;
    rec.CXEMA = QStringLiteral("16");
    applyEnergyControlRule(rec, 5);
    EXPECT_FALSE(rec.EnergyControl); // no "5" in the scheme
}
