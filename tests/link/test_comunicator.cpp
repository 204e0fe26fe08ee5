// The generation-04 configuration write against vynsim: what the calculator
// receives, parameter by parameter, and how the write ends.

#include "linktesting.h"

#include "link/comunicator.h"
#include "link/identification.h"
#include "link/linkerrors.h"
#include "link/vynproto.h"
#include "model/devicesession.h"
#include "model/systems.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"
#include "tests/support/simprocess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;
using vyntest::SimProcess;

namespace {

using vyn::test::kComma;

// "p2 p3 t" and the value, as hex; the prefix is 03 35 p2 p3 t 00 01.
QString param(const char* p2p3t, const char* value)
{
    return QStringLiteral("0335") + QLatin1String(p2p3t) + QStringLiteral("0001 ") +
           QLatin1String(value);
}

// The entries of the log with prefix bytes p2 p3.
QStringList withPrefix(const QStringList& log, const char* p2p3)
{
    QStringList out;
    for (const QString& entry : log)
        if (entry.mid(4, 4) == QLatin1String(p2p3))
            out << entry;
    return out;
}

QString writeAltFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("дни.alt"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// Scheme "16": V1/ V1\ Vc Vd Vn, thermometers t1/ t1\ tu, a pressure sensor on V1/.
ConfigRecord heatWithColdWater()
{
    ConfigRecord rec = vyn::test::shaped("04", "16");
    auto flow = [&](int row, const char* type, const char* fimp, const char* fmin, const char* fmax,
                    const char* archive) {
        rec.FlowTable.setCell(row, FlowCol::Type, QString::fromUtf8(type));
        SetValueGrid(rec, TableKind::Flow, row, QString::fromUtf8(fimp), FlowCol::Fimp, kComma);
        SetValueGrid(rec, TableKind::Flow, row, QString::fromUtf8(fmin), FlowCol::Fmin, kComma);
        SetValueGrid(rec, TableKind::Flow, row, QString::fromUtf8(fmax), FlowCol::Fmax, kComma);
        rec.FlowTable.setCell(row, FlowCol::Archive, QString::fromUtf8(archive));
    };
    flow(1, "ВЭПС-ТИ", "10", "0,36", "36", "Масса");
    flow(2, "ВЭПС-ТИ", "10", "0,36", "36", "Масса");
    flow(3, "ВСХд-15", "1", "0,03", "3", "Объём");
    flow(5, "ВСХд-15", "0,5", "", "1,5", "Объём");
    rec.FlowTable.setCell(1, FlowCol::Source, QStringLiteral("Сетевой"));
    rec.PITVYN = true;
    auto thermo = [&](int row, const char* r0, const char* w, const char* tmin, const char* tmax) {
        rec.ThermoTable.setCell(row, ThermoCol::Type, QStringLiteral("КТПТР-01"));
        SetValueGrid(rec, TableKind::Thermo, row, QString::fromUtf8(r0), ThermoCol::R0, kComma);
        rec.ThermoTable.setCell(row, ThermoCol::W, QString::fromUtf8(w));
        SetValueGrid(rec, TableKind::Thermo, row, QString::fromUtf8(tmin), ThermoCol::TMin, kComma);
        SetValueGrid(rec, TableKind::Thermo, row, QString::fromUtf8(tmax), ThermoCol::TMax, kComma);
    };
    thermo(1, "100", "1,385", "2", "150");
    thermo(2, "500", "1,391", "1", "120");
    thermo(3, "100", "1,385", "5", "40");
    rec.PressureTable.setCell(1, PressureCol::Type, QStringLiteral("СДВ-И"));
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("0"), PressureCol::PMin, kComma);
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("1,6"), PressureCol::PMax, kComma);
    rec.adapterType = AdapterKind::ModBus;
    rec.networkAddress = 7;
    rec.OutImpMass = QStringLiteral("2,5");
    rec.DSTART = 25;
    rec.DATEZ = {15, 10};
    rec.DATEL = {15, 5};
    rec.TXIZ = QStringLiteral("5");
    rec.TXIL = QStringLiteral("15");
    rec.manUsingType = ManUsing::Always;
    rec.LigthSet = true;
    rec.tempDiffControl = false;
    rec.daySchedules[WorkDays][0] = {QStringLiteral("06:00"), QStringLiteral("C1")};
    rec.daySchedules[WorkDays][1] = {QStringLiteral("22:30"), QStringLiteral("C2")};
    rec.daySchedules[Sundays][1] = {QStringLiteral("12:00"), QStringLiteral("C3")};
    return rec;
}

