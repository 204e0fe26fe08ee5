#include "model/rowcodec.h"
#include "model/systems.h"
#include "recordfixture.h"

#include <QDateTime>
#include <QSet>
#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace vyn {
void PrintTo(const ChannelTable& t, std::ostream* os)
{
    for (int r = 1; r <= t.channelRows(); ++r) {
        *os << "\n  ";
        for (int c = 0; c < t.columnCount(); ++c)
            *os << t.cell(r, c).toStdString() << '|';
    }
}
} // namespace vyn

namespace {

const QDate kToday(2025, 3, 14);

void set(ConfigRecord& rec, TableKind kind, int row, int column, const char* text)
{
    SetValueGrid(rec, kind, row, QString::fromUtf8(text), column, kComma);
}

SaveResult save(const ConfigRecord& rec, int generation = 1, StoredRow current = {})
{
    return saveRecord(rec, {generation, QDate(2003, 6, 17), kToday, QStringLiteral("PC\\ivan")},
                      kComma, std::move(current));
}

// A row loaded into a record that starts from the defaults.
ConfigRecord loaded(const StoredRow& row, int generation = 1,
                    const ElectricityMeterCatalogue* catalogue = nullptr)
{
    ConfigRecord rec;
    loadRecord(row, rec, {generation, kToday, catalogue}, kComma);
    return rec;
}

StoredRow rowOf(std::initializer_list<std::pair<const char*, QVariant>> values)
{
    StoredRow row;
    for (const auto& [k, v] : values)
        row.setValue(QString::fromLatin1(k), v);
    return row;
}

class TypeSet final : public ElectricityMeterCatalogue
{
public:
    explicit TypeSet(QSet<QString> meters) : m_meters(std::move(meters)) {}
    bool isElectricityMeter(const QString& type) const override { return m_meters.contains(type); }

private:
    QSet<QString> m_meters;
};

} // namespace

// --- channel lists ---------------------------------------------------------------

TEST(ChannelLists, OneValuePerRowWithTheUnitRemovedAndEmptyWithoutType)
{
    ConfigRecord four = shaped("03", "16", 1);
    set(four, TableKind::Flow, 1, FlowCol::Type, "ВСТ");
    set(four, TableKind::Flow, 2, FlowCol::Type, "ВСТ");
    set(four, TableKind::Flow, 1, FlowCol::Fnom, "2,5");
    set(four, TableKind::Flow, 3, FlowCol::Fnom, "4"); // no type: not stored
    set(four, TableKind::Flow, 2, FlowCol::Serial, "А 12");
    EXPECT_EQ(four.FlowTable.cell(1, FlowCol::Fnom), QStringLiteral("2,5 м3/ч"));
    EXPECT_EQ(channelList(four, TableKind::Flow, FlowCol::Type, kComma), QStringLiteral("ВСТ|ВСТ|||"));
    EXPECT_EQ(channelList(four, TableKind::Flow, FlowCol::Fnom, kComma), QStringLiteral("2,5||||"));
    EXPECT_EQ(channelList(four, TableKind::Flow, FlowCol::Serial, kComma), QStringLiteral("|А 12|||"));

    ConfigRecord five = shaped("04", "16", 1);
    ASSERT_EQ(five.FlowTable.channelRows(), 5);
    set(five, TableKind::Flow, 5, FlowCol::Type, "ВСТ");
    set(five, TableKind::Flow, 5, FlowCol::Du, "20");
    EXPECT_EQ(channelList(five, TableKind::Flow, FlowCol::Du, kComma), QStringLiteral("||||20|"));
}

TEST(ChannelLists, ReadingFillsRowsInOrderWithUnits)
{
    ConfigRecord rec = shaped("04", "16", 1);
    ASSERT_EQ(rec.FlowTable.channelRows(), 5);
    set(rec, TableKind::Flow, 5, FlowCol::Du, "80");
    readChannelList(rec, TableKind::Flow, FlowCol::Du, QStringLiteral("50|32|abc|"), kComma);
    EXPECT_EQ(column(rec.FlowTable, FlowCol::Du),
              (QStringList{QStringLiteral("50 мм"), QStringLiteral("32 мм"), QStringLiteral("abc"),
                           QString(), QString()}));

    readChannelList(rec, TableKind::Flow, FlowCol::Du, QStringLiteral("1|2|3|4|5|6|7|"), kComma);
    EXPECT_EQ(rec.FlowTable.cell(5, FlowCol::Du), QStringLiteral("5 мм"));
}

