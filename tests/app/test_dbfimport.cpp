#include "app/dbfimport.h"
#include "app/programstart.h"
#include "apptesting.h"

#include "tests/common/dbffixture.h"
#include "tests/common/fakedialogs.h"

#include <QFileInfo>

using namespace vyn;
using namespace vyn::test;

namespace {

const QList<DbfField> kFields{
    {"SNUM", 'C', 20},       {"Cxema", 'C', 3},     {"RASH", 'N', 10},    {"FIMP", 'C', 50},
    {"DU", 'N', 10},         {"ISTPITRASX", 'N', 10}, {"TYPTERM", 'N', 10}, {"WKL", 'N', 10},
    {"LPOG", 'N', 10},       {"R0", 'N', 10},       {"T", 'C', 50},       {"COMMENT", 'C', 200},
    {"PITVYN", 'L', 1},      {"DATE", 'D', 8},      {"DSTART", 'N', 4},
};

QVariantList oldRow(const QString& serial, const QString& scheme,
                    const QString& comment = QStringLiteral("Котельная №1"))
{
    return {serial, scheme, 0x0201, QStringLiteral("1|1|-1|-1|"), 0x0906, 0x0201, 0x0605,
            0x0100, 0x0203, 0x21, QStringLiteral("150|150|150|150|"), comment, true,
            QDate(2015, 3, 4), 25};
}

struct ImportFixture
{
    QTemporaryDir dir;
    ConfigDatabase db{ConfigDatabase::Options{100}};
    FakeDialogs dialogs;
    NumberLocale comma{QLatin1Char(','), QStringLiteral("dd.MM.yyyy")};

    ImportFixture() { EXPECT_TRUE(db.Connect(dbPath())); }
    QString dbPath() const { return dir.filePath(QStringLiteral("MXVynBase.sqlite")); }

    QString table(const char* name, const QList<DbfField>& fields, const QList<QVariantList>& rows,
                  unsigned char ldid = 0x65)
    {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(writeDbf(path, ldid, fields, rows));
        return path;
    }
    ImportResult import(const QString& path)
    {
        return OldDatabaseImport(db, dialogs, comma).importFile(path);
    }
    std::optional<StoredRow> rowOf(const QString& serial) const
    {
        for (qint64 id : db.ids())
            if (auto row = db.readRow(id); row && row->value(QStringLiteral("SNUM")) == serial)
                return row;
        return std::nullopt;
    }
};

QString failure(const char* key, const char* column)
{
    return QStringLiteral("При конвертировании базы произошла ошибка.\n\rНомер: ") +
           QString::fromUtf8(key) + QStringLiteral(" , параметр :") + QLatin1String(column);
}

} // namespace