// Two changed days and one holiday; a third changed day beyond the count.
QByteArray twoChangedDaysOneHoliday()
{
    QByteArray alt(62, '\0');
    alt[0] = 2;
    alt[1] = 1;
    alt[2] = 7, alt[3] = char(0x85); // 7 May as Saturday
    alt[4] = 3, alt[5] = char(0x41); // 3 January as Sunday
    alt[6] = 9, alt[7] = 0x09;       // beyond the count
    alt[32] = 9, alt[33] = 0x05;     // holiday 9 May
    return alt;
}

// One write against a fresh vynsim.
class V04Write : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        inputs.locale = kComma;
        inputs.clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(14, 35, 12)); };
        progress.changed = [this](const ProgressCounter& p) {
            steps << p.position();
            maximum = p.maximum();
        };
    }

    // Runs the write; the log of the calculator afterwards.
    vyntest::SimLogView write(ConfigRecord& rec, int deviceVersion, const QStringList& simArgs = {},
                              bool expectSuccess = true)
    {
        const QString log = dir.filePath(QStringLiteral("log.json"));
        SimProcess sim(QStringList(simArgs)
                       << QStringLiteral("--log") << log << QStringLiteral("--idle-exit")
                       << QStringLiteral("60"));
        EXPECT_TRUE(sim.started()) << sim.error().toStdString();
        if (inputs.comm.port.isEmpty())
            inputs.comm.port = sim.path();
        session.DeviceVersion = deviceVersion;
        TVynProto proto(ThreadSleeper::instance(), vyntest::commandTimings());
        TVynComunicator_v04 comunicator;
        const WriteContext context{proto, rec, session, inputs, progress, dialogs};
        if (expectSuccess) {
            EXPECT_TRUE(comunicator.WriteConfig(context));
        } else {
            try {
                comunicator.WriteConfig(context);
                ADD_FAILURE() << "the write did not fail";
            } catch (const ELinkError& e) {
                failure = e.message();
                failedWith = &typeid(e);
            }
        }
        portOpenAfter = proto.port().Connected();
        sim.stop();
        return vyntest::readSimLog(log);
    }

    QTemporaryDir dir;
    WriteConfigInputs inputs;
    DeviceSession session;
    test::FakeDialogs dialogs;
    ProgressCounter progress;
    QList<int> steps;
    int maximum = 0;
    bool portOpenAfter = true;
    QString failure;
    const std::type_info* failedWith = nullptr;
};

} // namespace