TEST(ChannelLists, PressuresAreStoredInKgfPerSquareCentimetre)
{
    ConfigRecord rec = shaped("04", "14", 1);
    for (int r = 1; r <= 3; ++r)
        set(rec, TableKind::Thermo, r, ThermoCol::Type, "КТПТР");
    set(rec, TableKind::Thermo, 1, ThermoCol::Pressure, "0,6");
    set(rec, TableKind::Thermo, 2, ThermoCol::Pressure, "x");
    set(rec, TableKind::Thermo, 3, ThermoCol::Pressure, "1.6");
    set(rec, TableKind::Thermo, 4, ThermoCol::Pressure, "0,4"); // no type
    EXPECT_EQ(pressureList(rec, TableKind::Thermo, ThermoCol::Pressure, kComma),
              QStringLiteral("6,118|0,000|0,000||"));

    readPressureList(rec, TableKind::Thermo, ThermoCol::Pressure, QStringLiteral("6,118|abc|10.5||-2|"),
                     kComma);
    EXPECT_EQ(column(rec.ThermoTable, ThermoCol::Pressure),
              (QStringList{QStringLiteral("0,600 МПа"), QStringLiteral("abc"), QStringLiteral("1,030 МПа"),
                           QString()}));
}

// --- single columns --------------------------------------------------------------

TEST(StoredColumns, AdapterTypeKindAndAddress)
{
    struct Case
    {
        const char* stored;
        AdapterKind kind;
        int address;
    };
    const Case cases[] = {
        {"mod-bus|12", AdapterKind::ModBus, 12},
        {"xyz", AdapterKind::Connected, 1},
        {"mod-bus modem", AdapterKind::ModBusModem, 1},
        {"connected|abc", AdapterKind::Connected, 1},
        {"nonsense|7", AdapterKind::Connected, 7},
        {"", AdapterKind::Connected, 1},
    };
    for (const Case& c : cases) {
        const ConfigRecord rec = loaded(rowOf({{"ADAPTERTYPE", QString::fromLatin1(c.stored)}}));
        EXPECT_EQ(rec.adapterType, c.kind) << c.stored;
        EXPECT_EQ(rec.networkAddress, c.address) << c.stored;
    }

    ConfigRecord rec = shaped("03", "10", 1);
    rec.adapterType = AdapterKind::ModBus;
    rec.networkAddress = 12;
    EXPECT_EQ(save(rec).row.value(QStringLiteral("AdapterType")), QVariant(QStringLiteral("mod-bus|12")));
}

TEST(StoredColumns, AdapterColumnsAreWrittenOnlyWithAnAdapterKind)
{
    ConfigRecord rec = shaped("03", "10", 1);
    rec.adapterType = AdapterKind::None;
    rec.OutImpMass = QStringLiteral("0,1");
    const StoredRow row = save(rec, 1, rowOf({{"OutImpMass", QStringLiteral("10,0")}})).row;
    EXPECT_FALSE(row.contains(QStringLiteral("AdapterType")));
    EXPECT_FALSE(row.contains(QStringLiteral("DeviceSoftData")));
    EXPECT_EQ(row.value(QStringLiteral("OutImpMass")), QVariant(QStringLiteral("10,0")));
}

