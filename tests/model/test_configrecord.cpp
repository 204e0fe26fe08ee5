#include "model/configrecord.h"

#include <gtest/gtest.h>

using namespace vyn;

namespace {
const NumberLocale kComma(QLatin1Char(','));
}

TEST(CellHelpers, GetStrOldKeepsTextWhoseFirstWordIsNotANumber)
{
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"0,600 МПа", "0,600"},
        {"ВЭПС ПБ-2", "ВЭПС ПБ-2"},
        {"50 мм", "50"},
        {"50", "50"},
        {"0.6 МПа", "0.6 МПа"}, // a point is not the separator here
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetStrOld(QString::fromUtf8(c.in), kComma), QString::fromUtf8(c.out)) << c.in;
}

TEST(CellHelpers, ParseDecimalAcceptsPointOrCommaAndGivesMinusOneOtherwise)
{
    EXPECT_DOUBLE_EQ(ParseDecimal(QStringLiteral("0.6"), kComma), 0.6);
    EXPECT_DOUBLE_EQ(ParseDecimal(QStringLiteral("0,6"), kComma), 0.6);
    EXPECT_DOUBLE_EQ(ParseDecimal(QStringLiteral(""), kComma), -1.0);
    EXPECT_DOUBLE_EQ(ParseDecimal(QStringLiteral("abc"), kComma), -1.0);
    EXPECT_DOUBLE_EQ(ParseDecimal(QStringLiteral("6,118"), NumberLocale(QLatin1Char('.'))), 6.118);
}

TEST(CellHelpers, SetValueGridAddsUnitOnlyToBareNumbers)
{
    ConfigRecord rec;
    rec.FlowTable.setCell(1, 0, QStringLiteral("V1/"));
    rec.FlowTable.setCell(2, 0, QStringLiteral("C"));

    SetValueGrid(rec, TableKind::Flow, 1, QStringLiteral("50"), 2, kComma);
    EXPECT_EQ(rec.FlowTable.cell(1, 2), QStringLiteral("50 мм"));
    EXPECT_EQ(cellNumber(rec.FlowTable.cell(1, 2), kComma), 50.0);

    SetValueGrid(rec, TableKind::Flow, 1, QStringLiteral("пятьдесят"), 2, kComma);
    EXPECT_EQ(rec.FlowTable.cell(1, 2), QStringLiteral("пятьдесят"));
    EXPECT_FALSE(cellNumber(rec.FlowTable.cell(1, 2), kComma));

    SetValueGrid(rec, TableKind::Flow, 1, QStringLiteral("2,5"), 4, kComma);
    EXPECT_EQ(rec.FlowTable.cell(1, 4), QStringLiteral("2,5 л/имп"));
    SetValueGrid(rec, TableKind::Flow, 2, QStringLiteral("1000"), 4, kComma);
    EXPECT_EQ(rec.FlowTable.cell(2, 4), QStringLiteral("1000 имп/кВт*ч"));
    SetValueGrid(rec, TableKind::Flow, 2, QStringLiteral("10"), 6, kComma);
    EXPECT_EQ(rec.FlowTable.cell(2, 6), QStringLiteral("10 кВт"));
    SetValueGrid(rec, TableKind::Flow, 1, QStringLiteral("12345"), 7, kComma); // serial: no unit
    EXPECT_EQ(rec.FlowTable.cell(1, 7), QStringLiteral("12345"));

    SetValueGrid(rec, TableKind::Thermo, 1, QStringLiteral("-70"), 7, kComma);
    EXPECT_EQ(rec.ThermoTable.cell(1, 7), QString::fromUtf8("-70 \xC2\xB0\xD0\xA1")); // " °С", Cyrillic С
    SetValueGrid(rec, TableKind::Thermo, 1, QStringLiteral("0,6"), 9, kComma);
    EXPECT_EQ(rec.ThermoTable.cell(1, 9), QStringLiteral("0,6 МПа"));
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("1,6"), 3, kComma);
    EXPECT_EQ(rec.PressureTable.cell(1, 3), QStringLiteral("1,6 МПа"));
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("1,6 МПа"), 3, kComma);
    EXPECT_EQ(rec.PressureTable.cell(1, 3), QStringLiteral("1,6 МПа")); // never doubled
}