TEST_F(V04Write, TwoPipeHeatSystemWithColdWaterThermometerAndExtraChannel)
{
    ConfigRecord rec = heatWithColdWater();
    inputs.altDaysFile = writeAltFile(dir, twoChangedDaysOneHoliday());
    inputs.noDaylightSaving = false;
    inputs.minFlowControl = true;
    const auto log = write(rec, 4);

    const QStringList expected{
        param("45D540", "01"), param("45C540", "01"), param("2A0340", "07"), // network address
        param("2A1368", "02"), param("2A2368", "02"), param("2A3368", "02"), // adapter Net2
        param("200038", "16"),                                               // scheme 1, 6
        // systems: 1 heat (outputs, pressure, mass, thermometers), 2 Vc volume,
        // 3 Vd nothing, 4 tu thermometer, 5 Vn volume, 6 none
        param("050588", "BB"), param("051588", "84"), param("052588", "00"), param("053588", "82"),
        param("054588", "84"), param("055588", "00"),
        param("250088", "6E"),       // options: always, monthly, DST, light, no dT
        param("400010", "00002040"), // 2.5
        param("2E0340", "19"),       // report day 25
        param("420308", "6400"),
        // flow flags: mains V1/, typed V1\ Vc, untyped Vd, typed Vn
        param("040488", "81"), param("041488", "80"), param("042488", "80"), param("043488", "00"),
        param("044488", "80"), param("340410", "00002041"), param("341410", "00002041"),
        param("342410", "0000803F"), param("343410", "00000000"), param("344410", "0000003F"),
        param("540410", "EC51B83E"), param("541410", "EC51B83E"), param("542410", "8FC2F53C"),
        param("543410", "00000000"), param("544410", "00000000"), param("640410", "00001042"),
        param("641410", "00001042"), param("642410", "00004040"), param("643410", "00000000"),
        param("644410", "0000C03F"),
        // thermometers: t1/ 100 Ohm 1.385, t1\ 500 Ohm, tu waits for slot 3
        param("030388", "86"), param("031388", "81"), param("032388", "00"), param("033388", "86"),
        param("530340", "02"), param("531340", "01"), param("532340", "00"), param("533340", "00"),
        param("630340", "96"), param("631340", "78"), param("632340", "00"), param("633340", "28"),
        param("020288", "80"), param("021288", "00"), param("022288", "00"), param("023288", "00"),
        param("520308", "0000"), param("521308", "0000"), param("522308", "0000"),
        param("523308", "0000"), param("620308", "6006"), param("621308", "0000"),
        param("622308", "0000"), param("623308", "0000"), // 1,6 MPa at version 4: 1632
        param("320308", "6402"), param("321308", "9801"), param("322308", "0000"),
        param("323308", "0000"), // contract 0,6 and 0,4 MPa
        param("4213A8", "0F0A"), param("4233A8", "0F05"), param("422308", "F401"),
        param("424308", "DC05"), param("361610", "00000000"),
        param("362610", "00000000"), // no electricity row
        param("363668", "00"), param("660640", "02"), param("661648", "060001"),
        param("662648", "161E02"), param("663648", "000000"), param("664648", "000000"),
        param("665648", "000000"), param("666648", "000000"), param("460640", "00"),
        param("461648", "000000"), param("462648", "000000"), param("463648", "000000"),
        param("464648", "000000"), param("465648", "000000"), param("466648", "000000"),
        param("560640", "01"), param("561648", "000000"), param("562648", "0C0003"),
        param("563648", "000000"), param("564648", "000000"), param("565648", "000000"),
        param("566648", "000000"), param("060640", "02"), param("061680", "050702"),
        param("062680", "010303"), param("063680", "000000"), param("064680", "000000"),
        param("065680", "000000"), param("066680", "000000"), param("067680", "000000"),
        param("068680", "000000"), param("069680", "000000"), param("06A680", "000000"),
        param("06B680", "000000"), param("06C680", "000000"), param("06D680", "000000"),
        param("06E680", "000000"), param("06F680", "000000"), param("160640", "01"),
        param("161660", "0509"), param("162660", "0000"), param("163660", "0000"),
        param("164660", "0000"), param("165660", "0000"), param("166660", "0000"),
        param("167660", "0000"), param("168660", "0000"), param("169660", "0000"),
        param("16A660", "0000"), param("16B660", "0000"), param("16C660", "0000"),
        param("16D660", "0000"), param("16E660", "0000"), param("16F660", "0000"),
        param("231018", "1A0C0A"), param("230058", "0E23"), // 2026-12-10 14:35
    };
    EXPECT_EQ(log.parameters, expected);
    ASSERT_GE(log.exchanges.size(), 2);
    EXPECT_EQ(log.exchanges.mid(log.exchanges.size() - 2),
              (QStringList{QStringLiteral("82:010510"), QStringLiteral("80:010510")}));

    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Конфигурация записана успешно")});
    EXPECT_EQ(dialogs.shown.value(0).caption, QString());
    EXPECT_EQ(maximum, 137);
    // a step before the writes, one per write and one per closing request, then reset
    EXPECT_EQ(steps.size(), 1 + 1 + expected.size() + 2 + 1);
    EXPECT_EQ(steps.value(1), 1);
    EXPECT_EQ(steps.value(steps.size() - 2), 130);
    EXPECT_EQ(steps.last(), 0);
    EXPECT_FALSE(portOpenAfter);
}