TEST(StoredColumns, ArhSetModeAndTemperatureDifferenceControl)
{
    struct Case
    {
        const char* stored;
        ArchiveMode mode;
        bool control;
    };
    const Case cases[] = {
        {"growtotal|nocontrol", ArchiveMode::GrowTotal, false},
        {"monthclear", ArchiveMode::MonthClear, true},
        {"monthclear|", ArchiveMode::MonthClear, true},
        {"growtotal|control", ArchiveMode::GrowTotal, true},
        {"growtotal|yes", ArchiveMode::GrowTotal, false},
        {" |control", ArchiveMode::None, true},
    };
    for (const Case& c : cases) {
        const ConfigRecord rec = loaded(rowOf({{"ArhSet", QString::fromLatin1(c.stored)}}));
        EXPECT_EQ(rec.archiveMode, c.mode) << c.stored;
        EXPECT_EQ(rec.tempDiffControl, c.control) << c.stored;
    }

    ConfigRecord rec = shaped("03", "10", 1);
    rec.archiveMode = ArchiveMode::GrowTotal;
    rec.tempDiffControl = false;
    EXPECT_EQ(save(rec).row.value(QStringLiteral("ARHSET")), QVariant(QStringLiteral("growtotal|nocontrol")));
    rec.archiveMode = ArchiveMode::None;
    rec.tempDiffControl = true;
    EXPECT_EQ(save(rec).row.value(QStringLiteral("ARHSET")), QVariant(QStringLiteral(" |control")));
}

TEST(StoredColumns, GeneralValuesAndTheirTypes)
{
    ConfigRecord rec = shaped("02", "16", 1, "00123456");
    rec.PITVYN = true;
    rec.DSTART = 25;
    rec.DATEL = {1, 4};
    rec.DATEZ = {30, 9};
    rec.TXIZ = QStringLiteral("4,5");
    rec.TXIL = QStringLiteral("");
    rec.LigthSet = true;
    rec.manUsingType = ManUsing::Always;
    const StoredRow row = save(rec).row;
    EXPECT_EQ(row.value(QStringLiteral("SNUM")), QVariant(QStringLiteral("00123456")));
    EXPECT_EQ(row.value(QStringLiteral("TYPE_VYN")), QVariant(QStringLiteral("02")));
    EXPECT_EQ(row.value(QStringLiteral("CXEMA")), QVariant(QStringLiteral("16")));
    EXPECT_EQ(row.value(QStringLiteral("PITVYN")), QVariant(true));
    EXPECT_EQ(row.value(QStringLiteral("DSTART")), QVariant(25.0));
    EXPECT_EQ(row.value(QStringLiteral("DATEL")), QVariant(QDate(2000, 4, 1)));
    EXPECT_EQ(row.value(QStringLiteral("DATEZ")), QVariant(QDate(2000, 9, 30)));
    EXPECT_EQ(row.value(QStringLiteral("TXIZ")), QVariant(4.5));
    EXPECT_TRUE(row.contains(QStringLiteral("TXIL")));
    EXPECT_TRUE(row.value(QStringLiteral("TXIL")).isNull());
    EXPECT_EQ(row.value(QStringLiteral("PXI")), QVariant(1.0));
    EXPECT_EQ(row.value(QStringLiteral("DATE")), QVariant(kToday));
    EXPECT_EQ(row.value(QStringLiteral("MANAGER")), QVariant(QStringLiteral("PC\\ivan")));
    EXPECT_EQ(row.value(QStringLiteral("LigthSet")), QVariant(QStringLiteral("on")));
    EXPECT_EQ(row.value(QStringLiteral("ManUsingType")), QVariant(QStringLiteral("always")));
    EXPECT_EQ(row.value(QStringLiteral("DeviceSoftData")), QVariant(QDate(2003, 6, 17)));
    EXPECT_EQ(row.value(QStringLiteral("TYPE_ELECT")), QVariant(false));
    EXPECT_FALSE(row.contains(QStringLiteral("NUM_TAR_EL")));
    EXPECT_FALSE(row.contains(QStringLiteral("CONST_ELEC")));
    EXPECT_FALSE(row.contains(QStringLiteral("MAX_ELEC")));

    EXPECT_EQ(managerText(QStringLiteral("PC"), QStringLiteral("ivan")), QStringLiteral("PC\\ivan"));
    EXPECT_EQ(managerText(QString(), QStringLiteral("ivan")), QStringLiteral("\\ivan"));
    EXPECT_EQ(managerText(QStringLiteral("PC"), QString()), QStringLiteral("PC"));
}

