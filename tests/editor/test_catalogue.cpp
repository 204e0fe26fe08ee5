#include "editor/instrumentcatalogue.h"
#include "editor/inputhistory.h"
#include "editorfixture.h"
#include "model/inifile.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

struct CatalogueFile
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("rash.ini"));
    CatalogueIniFile file{path, kComma};
    explicit CatalogueFile(const QByteArray& text) { writeFile(path, text); }
};

} // namespace

TEST(CatalogueReader, KeyMatchesAsPrefixOfTheFirstLineThatStartsWithIt)
{
    CatalogueFile f("[List]\nVariant10=tenth\nVariant1=first\nVariant2=second\n");
    // The line of Variant10 comes first: its text after "Variant1" and one character.
    EXPECT_EQ(f.file.readString(QStringLiteral("List"), QStringLiteral("Variant1")), QStringLiteral("=TENTH"));
    EXPECT_EQ(f.file.readString(QStringLiteral("List"), QStringLiteral("Variant2")), QStringLiteral("SECOND"));

    CatalogueFile ordered("[List]\nVariant1=first\nVariant10=tenth\n");
    EXPECT_EQ(ordered.file.readString(QStringLiteral("List"), QStringLiteral("Variant1")), QStringLiteral("FIRST"));
    EXPECT_EQ(ordered.file.readString(QStringLiteral("List"), QStringLiteral("Variant10")), QStringLiteral("TENTH"));
}

TEST(CatalogueReader, UpperCasesLatinLettersOnly)
{
    CatalogueFile f("[flowmeter]\nvariant0=Ultraflow ii\nVariant1=ВСТ мм\n\n[Вст]\nCount=2\n");
    const QString section = QStringLiteral("FlowMeter");
    EXPECT_EQ(f.file.readString(section, QStringLiteral("VARIANT0")), QStringLiteral("ULTRAFLOW II"));
    EXPECT_EQ(f.file.readString(section, QStringLiteral("variant1")), QStringLiteral("ВСТ мм"));
    // Cyrillic letters keep their case, so "[Вст]" is not the section "ВСТ".
    EXPECT_EQ(f.file.readInteger(QStringLiteral("ВСТ"), QStringLiteral("Count"), -1), -1);
    EXPECT_EQ(f.file.readInteger(QStringLiteral("Вст"), QStringLiteral("Count"), -1), 2);
    EXPECT_EQ(CatalogueIniFile::latinUpper(QStringLiteral("pt-500 ёж")),
              QStringLiteral("PT-500 ёж"));
}

TEST(CatalogueReader, SectionEndsAtTheNextHeader)
{
    CatalogueFile f("Count=9\n[A]\n\nCount=1\n; Tmax=7\n[B]\nTmax=5\n[A]\nTmax=3\n");
    EXPECT_EQ(f.file.readInteger(QStringLiteral("A"), QStringLiteral("Count"), 0), 1);
    EXPECT_EQ(f.file.readInteger(QStringLiteral("A"), QStringLiteral("Tmax"), -1), -1);
    EXPECT_EQ(f.file.readInteger(QStringLiteral("B"), QStringLiteral("Tmax"), -1), 5);
    EXPECT_EQ(f.file.readInteger(QStringLiteral("C"), QStringLiteral("Count"), -1), -1);
}