TEST(DbfImport, ConvertsEveryColumnInEachCodePage)
{
    // 0x26 and 0x65 are IBM866, 0xC9 Windows-1251, an unknown byte reads as IBM866.
    for (unsigned char ldid : {0x26, 0x65, 0xC9, 0x57}) {
        SCOPED_TRACE(int(ldid));
        ImportFixture f;
        const QString path = f.table(
            "old.dbf", kFields,
            {oldRow(QStringLiteral("A0012"), QStringLiteral("36")),
             oldRow(QStringLiteral("B0013"), QStringLiteral("40")),
             oldRow(QStringLiteral("C0014"), QStringLiteral("45"))},
            ldid);
        const ImportResult r = f.import(path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.added, 3);
        EXPECT_EQ(r.skipped, 0);
        EXPECT_TRUE(f.dialogs.messages().isEmpty()) << f.dialogs.messages().join(u'\n').toStdString();
        ASSERT_EQ(f.db.RecordCount(), 3);

        const auto row = f.rowOf(QStringLiteral("A0012"));
        ASSERT_TRUE(row);
        const auto v = [&](const char* c) { return row->value(QLatin1String(c)); };
        EXPECT_EQ(v("RASH"), QStringLiteral("ВМГи|ВЭПС-Т(И)|||"));
        EXPECT_EQ(v("DU"), QStringLiteral("50|100|10|10|"));
        EXPECT_EQ(v("ISTPITRASX"), QStringLiteral("Батарейный|Автономный|Сетевой|Сетевой|"));
        EXPECT_EQ(v("TYPTERM"), QStringLiteral("Pt-500|КТПТР-08|КТСПР-001|КТСПР-001|"));
        EXPECT_EQ(v("WKL"), QStringLiteral("1,385|1,391|1,385|1,385|"));
        EXPECT_EQ(v("LPOG"), QStringLiteral("100|80|45|45|"));
        EXPECT_EQ(v("R0"), QStringLiteral("1000|1000|500|500|"));
        EXPECT_EQ(v("KLASS"), QStringLiteral("A|A|A|A|"));
        EXPECT_EQ(v("TMAX"), QStringLiteral("150|150|150|150|"));
        // No "T2" and no "TXI" in the older table.
        EXPECT_EQ(v("TMIN"), QStringLiteral("5|5|5|5|"));
        EXPECT_EQ(v("TXIZ"), QVariant(5.0));
        EXPECT_EQ(v("TXIL"), QVariant(5.0));
        // Same name and kind: copied.
        EXPECT_EQ(v("CXEMA"), QStringLiteral("36"));
        EXPECT_EQ(v("COMMENT"), QStringLiteral("Котельная №1"));
        EXPECT_EQ(v("PITVYN"), QVariant(true));
        EXPECT_EQ(variantDate(v("DATE")), QDate(2015, 3, 4));
        EXPECT_EQ(v("DSTART"), QVariant(25.0));
        // Missing columns take their defaults.
        EXPECT_EQ(v("FNOM"), QStringLiteral("||||"));
        EXPECT_EQ(v("MANAGER"), QStringLiteral("||||"));
        EXPECT_EQ(v("TYPE_ELECT"), QVariant(false));
        EXPECT_EQ(v("NUM_TAR_EL"), QVariant(0.0));
        EXPECT_EQ(variantDate(v("DATEL")), QDate(2000, 1, 1));

        const struct { const char* serial; const char* type; } types[] = {
            {"A0012", "02"}, {"B0013", "01"}, {"C0014", "03"}};
        for (const auto& t : types)
            EXPECT_EQ(f.rowOf(QString::fromLatin1(t.serial))->value(QStringLiteral("TYPE_VYN")),
                      QString::fromLatin1(t.type))
                << t.serial;

        // The same table again adds nothing.
        const ImportResult again = f.import(path);
        EXPECT_TRUE(again.ok);
        EXPECT_EQ(again.added, 0);
        EXPECT_EQ(again.skipped, 3);
        EXPECT_EQ(f.db.RecordCount(), 3);
    }
}

