// The create and write commands with a scripted user, against vynsim or a line
// on which nobody answers.

#include "linktesting.h"

#include "link/configfilestore.h"
#include "link/devicecommands.h"
#include "link/linkerrors.h"
#include "link/vynproto.h"
#include "model/configfile.h"
#include "model/devicesession.h"
#include "model/systems.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>

using namespace vyn;
using test::FakeDialogs;
using vyntest::SimProcess;

namespace {

using vyn::test::kComma;
const QString kTitle = QStringLiteral("Конфигуратор ВИНК");

class RecordingStatus : public CommandStatus
{
public:
    void SetProgressBarMax(int n) override { calls << QStringLiteral("max %1").arg(n); }
    void IncrementProgressBar() override { ++increments; }
    void ResetProgressBar() override { calls << QStringLiteral("reset"); }
    void showWaiting() override { calls << QStringLiteral("waiting"); }
    void hideWaiting() override { calls << QStringLiteral("hide"); }
    void showDeviceVersion(int v) override { calls << QStringLiteral("version %1").arg(v); }

    QStringList calls;
    int increments = 0;
};

class RecordingEditor : public NewConfigurationEditor
{
public:
    explicit RecordingEditor(const ConfigRecord& rec) : m_rec(rec) {}
    void clearSerialField() override { calls << QStringLiteral("clear serial"); }
    void enableTypeList() override { calls << QStringLiteral("enable types"); }
    void selectTypeItem(int i) override { calls << QStringLiteral("type item %1").arg(i); }
    void resetToNewConfiguration() override { calls << QStringLiteral("reset"); }
    void showModal() override
    {
        calls << QStringLiteral("show ") + m_rec.SNUM + QLatin1Char(' ') + m_rec.TYPE_VYN;
    }

    QStringList calls;

private:
    const ConfigRecord& m_rec;
};

// A stored configuration: scheme "10" with one heat system, written as a file.
StoredRow configRow(const QString& serial, const QString& type)
{
    ConfigRecord rec;
    rec.SNUM = serial;
    rec.TYPE_VYN = type;
    rec.CXEMA = QStringLiteral("10");
    applyTypeShape(rec);
    rebuildShape(rec, 1, kComma);
    rec.PressureTable.setCell(1, PressureCol::Type, QStringLiteral("СДВ-И"));
    SetValueGrid(rec, TableKind::Pressure, 1, QStringLiteral("1,6"), PressureCol::PMax, kComma);
    SaveContext save;
    save.deviceFirmwareDate = QDate(2010, 1, 1);
    save.today = QDate(2026, 3, 1);
    return saveRecord(rec, save, kComma).row;
}

class Commands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        configPath = dir.filePath(QStringLiteral("config.json"));
        logPath = dir.filePath(QStringLiteral("log.json"));
        inputs.locale = kComma;
        inputs.clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(14, 35)); };
    }

    // Starts vynsim with a parameter log and sets the port to its line.
    void startSim(const QStringList& args)
    {
        sim = std::make_unique<SimProcess>(QStringList(args) << QStringLiteral("--log") << logPath
                                                             << QStringLiteral("--idle-exit")
                                                             << QStringLiteral("60"));
        ASSERT_TRUE(sim->started()) << sim->error().toStdString();
        comm.port = sim->path();
    }
    vyntest::SimLogView simLog()
    {
        if (sim)
            sim->stop();
        return vyntest::readSimLog(logPath);
    }

    DeviceCommandContext context() { return {proto, session, comm, dialogs, status, kTitle}; }

    // The row as a configuration file, loaded as vyntool loads it, with its row store.
    ConfigFileRowStore& loadRow(const StoredRow& row,
                                const ElectricityMeterCatalogue* catalogue = nullptr)
    {
        writeConfigFile(configPath, row);
        loaded = loadConfigFile(configPath, kComma, QDate(2026, 3, 1), catalogue);
        fileStore = std::make_unique<ConfigFileRowStore>(
            configPath, loaded.row, loaded.record, session,
            LoadContext{loaded.deviceGeneration, QDate(2026, 3, 1), nullptr}, kComma, true);
        return *fileStore;
    }
    WriteOutcome writeRow(const StoredRow& row, ConfigRowStore* store = nullptr)
    {
        const NoElectricityMeters catalogue;
        ConfigFileRowStore& file = loadRow(row, &catalogue);
        return runWriteCommand(context(), loaded.record, store ? *store : file, inputs);
    }
    QVariant storedFirmwareDate() const
    {
        return readConfigFile(configPath).value(QStringLiteral("DeviceSoftData"));
    }

    QTemporaryDir dir;
    QString configPath;
    QString logPath;
    std::unique_ptr<SimProcess> sim;
    TVynProto proto{ThreadSleeper::instance(), vyntest::commandTimings()};
    DeviceSession session;
    CommSettings comm;
    FakeDialogs dialogs;
    RecordingStatus status;
    WriteConfigInputs inputs;
    LoadedConfig loaded;
    std::unique_ptr<ConfigFileRowStore> fileStore;
};