TEST(CatalogueReader, TypedReadsFallBackOnMissingOrUnreadableValues)
{
    CatalogueFile f("[S]\r\nInt=12\r\nBad=12a\r\nEmpty=\r\nComma=0,05\r\nPoint=0.5\r\n"
                    "One=1\r\nZero=0\r\nTwo=2\r\n");
    const QString s = QStringLiteral("S");
    const CatalogueIniFile& r = f.file;
    EXPECT_EQ(r.readInteger(s, QStringLiteral("Int"), -1), 12);
    EXPECT_EQ(r.readInteger(s, QStringLiteral("Bad"), -1), -1);
    EXPECT_EQ(r.readInteger(s, QStringLiteral("Nothing"), -1), -1);
    EXPECT_EQ(r.readString(s, QStringLiteral("Empty"), QStringLiteral("xxxx")), QStringLiteral("xxxx"));
    EXPECT_EQ(r.readString(s, QStringLiteral("Nothing"), QStringLiteral("xxxx")), QStringLiteral("xxxx"));
    EXPECT_DOUBLE_EQ(r.readFloat(s, QStringLiteral("Comma"), -1), 0.05);
    EXPECT_DOUBLE_EQ(r.readFloat(s, QStringLiteral("Point"), -1), 0.5);
    EXPECT_DOUBLE_EQ(r.readFloat(s, QStringLiteral("Bad"), -1), -1);
    EXPECT_DOUBLE_EQ(r.readFloat(s, QStringLiteral("Empty"), 90), 90);
    EXPECT_TRUE(r.readBool(s, QStringLiteral("One"), false));
    EXPECT_FALSE(r.readBool(s, QStringLiteral("Zero"), true));
    EXPECT_TRUE(r.readBool(s, QStringLiteral("Two"), true));
    EXPECT_FALSE(r.readBool(s, QStringLiteral("Two"), false));

    // The same reads under a point locale.
    const CatalogueIniFile point(f.path, NumberLocale(QLatin1Char('.')));
    EXPECT_DOUBLE_EQ(point.readFloat(s, QStringLiteral("Comma"), -1), 0.05);
}

TEST(CatalogueReader, EveryLookupReadsTheFileAgain)
{
    CatalogueFile f("[S]\nCount=1\n");
    EXPECT_EQ(f.file.readInteger(QStringLiteral("S"), QStringLiteral("Count"), 0), 1);
    writeFile(f.path, "[S]\nCount=4\n");
    EXPECT_EQ(f.file.readInteger(QStringLiteral("S"), QStringLiteral("Count"), 0), 4);
    QFile::remove(f.path);
    EXPECT_EQ(f.file.readInteger(QStringLiteral("S"), QStringLiteral("Count"), 0), 0);
    EXPECT_TRUE(InstrumentCatalogue(f.path).flowMeterTypes(true).isEmpty());
}

TEST(CatalogueReader, ReadsWindows1251Files)
{
    QStringEncoder enc("windows-1251");
    CatalogueFile f(enc(QStringLiteral("[TypeTerm]\nVariant_Count=1\nVariant_0=КТПТР-01\n")));
    EXPECT_EQ(InstrumentCatalogue(f.path).thermometerTypes(), QStringList{QStringLiteral("КТПТР-01")});
}

TEST(CatalogueLists, TypesAreFilteredByPipeAndKind)
{
    EditorFixture fx;
    EXPECT_EQ(fx.catalogue.flowMeterTypes(true), QStringList{QStringLiteral("HOTM")});
    EXPECT_EQ(fx.catalogue.flowMeterTypes(false), (QStringList{QStringLiteral("HOTM"), QStringLiteral("COLDM")}));
    EXPECT_EQ(fx.catalogue.electricityMeterTypes(),
              (QStringList{QStringLiteral("Электросчетчик"), QStringLiteral("METER1"), QStringLiteral("METER2")}));
    EXPECT_TRUE(fx.catalogue.isElectricityMeter(QStringLiteral("meter2")));
    EXPECT_FALSE(fx.catalogue.isElectricityMeter(QStringLiteral("HOTM")));
    // A sensor entry that is missing reads as "xxxx".
    EXPECT_EQ(fx.catalogue.pressureSensorTypes(), (QStringList{QStringLiteral("SENS"), QStringLiteral("xxxx")}));
}

TEST(CatalogueLists, PressuresAreOfferedInMpaWithOneDecimal)
{
    EditorFixture fx;
    EXPECT_EQ(fx.catalogue.contractPressures(), (QStringList{QStringLiteral("0,6"), QStringLiteral("1,0")}));
    EXPECT_EQ(fx.catalogue.pressureUpperLimits(QStringLiteral("SENS")),
              (QStringList{QStringLiteral("0,6"), QStringLiteral("1,6")}));
    EXPECT_EQ(fx.catalogue.kgfToMpaText(QStringLiteral("25")), QStringLiteral("2,5"));
    EXPECT_EQ(fx.catalogue.kgfToMpaText(QStringLiteral("abc")), QStringLiteral("abc"));
}

