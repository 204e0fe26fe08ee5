#include "link/linkerrors.h"
#include "link/v04parametertable.h"
#include "link/v04params.h"
#include "model/systems.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

const NumberLocale kComma(QLatin1Char(','));

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text)); }

V04WriteInputs inputs(int version = 4)
{
    V04WriteInputs in;
    in.deviceVersion = version;
    in.locale = kComma;
    in.now = QDateTime(QDate(2026, 12, 10), QTime(14, 35, 12));
    return in;
}

// The value sent with prefix 03 35 p2 p3 ..; fails the test when absent or repeated.
QByteArray valueOf(const std::vector<ParameterWrite>& writes, int p2, int p3)
{
    QByteArray found;
    int hits = 0;
    for (const ParameterWrite& w : writes)
        if (w.prefix[2] == p2 && w.prefix[3] == p3) {
            found = w.value;
            ++hits;
        }
    EXPECT_EQ(hits, 1) << std::hex << p2 << ' ' << p3;
    return found;
}

bool sent(const std::vector<ParameterWrite>& writes, int p2, int p3)
{
    for (const ParameterWrite& w : writes)
        if (w.prefix[2] == p2 && w.prefix[3] == p3)
            return true;
    return false;
}

ConfigRecord heatWithColdWater()
{
    ConfigRecord rec;
    rec.SNUM = QStringLiteral("12342678");
    rec.TYPE_VYN = QStringLiteral("04");
    rec.CXEMA = QStringLiteral("16");
    applyTypeShape(rec);
    rebuildShape(rec, 1, kComma); // V1/ V1\ Vc Vd Vn; t1/ t1\ tu
    for (int r = 1; r <= 5; ++r) {
        rec.FlowTable.setCell(r, FlowCol::Type, QStringLiteral("ВСТ"));
        SetValueGrid(rec, TableKind::Flow, r, QString::number(r) + QStringLiteral(",5"), FlowCol::Fimp, kComma);
        SetValueGrid(rec, TableKind::Flow, r, QStringLiteral("0,1"), FlowCol::Fmin, kComma);
        SetValueGrid(rec, TableKind::Flow, r, QStringLiteral("30"), FlowCol::Fmax, kComma);
    }
    rec.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
    rec.FlowTable.setCell(2, FlowCol::Archive, QStringLiteral("Масса"));
    rec.PITVYN = true;
    rec.FlowTable.setCell(1, FlowCol::Source, QStringLiteral("Сетевой"));
    for (int r = 1; r <= 3; ++r) {
        rec.ThermoTable.setCell(r, ThermoCol::Type, QStringLiteral("КТПТР"));
        SetValueGrid(rec, TableKind::Thermo, r, r == 1 ? QStringLiteral("500") : QStringLiteral("100"), ThermoCol::R0, kComma);
        rec.ThermoTable.setCell(r, ThermoCol::W, r == 2 ? QStringLiteral("1,391") : QStringLiteral("1,385"));
    }
    SetValueGrid(rec, TableKind::Thermo, 1, QStringLiteral("0"), ThermoCol::TMin, kComma);
    SetValueGrid(rec, TableKind::Thermo, 1, QStringLiteral("150"), ThermoCol::TMax, kComma);
    SetValueGrid(rec, TableKind::Thermo, 2, QStringLiteral("0"), ThermoCol::TMin, kComma);
    SetValueGrid(rec, TableKind::Thermo, 2, QStringLiteral("120"), ThermoCol::TMax, kComma);
    SetValueGrid(rec, TableKind::Thermo, 3, QStringLiteral("-70"), ThermoCol::TMin, kComma);
    SetValueGrid(rec, TableKind::Thermo, 3, QStringLiteral("100"), ThermoCol::TMax, kComma);
    numberSystems(rec);
    return rec;
}

} // namespace