const QString kSerialQuestion = QStringLiteral(
    "Подключенный прибор имеет номер несоответствующий\n\rномеру выбранному в базе. Продолжить "
    "запись кнонфигурации?");

} // namespace

TEST_F(Commands, WriteOfAMatchingCalculator)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("12342678"), QStringLiteral("--firmware"),
              QStringLiteral("2014-06-30"), QStringLiteral("--new-type")});
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12342678"), QStringLiteral("04"))),
              WriteOutcome::Written);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Конфигурация записана успешно")});
    EXPECT_TRUE(dialogs.of(FakeDialogs::Kind::Ask).isEmpty());
    EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2014, 6, 30));
    EXPECT_EQ(session.DeviceFirmwareDate, QDate(2014, 6, 30));
    EXPECT_EQ(session.DeviceGeneration, 1);
    EXPECT_EQ(session.DeviceVersion, 4);
    EXPECT_TRUE(session.IdentifiedSerial.isEmpty()); // kept by the create command only
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(status.calls, (QStringList{QStringLiteral("version 4"), QStringLiteral("max 137"),
                                         QStringLiteral("reset")}));
    const auto log = simLog();
    EXPECT_EQ(log.parameters.size(), 127);
    // 1,6 MPa at version 4
    EXPECT_TRUE(log.parameters.contains(QStringLiteral("03356203080001 6006")));
}

TEST_F(Commands, DeviceVersionFiveSendsPressuresInTenthsOfKilopascal)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("12342678"), QStringLiteral("--firmware"),
              QStringLiteral("2015-01-20"), QStringLiteral("--new-type")});
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12342678"), QStringLiteral("04"))),
              WriteOutcome::Written);
    EXPECT_EQ(session.DeviceVersion, 5);
    EXPECT_TRUE(simLog().parameters.contains(QStringLiteral("03356203080001 803E")));
}

TEST_F(Commands, WrongTypeIsRefused)
{
    startSim({QStringLiteral("--type"), QStringLiteral("3")});
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::TypeMismatch);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("Несоответствие типов конфигурации и типа ВИНКА"));
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(status.calls.last(), QStringLiteral("reset"));
    EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2010, 1, 1)); // row unchanged
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_TRUE(simLog().parameters.isEmpty());
}

TEST_F(Commands, DifferentSerialAsksAndNoWritesNothing)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321")});
    dialogs.answers.enqueue(false);
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::SerialDeclined);
    const auto asked = dialogs.of(FakeDialogs::Kind::Ask);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].text, kSerialQuestion);
    EXPECT_EQ(asked[0].caption, QStringLiteral("Внимание"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2010, 1, 1));
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_TRUE(simLog().parameters.isEmpty());
}

TEST_F(Commands, DifferentSerialAcceptedIsWritten)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321")});
    dialogs.answers.enqueue(true);
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::Written);
    EXPECT_EQ(dialogs.of(FakeDialogs::Kind::Ask).size(), 1);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Конфигурация записана успешно")});
    EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2015, 3, 1));
    EXPECT_EQ(session.DeviceVersion, 3); // fifth character of the row's serial: 5
    EXPECT_EQ(simLog().parameters.size(), 127);
}