TEST(CellHelpers, FindElecLineAndResultString)
{
    ConfigRecord rec;
    EXPECT_EQ(FindElecLine(rec), -1);
    rec.FlowTable.setCell(3, 0, QStringLiteral("Vc"));
    rec.FlowTable.setCell(4, 0, QStringLiteral("C"));
    EXPECT_EQ(FindElecLine(rec), 4);

    rec.FlowTable.setCell(1, 1, QStringLiteral("ВЭПС ПБ-2"));
    rec.FlowTable.setCell(1, 2, QStringLiteral("50 мм"));
    rec.FlowTable.setCell(1, 3, QStringLiteral("30 м3/ч"));
    EXPECT_EQ(GetResultStr(rec, 1, 2, kComma), QStringLiteral("ВЭПС ПБ-2|50"));
    EXPECT_EQ(GetResultStr(rec, 1, 3, kComma), QStringLiteral("ВЭПС ПБ-2|50|30"));
}

TEST(CellHelpers, HardwareVariantIsTheFifthSerialDigit)
{
    ConfigRecord rec;
    rec.SNUM = QStringLiteral("12345678");
    EXPECT_EQ(HardwareVariant(rec), 5);
    rec.SNUM = QStringLiteral("1234");
    EXPECT_FALSE(HardwareVariant(rec));
    rec.SNUM = QString();
    EXPECT_FALSE(HardwareVariant(rec));
    rec.SNUM = QStringLiteral("1234x678");
    EXPECT_FALSE(HardwareVariant(rec));
}

TEST(CellHelpers, TariffZoneTextsMixCyrillicAndLatin)
{
    const QStringList& zones = tariffZoneTypes();
    ASSERT_EQ(zones.size(), 5);
    EXPECT_EQ(zones.at(0), QString::fromUtf8("\xD0\xA1" "1"));
    EXPECT_EQ(zones.at(1), QString::fromUtf8("\xD0\xA1" "1+" "\xD0\xA1" "'"));
    EXPECT_EQ(zones.at(2), QStringLiteral("C1+C2"));
    EXPECT_EQ(zones.at(4).at(0).unicode(), u'C');

    ConfigRecord rec;
    rec.FlowTable.setCell(2, 0, QStringLiteral("C"));
    rec.FlowTable.setCell(2, 8, QStringLiteral("C1+C2"));
    EXPECT_EQ(tariffZoneIndex(rec), 2);
    rec.FlowTable.setCell(2, 8, QStringLiteral("C1")); // Latin C: not the first zone
    EXPECT_EQ(tariffZoneIndex(rec), -1);
}

TEST(NumberLocaleTest, ConversionIsStrictAboutTheSeparator)
{
    EXPECT_EQ(kComma.toDouble(QStringLiteral("0,6")), 0.6);
    EXPECT_FALSE(kComma.toDouble(QStringLiteral("0.6")));
    EXPECT_FALSE(kComma.toDouble(QStringLiteral("1,2,3")));
    EXPECT_FALSE(kComma.toDouble(QStringLiteral("")));
    EXPECT_FALSE(kComma.toDouble(QStringLiteral("-")));
    EXPECT_EQ(kComma.toDouble(QStringLiteral("-70")), -70.0);
    EXPECT_EQ(kComma.formatFixed(6.1182, 3), QStringLiteral("6,118"));
    EXPECT_EQ(kComma.formatShortest(6.0), QStringLiteral("6"));
    EXPECT_EQ(kComma.formatShortest(6.5), QStringLiteral("6,5"));
}