TEST(V04Writes, HeatSystemWithColdWaterThermometerAndExtraFlowChannel)
{
    const ConfigRecord rec = heatWithColdWater();
    ASSERT_EQ(rec.ThermoTable.designation(3), QStringLiteral("tu"));
    ASSERT_EQ(rec.FlowTable.designation(5), QStringLiteral("Vn"));
    V04WriteInputs in = inputs();
    in.minFlowControl = true;
    const auto writes = buildV04ParameterWrites(rec, in);

    EXPECT_EQ(writes.front().requestData(), hex("033545d540000101"));
    EXPECT_EQ(valueOf(writes, 0x20, 0x00), hex("16"));           // scheme 1, 6
    EXPECT_EQ(valueOf(writes, 0x05, 0x05), hex("8b"));           // mass + thermometers
    EXPECT_EQ(valueOf(writes, 0x05, 0x15), hex("00"));           // Vc: no archive set
    EXPECT_EQ(valueOf(writes, 0x25, 0x00), hex("04"));           // monthly clearing, no DST switch
    EXPECT_EQ(valueOf(writes, 0x04, 0x04), hex("81"));           // mains powered flow meter
    EXPECT_EQ(valueOf(writes, 0x04, 0x14), hex("80"));
    // rows 1..4 to slots 0..3, "Vn" to slot 4
    EXPECT_EQ(valueOf(writes, 0x34, 0x04), hex("0000c03f"));     // 1.5f
    EXPECT_EQ(valueOf(writes, 0x34, 0x44), hex("0000b040"));     // 5.5f
    EXPECT_EQ(valueOf(writes, 0x54, 0x04), hex("cdcccc3d"));     // 0.1f
    // thermometer flags: t1/ t1\ in slots 0 and 1, 0 in slot 2, tu in slot 3
    EXPECT_EQ(valueOf(writes, 0x03, 0x03), hex("85"));
    EXPECT_EQ(valueOf(writes, 0x03, 0x13), hex("82"));
    EXPECT_EQ(valueOf(writes, 0x03, 0x23), hex("00"));
    EXPECT_EQ(valueOf(writes, 0x03, 0x33), hex("86"));
    // lower limits: tu always 0; upper limits: tu in slot 3
    EXPECT_EQ(valueOf(writes, 0x53, 0x33), hex("00"));
    EXPECT_EQ(valueOf(writes, 0x63, 0x03), hex("96"));
    EXPECT_EQ(valueOf(writes, 0x63, 0x23), hex("00"));
    EXPECT_EQ(valueOf(writes, 0x63, 0x33), hex("64"));
    // contract pressures 0,6 / 0,4 MPa at version 4
    EXPECT_EQ(valueOf(writes, 0x32, 0x03), hex("6402"));         // 611.83 -> 612
    EXPECT_EQ(valueOf(writes, 0x32, 0x13), hex("9801"));         // 407.89 -> 408
    EXPECT_EQ(valueOf(writes, 0x32, 0x23), hex("0000"));         // tu
    // no electricity row
    EXPECT_EQ(valueOf(writes, 0x36, 0x16), hex("00000000"));
    EXPECT_EQ(valueOf(writes, 0x36, 0x26), hex("00000000"));
    // clock
    EXPECT_EQ(valueOf(writes, 0x23, 0x10), hex("1a0c0a"));
    EXPECT_EQ(valueOf(writes, 0x23, 0x00), hex("0e23"));
    EXPECT_EQ(writes.back().prefix[2], 0x23);
}

TEST(V04Writes, FlowSlotsStopAtTheExtraChannel)
{
    ConfigRecord rec;
    rec.FlowTable.setChannelRows(5);
    rec.FlowTable.setCell(1, 0, QStringLiteral("V1/"));
    rec.FlowTable.setCell(2, 0, QStringLiteral("V1\\"));
    rec.FlowTable.setCell(3, 0, QStringLiteral("Vn"));
    const auto writes = buildV04ParameterWrites(rec, inputs());
    for (int p2 : {0x34, 0x54, 0x64}) {
        EXPECT_TRUE(sent(writes, p2, 0x04));
        EXPECT_TRUE(sent(writes, p2, 0x14));
        EXPECT_FALSE(sent(writes, p2, 0x24));
        EXPECT_FALSE(sent(writes, p2, 0x34));
        EXPECT_TRUE(sent(writes, p2, 0x44));
    }
}

