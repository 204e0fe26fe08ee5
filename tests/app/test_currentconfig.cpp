#include "editor/instrumentcatalogue.h"
#include "app/catalogue.h"
#include "app/currentconfig.h"
#include "app/databaserowstore.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

using namespace vyn;
using namespace vyn::test;

namespace {

struct StoreFixture
{
    QTemporaryDir dir;
    QString catalogueFile = dir.filePath(QStringLiteral("rash.ini"));
    ConfigDatabase db{ConfigDatabase::Options{100}};
    ConfigRecord record;
    DeviceSession session;
    FakeDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2025, 3, 14), QTime(10, 0))};
    std::unique_ptr<InstrumentCatalogue> catalogue;
    std::unique_ptr<CurrentConfiguration> current;

    StoreFixture()
    {
        writeAll(catalogueFile, QStringLiteral("[СЭТ-4ТМ]\nIdentifElect=1\n").toUtf8());
        catalogue = std::make_unique<InstrumentCatalogue>(catalogueFile);
        EXPECT_TRUE(db.Connect(dir.filePath(QStringLiteral("base.sqlite"))));
        current = std::make_unique<CurrentConfiguration>(db, record, session, dialogs, clock,
                                                         kComma, catalogue.get());
        current->setManager(QStringLiteral("PC\\ivan"));
    }

    // Saves a record as a new row and leaves the store holding nothing.
    qint64 add(const ConfigRecord& rec)
    {
        record = rec;
        const auto outcome = current->save(true);
        EXPECT_TRUE(outcome.posted) << outcome.error.toStdString();
        return outcome.id;
    }
};

} // namespace

TEST(CurrentConfiguration, SavedRecordLoadsBackFromTheDatabase)
{
    struct Case
    {
        const char* what;
        ConfigRecord rec;
        int generation;
        QDate firmware;
    };
    const Case cases[] = {{"older with meter", olderWithMeter(), 0, QDate(2003, 6, 17)},
                          {"newer with pressures", newerWithPressures(), 1, QDate(2004, 1, 1)}};
    for (const Case& c : cases) {
        StoreFixture f;
        f.session.DeviceGeneration = c.generation;
        f.session.DeviceFirmwareDate = c.firmware;
        const qint64 id = f.add(c.rec);
        EXPECT_TRUE(f.dialogs.shown.isEmpty()) << c.what;
        EXPECT_EQ(f.db.currentId(), id);
        const StoredRow row = *f.db.readRow(id);
        EXPECT_EQ(row.value(QStringLiteral("DATE")), QVariant(QDate(2025, 3, 14))) << c.what;
        EXPECT_EQ(row.value(QStringLiteral("MANAGER")), QVariant(QStringLiteral("PC\\ivan")))
            << c.what;
        EXPECT_EQ(row.value(QStringLiteral("DeviceSoftData")), QVariant(c.firmware)) << c.what;

        f.record = ConfigRecord();
        f.session.DeviceGeneration = 1 - c.generation;
        ASSERT_TRUE(f.current->RePaintStatus());
        EXPECT_EQ(f.current->LoadedRecord(), id);
        EXPECT_EQ(f.session.DeviceGeneration, c.generation) << c.what;
        EXPECT_EQ(f.record.FlowTable, c.rec.FlowTable) << c.what;
        EXPECT_TRUE(f.record == c.rec) << c.what;
    }
    StoreFixture f;
    f.session.DeviceGeneration = 0;
    const StoredRow row = *f.db.readRow(f.add(olderWithMeter()));
    EXPECT_EQ(row.value(QStringLiteral("RASH")),
              QVariant(QStringLiteral("ВЭПС-ТИ|ВЭПС-ТИ|ВСХд-15|СЭТ-4ТМ|")));
    EXPECT_EQ(row.value(QStringLiteral("AdapterType")),
              QVariant(QStringLiteral("mod-bus modem|240")));
    EXPECT_EQ(row.value(QStringLiteral("P")), QVariant(QStringLiteral("6,118|4,079|||")));
}

TEST(CurrentConfiguration, ManagerIsHostAndUser)
{
    const passwd* user = getpwuid(geteuid());
    ASSERT_TRUE(user);
    EXPECT_EQ(systemManagerText(), QSysInfo::machineHostName() + QLatin1Char('\\') +
                                       QString::fromLocal8Bit(user->pw_name));
}