TEST(StoredColumns, UnreadableValuesGiveTheirFallbacks)
{
    ConfigRecord before;
    before.TYPE_VYN = QStringLiteral("02");
    loadRecord(rowOf({{"TYPE_VYN", QStringLiteral("07")},
                      {"DSTART", 40.0},
                      {"DATEL", QStringLiteral("x")},
                      {"TXIZ", QStringLiteral("warm")},
                      {"TXIL", 12.0},
                      {"PITVYN", QStringLiteral("yes")},
                      {"ManUsingType", QStringLiteral("sometimes")},
                      {"LigthSet", QStringLiteral("ON")}}),
               before, {1, kToday, nullptr}, kComma);
    EXPECT_EQ(before.SNUM, QString());
    EXPECT_EQ(before.TYPE_VYN, QStringLiteral("02"));
    EXPECT_EQ(before.DSTART, 0);
    EXPECT_EQ(before.DATEL, (DayMonth{14, 3}));
    EXPECT_EQ(before.DATEZ, (DayMonth{14, 3}));
    EXPECT_EQ(before.TXIZ, QStringLiteral("5"));
    EXPECT_EQ(before.TXIL, QStringLiteral("5")); // not read once TXIZ failed
    EXPECT_FALSE(before.PITVYN);
    EXPECT_EQ(before.manUsingType, ManUsing::None);
    EXPECT_FALSE(before.LigthSet);

    const ConfigRecord txil = loaded(rowOf({{"TXIZ", 7.0}, {"TXIL", QVariant()}}));
    EXPECT_EQ(txil.TXIZ, QStringLiteral("7,0"));
    EXPECT_EQ(txil.TXIL, QStringLiteral("5"));
    EXPECT_EQ(loaded(rowOf({{"TXIZ", 4.25}, {"TXIL", QStringLiteral("3,5")}})).TXIL, QStringLiteral("3,5"));
    EXPECT_EQ(loaded(rowOf({{"TXIZ", 4.25}})).TXIZ, QStringLiteral("4,25"));
}

// --- tariffs ---------------------------------------------------------------------

TEST(StoredTariffs, TariffListIsEightCharactersPerEntry)
{
    ConfigRecord rec = shaped("03", "17", 0);
    rec.TariffList = {{0, 0, QStringLiteral("C1"), 0}, {7, 30, QStringLiteral("C2"), 2},
                      {23, 5, QStringLiteral("C3"), 1}};
    const StoredRow row = save(rec, 0).row;
    EXPECT_EQ(row.value(QStringLiteral("TARIF_ELEC")), QVariant(QStringLiteral(" 0 0 0 0 730 1 223 5 2 1")));
    EXPECT_EQ(row.value(QStringLiteral("NUM_TAR_EL")), QVariant(3.0));
    EXPECT_FALSE(row.contains(QStringLiteral("WorkDayTime")));

    const ConfigRecord back = loaded(rowOf({{"CXEMA", QStringLiteral("17")},
                                            {"TYPE_VYN", QStringLiteral("03")},
                                            {"SNUM", QStringLiteral("12342678")},
                                            {"TARIF_ELEC", QStringLiteral(" 0 0 0 0 730 1 2")},
                                            {"NUM_TAR_EL", 2.0}}),
                                     0);
    const std::vector<TariffEntry> expected{{0, 0, QStringLiteral("C1"), 0}, {7, 30, QStringLiteral("C2"), 2}};
    EXPECT_EQ(back.TariffList, expected);
    EXPECT_EQ(tariffConditions().at(2), QStringLiteral("В рабочие"));
}