TEST(DbfImport, RulesFollowTheDeviceType)
{
    ImportFixture f;
    QVariantList row = oldRow(QStringLiteral("1"), QStringLiteral("36"));
    row[2] = 0x030201;                       // RASH
    row[3] = QStringLiteral("1|1|1|-1|");    // FIMP
    OldTable table;
    ASSERT_TRUE(table.open(f.table("types.dbf", kFields, {row})));
    ASSERT_TRUE(table.readRow(0));

    const struct
    {
        int type;
        const char *rash, *r0, *klass, *tmin, *typterm, *du;
    } cases[] = {
        {3, "ВМГи|ВЭПС-Т(И)|ВЭПС ПБ-2||", "1000|1000|500|500|", "A|A|A|A|", "5|5|5|5|",
         "Pt-500|КТПТР-08|КТСПР-001|КТСПР-001|", "50|100|10|10|"},
        {2, "ВМГи|ВЭПС-Т(И)|ВЭПС ПБ-2||", "1000|1000|||", "A|A|||", "5|5|||", "Pt-500|КТПТР-08|||",
         "50|100|10|10|"},
        {1, "ВМГи|ВЭПС-Т(И)|||", "1000|1000|||", "A|A|||", "5|5|||", "Pt-500|КТПТР-08|||",
         "50|100|||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const StoredRow out = OldDatabaseImport(f.db, f.dialogs, f.comma)
                                  .convertCurrentRow(table, QStringLiteral("1"), c.type);
        EXPECT_EQ(out.value(QStringLiteral("RASH")), QString::fromUtf8(c.rash));
        EXPECT_EQ(out.value(QStringLiteral("R0")), QString::fromUtf8(c.r0));
        EXPECT_EQ(out.value(QStringLiteral("KLASS")), QString::fromUtf8(c.klass));
        EXPECT_EQ(out.value(QStringLiteral("TMIN")), QString::fromUtf8(c.tmin));
        EXPECT_EQ(out.value(QStringLiteral("TYPTERM")), QString::fromUtf8(c.typterm));
        EXPECT_EQ(out.value(QStringLiteral("DU")), QString::fromUtf8(c.du));
    }
}

TEST(DbfImport, TakesT2AndTxiWhenPresent)
{
    ImportFixture f;
    const QString path = f.table("t2.dbf",
                                 {{"snum", 'C', 10}, {"t", 'C', 50}, {"t2", 'C', 50}, {"txi", 'N', 6, 1}},
                                 {{QStringLiteral("7"), QStringLiteral("90|90|||"),
                                   QStringLiteral("3|3|||"), 8.5}});
    ASSERT_TRUE(f.import(path).ok);
    const auto row = f.rowOf(QStringLiteral("7"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->value(QStringLiteral("TMAX")), QStringLiteral("90|90|||"));
    EXPECT_EQ(row->value(QStringLiteral("TMIN")), QStringLiteral("3|3|||"));
    EXPECT_EQ(row->value(QStringLiteral("TXIZ")), QVariant(8.5));
    EXPECT_EQ(row->value(QStringLiteral("TXIL")), QVariant(8.5));
}

TEST(DbfImport, SerialNumbersCompareLatinLettersOnlyWithoutCase)
{
    ImportFixture f;
    const QList<DbfField> fields{{"SNUM", 'C', 20}, {"T", 'C', 10}};
    ASSERT_TRUE(f.import(f.table("a.dbf", fields, {{QStringLiteral("AB12"), QStringLiteral("1")},
                                                   {QStringLiteral("ЖК7"), QStringLiteral("1")}}))
                    .ok);
    const ImportResult r =
        f.import(f.table("b.dbf", fields, {{QStringLiteral("ab12"), QStringLiteral("1")},
                                           {QStringLiteral("жк7"), QStringLiteral("1")}}));
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(r.added, 1);
    EXPECT_TRUE(f.rowOf(QStringLiteral("жк7")));
}

TEST(DbfImport, RowsWithoutSerialGetRunningKeysAndComeAgain)
{
    ImportFixture f;
    // DU unreadable and no "T": those two columns fail on each row, the rest is filled.
    const QString path = f.table("nosnum.dbf", {{"SNUM", 'C', 20}, {"DU", 'N', 10}},
                                 {{QVariant(), QVariant()}, {QVariant(), QVariant()}});
    const ImportResult first = f.import(path);
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(first.added, 2);
    EXPECT_EQ(f.dialogs.messages(),
              QStringList({failure("t      0", "du"), failure("t      0", "tmax"),
                           failure("t      1", "du"), failure("t      1", "tmax")}));
    EXPECT_EQ(f.dialogs.of(FakeDialogs::Kind::Inform).first().caption,
              QStringLiteral("Сообщение"));
    const auto row = f.db.readRow(f.db.ids().front());
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->value(QStringLiteral("SNUM")).isNull());
    EXPECT_EQ(row->value(QStringLiteral("RASH")), QStringLiteral("||||"));
    EXPECT_EQ(row->value(QStringLiteral("CXEMA")), QStringLiteral("|||"));
    EXPECT_EQ(row->value(QStringLiteral("TYPE_VYN")), QStringLiteral("01"));

    const ImportResult second = f.import(path);
    EXPECT_EQ(second.added, 2);
    EXPECT_EQ(f.db.RecordCount(), 4);
    EXPECT_EQ(f.dialogs.messages().at(4), failure("t      0", "du"));
}

TEST(DbfImport, TextTooLongForItsColumnFailsThatColumnOnly)
{
    ImportFixture f;
    const QString path = f.table(
        "long.dbf", kFields,
        {oldRow(QStringLiteral("L1"), QStringLiteral("36"), QString(121, QLatin1Char('x')))});
    const ImportResult r = f.import(path);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.columnFailures, 1);
    EXPECT_EQ(f.dialogs.messages(), QStringList{failure("L1", "comment")});
    const auto row = f.rowOf(QStringLiteral("L1"));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->value(QStringLiteral("COMMENT")).isNull());
    EXPECT_EQ(row->value(QStringLiteral("DU")), QStringLiteral("50|100|10|10|"));
}