TEST(CurrentConfiguration, FailedGroupsAreNumberedAndTheRestIsSaved)
{
    StoreFixture f;
    ConfigRecord rec = newerWithPressures();
    rec.DATEL = {31, 6};
    rec.TXIZ = QStringLiteral("тепло");
    f.record = rec;
    const auto outcome = f.current->save(true);
    EXPECT_TRUE(outcome.posted);
    EXPECT_EQ(f.dialogs.messages(),
              (QStringList{"Была ошибка 2 при создании базы", "Была ошибка 4 при создании базы"}));
    for (const auto& shown : f.dialogs.shown)
        EXPECT_EQ(shown.caption, QStringLiteral("Сообщение"));
    const StoredRow row = *f.db.readRow(outcome.id);
    EXPECT_TRUE(row.value(QStringLiteral("DATEL")).isNull());
    EXPECT_EQ(row.value(QStringLiteral("DATEZ")), QVariant(QDate(2000, 5, 15)));
    EXPECT_EQ(row.value(QStringLiteral("SNUM")), QVariant(QStringLiteral("12345678")));
    EXPECT_EQ(postFailureMessage(), QStringLiteral("Была ошибка при создании базы"));
}

TEST(CurrentConfiguration, APostThatFailsIsReturnedAndChangesNothing)
{
    StoreFixture f;
    const qint64 id = f.add(newerWithPressures());
    f.record.SNUM = QStringLiteral("87654321");
    RawDb other(f.db.path());
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
    const auto outcome = f.current->save(false);
    EXPECT_FALSE(outcome.posted);
    EXPECT_FALSE(outcome.error.isEmpty());
    EXPECT_TRUE(f.dialogs.shown.isEmpty());
    EXPECT_FALSE(f.current->DatabaseBusy());
    other.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(f.db.readRow(id)->value(QStringLiteral("SNUM")),
              QVariant(QStringLiteral("12345678")));
    EXPECT_EQ(f.db.RecordCount(), 1);
}

TEST(CurrentConfiguration, RePaintStatusLoadsOnlyARowItDoesNotHold)
{
    StoreFixture f;
    const qint64 first = f.add(newerWithPressures());
    ConfigRecord second = newerWithPressures();
    second.SNUM = QStringLiteral("22222222");
    const qint64 secondId = f.add(second);

    ASSERT_TRUE(f.db.setCurrentId(first));
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_EQ(f.record.SNUM, QStringLiteral("12345678"));
    f.record.TXIZ = QStringLiteral("changed in the editor");
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_EQ(f.record.TXIZ, QStringLiteral("changed in the editor"));
    f.current->forgetLoadedRecord();
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_EQ(f.record.TXIZ, QStringLiteral("5,0"));

    ASSERT_TRUE(f.db.setCurrentId(secondId));
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_EQ(f.current->LoadedRecord(), secondId);
    EXPECT_EQ(f.record.SNUM, QStringLiteral("22222222"));

    // A row that vanished behind our back cannot be loaded; the record stays.
    RawDb(f.db.path()).exec(QStringLiteral("DELETE FROM VYN_Base WHERE ID = %1").arg(first));
    ASSERT_TRUE(f.db.setCurrentId(first));
    EXPECT_FALSE(f.current->RePaintStatus());
    EXPECT_EQ(f.current->LoadedRecord(), secondId);
}

TEST(CurrentConfiguration, GenerationFollowsTheRowsFirmwareDate)
{
    struct Case
    {
        QVariant firmware;
        int generation;
        QDate date;
    };
    const Case cases[] = {
        {QDate(2004, 1, 1), 1, QDate(2004, 1, 1)},
        {QDate(2003, 12, 31), 0, QDate(2003, 12, 31)},
        {QVariant(), 0, QDate(1899, 12, 30)},
    };
    for (const Case& c : cases) {
        StoreFixture f;
        StoredRow row = listRow(QStringLiteral("12345678"), QDate(2020, 1, 1));
        row.setValue(QStringLiteral("DeviceSoftData"), c.firmware);
        f.db.appendRows({row});
        f.db.Last();
        f.session.DeviceGeneration = 1 - c.generation;
        ASSERT_TRUE(f.current->RePaintStatus());
        EXPECT_EQ(f.session.DeviceGeneration, c.generation) << c.date.toString().toStdString();
        EXPECT_EQ(f.session.DeviceFirmwareDate, c.date);
        // What the row said is what a save of it says again: no failed group.
        EXPECT_TRUE(f.current->save(false).posted);
        EXPECT_TRUE(f.dialogs.shown.isEmpty());
    }
}