TEST_F(V04Write, SchemeWithElectricityMeterAndThreeTariffGrids)
{
    ConfigRecord rec;
    rec.SNUM = QStringLiteral("12342678");
    rec.TYPE_VYN = QStringLiteral("04");
    rec.CXEMA = QStringLiteral("17");
    applyTypeShape(rec);
    rebuildShape(rec, 1, kComma);
    ASSERT_EQ(rec.FlowTable.designation(4), QStringLiteral("C"));
    rec.FlowTable.setCell(4, FlowCol::Type, QStringLiteral("СЭТ-4ТМ"));
    SetValueGrid(rec, TableKind::Flow, 4, QStringLiteral("1000"), FlowCol::Fimp, kComma);
    SetValueGrid(rec, TableKind::Flow, 4, QStringLiteral("15"), FlowCol::Fmax, kComma);
    rec.daySchedules[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    rec.daySchedules[WorkDays][1] = {QStringLiteral("10:30"), QStringLiteral("C3")};
    rec.daySchedules[WorkDays][2] = {QStringLiteral("23:00"), QStringLiteral("C1")};
    rec.daySchedules[Saturdays][0] = {QStringLiteral("09:05"), QStringLiteral("C1")};
    rec.daySchedules[Sundays][5] = {QStringLiteral("20:45"), QStringLiteral("C7")};
    const auto log = write(rec, 4);

    EXPECT_EQ(log.parameters.size(), 127);
    EXPECT_EQ(withPrefix(log.parameters, "2000"), QStringList{param("200038", "17")});
    // rows V1/ V1\ Vc C: the meter row is flagged 0x02 (and typed)
    EXPECT_EQ(withPrefix(log.parameters, "0434"), QStringList{param("043488", "82")});
    EXPECT_EQ(withPrefix(log.parameters, "3616"), QStringList{param("361610", "00007A44")});
    EXPECT_EQ(withPrefix(log.parameters, "3626"), QStringList{param("362610", "00007041")});
    const QStringList workDays{param("660640", "03"),     param("661648", "070002"),
                               param("662648", "0A1E03"), param("663648", "170001"),
                               param("664648", "000000"), param("665648", "000000"),
                               param("666648", "000000")};
    QStringList sent;
    for (const char* p : {"6606", "6616", "6626", "6636", "6646", "6656", "6666"})
        sent << withPrefix(log.parameters, p);
    EXPECT_EQ(sent, workDays);
    EXPECT_EQ(withPrefix(log.parameters, "4606"), QStringList{param("460640", "01")});
    EXPECT_EQ(withPrefix(log.parameters, "4616"), QStringList{param("461648", "090501")});
    EXPECT_EQ(withPrefix(log.parameters, "5606"), QStringList{param("560640", "01")});
    EXPECT_EQ(withPrefix(log.parameters, "5666"), QStringList{param("566648", "142D03")});
}

TEST_F(V04Write, PressureCodesFollowTheDeviceVersion)
{
    for (auto [version, code] : {std::pair{4, "6006"}, std::pair{5, "803E"}}) {
        ConfigRecord rec = heatWithColdWater();
        inputs.comm.port.clear();
        const auto log = write(rec, version);
        EXPECT_EQ(withPrefix(log.parameters, "6203"), QStringList{param("620308", code)})
            << "version " << version;
    }
}

TEST_F(V04Write, AlternativeDaysFileThatCannotBeOpenedSendsNothing)
{
    ConfigRecord rec = heatWithColdWater();
    inputs.altDaysFile = dir.filePath(QStringLiteral("нет.alt"));
    const auto log = write(rec, 4, {}, false);
    EXPECT_EQ(failure, QStringLiteral("Файл ") + inputs.altDaysFile +
                           QStringLiteral("не может быть открыт"));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, failure);
    EXPECT_EQ(dialogs.shown[0].caption, QString());
    EXPECT_TRUE(log.parameters.isEmpty());
}