TEST_F(Commands, IdentificationFailures)
{
    struct Case
    {
        const char* what;
        QStringList simArgs; // empty: a line nobody answers
        QString reason;      // the line below "Прибор не обнаружен"
    };
    const QList<Case> cases{
        {"silent calculator", {}, QStringLiteral("Ошибка 1: Ошибка приема подтверждения.")},
        {"month 13",
         {QStringLiteral("--firmware"), QStringLiteral("2015-13-01")},
         QStringLiteral("Ответ прибора содержит недопустимую дату программы")},
        {"broken identity reply",
         {QStringLiteral("--fault"), QStringLiteral("bad-block-crc@2")},
         QStringLiteral("Ошибка 9: Ошибка контрольной суммы заголовка.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        status.calls.clear();
        session = DeviceSession{};
        session.DeviceGeneration = 0;
        vyntest::PtyPair silent;
        if (c.simArgs.isEmpty())
            comm.port = silent.path;
        else
            startSim(c.simArgs);
        EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
                  WriteOutcome::NotIdentified);
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Прибор не обнаружен\n") + c.reason);
        EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(session.DeviceGeneration, 1);
        EXPECT_EQ(status.calls, QStringList{QStringLiteral("reset")});
        EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2010, 1, 1));
        EXPECT_FALSE(proto.port().Connected());
        if (sim) {
            EXPECT_TRUE(simLog().parameters.isEmpty());
            sim.reset();
        }
    }
}

TEST_F(Commands, PortThatIsNotThere)
{
    comm.port = QStringLiteral("ttyVYN_absent");
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::PortUnavailable);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("В настоящее время порт: ttyVYN_absent не доступен"));
    EXPECT_EQ(dialogs.shown[0].caption, kTitle);

    dialogs.shown.clear();
    ConfigRecord rec;
    RecordingEditor editor(rec);
    EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma), CreateOutcome::PortUnavailable);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("В настоящее время ttyVYN_absent не доступен"));
    EXPECT_EQ(dialogs.shown[0].caption, kTitle);
    EXPECT_EQ(editor.calls, QStringList{QStringLiteral("clear serial")});
    EXPECT_EQ(status.calls.mid(status.calls.size() - 2),
              (QStringList{QStringLiteral("waiting"), QStringLiteral("hide")}));
}

TEST_F(Commands, FailedWriteIsReportedAndClosesThePort)
{
    // identification, type query, then the reply to the 10th parameter write breaks
    startSim({QStringLiteral("--fault"), QStringLiteral("bad-header-crc@13")});
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::Failed);
    // The reason and how far the write came follow the message.
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Ошибка записи конфигурации\n"
                                         "Ошибка 5: Ошибка контрольной суммы заголовка.\n"
                                         "Записано 9 из 127 параметров.")});
    EXPECT_EQ(dialogs.shown.last().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(status.calls.last(), QStringLiteral("reset"));
    EXPECT_EQ(storedFirmwareDate().toDate(), QDate(2015, 3, 1)); // stored before the write
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(simLog().parameters.size(), 10); // the 10th arrived, its reply did not
}

TEST_F(Commands, MissingAlternativeDaysFileEndsTheWrite)
{
    startSim({});
    inputs.altDaysFile = dir.filePath(QStringLiteral("нет.alt"));
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::Failed);
    const QString cannotOpen =
        QStringLiteral("Файл ") + inputs.altDaysFile + QStringLiteral("не может быть открыт");
    EXPECT_EQ(dialogs.messages(),
              (QStringList{cannotOpen, QStringLiteral("Ошибка записи конфигурации\n") + cannotOpen}));
    EXPECT_EQ(dialogs.shown[0].caption, QString());
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_TRUE(simLog().parameters.isEmpty());
}

namespace {
// The calculator goes away between the identification and the write.
class VanishingLine : public ConfigRowStore
{
public:
    VanishingLine(ConfigRowStore& inner, SimProcess& sim) : m_inner(inner), m_sim(sim) {}
    QString rowType() const override { return m_inner.rowType(); }
    QString rowSerial() const override { return m_inner.rowSerial(); }
    void storeDeviceSoftData(const QDate& d) override { m_inner.storeDeviceSoftData(d); }
    void RePaintStatus() override
    {
        m_inner.RePaintStatus();
        m_sim.stop();
    }

private:
    ConfigRowStore& m_inner;
    SimProcess& m_sim;
};
} // namespace