TEST(CurrentConfiguration, EnergyControlNeedsANewerDeviceOnceThereIsASerial)
{
    struct Case
    {
        const char* serial;
        int deviceVersion;
        bool enabled;
    };
    const Case cases[] = {{"12345678", 3, false}, {"12345678", 4, true}, {"", 2, true}};
    for (const Case& c : cases) {
        StoreFixture f;
        ConfigRecord rec = newerWithPressures();
        rec.SNUM = QString::fromLatin1(c.serial);
        rec.EnergyControl = true;
        f.add(rec);
        f.record.EnergyControl = true;
        f.session.DeviceVersion = c.deviceVersion;
        ASSERT_TRUE(f.current->RePaintStatus());
        EXPECT_EQ(f.current->energyControlEnabled(), c.enabled) << c.deviceVersion;
        if (!c.enabled) {
            EXPECT_FALSE(f.record.EnergyControl);
        }
    }
}

TEST(CurrentConfiguration, CopyAddsTheRowWithSerialZerosAndDeleteRemovesIt)
{
    StoreFixture f;
    f.add(newerWithPressures());
    ConfigRecord other = newerWithPressures();
    other.SNUM = QStringLiteral("22222222");
    other.TXIL = QStringLiteral("15,0");
    const qint64 source = f.add(other);
    ASSERT_TRUE(f.db.setCurrentId(source));
    ASSERT_TRUE(f.db.setText(source, QStringLiteral("COMMENT"), QStringLiteral("котельная")));

    const auto copy = f.current->copyCurrent();
    ASSERT_TRUE(copy.posted) << copy.error.toStdString();
    EXPECT_EQ(f.db.RecordCount(), 3);
    EXPECT_EQ(f.db.currentId(), copy.id);
    EXPECT_FALSE(f.current->LoadedRecord());
    const StoredRow a = *f.db.readRow(source);
    const StoredRow b = *f.db.readRow(copy.id);
    EXPECT_EQ(b.value(QStringLiteral("SNUM")), QVariant(QStringLiteral("00000000")));
    for (const ColumnSpec& c : vynBaseColumns()) {
        if (c.name == QLatin1String("ID") || c.name == QLatin1String("SNUM") ||
            c.name == QLatin1String("COMMENT"))
            continue;
        EXPECT_EQ(b.value(c.name), a.value(c.name)) << c.name.toStdString();
    }
    // Loading the source again shows its own serial, not the copy's.
    ASSERT_TRUE(f.db.setCurrentId(source));
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_EQ(f.record.SNUM, QStringLiteral("22222222"));

    EXPECT_TRUE(f.current->deleteCurrent());
    EXPECT_EQ(f.db.RecordCount(), 2);
    EXPECT_FALSE(f.db.readRow(source));
    EXPECT_FALSE(f.current->LoadedRecord());
    EXPECT_FALSE(f.current->DatabaseBusy());
}

TEST(CurrentConfiguration, AnEmptyTableClearsTheChannelTables)
{
    StoreFixture f;
    f.record = newerWithPressures();
    ASSERT_TRUE(f.current->RePaintStatus());
    EXPECT_FALSE(f.current->LoadedRecord());
    EXPECT_EQ(f.record.FlowTable.cell(1, FlowCol::Type), QString());
    EXPECT_EQ(f.record.ThermoTable.cell(1, ThermoCol::Type), QString());
    EXPECT_EQ(f.record.SNUM, QStringLiteral("12345678"));
    EXPECT_FALSE(f.current->copyCurrent().posted);
    EXPECT_FALSE(f.current->deleteCurrent());
    EXPECT_FALSE(f.current->save(false).posted);
    EXPECT_EQ(f.db.RecordCount(), 0);
}