TEST(V04Writes, MinimumFlowOnlyWhenControlled)
{
    const ConfigRecord rec = heatWithColdWater();
    const auto writes = buildV04ParameterWrites(rec, inputs());
    EXPECT_EQ(valueOf(writes, 0x54, 0x04), hex("00000000"));
}

TEST(V04Writes, ThermometerWithoutLimitsDoesNotHoldBackTheOthers)
{
    ConfigRecord rec = heatWithColdWater();
    rec.ThermoTable.setCell(1, ThermoCol::TMin, QString());
    rec.ThermoTable.setCell(1, ThermoCol::TMax, QString());
    const auto writes = buildV04ParameterWrites(rec, inputs());
    EXPECT_EQ(valueOf(writes, 0x63, 0x03), hex("00"));
    EXPECT_EQ(valueOf(writes, 0x63, 0x13), hex("78")); // t1\ still in slot 1
    EXPECT_EQ(valueOf(writes, 0x63, 0x33), hex("64")); // tu still in slot 3
}

TEST(V04Writes, NonIntegerLimitAbortsTheWrite)
{
    ConfigRecord rec = heatWithColdWater();
    SetValueGrid(rec, TableKind::Thermo, 2, QStringLiteral("12,5"), ThermoCol::TMax, kComma);
    EXPECT_THROW(buildV04ParameterWrites(rec, inputs()), EComunicatorExcept);
}

TEST(V04Writes, UnreadableNumbersAreRefusedBeforeAnythingIsSent)
{
    struct Case
    {
        TableKind kind;
        int row;
        int column;
        const char* cell;
        const char* message;
    };
    const Case cases[] = {
        // A point where the locale has a comma once reached the calculator as 0.
        {TableKind::Flow, 1, FlowCol::Fmax, "40.5", "«Fmax/Лимит» строки V1/: «40.5» не является числом"},
        {TableKind::Flow, 3, FlowCol::Fimp, "abc", "«Вес имп./Пос. счет.» строки Vc: «abc» не является числом"},
        {TableKind::Thermo, 1, ThermoCol::Pressure, "six", "«Дог. дав.» строки t1/: «six» не является числом"},
    };
    for (const Case& c : cases) {
        ConfigRecord rec = heatWithColdWater();
        rec.table(c.kind).setCell(c.row, c.column, QString::fromUtf8(c.cell));
        try {
            buildV04ParameterWrites(rec, inputs());
            ADD_FAILURE() << c.cell << " was sent";
        } catch (const EComunicatorExcept& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Конфигурация не записана: ") + QString::fromUtf8(c.message));
        }
    }
}

TEST(V04Writes, PressureCodesByDeviceVersion)
{
    EXPECT_EQ(pressureCode(QStringLiteral("1,6 МПа"), 4, kComma), 1632);
    EXPECT_EQ(pressureCode(QStringLiteral("1,6 МПа"), 5, kComma), 16000);
    EXPECT_EQ(pressureCode(QStringLiteral("abc"), 4, kComma), 0);
    EXPECT_EQ(pressureCode(QString(), 5, kComma), 0);

    ConfigRecord rec;
    rec.TYPE_VYN = QStringLiteral("04");
    rec.CXEMA = QStringLiteral("10");
    applyTypeShape(rec);
    rebuildShape(rec, 1, kComma);
    rec.PressureTable.setCell(1, PressureCol::Type, QStringLiteral("СДВ"));
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("0"), PressureCol::PMin, kComma);
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("1,6"), PressureCol::PMax, kComma);
    numberSystems(rec);
    const auto v4 = buildV04ParameterWrites(rec, inputs(4));
    EXPECT_EQ(valueOf(v4, 0x02, 0x02), hex("80"));
    EXPECT_EQ(valueOf(v4, 0x02, 0x12), hex("00"));
    EXPECT_EQ(valueOf(v4, 0x62, 0x03), hex("6006"));
    EXPECT_EQ(valueOf(v4, 0x05, 0x05), hex("90")); // pressure sensed
    const auto v5 = buildV04ParameterWrites(rec, inputs(5));
    EXPECT_EQ(valueOf(v5, 0x62, 0x03), hex("803e"));
}