TEST(StoredTariffs, TariffListReadsOnlyWhatIsThere)
{
    const auto list = [](const char* text, double count) {
        return loaded(rowOf({{"CXEMA", QStringLiteral("17")},
                             {"TYPE_VYN", QStringLiteral("03")},
                             {"SNUM", QStringLiteral("12342678")},
                             {"TARIF_ELEC", QString::fromLatin1(text)},
                             {"NUM_TAR_EL", count}}),
                      0)
            .TariffList.size();
    };
    EXPECT_EQ(list(" 0 0 0 0 730 1 2", 5), 2u);  // count beyond the text
    EXPECT_EQ(list(" 0 0 0 0 730 1 2", 1), 1u);
    EXPECT_EQ(list(" 0 0 0 0xx30 1 2 8 0 0 0", 3), 2u); // a broken entry is left out
    EXPECT_EQ(list("99 0 0 0 8 0 0 0", 2), 1u);         // hour 99
    EXPECT_EQ(list(" 0 0 0 0", 0), 0u);
}

TEST(StoredTariffs, DaySchedulesAsTimeTariffBars)
{
    ConfigRecord rec = shaped("04", "17", 1);
    rec.daySchedules[WorkDays] = {DayEntry{QStringLiteral("07:00"), QStringLiteral("C2")}, DayEntry{},
                                  DayEntry{QStringLiteral("23:00"), QStringLiteral("C1")}};
    rec.daySchedules[Sundays][5] = {QStringLiteral("12:15"), QStringLiteral("C3")};
    const StoredRow row = save(rec, 1).row;
    EXPECT_EQ(row.value(QStringLiteral("WorkDayTime")), QVariant(QStringLiteral("07:00:C2|23:00:C1|")));
    EXPECT_EQ(row.value(QStringLiteral("SubbDayTarif")), QVariant(QString()));
    EXPECT_EQ(row.value(QStringLiteral("SunDayTarif")), QVariant(QStringLiteral("12:15:C3|")));
    EXPECT_FALSE(row.contains(QStringLiteral("TARIF_ELEC")));

    ConfigRecord back;
    back.daySchedules[WorkDays].fill({QStringLiteral("01:00"), QStringLiteral("C3")});
    loadRecord(rowOf({{"CXEMA", QStringLiteral("17")},
                      {"SNUM", QStringLiteral("12342678")},
                      {"WorkDayTime", QStringLiteral("07:00:C2|23:00:C1|")},
                      {"SubbDayTarif", QStringLiteral("08:30:|09:00:C2|")},
                      {"SunDayTarif", QStringLiteral("12:15:C3|")}}),
               back, {1, kToday, nullptr}, kComma);
    const DaySchedule work{DayEntry{QStringLiteral("07:00"), QStringLiteral("C2")},
                           DayEntry{QStringLiteral("23:00"), QStringLiteral("C1")}};
    EXPECT_EQ(back.daySchedules[WorkDays], work);
    const DaySchedule saturday{DayEntry{}, DayEntry{QStringLiteral("09:00"), QStringLiteral("C2")}};
    EXPECT_EQ(back.daySchedules[Saturdays], saturday);
    EXPECT_EQ(back.daySchedules[Sundays][0], (DayEntry{QStringLiteral("12:15"), QStringLiteral("C3")}));
}

TEST(StoredTariffs, ElectricityRowFallbacksOfOlderDevices)
{
    const StoredRow row = rowOf({{"CXEMA", QStringLiteral("17")},
                                 {"TYPE_VYN", QStringLiteral("03")},
                                 {"SNUM", QStringLiteral("12342678")},
                                 {"TYPE_ELECT", true},
                                 {"CONST_ELEC", 1000.0},
                                 {"MAX_ELEC", 5.5},
                                 {"TAR_ZON_EL", 2.0}});
    const ConfigRecord rec = loaded(row, 0);
    ASSERT_EQ(FindElecLine(rec), 4);
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Type), QStringLiteral("Электросчетчик"));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Fimp), QStringLiteral("1000 имп/кВт*ч"));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Fmax), QStringLiteral("5,5 кВт"));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Source), QStringLiteral("C1+C2"));

    StoredRow odd = row;
    odd.setValue(QStringLiteral("TAR_ZON_EL"), 7.0);
    odd.setValue(QStringLiteral("FIMP"), QStringLiteral("|||500|"));
    const ConfigRecord rec2 = loaded(odd, 0);
    EXPECT_EQ(rec2.FlowTable.cell(4, FlowCol::Source), QStringLiteral("7"));
    EXPECT_EQ(rec2.FlowTable.cell(4, FlowCol::Fimp), QStringLiteral("500 имп/кВт*ч"));

    StoredRow newer = row;
    newer.setValue(QStringLiteral("ConstSch"), QStringLiteral("800"));
    newer.setValue(QStringLiteral("LimitSch"), QStringLiteral("12"));
    const ConfigRecord rec3 = loaded(newer, 1);
    EXPECT_EQ(rec3.FlowTable.cell(4, FlowCol::Fimp), QStringLiteral("800 имп/кВт*ч"));
    EXPECT_EQ(rec3.FlowTable.cell(4, FlowCol::Fmax), QStringLiteral("12 кВт"));
    EXPECT_EQ(rec3.FlowTable.cell(4, FlowCol::Source), QString());
}