TEST_F(V04Write, PortThatCannotBeOpenedAgainIsReported)
{
    ConfigRecord rec = heatWithColdWater();
    inputs.comm.port = QStringLiteral("ttyVYN_absent");
    write(rec, 4, {}, false);
    EXPECT_TRUE(failedWith && *failedWith == typeid(EPortUnavailable));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Comunicators, DeviceTypeQueries)
{
    struct Case
    {
        QStringList simArgs;
        bool older;
        int type;
    };
    const QList<Case> cases{
        {{QStringLiteral("--type"), QStringLiteral("3")}, false, 3},
        {{QStringLiteral("--type"), QStringLiteral("5")}, false, 5},
        {{QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--type"),
          QStringLiteral("1")},
         true,
         1},
        {{QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--type"),
          QStringLiteral("2")},
         true,
         2},
        {{QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--type"),
          QStringLiteral("3")},
         true,
         3},
        {{QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--type"),
          QStringLiteral("9")},
         true,
         0},
    };
    for (const Case& c : cases) {
        SimProcess sim(QStringList(c.simArgs)
                       << QStringLiteral("--idle-exit") << QStringLiteral("30"));
        ASSERT_TRUE(sim.started());
        TVynProto proto(ThreadSleeper::instance(), vyntest::commandTimings());
        openAndResetLine(proto, sim.path(), 9600);
        std::unique_ptr<TVynComunicator> comunicator;
        if (c.older)
            comunicator = std::make_unique<TVynComunicator_v03>();
        else
            comunicator = std::make_unique<TVynComunicator_v04>();
        EXPECT_EQ(comunicator->GetDeviceType(proto), c.type) << c.simArgs.join(' ').toStdString();
    }
}

TEST(Comunicators, OlderTypeQueryFailureBecomesTheCommunicatorsMessage)
{
    SimProcess sim({QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--fault"),
                    QStringLiteral("bad-header-crc@1"), QStringLiteral("--idle-exit"),
                    QStringLiteral("30")});
    ASSERT_TRUE(sim.started());
    TVynProto proto(ThreadSleeper::instance(), vyntest::commandTimings());
    openAndResetLine(proto, sim.path(), 9600);
    TVynComunicator_v03 comunicator;
    try {
        comunicator.GetDeviceType(proto);
        FAIL() << "no exception";
    } catch (const EComunicatorExcept& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ишибка при получении типа Винка\n"
                                              "Ошибка 5: Ошибка контрольной суммы заголовка."));
    }
    ProtoClosePort(proto);
    EXPECT_EQ(TVynComunicator_v03().GetDeviceType(proto), 0); // closed port: no answer
}

TEST(Comunicators, SetTxDataClearsBothBuffers)
{
    TVynComunicator c;
    c.RxBuf.fill(0xAA);
    c.TxBuf.fill(0xAA);
    c.SetTxData({0x01, 0x05, 0x10});
    EXPECT_EQ(c.TxBuf[0], 0x01);
    EXPECT_EQ(c.TxBuf[2], 0x10);
    EXPECT_EQ(c.TxBuf[3], 0x00);
    EXPECT_EQ(c.RxBuf[99], 0x00);
    EXPECT_EQ(c.RxBuf[100], 0xAA); // only the first 100 bytes
}

TEST(Comunicators, ProgressWrapsAtTheMaximum)
{
    ProgressCounter p;
    p.SetProgressBarMax(3);
    p.IncrementProgressBar();
    p.IncrementProgressBar();
    EXPECT_EQ(p.position(), 2);
    p.IncrementProgressBar();
    EXPECT_EQ(p.position(), 0);
    p.IncrementProgressBar();
    p.ResetProgressBar();
    EXPECT_EQ(p.position(), 0);
    EXPECT_EQ(p.maximum(), 3);
}

TEST(Comunicators, DefaultAlternativeDaysFileIsTheFirstOfTheDirectory)
{
    QTemporaryDir dir;
    EXPECT_EQ(WriteConfigInputs::defaults(dir.path()).altDaysFile, QString());
    for (const char* name : {"b.alt", "a.alt", "0.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
    }
    const WriteConfigInputs in = WriteConfigInputs::defaults(dir.path());
    EXPECT_EQ(in.altDaysFile, dir.filePath(QStringLiteral("a.alt")));
    EXPECT_TRUE(in.noDaylightSaving);
    EXPECT_FALSE(in.minFlowControl);
}