TEST(V04Writes, ElectricityRowAndTariffGrids)
{
    ConfigRecord rec;
    rec.SNUM = QStringLiteral("12342678");
    rec.TYPE_VYN = QStringLiteral("04");
    rec.CXEMA = QStringLiteral("17");
    applyTypeShape(rec);
    rebuildShape(rec, 1, kComma);
    const int c = FindElecLine(rec);
    ASSERT_EQ(c, 4);
    rec.FlowTable.setCell(c, FlowCol::Type, QStringLiteral("Электросчетчик"));
    SetValueGrid(rec, TableKind::Flow, c, QStringLiteral("1000"), FlowCol::Fimp, kComma);
    SetValueGrid(rec, TableKind::Flow, c, QStringLiteral("10"), FlowCol::Fmax, kComma);
    rec.daySchedules[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    rec.daySchedules[WorkDays][1] = {QStringLiteral("10:30"), QStringLiteral("C3")};
    rec.daySchedules[WorkDays][2] = {QStringLiteral("23:00"), QStringLiteral("C1")};
    rec.daySchedules[Sundays][0] = {QStringLiteral("08:15"), QStringLiteral("x")};
    rec.adapterType = AdapterKind::ModBus;
    rec.networkAddress = 12;
    numberSystems(rec);
    const auto writes = buildV04ParameterWrites(rec, inputs());
    EXPECT_EQ(valueOf(writes, 0x2A, 0x03), hex("0c"));
    EXPECT_EQ(valueOf(writes, 0x2A, 0x33), hex("02"));
    EXPECT_EQ(valueOf(writes, 0x20, 0x00), hex("17"));
    EXPECT_EQ(valueOf(writes, 0x04, 0x34), hex("82"));
    EXPECT_EQ(valueOf(writes, 0x05, 0x05), hex("a0")); // system 1: output pulses only
    EXPECT_EQ(valueOf(writes, 0x05, 0x25), hex("c0")); // system 3: electricity
    EXPECT_EQ(valueOf(writes, 0x36, 0x16), hex("00007a44")); // 1000.0f
    EXPECT_EQ(valueOf(writes, 0x36, 0x26), hex("00002041")); // 10.0f
    EXPECT_EQ(valueOf(writes, 0x66, 0x06), hex("03"));
    EXPECT_EQ(valueOf(writes, 0x66, 0x16), hex("070002"));
    EXPECT_EQ(valueOf(writes, 0x66, 0x26), hex("0a1e03"));
    EXPECT_EQ(valueOf(writes, 0x66, 0x36), hex("170001"));
    EXPECT_EQ(valueOf(writes, 0x66, 0x46), hex("000000"));
    EXPECT_EQ(valueOf(writes, 0x66, 0x66), hex("000000"));
    EXPECT_EQ(valueOf(writes, 0x46, 0x06), hex("00"));
    EXPECT_EQ(valueOf(writes, 0x56, 0x06), hex("01"));
    EXPECT_EQ(valueOf(writes, 0x56, 0x16), hex("080f03")); // unknown tariff counts as C3
}

TEST(V04Writes, AlternativeDaysFromTheFileInItsOrder)
{
    QByteArray alt(62, '\0');
    alt[0] = 2;
    alt[1] = 1;
    alt[2] = 7;  alt[3] = char(0x85); // 7 May as Saturday
    alt[4] = 3;  alt[5] = char(0x41); // 3 January as Sunday
    alt[6] = 9;  alt[7] = 0x09;       // beyond the count: not sent
    alt[32] = 9; alt[33] = 0x05;      // holiday 9 May
    V04WriteInputs in = inputs();
    in.altDays = alt;
    const auto writes = buildV04ParameterWrites(heatWithColdWater(), in);
    EXPECT_EQ(valueOf(writes, 0x06, 0x06), hex("02"));
    EXPECT_EQ(valueOf(writes, 0x06, 0x16), hex("050702"));
    EXPECT_EQ(valueOf(writes, 0x06, 0x26), hex("010303"));
    EXPECT_EQ(valueOf(writes, 0x06, 0x36), hex("000000"));
    EXPECT_EQ(valueOf(writes, 0x06, 0xF6), hex("000000"));
    EXPECT_EQ(valueOf(writes, 0x16, 0x06), hex("01"));
    EXPECT_EQ(valueOf(writes, 0x16, 0x16), hex("0509"));
    EXPECT_EQ(valueOf(writes, 0x16, 0x26), hex("0000"));
}

TEST(V04Writes, AlternativeDaysFileThatCannotBeOpened)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("нет.alt"));
    try {
        readAltDaysForWrite(missing);
        FAIL() << "no exception";
    } catch (const EComunicatorExcept& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Файл ") + missing + QStringLiteral("не может быть открыт"));
    }
    EXPECT_TRUE(readAltDaysForWrite(QString()).isEmpty());

}