TEST_F(Commands, PortLostBeforeTheWriteIsReportedAsThePortMessage)
{
    startSim({});
    const StoredRow row = configRow(QStringLiteral("12345678"), QStringLiteral("04"));
    writeConfigFile(configPath, row);
    ConfigRecord rec;
    ConfigFileRowStore inner(configPath, row, rec, session, {1, QDate(2026, 3, 1), nullptr}, kComma,
                             false);
    VanishingLine store(inner, *sim);
    EXPECT_EQ(runWriteCommand(context(), rec, store, inputs), WriteOutcome::Failed);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("В настоящее время порт: ") +
                                              comm.port + QStringLiteral(" не доступен")});
    EXPECT_EQ(dialogs.shown.last().caption, kTitle);
    EXPECT_EQ(rec.SNUM, QStringLiteral("12345678")); // RePaintStatus loaded the row
    EXPECT_EQ(status.calls.last(), QStringLiteral("reset"));
    EXPECT_FALSE(proto.port().Connected());
}

TEST_F(Commands, CreateForTheConnectedCalculator)
{
    startSim({QStringLiteral("--serial"), QStringLiteral("87654321"), QStringLiteral("--type"),
              QStringLiteral("3"), QStringLiteral("--new-type")});
    ConfigRecord rec;
    rec.SNUM = QStringLiteral("11111111");
    rec.CXEMA = QStringLiteral("55");
    RecordingEditor editor(rec);
    EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma), CreateOutcome::EditorShown);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(editor.calls,
              (QStringList{QStringLiteral("clear serial"), QStringLiteral("enable types"),
                           QStringLiteral("type item 2"), QStringLiteral("reset"),
                           QStringLiteral("show 87654321 03")}));
    EXPECT_EQ(status.calls, (QStringList{QStringLiteral("waiting"), QStringLiteral("version 5"),
                                         QStringLiteral("hide")}));
    EXPECT_EQ(session.IdentifiedSerial, QStringLiteral("87654321"));
    EXPECT_EQ(session.DeviceFirmwareDate, QDate(2015, 3, 1));
    EXPECT_EQ(session.DeviceVersion, 5);
    EXPECT_EQ(rec.CXEMA.left(1), QStringLiteral("1")); // reset to a new configuration
    EXPECT_FALSE(proto.port().Connected());
}

TEST_F(Commands, CreateWithoutACalculatorStillOpensTheEditor)
{
    for (const QStringList& simArgs :
         {QStringList{}, QStringList{QStringLiteral("--firmware"), QStringLiteral("2015-13-01")}}) {
        SCOPED_TRACE(simArgs.join(' ').toStdString());
        dialogs.shown.clear();
        session.DeviceVersion = 5;
        session.DeviceFirmwareDate = QDate(2015, 1, 1);
        vyntest::PtyPair silent;
        if (simArgs.isEmpty())
            comm.port = silent.path;
        else
            startSim(simArgs);
        ConfigRecord rec;
        rec.TYPE_VYN = QStringLiteral("02");
        RecordingEditor editor(rec);
        EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma),
                  CreateOutcome::EditorShownWithoutDevice);
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages()[0].startsWith(QStringLiteral("Прибор не обнаружен\n")))
            << dialogs.messages()[0].toStdString();
        EXPECT_EQ(editor.calls.value(2), QStringLiteral("type item 3"));
        EXPECT_TRUE(editor.calls.last().startsWith(QStringLiteral("show ")));
        EXPECT_EQ(rec.TYPE_VYN, QStringLiteral("04"));
        EXPECT_EQ(session.DeviceVersion, 0);
        EXPECT_EQ(session.DeviceFirmwareDate, QDate(2004, 1, 1));
        EXPECT_EQ(session.DeviceGeneration, 1);
        EXPECT_FALSE(session.ActiveComunicator);
        EXPECT_FALSE(proto.port().Connected());
        sim.reset();
    }
}

TEST_F(Commands, OlderCalculatorGetsTheOlderCommunicator)
{
    startSim({QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--serial"),
              QStringLiteral("12342678")});
    ConfigRecord rec;
    RecordingEditor editor(rec);
    EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma), CreateOutcome::EditorShown);
    EXPECT_EQ(session.DeviceGeneration, 0);
    EXPECT_TRUE(std::dynamic_pointer_cast<TVynComunicator_v03>(session.ActiveComunicator));
    EXPECT_EQ(session.DeviceVersion, 2); // fifth character 2
    EXPECT_EQ(rec.TYPE_VYN, QStringLiteral("03"));
    EXPECT_EQ(rec.FlowTable.designation(1), QStringLiteral("F1/"));
}