TEST(CatalogueLists, CorruptCountDoesNotRunAway)
{
    CatalogueFile f("[FlowMeter]\nCount=2000000000\nVariant0=A\n");
    EXPECT_LE(InstrumentCatalogue(f.path).entries(QStringLiteral("FlowMeter")).size(), 256);
}

// --- the shipped catalogue -------------------------------------------------------

TEST(ShippedCatalogue, HoldsTheFlowMetersOfTheOlderDatabaseWithCompleteLists)
{
    const InstrumentCatalogue cat(shippedCatalogue(), kComma);
    const QStringList types = cat.entries(QStringLiteral("FlowMeter"));
    const QStringList older{QStringLiteral("ВСТ"), QStringLiteral("ВМГи"), QStringLiteral("ВЭПС-Т(И)"),
                            QStringLiteral("ВЭПС ПБ-2"), QStringLiteral("Метран-300ПР-ОП"),
                            QStringLiteral("ЭРСВ-410(-110,-210)"), QStringLiteral("ПРЭМ-2"),
                            QStringLiteral("VA2305-E"), QStringLiteral("VA2305-V"), QStringLiteral("ULTRAFLOW II"),
                            QStringLiteral("EEM-Q II"), QStringLiteral("ПРВ"), QStringLiteral("ETWI"),
                            QStringLiteral("ETHI"), QStringLiteral("MTWI")};
    for (const QString& t : older)
        EXPECT_TRUE(types.contains(t)) << t;

    for (const QString& type : types) {
        EXPECT_TRUE(cat.suitsWaterPipe(type) || cat.suitsHeatPipe(type)) << type;
        EXPECT_TRUE(cat.supportsMains(type) || cat.supportsBattery(type)) << type;
        EXPECT_FALSE(cat.isElectricityMeter(type)) << type;
        for (const char* key : {"Symbol", "Interval", "Errors"})
            EXPECT_FALSE(cat.text(type, QLatin1String(key)).isEmpty()) << type << ' ' << key;
        const QStringList diameters = cat.entries(type);
        EXPECT_FALSE(diameters.isEmpty()) << type;
        for (const QString& du : diameters) {
            const QString s2 = type + QLatin1Char('|') + du;
            EXPECT_TRUE(kComma.toDouble(du)) << s2;
            const QStringList flows = cat.entries(s2);
            EXPECT_FALSE(flows.isEmpty()) << s2;
            for (const QString& fnom : flows) {
                const QString s3 = s2 + QLatin1Char('|') + fnom;
                EXPECT_FALSE(cat.entries(s3).isEmpty()) << s3;
                for (const QString& w : cat.entries(s3))
                    EXPECT_TRUE(kComma.toDouble(w)) << s3 << ' ' << w;
                EXPECT_GT(cat.flowMin(s3), 0) << s3;
                EXPECT_GT(cat.flowMax(s3), cat.flowMin(s3)) << s3;
                EXPECT_LT(cat.pipeTMin(s3), cat.pipeTMax(s3)) << s3;
            }
        }
    }
}

TEST(ShippedCatalogue, HoldsTheThermometersOfTheOlderDatabase)
{
    const InstrumentCatalogue cat(shippedCatalogue(), kComma);
    const QStringList types = cat.thermometerTypes();
    // The catalogue returns the upper case of Latin letters ("Pt-500" is "PT-500").
    for (const char* t : {"КТСПР-001", "КТПТР-01", "КТПТР-04", "КТПТР-05", "ТСП-001-01", "PT-500", "КТПТР-08"})
        EXPECT_TRUE(types.contains(QString::fromUtf8(t))) << t;
    EXPECT_DOUBLE_EQ(cat.thermometerTMax(QStringLiteral("Pt-500")), 150);
    for (const QString& type : types) {
        EXPECT_EQ(cat.thermometerListCount(type), 4) << type;
        for (int column = 2; column <= 5; ++column)
            EXPECT_FALSE(cat.thermometerList(type, column).isEmpty()) << type << ' ' << column;
        for (const QString& w : cat.thermometerList(type, 3))
            EXPECT_TRUE(w == QStringLiteral("1,385") || w == QStringLiteral("1,391")) << type;
        // The documents list a matched pair once by the letters "КТ".
        EXPECT_EQ(cat.komplekt(type), type.startsWith(QStringLiteral("КТ"))) << type;
        EXPECT_LT(cat.thermometerTMax(type), 201) << type;
    }
}