TEST(V04Writes, AlternativeDaysCountsNeverClaimMissingEntries)
{
    QTemporaryDir dir;
    struct Case
    {
        QByteArray file;
        int changed;
        int holidays;
    };
    QByteArray full(62, '\0');
    full[0] = 20; // damaged counts
    full[1] = 16;
    const QList<Case> cases{
        {QByteArray::fromHex("0100"), 0, 0},             // counts only
        {QByteArray::fromHex("03020705030109"), 2, 0},   // two changed days and a half
        {full, 15, 15},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("short.alt"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file);
        f.close();
        const QByteArray b = readAltDaysForWrite(path);
        EXPECT_EQ(b.size(), 62);
        EXPECT_EQ(b.at(0), c.changed) << c.file.toHex().constData();
        EXPECT_EQ(b.at(1), c.holidays) << c.file.toHex().constData();
        EXPECT_EQ(b.mid(2, c.file.size() - 2), c.file.mid(2, 60)); // entries as in the file
    }
}

TEST(V04Writes, WriteCountFitsTheProgressBar)
{
    const auto writes = buildV04ParameterWrites(heatWithColdWater(), inputs());
    // step before the writes, one per write and two closing requests within 137
    EXPECT_LE(1 + writes.size() + 2, 137u);
    EXPECT_EQ(writes.size(), 127u);
}

TEST(V04Writes, EveryWriteIsNamedByTheParameterTable)
{
    // The simulator names what it receives with the table: every prefix the
    // write sends must be found there, in its order, with a value of its size.
    const auto writes = buildV04ParameterWrites(heatWithColdWater(), inputs());
    int previous = -1;
    for (const ParameterWrite& w : writes) {
        const auto found = findV04Parameter(w.prefix.data());
        ASSERT_TRUE(found) << w.requestData().toHex().toStdString();
        EXPECT_GE(static_cast<int>(found->id), previous);
        previous = static_cast<int>(found->id);
        EXPECT_EQ(v04Prefix(found->id, found->slot), w.prefix);
        EXPECT_EQ(w.value.size(), v04ValueSize(v04Parameter(found->id).encoding))
            << v04Parameter(found->id).name;
    }
    EXPECT_EQ(previous, static_cast<int>(kV04Parameters.size()) - 1);
    const std::uint8_t foreign[7] = {0x03, 0x35, 0x99, 0x03, 0x40, 0x00, 0x01};
    EXPECT_FALSE(findV04Parameter(foreign));
}