TEST(StoredTariffs, ElectricityValuesAreWrittenWithTheMeterRow)
{
    ConfigRecord rec = shaped("03", "17", 0);
    set(rec, TableKind::Flow, 4, FlowCol::Type, "СЭТ-4ТМ");
    set(rec, TableKind::Flow, 4, FlowCol::Fimp, "1000");
    set(rec, TableKind::Flow, 4, FlowCol::Fmax, "limit");
    rec.FlowTable.setCell(4, FlowCol::Source, QStringLiteral("C1+C2+C3"));
    const SaveResult saved = save(rec, 0);
    EXPECT_TRUE(saved.failedGroups.isEmpty());
    EXPECT_EQ(saved.row.value(QStringLiteral("TYPE_ELECT")), QVariant(true));
    EXPECT_EQ(saved.row.value(QStringLiteral("CONST_ELEC")), QVariant(1000.0));
    EXPECT_EQ(saved.row.value(QStringLiteral("MAX_ELEC")), QVariant(0.0));
    EXPECT_EQ(saved.row.value(QStringLiteral("TAR_ZON_EL")), QVariant(4.0));
    EXPECT_EQ(saved.row.value(QStringLiteral("NUM_TAR_EL")), QVariant(0.0));

    rec.FlowTable.setCell(4, FlowCol::Source, QStringLiteral("C1")); // Latin C: not a zone
    EXPECT_FALSE(save(rec, 0).row.contains(QStringLiteral("TAR_ZON_EL")));
    rec.FlowTable.setCell(4, FlowCol::Source, QStringLiteral("С1+С'")); // Cyrillic С
    EXPECT_EQ(save(rec, 0).row.value(QStringLiteral("TAR_ZON_EL")), QVariant(1.0));
}

TEST(StoredTariffs, CatalogueMarksTheElectricityMeterRow)
{
    const TypeSet catalogue({QStringLiteral("СЭТ-4ТМ")});
    const StoredRow row = rowOf({{"CXEMA", QStringLiteral("16")},
                                 {"TYPE_VYN", QStringLiteral("03")},
                                 {"SNUM", QStringLiteral("12342678")},
                                 {"RASH", QStringLiteral("ВСТ|ВСТ|ВСТ|СЭТ-4ТМ|")},
                                 {"FIMP", QStringLiteral("10|10|1|1000|")}});
    const ConfigRecord rec = loaded(row, 1, &catalogue);
    EXPECT_EQ(column(rec.FlowTable, FlowCol::Designation),
              (QStringList{QStringLiteral("V1/"), QStringLiteral("V1\\"), QStringLiteral("Vc"), QStringLiteral("C")}));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Fimp), QStringLiteral("1000 имп/кВт*ч"));
    EXPECT_EQ(rec.FlowTable.cell(3, FlowCol::Fimp), QStringLiteral("1 л/имп"));

    const NoElectricityMeters none;
    EXPECT_EQ(loaded(row, 1, &none).FlowTable.designation(4), QStringLiteral("Vd"));
}

