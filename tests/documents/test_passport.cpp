// The passport tables: property row, device designation, settings, completeness.

#include "documentfixture.h"

namespace vyn::test {
namespace {

class PassportTest : public DocumentTest
{
protected:
    // Type 05, mains power, scheme 10: both flow meters of system 1 alike, a
    // thermometer of a matched-pair type with an 80 mm immersion length.
    ConfigRecord designationRecord(const QString& du2 = QStringLiteral("50 мм"))
    {
        ConfigRecord rec = shapedRecord("04", "10");
        rec.TYPE_VYN = QStringLiteral("05");
        rec.PITVYN = true;
        flowMeter(rec, 1);
        flowMeter(rec, 2, QStringLiteral("Объём"), QStringLiteral("ВЭПС-ТИ"), du2);
        thermometer(rec, 1, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
        thermometer(rec, 2, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
        return rec;
    }
    void run(const ConfigRecord& rec)
    {
        dialogs.texts.clear();
        report.BuildPassport(db, inputs(rec));
    }
};

TEST_F(PassportTest, DesignationOfAMatchedPairAndTwoEqualFlowMeters)
{
    setCatalogue("[КТПТР-01]\nKomplekt=1\n[ВЭПС-ТИ]\nInterval=4 года\n");
    run(designationRecord());
    EXPECT_EQ(column("ApplicProp", "VynName"),
              QStringList{"Винк-05c-10-t80-2E(50), зав. № 12345678"});

    // Different diameters: no flow part.
    run(designationRecord(QStringLiteral("80 мм")));
    EXPECT_EQ(column("ApplicProp", "VynName"), QStringList{"Винк-05c-10-t80, зав. № 12345678"});
}

TEST_F(PassportTest, DesignationTakesTheCatalogueSymbolAndSingleFlowMeterSchemes)
{
    setCatalogue("[КТПТР-01]\nKomplekt=1\n[ВЭПС-ТИ]\nSymbol=V\n");
    struct Case
    {
        const char* scheme;
        const char* expected;
    } cases[] = {
        {"10", "Винк-04-10-t80-2V(50)"},
        {"30", "Винк-04-30-t80-1V(50)"},
        // Digit 4: the return pipe (row 2) carries the flow meter.
        {"40", "Винк-04-40-t80-1V(65)"},
        {"60", "Винк-04-60"},
    };
    for (const Case& c : cases) {
        ConfigRecord rec = shapedRecord("04", c.scheme);
        flowMeter(rec, 1);
        flowMeter(rec, 2, QStringLiteral("Объём"), QStringLiteral("ВЭПС-ТИ"),
                  c.scheme[0] == '4' ? QStringLiteral("65 мм") : QStringLiteral("50 мм"));
        if (!rec.ThermoTable.designation(1).isEmpty() && rec.ThermoTable.designation(1) != "tu")
            thermometer(rec, 1, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
        const DocumentInputs in = inputs(rec);
        EXPECT_EQ(report.BuildDeviceDesignation(QStringLiteral("Винк"), rec.CXEMA, in),
                  QString::fromUtf8(c.expected))
            << c.scheme;
    }
}

TEST_F(PassportTest, PrintForChoiceAndModelSelectTheTexts)
{
    struct Case
    {
        PrintFor printFor;
        int version;
        const char* type;
        const char* type1;
    } cases[] = {
        {PrintFor::Complex, 4, "комплекса измерительного", "Комплекс измерительный"},
        {PrintFor::Calculator, 4, "вычислителя", "Вычислитель"},
        {PrintFor::Complex, 5, "комплекса измерительного", "Комплекс измерительный"},
        {PrintFor::Calculator, 5, "вычислителя", "Вычислитель"},
    };
    QStringList designations;
    for (const Case& c : cases) {
        settings.printFor = c.printFor;
        deviceVersion = c.version;
        row.setValue(QStringLiteral("DATE"), QDate(2025, 3, 14));
        run(shapedRecord("04", "10"));
        EXPECT_EQ(column("ApplicProp", "TypeVynName"), QStringList{c.type});
        EXPECT_EQ(column("ApplicProp", "TypeVynName1"), QStringList{c.type1});
        EXPECT_EQ(column("ApplicProp", "DateConf"), QStringList{"14.03.2025"});
        EXPECT_EQ(column("ApplicProp", "RD1"), QStringList{"Фирма"});
        EXPECT_EQ(column("ApplicProp", "RD4"), QStringList{"Почта"});
        designations << column("ApplicProp", "PasspName");
    }
    ASSERT_EQ(designations.size(), 4);
    designations.removeDuplicates();
    EXPECT_EQ(designations.size(), 4) << "each kind has its own passport designation";
}

TEST_F(PassportTest, CompletenessListsAMatchedPairOnceAndKeepsSerials)
{
    setCatalogue("[ВЭПС-ТИ]\nInterval=4 года\n[КТПТР-01]\nInterval=2 года\n");
    ConfigRecord rec = shapedRecord("04", "10");
    flowMeter(rec, 1);
    flowMeter(rec, 2);
    thermometer(rec, 1, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
    thermometer(rec, 2, QStringLiteral("B"), QStringLiteral("КТПТР-01"));
    pressureSensor(rec, 1);
    run(rec);
    EXPECT_EQ(column("ApplicTable3", "PCode"), (QStringList{"4", "5", "6", "7"}));
    EXPECT_EQ(column("ApplicTable3", "PName"),
              (QStringList{"ВЭПС-ТИ", "ВЭПС-ТИ", "КТПТР-01", "КРТ-5"}));
    EXPECT_EQ(column("ApplicTable3", "ZavNum"), (QStringList{"101", "102", "31", "551"}));
    EXPECT_EQ(column("ApplicTable3", "PCol"), (QStringList{"1", "1", "1", "1"}));
    EXPECT_EQ(column("ApplicTable3", "PPov"), (QStringList{"4 года", "4 года", "2 года", ""}));

    settings.serialNumbers = true;
    run(rec);
    EXPECT_EQ(column("ApplicTable3", "PName"),
              (QStringList{"ВЭПС-ТИ 101", "ВЭПС-ТИ 102", "КТПТР-01 31", "КРТ-5 551"}));
}

TEST_F(PassportTest, SettingsWithoutColdSourceLeaveItsValuesEmpty)
{
    ConfigRecord rec = shapedRecord("04", "10");
    thermometer(rec, 1);
    thermometer(rec, 2);
    rec.archiveMode = ArchiveMode::GrowTotal;
    rec.manUsingType = ManUsing::Possibility;
    run(rec);
    const QStringList names = column("ApplicTable2", "ParName");
    const QStringList values = column("ApplicTable2", "ParValue");
    ASSERT_EQ(names.size(), 16);
    EXPECT_EQ(column("ApplicTable2", "PCode").first(), "0");
    EXPECT_EQ(column("ApplicTable2", "PCode").last(), "15");
    EXPECT_EQ(names[0], "Питание вычислителя");
    EXPECT_EQ(values[0], "автономное");
    EXPECT_EQ(values[1], "4 лет");
    EXPECT_EQ(names[2], "Значение в помесячном архиве \r  ");
    EXPECT_EQ(values[2], "нарастающим итогом c\rмомента включения прибора");
    for (int i : {4, 5, 6, 7, 9}) {
        EXPECT_FALSE(names[i].isEmpty()) << i;
        EXPECT_EQ(values[i], "") << i;
    }
    EXPECT_EQ(values[8], "осуществляется");
    EXPECT_EQ(values[10], "используется\rпо возможности");
    EXPECT_EQ(values[11], " ");
    EXPECT_EQ(names[12], "P1/");
    EXPECT_EQ(values[12], "0,6 МПа (6,12(кгс/см2))");
    EXPECT_EQ(values[13], "0,4 МПа (4,08(кгс/см2))");
}

TEST_F(PassportTest, DatesReadTheSameWhateverTheSystemLocale)
{
    ConfigRecord rec = shapedRecord("04", "50");
    rec.DATEZ = {15, 9};
    rec.DATEL = {1, 5};
    row.setValue(QStringLiteral("DATE"), QDate(2025, 3, 4));
    for (const char* format : {"M/d/yy", "yyyy-MM-dd", "d.M.yy"}) {
        SCOPED_TRACE(format);
        locale = NumberLocale(QLatin1Char('.'), QString::fromLatin1(format));
        run(rec);
        const QStringList values = column("ApplicTable2", "ParValue");
        EXPECT_EQ(values[4], "15.09 дд.мм");
        EXPECT_EQ(values[6], "01.05 дд.мм");
        EXPECT_EQ(column("ApplicProp", "DateConf"), QStringList{"04.03.2025"});
    }
}

TEST_F(PassportTest, SettingsWithColdSourceByModel)
{
    ConfigRecord rec = shapedRecord("04", "50");
    ASSERT_TRUE(rec.ColdSourceFlag);
    rec.DATEZ = {1, 10};
    rec.DATEL = {15, 5};
    rec.TXIZ = QStringLiteral("5,0");
    rec.TXIL = QStringLiteral("15,0");
    thermometer(rec, 1);
    rec.PITVYN = true;
    rec.archiveMode = ArchiveMode::MonthClear;
    rec.tempDiffControl = false;
    for (int version : {4, 5}) {
        deviceVersion = version;
        run(rec);
        const QStringList values = column("ApplicTable2", "ParValue");
        EXPECT_EQ(values[0], "смешанное");
        EXPECT_EQ(values[1], "0.5 года");
        EXPECT_EQ(values[2], "с ежемесячной\rочисткой");
        EXPECT_EQ(values[4], "01.10 дд.мм");
        EXPECT_EQ(values[5], "5,0 °С");
        EXPECT_EQ(values[6], "15.05 дд.мм");
        EXPECT_EQ(values[7], "15,0 °С");
        EXPECT_EQ(values[8], "не осуществляется");
        EXPECT_EQ(values[9], version == 5 ? "0,1013 МПа" : "0,098 МПа(1 кгс/см2)");
        EXPECT_EQ(values[12], version == 5 ? "0,6 МПа" : "0,6 МПа (6,12(кгс/см2))");
    }
}

TEST_F(PassportTest, FirstThermometerRowTuLeavesPressureRowsEmpty)
{
    ConfigRecord rec = shapedRecord("04", "11");
    const char* designations[] = {"tu", "t1\\", "t2/", "t2\\"};
    for (int r = 1; r <= 4; ++r) {
        rec.ThermoTable.setCell(r, 0, QString::fromUtf8(designations[r - 1]));
        thermometer(rec, r);
    }
    // A contract pressure that is not a number would show without the bracket.
    rec.ThermoTable.setCell(3, ThermoCol::Pressure, QStringLiteral("нет"));
    run(rec);
    const QStringList names = column("ApplicTable2", "ParName");
    const QStringList values = column("ApplicTable2", "ParValue");
    EXPECT_EQ(names.mid(11), (QStringList{"Договорное давление", "", "P1\\", "P2/", "P2\\"}));
    EXPECT_EQ(values.mid(11), (QStringList{"", "", "", "", ""}));
}

TEST_F(PassportTest, SecondRunRebuildsAllTablesAndPausesBeforeTheEngine)
{
    ConfigRecord big = shapedRecord("04", "11");
    for (int r = 1; r <= 4; ++r) {
        flowMeter(big, r);
        thermometer(big, r);
    }
    run(big);
    const int firstRows = static_cast<int>(column("ApplicPart1", "PCode").size());
    EXPECT_EQ(sleeper.sleptMs, 500);

    ConfigRecord small = shapedRecord("04", "10");
    flowMeter(small, 1);
    run(small);
    EXPECT_LT(column("ApplicPart1", "PCode").size(), firstRows);
    EXPECT_EQ(column("ApplicTable3", "PCode"), QStringList{"4"});
    EXPECT_EQ(column("ApplicTable1", "PCode").size(), 20);
    EXPECT_EQ(column("ApplicTable2", "PCode").size(), 16);
    EXPECT_EQ(column("ApplicProp", "PCode"), QStringList{"1"});
    EXPECT_EQ(sleeper.sleptMs, 1000);
}

} // namespace
} // namespace vyn::test