TEST(DbfImport, BrokenTableOrFailedWriteLeavesTheDatabaseAsItWas)
{
    ImportFixture f;
    ASSERT_TRUE(f.import(f.table("first.dbf", kFields,
                                 {oldRow(QStringLiteral("K1"), QStringLiteral("36"))}))
                    .ok);
    const auto files = [&] {
        return readAll(f.dbPath()) + readAll(f.dbPath() + QStringLiteral("-wal"));
    };

    // Cut short: the header promises more rows than the file holds.
    const QString cut = f.table("cut.dbf", kFields,
                                {oldRow(QStringLiteral("K2"), QStringLiteral("36")),
                                 oldRow(QStringLiteral("K3"), QStringLiteral("36"))});
    QByteArray bytes = readAll(cut);
    bytes.chop(40);
    writeAll(cut, bytes);
    const QByteArray before = files();
    f.dialogs.shown.clear();
    const ImportResult refused = f.import(cut);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.added, 0);
    ASSERT_EQ(f.dialogs.of(FakeDialogs::Kind::Inform).size(), 1);
    EXPECT_EQ(f.dialogs.shown.first().messageKind, MessageKind::Error);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(f.db.RecordCount(), 1);

    // Not a table at all, and no file.
    writeAll(f.dir.filePath(QStringLiteral("text.dbf")), QByteArray("just text\n"));
    EXPECT_FALSE(f.import(f.dir.filePath(QStringLiteral("text.dbf"))).ok);
    EXPECT_FALSE(f.import(f.dir.filePath(QStringLiteral("none.dbf"))).ok);

    // The second row cannot be stored (as on a full disk): the first goes too.
    {
        RawDb raw(f.dbPath());
        raw.exec(QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON VYN_Base WHEN NEW.SNUM = "
                                "'BAD' BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    }
    f.dialogs.shown.clear();
    const ImportResult failed = f.import(
        f.table("bad.dbf", kFields,
                {oldRow(QStringLiteral("OK1"), QStringLiteral("36")),
                 oldRow(QStringLiteral("BAD"), QStringLiteral("36")),
                 oldRow(QStringLiteral("OK2"), QStringLiteral("36"))}));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.added, 0);
    ASSERT_EQ(f.dialogs.messages().size(), 1);
    EXPECT_TRUE(f.dialogs.messages().first().contains(QStringLiteral("disk full")));
    EXPECT_EQ(f.db.RecordCount(), 1);
    ConfigDatabase other;
    ASSERT_TRUE(other.Connect(f.dbPath()));
    EXPECT_EQ(other.RecordCount(), 1);
}

namespace {

struct RecordingWait : WaitWindow
{
    QStringList& events;
    explicit RecordingWait(QStringList& e) : events(e) {}
    void showWaiting() override { events << QStringLiteral("show"); }
    void hideWaiting() override { events << QStringLiteral("hide"); }
};

} // namespace