TEST(StoredTariffs, TheElectricityRowIsMarkedInTheRowItself)
{
    // A generic meter type the catalogue knows nothing of, on a scheme whose row 3
    // would otherwise be the water meter "Vc".
    ConfigRecord rec = shaped("04", "16", 1);
    rec.FlowTable.setCell(3, FlowCol::Designation, QStringLiteral("C"));
    set(rec, TableKind::Flow, 3, FlowCol::Type, "Электросчетчик");
    set(rec, TableKind::Flow, 3, FlowCol::Fimp, "1600");
    set(rec, TableKind::Flow, 3, FlowCol::Fmax, "30");
    set(rec, TableKind::Flow, 3, FlowCol::Serial, "9001");
    set(rec, TableKind::Flow, 1, FlowCol::Type, "ВСТ");
    rec.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
    const SaveResult saved = save(rec, 1);
    ASSERT_TRUE(saved.failedGroups.isEmpty());
    EXPECT_EQ(saved.row.value(QStringLiteral("FlowArhSet")), QVariant(QStringLiteral("Масса||C|||")));

    const NoElectricityMeters none;
    for (const ElectricityMeterCatalogue* catalogue : {static_cast<const ElectricityMeterCatalogue*>(&none),
                                                       static_cast<const ElectricityMeterCatalogue*>(nullptr)}) {
        const ConfigRecord back = loaded(saved.row, 1, catalogue);
        EXPECT_EQ(FindElecLine(back), 3);
        EXPECT_EQ(back.FlowTable.cell(3, FlowCol::Fimp), QStringLiteral("1600 имп/кВт*ч"));
        EXPECT_EQ(back.FlowTable.cell(3, FlowCol::Fmax), QStringLiteral("30 кВт"));
        EXPECT_EQ(back.FlowTable.cell(3, FlowCol::Archive), QString());
        EXPECT_EQ(back.FlowTable.cell(1, FlowCol::Archive), QStringLiteral("Масса"));
        // Saved again, the row is the same.
        EXPECT_EQ(save(back, 1).row.value(QStringLiteral("FlowArhSet")), saved.row.value(QStringLiteral("FlowArhSet")));
    }
}

// --- failures --------------------------------------------------------------------

TEST(SaveFailures, AFailedGroupStopsItselfAndTheOthersAreWritten)
{
    struct Case
    {
        const char* what;
        void (*spoil)(ConfigRecord&);
        QList<int> groups;
        const char* keptColumn;  // a column of the failed group left as it was
        const char* laterColumn; // a later column of the same group, not written
    };
    const Case cases[] = {
        {"31 June", [](ConfigRecord& r) { r.DATEL = {31, 6}; }, {2}, "DATEL", nullptr},
        {"31 June, both", [](ConfigRecord& r) { r.DATEL = r.DATEZ = {31, 6}; }, {2, 3}, "DATEZ", nullptr},
        {"heating temperature", [](ConfigRecord& r) { r.TXIZ = QStringLiteral("warm"); }, {4}, "TXIZ", nullptr},
        {"long serial", [](ConfigRecord& r) { r.SNUM = QString(51, QLatin1Char('1')); }, {9}, "SNUM", nullptr},
        {"long flow types",
         [](ConfigRecord& r) {
             for (int row = 1; row <= 4; ++row)
                 r.FlowTable.setCell(row, FlowCol::Type, QString(70, QLatin1Char('x')));
         },
         {12}, "RASH", "DU"},
        {"long thermometer type",
         [](ConfigRecord& r) { r.ThermoTable.setCell(1, ThermoCol::Type, QString(100, QLatin1Char('t'))); },
         {13}, "TYPTERM", "P"},
        {"meter constant",
         [](ConfigRecord& r) { r.FlowTable.setCell(4, FlowCol::Fimp, QStringLiteral("many")); },
         {16}, "CONST_ELEC", nullptr},
        // A separator inside a value would shift the later rows when read back.
        {"separator in a serial number",
         [](ConfigRecord& r) { r.FlowTable.setCell(1, FlowCol::Serial, QStringLiteral("AB|CD")); },
         {12}, "SERNR", "ISTPITRASX"},
        {"separator in a thermometer class",
         [](ConfigRecord& r) { r.ThermoTable.setCell(1, ThermoCol::Klass, QStringLiteral("A|B")); },
         {13}, "KLASS", "LPOG"},
    };
    for (const Case& c : cases) {
        ConfigRecord rec = shaped("03", "17", 1);
        set(rec, TableKind::Flow, 1, FlowCol::Type, "ВСТ");
        set(rec, TableKind::Flow, 1, FlowCol::Du, "50");
        set(rec, TableKind::Flow, 4, FlowCol::Fimp, "1000");
        set(rec, TableKind::Thermo, 1, ThermoCol::Type, "КТПТР");
        c.spoil(rec);
        StoredRow current;
        for (const ColumnSpec& col : vynBaseColumns())
            current.setValue(col.name, QStringLiteral("old"));
        const SaveResult saved = save(rec, 1, current);
        EXPECT_EQ(saved.failedGroups, c.groups) << c.what;
        EXPECT_EQ(saved.row.value(QString::fromLatin1(c.keptColumn)), QVariant(QStringLiteral("old"))) << c.what;
        if (c.laterColumn) {
            EXPECT_EQ(saved.row.value(QString::fromLatin1(c.laterColumn)), QVariant(QStringLiteral("old")))
                << c.what;
        }
        // Saving went on with the next groups.
        EXPECT_EQ(saved.row.value(QStringLiteral("LigthSet")), QVariant(QStringLiteral("off"))) << c.what;
        EXPECT_EQ(saved.row.value(QStringLiteral("ArhSet")), QVariant(QStringLiteral("monthclear|control")))
            << c.what;
        EXPECT_EQ(saved.row.value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("old"))) << c.what;
    }
    EXPECT_EQ(saveFailureMessage(2), QStringLiteral("Была ошибка 2 при создании базы"));
}