TEST(ShippedCatalogue, HoldsPressureSensorsAndElectricityMeters)
{
    const InstrumentCatalogue cat(shippedCatalogue(), kComma);
    EXPECT_GE(cat.contractPressures().size(), 5);
    EXPECT_TRUE(cat.contractPressures().contains(QStringLiteral("0,6")));
    const QStringList sensors = cat.pressureSensorTypes();
    EXPECT_GE(sensors.size(), 5);
    for (const QString& s : sensors) {
        EXPECT_NE(s, QStringLiteral("xxxx"));
        EXPECT_FALSE(cat.pressureUpperLimits(s).isEmpty()) << s;
        EXPECT_FALSE(cat.text(s, QStringLiteral("ErrorClass")).isEmpty()) << s;
    }
    const QStringList meters = cat.electricityMeterTypes();
    EXPECT_EQ(meters.first(), QStringLiteral("Электросчетчик"));
    EXPECT_GE(meters.size(), 5);
    for (const QString& m : meters.mid(1)) {
        EXPECT_FALSE(cat.entries(m).isEmpty()) << m;
        EXPECT_FALSE(cat.text(m, QStringLiteral("ErrorClass")).isEmpty()) << m;
    }
    EXPECT_TRUE(cat.isElectricityMeter(QStringLiteral("Меркурий 230")));
}

// --- input history ---------------------------------------------------------------

TEST(InputHistoryFile, PositionsAndSchedulesSurviveAReopen)
{
    EditorFixture fx;
    EXPECT_FALSE(fx.history->flowPosition(QStringLiteral("HOTM")));
    ASSERT_TRUE(fx.history->setFlowPosition(QStringLiteral("HOTM|20"), 1));
    ASSERT_TRUE(fx.history->setThermoPosition(QStringLiteral("KPAIR"), 3, 1));
    std::array<DaySchedule, 3> days{};
    days[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    days[Sundays][5] = {QStringLiteral("22:30"), QStringLiteral("C3")};
    ASSERT_TRUE(fx.history->storeDaySchedules(days));

    const InputHistory again = fx.reopenedHistory();
    EXPECT_EQ(again.flowPosition(QStringLiteral("HOTM|20")), 1);
    EXPECT_EQ(again.thermoPosition(QStringLiteral("KPAIR"), 3), 1);
    EXPECT_FALSE(again.thermoPosition(QStringLiteral("KPAIR"), 4));
    EXPECT_EQ(again.daySchedules(), days);

    const IniFile raw(fx.historyPath());
    EXPECT_EQ(raw.readString(QStringLiteral("HOTM|20"), QStringLiteral("LastSelect")), QStringLiteral("1"));
    EXPECT_EQ(raw.readString(QStringLiteral("KPAIR"), QStringLiteral("LastSelect_3")), QStringLiteral("1"));
    EXPECT_EQ(raw.readString(QStringLiteral("WorkDayTimes"), QStringLiteral("1")), QStringLiteral("07:00"));
    EXPECT_EQ(raw.readString(QStringLiteral("WorkDayTarif"), QStringLiteral("1")), QStringLiteral("C2"));
    EXPECT_EQ(raw.readString(QStringLiteral("SunDayTimes"), QStringLiteral("6")), QStringLiteral("22:30"));
    EXPECT_TRUE(raw.valueExists(QStringLiteral("SubbDayTimes"), QStringLiteral("3")));
}

TEST(InputHistoryFile, AValueThatIsNotANumberIsNoPosition)
{
    EditorFixture fx;
    writeFile(fx.historyPath(), "[HOTM]\nLastSelect=abc\n[COLDM]\nLastSelect=-1\n[KPAIR]\nLastSelect_2=1\n");
    const InputHistory h = fx.reopenedHistory();
    EXPECT_FALSE(h.flowPosition(QStringLiteral("HOTM")));
    EXPECT_FALSE(h.flowPosition(QStringLiteral("COLDM")));
    EXPECT_EQ(h.thermoPosition(QStringLiteral("KPAIR"), 2), 1);
}