namespace {

// A row with both kinds of tariff data, as a row saved for one generation and
// then for the other holds them: the older calculators' list and the day
// schedules. firmwareDate null: a row never written to a calculator.
StoredRow tariffRow(const QVariant& firmwareDate)
{
    ConfigRecord rec = vyn::test::shaped("04", "17");
    // Row 4 of scheme "17" is the electricity meter's (hardware variant 2).
    EXPECT_EQ(FindElecLine(rec), 4);
    rec.FlowTable.setCell(4, FlowCol::Type, QStringLiteral("Электросчетчик"));
    SetValueGrid(rec, TableKind::Flow, 4, QStringLiteral("1000"), FlowCol::Fimp, kComma);
    rec.daySchedules[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    rec.daySchedules[WorkDays][1] = {QStringLiteral("23:00"), QStringLiteral("C1")};
    rec.daySchedules[Sundays][0] = {QStringLiteral("12:15"), QStringLiteral("C3")};
    rec.TariffList = {TariffEntry{7, 30, QStringLiteral("C2"), 0},
                      TariffEntry{22, 0, QStringLiteral("C1"), 1}};
    SaveContext save;
    save.today = QDate(2026, 3, 1);
    save.deviceGeneration = 1;
    StoredRow row = saveRecord(rec, save, kComma).row;
    save.deviceGeneration = 0;
    const StoredRow older = saveRecord(rec, save, kComma).row;
    for (const QString& column : {QStringLiteral("NUM_TAR_EL"), QStringLiteral("TARIF_ELEC")})
        row.setValue(column, older.value(column));
    EXPECT_EQ(row.value(QStringLiteral("NUM_TAR_EL")).toInt(), 2);
    EXPECT_FALSE(row.value(QStringLiteral("WorkDayTime")).toString().isEmpty());
    if (firmwareDate.isNull())
        row.remove(QStringLiteral("DeviceSoftData"));
    else
        row.setValue(QStringLiteral("DeviceSoftData"), firmwareDate);
    return row;
}

} // namespace

TEST_F(Commands, RowOfTheOtherGenerationIsReadAgainBeforeTheWrite)
{
    const QStringList calculator{QStringLiteral("--serial"), QStringLiteral("12342678")};
    // The row of the right generation gives the reference writes.
    startSim(calculator);
    ASSERT_EQ(writeRow(tariffRow(QDate(2015, 3, 1))), WriteOutcome::Written);
    const QStringList reference = simLog().parameters;
    EXPECT_TRUE(reference.contains(QStringLiteral("03356606400001 02")))
        << "two workday entries: " << reference.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(reference.contains(QStringLiteral("03355606400001 01"))) << "one Sunday entry";

    for (const QVariant& date : {QVariant(), QVariant(QDate(2003, 5, 19))}) {
        SCOPED_TRACE(date.toString().toStdString());
        dialogs.shown.clear();
        startSim(calculator);
        const StoredRow row = tariffRow(date);
        ConfigFileRowStore& store = loadRow(row);
        ASSERT_EQ(loaded.deviceGeneration, 0);
        EXPECT_EQ(runWriteCommand(context(), loaded.record, store, inputs), WriteOutcome::Written);
        EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Конфигурация записана успешно")});
        EXPECT_EQ(simLog().parameters, reference);
    }
}

TEST_F(Commands, RowStoreReadsTheOlderTariffListForAnOlderCalculator)
{
    // The mirror case: loaded for generation 04, the firmware date of a generation-03
    // calculator arrives; the image is built from the list of the row.
    const StoredRow row = tariffRow(QDate(2015, 3, 1));
    ConfigFileRowStore& store = loadRow(row);
    ASSERT_EQ(loaded.deviceGeneration, 1);
    EXPECT_TRUE(loaded.record.TariffList.empty());
    store.storeDeviceSoftData(QDate(2003, 5, 19));
    store.RePaintStatus();
    EXPECT_EQ(session.DeviceGeneration, 0);
    EXPECT_EQ(loaded.record.TariffList,
              (std::vector<TariffEntry>{TariffEntry{7, 30, QStringLiteral("C2"), 0},
                                        TariffEntry{22, 0, QStringLiteral("C1"), 1}}));
    // The same generation again: the record is left as it is.
    loaded.record.SNUM = QStringLiteral("edited");
    store.RePaintStatus();
    EXPECT_EQ(loaded.record.SNUM, QStringLiteral("edited"));
}

namespace {
// Asks the protocol to stop after a number of progress steps, as Ctrl+C would.
class StoppingStatus : public RecordingStatus
{
public:
    StoppingStatus(TVynProto& proto, int after) : m_proto(proto), m_after(after) {}
    void IncrementProgressBar() override
    {
        RecordingStatus::IncrementProgressBar();
        if (increments == m_after)
            m_proto.requestStop();
    }

private:
    TVynProto& m_proto;
    int m_after;
};
} // namespace

TEST_F(Commands, StopRequestEndsTheWriteBetweenParameters)
{
    startSim({});
    // The first step is the bar's start; five parameters follow.
    StoppingStatus stopping(proto, 6);
    ConfigFileRowStore& store = loadRow(configRow(QStringLiteral("12345678"), QStringLiteral("04")));
    const DeviceCommandContext c{proto, session, comm, dialogs, stopping, kTitle};
    WriteReport report;
    EXPECT_EQ(runWriteCommand(c, loaded.record, store, inputs, &report), WriteOutcome::Interrupted);
    EXPECT_EQ(report.parametersWritten, 5);
    EXPECT_EQ(report.parametersTotal, 127);
    EXPECT_EQ(report.serial, QStringLiteral("12345678"));
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("Запись прервана: записано 5 из 127 параметров; "
                                         "конфигурация прибора неполная")});
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(simLog().parameters.size(), 5);

    // Still set: the next command stops before the line is touched.
    dialogs.shown.clear();
    startSim({});
    ConfigRecord rec;
    RecordingEditor editor(rec);
    EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma), CreateOutcome::Interrupted);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Идентификация прервана")});
    EXPECT_FALSE(proto.port().Connected());
    proto.clearStop();
    EXPECT_EQ(runCreateCommand(context(), rec, editor, kComma), CreateOutcome::EditorShown);
}