TEST(DbfImport, ImportCommand)
{
    ImportFixture f;
    QStringList events;
    RecordingWait wait(events);
    ImportCommandHooks hooks;
    hooks.import.setDatabaseBusy = [&](bool b) { events << (b ? "busy" : "idle"); };
    hooks.import.setListAttached = [&](bool b) { events << (b ? "attach" : "detach"); };
    hooks.forgetLoadedRecord = [&] { events << QStringLiteral("forget"); };
    hooks.refreshStatus = [&] { events << QStringLiteral("status"); };

    // Cancelled: nothing happens.
    EXPECT_FALSE(runImportCommand(f.db, f.dialogs, wait, hooks, f.comma));
    ASSERT_EQ(f.dialogs.shown.size(), 1);
    EXPECT_EQ(f.dialogs.shown.first().caption, QStringLiteral("Импорт базы"));
    EXPECT_EQ(f.dialogs.shown.first().file.filter, QStringLiteral("Файлы dbf (*.dbf)"));
    EXPECT_TRUE(events.isEmpty());

    f.dialogs.openFiles.enqueue(
        f.table("cmd.dbf", kFields, {oldRow(QStringLiteral("Q1"), QStringLiteral("36"))}));
    const auto r = runImportCommand(f.db, f.dialogs, wait, hooks, f.comma);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->added, 1);
    EXPECT_EQ(events, QStringList({"show", "detach", "busy", "idle", "attach", "forget", "status",
                                   "hide"}));
    EXPECT_EQ(f.db.RecordCount(), 1);
}

TEST(DbfImport, FirstStartMovesTheTablesAndImportsTheOldOne)
{
    for (bool withOld : {true, false}) {
        SCOPED_TRACE(withOld);
        QTemporaryDir root;
        const QString exe = root.filePath(QStringLiteral("prog/"));
        const QString work = root.filePath(QStringLiteral("work"));
        QDir().mkpath(exe);
        QDir().mkpath(work);
        QDir().mkpath(root.filePath(QStringLiteral("tmp")));
        QFile::copy(binFile("rash.spe"), exe + QStringLiteral("rash.spe"));
        QFile::copy(binFile("conf.dat"), exe + QStringLiteral("conf.dat"));
        if (withOld) {
            ASSERT_TRUE(writeDbf(exe + QStringLiteral("Sub.dbf"), 0x65, kFields,
                                 {oldRow(QStringLiteral("S1"), QStringLiteral("36")),
                                  oldRow(QStringLiteral("S2"), QStringLiteral("40"))}));
        }
        ASSERT_TRUE(writeDbf(exe + QStringLiteral("Sub_new.dbf"), 0x65, kFields,
                             {oldRow(QStringLiteral("N1"), QStringLiteral("36"))}));
        const QByteArray oldBytes = readAll(exe + QStringLiteral("Sub.dbf"));
        const QByteArray newBytes = readAll(exe + QStringLiteral("Sub_new.dbf"));

        FakeDialogs dialogs;
        DeviceSession session;
        DbfFirstStartConversion conversion;
        ConfigDatabase db(ConfigDatabase::Options{100});
        {
            ProgramStart start({exe, work, root.filePath(QStringLiteral("tmp")),
                                VersionData::fromBuild(), ConfigDatabase::Options{100}},
                               dialogs, db, session, conversion);
            start.startUp();
            EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join(u'\n').toStdString();
            EXPECT_EQ(db.RecordCount(), withOld ? 2 : 0);
            EXPECT_EQ(readAll(exe + QStringLiteral("Sub_old.dbf")), oldBytes);
            EXPECT_EQ(readAll(exe + QStringLiteral("Sub.dbf")), newBytes);
            EXPECT_FALSE(QFileInfo::exists(exe + QStringLiteral("Sub_new.dbf")));
            start.shutDown();
        }
        // A later start converts nothing.
        {
            ProgramStart again({exe, work, root.filePath(QStringLiteral("tmp")),
                                VersionData::fromBuild(), ConfigDatabase::Options{100}},
                               dialogs, db, session, conversion);
            again.startUp();
            EXPECT_EQ(db.RecordCount(), withOld ? 2 : 0);
            EXPECT_TRUE(QFileInfo::exists(exe + QStringLiteral("Sub.dbf")));
            again.shutDown();
        }
    }
}