TEST(SaveFailures, ManagerThatDoesNotFitIsSkippedSilently)
{
    const ConfigRecord rec = shaped("03", "10", 1);
    const SaveResult saved = saveRecord(rec, {1, QDate(2003, 6, 17), kToday, QString(101, QLatin1Char('m'))},
                                        kComma, rowOf({{"MANAGER", QStringLiteral("before")}}));
    EXPECT_TRUE(saved.failedGroups.isEmpty());
    EXPECT_EQ(saved.row.value(QStringLiteral("MANAGER")), QVariant(QStringLiteral("before")));
}

// --- whole record ----------------------------------------------------------------

TEST(StoredRecord, SaveThenLoadGivesTheRecordBack)
{
    struct Case
    {
        const char* what;
        ConfigRecord rec;
        int generation;
    };
    const Case cases[] = {{"older with meter", olderWithMeter(), 0},
                          {"newer with pressures", newerWithPressures(), 1}};
    for (const Case& c : cases) {
        const SaveResult saved = save(c.rec, c.generation);
        EXPECT_TRUE(saved.failedGroups.isEmpty()) << c.what;
        const ConfigRecord back = loaded(saved.row, c.generation);
        EXPECT_EQ(back.FlowTable, c.rec.FlowTable) << c.what;
        EXPECT_EQ(back.ThermoTable, c.rec.ThermoTable) << c.what;
        EXPECT_EQ(back.PressureTable, c.rec.PressureTable) << c.what;
        EXPECT_TRUE(back == c.rec) << c.what;
    }
    EXPECT_EQ(save(newerWithPressures()).row.value(QStringLiteral("M_Pmax")),
              QVariant(QStringLiteral("16,315|16,315|16,315|16,315|")));
    EXPECT_EQ(loaded(save(newerWithPressures()).row).ThermoTable.cell(1, ThermoCol::Pressure),
              QStringLiteral("1,200 МПа"));
}

TEST(StoredRecord, RowGenerationFollowsTheFirmwareDate)
{
    EXPECT_EQ(generationOfRow({}), 0);
    EXPECT_EQ(generationOfRow(rowOf({{"DeviceSoftData", QDate(2004, 1, 1)}})), 1);
    EXPECT_EQ(generationOfRow(rowOf({{"devicesoftdata", QDate(2003, 12, 31)}})), 0);
    EXPECT_EQ(generationOfRow(rowOf({{"DeviceSoftData", QDateTime(QDate(2003, 12, 31), QTime(23, 59, 59))}})), 0);
}