TEST_F(Commands, StopDuringTheClosingPauseKeepsTheCompleteWrite)
{
    startSim({});
    ProtoTimings timings = vyntest::commandTimings();
    timings.configFinalPauseMs = 7000;
    proto.setTimings(timings);
    // The bar's start, 127 parameters and the two closing requests: all taken.
    StoppingStatus stopping(proto, 130);
    ConfigFileRowStore& store = loadRow(configRow(QStringLiteral("12345678"), QStringLiteral("04")));
    const DeviceCommandContext c{proto, session, comm, dialogs, stopping, kTitle};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runWriteCommand(c, loaded.record, store, inputs), WriteOutcome::Written);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Конфигурация записана успешно")});
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(simLog().parameters.size(), 127);
    proto.clearStop();
}

TEST_F(Commands, FailedTypeQuerySaysSo)
{
    // identification (two exchanges), then the type query's reply header is broken
    startSim({QStringLiteral("--fault"), QStringLiteral("bad-header-crc@3")});
    try {
        writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04")));
        FAIL() << "no exception";
    } catch (const EComunicatorExcept& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ошибка запроса типа прибора\n"
                                              "Ошибка 5: Ошибка контрольной суммы заголовка."));
    }
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_TRUE(simLog().parameters.isEmpty());
}

TEST_F(Commands, DamagedAlternativeDaysFileIsRefusedBeforeTheLine)
{
    startSim({});
    inputs.altDaysFile = dir.filePath(QStringLiteral("random.alt"));
    {
        QFile f(inputs.altDaysFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x03\x01\x07\x85\x03\x41\x09\x09\x05\x05", 10);
    }
    EXPECT_EQ(writeRow(configRow(QStringLiteral("12345678"), QStringLiteral("04"))),
              WriteOutcome::Failed);
    EXPECT_EQ(dialogs.messages().value(0), QStringLiteral("Ошибка открытия файла."));
    EXPECT_TRUE(simLog().parameters.isEmpty());
}