namespace {

// A stored row as one line: every column of VYN_Base but ID, "-" for a null.
QString rowLine(const StoredRow& row)
{
    QStringList cells;
    for (const ColumnSpec& c : vynBaseColumns()) {
        if (c.kind == ColumnKind::AutoNumber)
            continue;
        const QVariant v = row.value(c.name);
        QString text = !row.contains(c.name) ? QStringLiteral("?")
                       : v.isNull()          ? QStringLiteral("-")
                       : v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime
                           ? variantDate(v).toString(Qt::ISODate)
                           : v.toString();
        cells << text;
    }
    return cells.join(u'~');
}

struct ImportedTable
{
    const char* what;
    unsigned char ldid;
    QList<DbfField> fields;
    QList<QVariantList> rows;
    QStringList expectedRows;     // in list order
    QStringList expectedMessages; // column failures
};

} // namespace

// Tables that reach every column rule, stored and read back as whole rows.
TEST(DbfImport, StoresTheSameWholeRowsForEachKindOfTable)
{
    const auto t = [](const char* s) { return QString::fromUtf8(s); };
    QVariantList nulls = oldRow(QStringLiteral("N7"), QStringLiteral("4"));
    for (int c : {2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14})
        nulls[c] = QVariant();
    const QList<ImportedTable> tables{
        {"packed numbers, IBM866", 0x65, kFields,
         {oldRow(QStringLiteral("A1"), QStringLiteral("36")),
          oldRow(QStringLiteral("a2"), QStringLiteral("40"), t("  Цех 5, щит  ")), nulls},
         {
          t("0~N7~-~01~4~Котельная №1~||||~-~-~||||~-~||||~||||~||||~"
            "||Сетевой|Сетевой|~-~-~-~A|A|A|A|~-~||||~5|5|5|5|~-~||||~-~-~"
            "2000-01-01~2000-01-01~5~5~0~false~0~0~0~0~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "2000-01-01~2000-01-01"),
          t("0~A1~2015-03-04~02~36~Котельная №1~||||~ВМГи|ВЭПС-Т(И)|||~"
            "50|100|10|10|~||||~1|1|-1|-1|~||||~||||~||||~"
            "Батарейный|Автономный|Сетевой|Сетевой|~"
            "Pt-500|КТПТР-08|КТСПР-001|КТСПР-001|~1000|1000|500|500|~"
            "1,385|1,391|1,385|1,385|~A|A|A|A|~100|80|45|45|~||||~5|5|5|5|~"
            "150|150|150|150|~||||~25~true~2000-01-01~2000-01-01~5~5~0~false~0~0~"
            "0~0~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~2000-01-01~2000-01-01"),
          t("0~a2~2015-03-04~01~40~  Цех 5, щит~||||~ВМГи|ВЭПС-Т(И)|||~"
            "50|100|10|10|~||||~1|1|-1|-1|~||||~||||~||||~"
            "Батарейный|Автономный|Сетевой|Сетевой|~"
            "Pt-500|КТПТР-08|КТСПР-001|КТСПР-001|~1000|1000|500|500|~"
            "1,385|1,391|1,385|1,385|~A|A|A|A|~100|80|45|45|~||||~5|5|5|5|~"
            "150|150|150|150|~||||~25~true~2000-01-01~2000-01-01~5~5~0~false~0~0~"
            "0~0~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~2000-01-01~2000-01-01")},
         {failure("N7", "rash"),
          failure("N7", "du"),
          failure("N7", "typterm"),
          failure("N7", "r0"),
          failure("N7", "wkl"),
          failure("N7", "lpog"),
          failure("N7", "dstart")}},
        {"texts of the newer kind, Windows-1251, lower-case names", 0xC9,
         {{"snum", 'C', 20}, {"rash", 'C', 60}, {"du", 'C', 20}, {"cxema", 'C', 3},
          {"t", 'N', 8, 2}, {"t2", 'C', 20}, {"txi", 'C', 8}, {"date", 'C', 10},
          {"comment", 'N', 6}, {"manager", 'C', 100}, {"pitvyn", 'C', 1}},
         {{QStringLiteral("B1"), t("ВСТ|ПРВ|||"), QStringLiteral("15|20|||"), QStringLiteral("07"),
           12.5, QStringLiteral("4|4|||"), QStringLiteral("7,5"), QStringLiteral("2014-01-02"), 3,
           t("Иванов"), QStringLiteral("T")},
          {QStringLiteral("B2"), QVariant(), QVariant(), QStringLiteral("1"), QVariant(),
           QVariant(), QStringLiteral("7.25"), QVariant(), QVariant(), QVariant(), QVariant()},
          {QStringLiteral("B3"), QVariant(), QVariant(), QVariant(), 1.0, QVariant(),
           QStringLiteral("x"), QVariant(), QVariant(), QVariant(), QVariant()}},
         {
          t("0~B1~-~02~07~-~Иванов~ВСТ|ПРВ|||~15|20|||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~A|A|A|A|~||||~||||~4|4|||~12,5~||||~0~-~"
            "2000-01-01~2000-01-01~7.5~7.5~0~false~0~0~0~0~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "2000-01-01~2000-01-01"),
          t("0~B2~-~01~1~-~-~-~-~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "A|A|A|A|~||||~||||~-~-~||||~0~-~2000-01-01~2000-01-01~7.25~7.25~0~"
            "false~0~0~0~0~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~||||~2000-01-01~2000-01-01"),
          t("0~B3~-~01~-~-~-~-~-~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "A|A|A|A|~||||~||||~-~1~||||~0~-~2000-01-01~2000-01-01~-~-~0~false~0~"
            "0~0~0~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~2000-01-01~2000-01-01")},
         {failure("B2", "tmax"),
          failure("B3", "txiz"),
          failure("B3", "txil")}},
        {"numbers for texts and texts for numbers", 0x26,
         {{"SNUM", 'N', 10}, {"TXI", 'N', 6, 1}, {"RASH", 'N', 12}, {"FIMP", 'N', 4},
          {"DSTART", 'C', 10}, {"TYPE_VYN", 'C', 2}, {"DATEZ", 'D', 8}},
         {{1234.0, 9.5, double(0x0F0E0D0C), 1.0, QStringLiteral("12"), QStringLiteral("02"),
           QDate(2019, 12, 31)},
          {QVariant(), QVariant(), double(0x0102), QVariant(), QVariant(), QVariant(), QVariant()}},
         {
          t("0~-~2000-01-01~02~|||~||||~||||~||||~||||~||||~-~||||~||||~||||~||||~"
            "||||~||||~||||~A|A|A|A|~||||~||||~5|5|5|5|~-~||||~-~false~2000-01-01~"
            "2019-12-31~9.5~9.5~0~false~0~0~0~0~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~||||~2000-01-01~"
            "2000-01-01"),
          t("0~-~2000-01-01~-~|||~||||~||||~-~||||~||||~-~||||~||||~||||~||||~"
            "||||~||||~||||~A|A|A|A|~||||~||||~5|5|5|5|~-~||||~-~false~2000-01-01~"
            "-~-~-~0~false~0~0~0~0~||||~||||~||||~||||~||||~||||~||||~||||~||||~"
            "||||~||||~||||~||||~||||~||||~||||~||||~2000-01-01~2000-01-01")},
         {failure("1234", "tmax"),
          failure("t      0", "rash"),
          failure("t      0", "tmax"),
          failure("t      0", "txiz"),
          failure("t      0", "txil")}},
    };
    for (const ImportedTable& table : tables) {
        SCOPED_TRACE(table.what);
        ImportFixture f;
        const ImportResult r = f.import(f.table("whole.dbf", table.fields, table.rows, table.ldid));
        ASSERT_TRUE(r.ok);
        QStringList stored;
        for (qint64 id : f.db.ids())
            stored << rowLine(*f.db.readRow(id));
        EXPECT_EQ(stored, table.expectedRows) << stored.join(u'\n').toStdString();
        EXPECT_EQ(f.dialogs.messages(), table.expectedMessages)
            << f.dialogs.messages().join(u'\n').toStdString();
        EXPECT_EQ(r.columnFailures, table.expectedMessages.size());
    }
}