TEST(CurrentConfiguration, TwoProgramsSavingOneRowAskBeforeOverwriting)
{
    for (bool overwrite : {false, true}) {
        StoreFixture f;
        const qint64 id = f.add(newerWithPressures());
        // The other program: its own connection and current configuration on the file.
        ConfigDatabase otherDb{ConfigDatabase::Options{100}};
        ASSERT_TRUE(otherDb.Connect(f.db.path()));
        ConfigRecord otherRecord;
        FakeDialogs otherDialogs;
        CurrentConfiguration other(otherDb, otherRecord, f.session, otherDialogs, f.clock, kComma,
                                   f.catalogue.get());
        ASSERT_TRUE(f.db.setCurrentId(id));
        ASSERT_TRUE(otherDb.setCurrentId(id));
        ASSERT_TRUE(f.current->RePaintStatus());
        ASSERT_TRUE(other.RePaintStatus());

        otherRecord.SNUM = QStringLiteral("22222222");
        ASSERT_TRUE(other.save(false).posted);

        f.record.SNUM = QStringLiteral("33333333");
        f.dialogs.answers.enqueue(overwrite);
        const auto outcome = f.current->save(false);
        ASSERT_EQ(f.dialogs.shown.size(), 1);
        EXPECT_EQ(f.dialogs.shown[0].kind, FakeDialogs::Kind::Ask);
        EXPECT_EQ(f.dialogs.shown[0].text,
                  QStringLiteral("Конфигурация изменена другой программой. Перезаписать?"));
        EXPECT_FALSE(f.dialogs.shown[0].defaultYes);
        EXPECT_EQ(outcome.posted, overwrite);
        EXPECT_EQ(outcome.reported, !overwrite);
        const QString stored = f.db.readRow(id)->value(QStringLiteral("SNUM")).toString();
        EXPECT_EQ(stored, overwrite ? QStringLiteral("33333333") : QStringLiteral("22222222"));
        // "Нет": the record holds the row as the other program left it.
        if (!overwrite) {
            EXPECT_EQ(f.record.SNUM, QStringLiteral("22222222"));
            EXPECT_EQ(f.current->LoadedRecord(), id);
        }

        // The other program's record is stale now: it is read again before use.
        ASSERT_TRUE(other.RePaintStatus());
        EXPECT_EQ(otherRecord.SNUM, stored);

        // Deleting a row the other program changed since it was loaded is refused and said.
        f.dialogs.shown.clear();
        ASSERT_TRUE(f.current->RePaintStatus());
        otherRecord.SNUM = QStringLiteral("44444444");
        ASSERT_TRUE(other.save(false).posted);
        EXPECT_FALSE(f.current->deleteCurrent());
        EXPECT_TRUE(f.db.readRow(id));
        EXPECT_EQ(f.dialogs.messages(),
                  QStringList{"Конфигурация изменена другой программой и не удалена."});
        // And one it deleted.
        ASSERT_TRUE(other.RePaintStatus());
        ASSERT_TRUE(other.deleteCurrent());
        f.dialogs.shown.clear();
        ASSERT_TRUE(f.db.setCurrentId(id));
        EXPECT_FALSE(f.current->deleteCurrent());
        EXPECT_EQ(f.dialogs.messages(), QStringList{"Конфигурация удалена другой программой."});
        EXPECT_EQ(f.db.RecordCount(), 0);
    }
}

TEST(CurrentConfiguration, NewFirmwareDateOfAnotherGenerationReadsTheRowAgain)
{
    StoreFixture f;
    ConfigRecord rec = shaped("04", "17", 1);
    setCell(rec, TableKind::Flow, 4, FlowCol::Type, "СЭТ-4ТМ");
    rec.daySchedules[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    f.session.DeviceGeneration = 1;
    f.session.DeviceFirmwareDate = QDate(2015, 3, 1);
    const qint64 id = f.add(rec);
    // A row never written to a calculator: read for generation 03.
    ASSERT_TRUE(f.db.post(id, [](const StoredRow& row) {
                        StoredRow changed = row;
                        changed.setValue(QStringLiteral("DeviceSoftData"), QVariant());
                        return changed;
                    }).ok);
    f.record = ConfigRecord();
    ASSERT_TRUE(f.current->RePaintStatus());
    ASSERT_EQ(f.session.DeviceGeneration, 0);
    EXPECT_TRUE(f.record.daySchedules[WorkDays][0].time.isEmpty());

    // The write stores a generation-04 calculator's date: the schedules are read.
    DatabaseRowStore store(*f.current);
    store.storeDeviceSoftData(QDate(2015, 3, 1));
    store.RePaintStatus();
    EXPECT_EQ(f.session.DeviceGeneration, 1);
    EXPECT_EQ(f.record.daySchedules[WorkDays][0],
              (DayEntry{QStringLiteral("07:00"), QStringLiteral("C2")}));
}
