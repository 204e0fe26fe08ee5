// The programming card tables.

#include "documentfixture.h"

#include "model/altdays.h"

#include <QFile>
#include <algorithm>

namespace vyn::test {
namespace {

class CardTest : public DocumentTest
{
protected:
    CardTest()
    {
        row.setValue(QStringLiteral("ArhSet"), QStringLiteral("monthclear|control"));
        settings.altDaysFile = dir.filePath(QStringLiteral("days.alt"));
    }
    void build(const ConfigRecord& rec)
    {
        row.setValue(QStringLiteral("TYPE_VYN"), rec.TYPE_VYN);
        report.BuildProgrammingCard(db, inputs(rec));
    }
    QStringList params(const char* table = "TListParam")
    {
        return column(QString::fromLatin1(table), QStringLiteral("ParamName"));
    }
    QStringList valuesOf(const QString& name, const QString& groupKey,
                         const char* table = "TListParam")
    {
        QStringList out;
        const QStringList names = column(QString::fromLatin1(table), "ParamName");
        const QStringList values = column(QString::fromLatin1(table), "ParamValue");
        const QStringList groups = column(QString::fromLatin1(table), "GroupName");
        for (qsizetype i = 0; i < names.size(); ++i)
            if (names[i] == name && groups[i].startsWith(groupKey + QStringLiteral(" - ")))
                out << values[i];
        return out;
    }
    void writeAlt(const QByteArray& bytes)
    {
        QFile f(settings.altDaysFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Scheme 17: heat system, a water meter and the electricity meter.
    ConfigRecord withElectricity()
    {
        ConfigRecord rec = shapedRecord("04", "17", 1, "12342678");
        EXPECT_EQ(rec.CXEMA, "17");
        flowMeter(rec, 1);
        flowMeter(rec, 2);
        flowMeter(rec, 3, QStringLiteral("Объём"), QStringLiteral("ВСХд-15"), QStringLiteral("15 мм"));
        setRow(rec.FlowTable, 4,
               {QStringLiteral("C"), QStringLiteral("СЭТ-4ТМ"), {}, {},
                QStringLiteral("1000 имп/кВт*ч"), {}, QStringLiteral("15 кВт"), {},
                QStringLiteral("C1+C2")});
        rec.daySchedules[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
        rec.daySchedules[WorkDays][1] = {QStringLiteral("23:00"), QStringLiteral("C1")};
        return rec;
    }
};

TEST_F(CardTest, CalculatorRowAndInstruments)
{
    ConfigRecord rec = shapedRecord("04", "12");
    rec.TYPE_VYN = QStringLiteral("05");
    flowMeter(rec, 1);
    thermometer(rec, 1, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
    thermometer(rec, 2, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
    build(rec);
    EXPECT_EQ(column("TListPribor", "PriborName"),
              (QStringList{"Вычислитель ВИНК-05 -12", "ВЭПС-ТИ-50", "КТПТР-01 - 80 мм"}));
    EXPECT_EQ(column("TListPribor", "PriborCount"), (QStringList{"1", "1", "1"}));

    settings.serialNumbers = true;
    rec.PITVYN = true;
    build(rec);
    EXPECT_EQ(column("TListPribor", "PriborName"),
              (QStringList{"Вычислитель ВИНК-05c-12 12345678", "ВЭПС-ТИ-50 101 - 50 мм",
                           "КТПТР-01 - 80 мм 31 - 80 мм"}));
}

TEST_F(CardTest, PressureConversionByModel)
{
    ConfigRecord rec = shapedRecord("04", "10");
    flowMeter(rec, 1);
    thermometer(rec, 1);
    pressureSensor(rec, 1);
    pressureSensor(rec, 2, QStringLiteral("ошибка"));
    deviceVersion = 3;
    build(rec);
    EXPECT_EQ(valuesOf("P1/", "P-"), QStringList{"16,32"});
    EXPECT_EQ(valuesOf("P1\\", "P-"), QStringList{"0,00"});
    EXPECT_EQ(valuesOf("P1/", "Prog_P"), QStringList{"6,12"});
    EXPECT_EQ(where("TListParam", "ParamName", "P1/", "ParamDescr").first(),
              "Верхний предел измерения преобразователя давления, кгс/см2.");
    deviceVersion = 5;
    build(rec);
    EXPECT_EQ(valuesOf("P1/", "P-"), QStringList{"1,60"});
    EXPECT_EQ(valuesOf("P1/", "P_"), QStringList{"0,00"});
    EXPECT_EQ(valuesOf("P1/", "Prog_P"), QStringList{"0,60"});
}

TEST_F(CardTest, GeneralParametersByModelAndType)
{
    struct Case
    {
        int version;
        const char* type;
        bool cp;
        bool mo;
        bool energy;
    } cases[] = {
        {4, "03", false, false, true},
        {3, "03", true, true, false},
        {4, "04", true, false, true},
        {5, "04", true, false, true},
    };
    for (const Case& c : cases) {
        deviceVersion = c.version;
        ConfigRecord rec = shapedRecord(c.type, "10");
        rec.manUsingType = ManUsing::Always;
        rec.adapterType = AdapterKind::ModBus;
        build(rec);
        const QStringList p = params();
        const std::string where = std::to_string(c.version) + " " + c.type;
        EXPECT_EQ(p.contains("CP"), c.cp) << where;
        EXPECT_EQ(p.contains("Mo"), c.mo) << where;
        EXPECT_EQ(p.contains("04"), c.energy) << where;
        EXPECT_EQ(valuesOf("Cd", "conF"), QStringList{"VYN-10"}) << where;
        EXPECT_EQ(valuesOf("Ar", "cF_Arh"), QStringList{"noHAP"}) << where;
        EXPECT_EQ(valuesOf("dt", "cF_Arh"), QStringList{"cont"}) << where;
        if (c.cp) {
            EXPECT_EQ(valuesOf("CP", "cF_Arh"), QStringList{"2"}) << where;
        }
        if (c.mo) {
            EXPECT_EQ(valuesOf("Mo", "nET"), QStringList{"nEt2"}) << where;
        }
    }
}

TEST_F(CardTest, ArchiveKeywordsAndDisplayRows)
{
    ConfigRecord rec = shapedRecord("04", "50");
    rec.DATEZ = {1, 10};
    rec.DATEL = {15, 5};
    rec.LigthSet = true;
    row.setValue(QStringLiteral("ArhSet"), QStringLiteral("growtotal|nocontrol"));
    build(rec);
    EXPECT_EQ(valuesOf("Ar", "cF_Arh"), QStringList{"HAP"});
    EXPECT_EQ(valuesOf("dt", "cF_Arh"), QStringList{"nocont"});
    EXPECT_EQ(valuesOf("dC", "coLd"), QStringList{"01.10"});
    EXPECT_EQ(valuesOf("dH", "coLd"), QStringList{"15.05"});
    EXPECT_EQ(valuesOf("P", "coLd"), QStringList{"1.0"});
    EXPECT_EQ(valuesOf("02", "cF_ind"), QStringList{"onbLt"});
    EXPECT_EQ(valuesOf("03", "cF_ind"), QStringList{"offdSt"});
    EXPECT_EQ(where("TListParam", "ParamName", "01", "ParamDescr"),
              QStringList{"Работа ЖКИ при отсутствии нажатий на кнопки прибора более 4-х минут\r"
                          " oFFLcd - отключение дисплея"});

    // Unknown keywords leave their rows out; no cold source, no coLd rows.
    row.setValue(QStringLiteral("ArhSet"), QStringLiteral("weekly"));
    build(shapedRecord("04", "10"));
    EXPECT_FALSE(params().contains("Ar"));
    EXPECT_FALSE(params().contains("dt"));
    EXPECT_FALSE(params().contains("dC"));
}

TEST_F(CardTest, NoElectricityRowWritesNoElectricityTable)
{
    ConfigRecord rec = shapedRecord("04", "10");
    flowMeter(rec, 1);
    settings.altDaysFile = dir.filePath(QStringLiteral("missing.alt"));
    build(rec);
    EXPECT_TRUE(column("TListElectroParam", "ParamName").isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CardTest, ElectricityScheduleAndDayLists)
{
    struct Case
    {
        QByteArray bytes;
        QStringList alt;      // ALt_d names then values
        QStringList holidays; // HoL_d values
    } cases[] = {
        // Count 0: one "No" row.
        {QByteArray(62, '\0'), {"No", "0"}, {"0"}},
        {[] {
             QByteArray b(62, '\0');
             b[0] = 3, b[1] = 1;
             b[2] = 7, b[3] = char(0x85);  // 7 May as a Saturday
             b[4] = 8, b[5] = 0x45;        // 8 May as a Sunday
             b[6] = 9, b[7] = 0x05;        // 9 May as a working day
             b[32] = 9, b[33] = 0x05;
             return b;
         }(),
         {"No", "3", "01", "Sb-07.05", "02", "Sc-08.05", "03", "SA-09.05"},
         {"1", "09.05"}},
        // Fifteen of each: the largest count a file holds.
        {[] {
             QByteArray b(62, '\0');
             b[0] = 15, b[1] = 15;
             for (int i = 0; i < 15; ++i) {
                 b[2 + 2 * i] = char(i + 1), b[3 + 2 * i] = 0x01;
                 b[32 + 2 * i] = char(i + 1), b[33 + 2 * i] = 0x02;
             }
             return b;
         }(),
         [] {
             QStringList a{"No", "15"};
             for (int i = 1; i <= 15; ++i)
                 a << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))
                   << QStringLiteral("SA-%1.01").arg(i, 2, 10, QLatin1Char('0'));
             return a;
         }(),
         [] {
             QStringList h{"15"};
             for (int i = 1; i <= 15; ++i)
                 h << QStringLiteral("%1.02").arg(i, 2, 10, QLatin1Char('0'));
             return h;
         }()},
    };
    for (const Case& c : cases) {
        writeAlt(c.bytes);
        build(withElectricity());
        QStringList alt;
        const QStringList names = column("TListElectroParam", "ParamName");
        const QStringList values = column("TListElectroParam", "ParamValue");
        const QStringList groups = column("TListElectroParam", "GroupName");
        QStringList holidays;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (groups[i].startsWith("ALt_d - "))
                alt << names[i] << values[i];
            if (groups[i].startsWith("HoL_d - "))
                holidays << values[i];
        }
        EXPECT_EQ(alt, c.alt);
        EXPECT_EQ(holidays, c.holidays);
    }
    EXPECT_EQ(valuesOf("C", "Prog_C", "TListElectroParam"), QStringList{"1000 "});
    EXPECT_EQ(valuesOf("No", "SHEd_A", "TListElectroParam"), QStringList{"2"});
    EXPECT_EQ(valuesOf("01", "SHEd_A", "TListElectroParam"), QStringList{"C2 - 07:00"});
    EXPECT_EQ(valuesOf("02", "SHEd_A", "TListElectroParam"), QStringList{"C1 - 23:00"});
    EXPECT_EQ(valuesOf("No", "SHEd_b", "TListElectroParam"), QStringList{"0"});
    EXPECT_EQ(valuesOf("dt", "Prog_C", "TListElectroParam"), QStringList{"14.03.2025"});
    EXPECT_EQ(where("TListElectroParam", "ParamName", "01", "ParamDescr"),
              (QStringList{"Тариф C2", "День считается рабочим", "Праздничный день, ДЕНЬ МЕСЯЦ"}));
}

TEST_F(CardTest, UnreadableAltDaysFileIsReportedAndEndsTheRun)
{
    settings.altDaysFile = dir.filePath(QStringLiteral("missing.alt"));
    EXPECT_THROW(build(withElectricity()), AltDaysFileError);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().first(), "Файл " + settings.altDaysFile + "не может быть открыт");
    EXPECT_EQ(dialogs.shown.first().caption, "");
    // Rows posted before stay.
    EXPECT_EQ(valuesOf("C", "Prog_C", "TListElectroParam"), QStringList{"1000 "});
}

TEST_F(CardTest, DamagedAltDaysFileIsRefusedWithTheFileMessage)
{
    const QByteArray good = [] {
        QByteArray b(62, '\0');
        b[0] = 1, b[2] = 7, b[3] = char(0x85);
        return b;
    }();
    const struct
    {
        const char* what;
        QByteArray bytes;
    } damaged[] = {
        {"ends inside list 1", QByteArray::fromHex("0203" "0185")},
        {"empty", QByteArray()},
        {"a byte too many", good + QByteArray(1, '\0')},
        {"count 255 in list 1", QByteArray(1, char(0xFF)) + good.mid(1)},
        {"count 16 in list 2", good.left(1) + QByteArray(1, char(16)) + good.mid(2)},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.what);
        writeAlt(d.bytes);
        dialogs.shown.clear();
        EXPECT_THROW(build(withElectricity()), AltDaysFileError);
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_EQ(dialogs.messages().first(), "Файл " + settings.altDaysFile + "не может быть открыт");
        const QStringList groups = column("TListElectroParam", "GroupName");
        EXPECT_TRUE(std::none_of(groups.begin(), groups.end(),
                                 [](const QString& g) { return g.startsWith("ALt_d - "); }));
    }
}

TEST_F(CardTest, DesignationListAndHeatQuantities)
{
    ConfigRecord rec = shapedRecord("04", "10");
    flowMeter(rec, 1, QStringLiteral("Масса"));
    flowMeter(rec, 2);
    thermometer(rec, 1);
    rec.ThermoTable.setCell(2, ThermoCol::W, QStringLiteral("1,385"));
    pressureSensor(rec, 1);
    build(rec);
    EXPECT_EQ(column("TParamDescr", "ParamName"),
              (QStringList{"G1/", "V1\\", "Q1/", "t1/", "t1\\", "P1/"}));
    EXPECT_EQ(column("TParamDescr", "ParamValue"),
              (QStringList{"10 ", "10 ", "", "1,391", "1,385", "16,32"}));
    EXPECT_EQ(report.designationList, (QStringList{"V1/", "V1\\", "", "", ""}));
    EXPECT_EQ(report.designationCount, 2);
}

TEST_F(CardTest, HeatQuantityList)
{
    struct Case
    {
        QStringList designations;
        const char* scheme;
        QStringList expected;
    } cases[] = {
        {{"V1/", "V1\\"}, "10", {"Q1/"}},
        {{"V1\\", "V1\\"}, "20", {"Q1\\"}},
        {{"V1/", "V1\\", "V2/", "V2\\"}, "55", {"Q1/", "Q1", "Q1\\", "Q2/", "Q2\\", "Q2"}},
        {{"Vo", "Vb", "Vc", "Vd"}, "8b", {"Qo", "Qb", "Qc", "Qd"}},
        {{"Vo", "Vb", "Vc", "Vd"}, "89", {"Q1/", "Q1/", "Qc/"}},
        {{"V1/", "Vb", "Vc", "Vd"}, "3A", {"Q1/", "Qc"}},
        {{"V1/", "V1\\", "Vc", "V2\\"}, "14", {"Q1/", "Q2\\"}},
        {{"V1/", "V1\\", "Vc", "C"}, "17", {"Q1/"}},
        {{}, "10", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TVynReport::BuildHeatQuantityList(c.designations, QLatin1Char(c.scheme[0]),
                                                    QLatin1Char(c.scheme[1])),
                  c.expected)
            << c.scheme;
}

} // namespace
} // namespace vyn::test
