#include "app/configdatabase.h"
#include "apptesting.h"
#include "enginetesting.h"

#include <QDateTime>
#include <QFileInfo>

#include <functional>

using namespace vyn;
using namespace vyn::test;

namespace {

struct DbFile
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("MXVynBase.sqlite"));
};

// The record's columns without the row version, as files of older versions have
// them (a server needs their types).
QString allColumns(bool lowerCase, SqlEngine engine = SqlEngine::Sqlite)
{
    const SqlDialect dialect(engine);
    QStringList cols;
    for (const ColumnSpec& c : vynBaseColumns())
        cols << QLatin1Char('"') + (lowerCase ? c.name.toLower() : c.name) + QLatin1Char('"') +
                    (engine == SqlEngine::Postgres      ? QLatin1Char(' ') + dialect.columnType(c)
                     : c.kind == ColumnKind::AutoNumber ? QStringLiteral(" INTEGER PRIMARY KEY")
                                                        : QString());
    return cols.join(QLatin1Char(','));
}

} // namespace

class ConfigDatabaseOn : public EngineTest
{
protected:
    // What a refused database must still hold afterwards: the file's bytes, or
    // the server's tables, their columns and rows.
    QString contents()
    {
        if (!onServer())
            return QString::fromLatin1(readAll(base()).toHex());
        RawDb raw(base());
        QStringList out = raw.column(QStringLiteral(
            "SELECT table_name || '.' || column_name FROM information_schema.columns "
            "WHERE table_schema = 'public' ORDER BY table_name, ordinal_position"));
        for (const QString& table : raw.column(QStringLiteral(
                 "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public'")))
            out << raw.column(QStringLiteral("SELECT CAST(t AS TEXT) FROM \"%1\" t").arg(table));
        return out.join(QLatin1Char('\n'));
    }
};
VYN_ON_BOTH_ENGINES(ConfigDatabaseOn);

TEST(ConfigDatabase, NewAndEmptyFilesGetTheTable)
{
    for (bool empty : {false, true}) {
        DbFile f;
        if (empty)
            writeAll(f.path, QByteArray());
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(f.path)) << db.lastError().toStdString();
        EXPECT_TRUE(db.isOpen());
        EXPECT_EQ(db.RecordCount(), 0);
        EXPECT_EQ(db.RecNo(), 0);
        db.Close();

        RawDb raw(f.path);
        EXPECT_EQ(
            raw.column(QStringLiteral("SELECT name FROM pragma_table_info('VYN_Base')")).size(),
            57); // the record's 56 and the row version
        const auto type = [&](const char* column) {
            return raw.value(
                QStringLiteral("SELECT type FROM pragma_table_info('VYN_Base') WHERE name = '%1'")
                    .arg(QLatin1String(column)));
        };
        EXPECT_EQ(type("SNUM"), QStringLiteral("VARCHAR(50)"));
        EXPECT_EQ(type("RASH"), QStringLiteral("VARCHAR(250)"));
        EXPECT_EQ(type("INDEX"), QStringLiteral("DOUBLE"));
        EXPECT_EQ(type("DATE"), QStringLiteral("DATETIME"));
        EXPECT_EQ(type("PITVYN"), QStringLiteral("BOOLEAN"));
        EXPECT_EQ(type("DeviceSoftData"), QStringLiteral("DATETIME"));
        EXPECT_TRUE(
            raw.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'VYN_Base'"))
                .contains(QStringLiteral("\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT")));
        const QStringList indexes = raw.column(
            QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' ORDER BY name"));
        ASSERT_EQ(indexes.size(), 2);
        EXPECT_TRUE(indexes[0].contains(QStringLiteral("(\"DATE\", \"ID\")")));
        EXPECT_TRUE(indexes[1].contains(QStringLiteral("SNUM COLLATE NOCASE")));
        EXPECT_EQ(raw.value(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
    }
}

TEST(ConfigDatabase, ForeignFilesAreRefusedAndLeftAsTheyWere)
{
    struct Case
    {
        const char* what;
        std::function<void(const QString&)> make;
        ConfigDatabase::ConnectError error;
    };
    const Case cases[] = {
        {"text file", [](const QString& p) { writeAll(p, "Standard Jet DB\nnot ours\n"); },
         ConfigDatabase::ConnectError::NotDatabase},
        {"broken database",
         [](const QString& p) {
             writeAll(p, QByteArray("SQLite format 3\0", 16) + QByteArray(2000, '\x5a'));
         },
         ConfigDatabase::ConnectError::NotDatabase},
    };
    for (const Case& c : cases) {
        DbFile f;
        c.make(f.path);
        const QByteArray before = readAll(f.path);
        ASSERT_FALSE(before.isEmpty()) << c.what;
        ConfigDatabase db;
        EXPECT_FALSE(db.Connect(f.path)) << c.what;
        EXPECT_EQ(db.connectError(), c.error) << c.what;
        EXPECT_FALSE(db.lastError().isEmpty()) << c.what;
        EXPECT_FALSE(db.isOpen()) << c.what;
        EXPECT_EQ(db.RecordCount(), 0) << c.what;
        EXPECT_EQ(readAll(f.path), before) << c.what;
        EXPECT_FALSE(QFileInfo::exists(f.path + QStringLiteral("-wal"))) << c.what;
    }
    {
        DbFile f;
        const QStringList missing = {
            f.dir.path(), f.dir.filePath(QStringLiteral("no/such/dir/x.sqlite")), QString()};
        for (const QString& path : missing) {
            ConfigDatabase db;
            EXPECT_FALSE(db.Connect(path)) << path.toStdString();
            EXPECT_EQ(db.connectError(), ConfigDatabase::ConnectError::CannotOpen)
                << path.toStdString();
        }
    }
}

TEST_P(ConfigDatabaseOn, ATableOfAnotherShapeIsRefusedAndLeftAsItWas)
{
    struct Case
    {
        const char* what;
        QStringList make;
        ConfigDatabase::ConnectError error;
    };
    const Case cases[] = {
        {"VYN_Base lacking columns",
         {QStringLiteral("CREATE TABLE \"VYN_Base\" (\"ID\" INTEGER PRIMARY KEY, \"SNUM\" TEXT, "
                         "\"DATE\" TEXT)"),
          QStringLiteral("INSERT INTO \"VYN_Base\" (\"ID\", \"SNUM\") VALUES (1, '12345678')")},
         ConfigDatabase::ConnectError::MissingColumns},
        {"someone else's database",
         {QStringLiteral("CREATE TABLE Orders (ID INTEGER PRIMARY KEY, Name TEXT)")},
         ConfigDatabase::ConnectError::NoTable},
    };
    for (const Case& c : cases) {
        {
            RawDb raw(base());
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS \"VYN_Base\""));
            raw.exec(QStringLiteral("DROP TABLE IF EXISTS Orders"));
            for (const QString& sql : c.make)
                ASSERT_TRUE(raw.exec(sql)) << c.what;
        }
        const QString before = contents();
        ASSERT_FALSE(before.isEmpty()) << c.what;
        ConfigDatabase db;
        EXPECT_FALSE(db.Connect(base())) << c.what;
        EXPECT_EQ(db.connectError(), c.error) << c.what;
        EXPECT_FALSE(db.lastError().isEmpty()) << c.what;
        EXPECT_FALSE(db.isOpen()) << c.what;
        EXPECT_EQ(db.RecordCount(), 0) << c.what;
        EXPECT_EQ(contents(), before) << c.what;
        EXPECT_FALSE(QFileInfo::exists(base() + QStringLiteral("-wal"))) << c.what;
    }
    {
        // The missing columns are named for the reader of a log.
        RawDb raw(base());
        raw.exec(QStringLiteral("DROP TABLE Orders"));
        raw.exec(QStringLiteral("DROP TABLE \"VYN_Base\""));
        raw.exec(QStringLiteral(
            "CREATE TABLE \"VYN_Base\" (\"ID\" INTEGER PRIMARY KEY, \"SNUM\" TEXT)"));
    }
    ConfigDatabase db;
    db.Connect(base());
    EXPECT_TRUE(db.lastError().contains(QStringLiteral("DeviceSoftData")));
}

TEST(ConfigDatabase, ColumnNamesOfAnyCaseAreAccepted)
{
    DbFile f;
    {
        RawDb raw(f.path);
        ASSERT_TRUE(raw.exec(QStringLiteral("CREATE TABLE vyn_base (%1)").arg(allColumns(true))));
        ASSERT_TRUE(raw.exec(QStringLiteral("INSERT INTO vyn_base (snum, \"date\", pitvyn, txiz) "
                                            "VALUES ('00120001', '2015-06-01', 1, 5.5)")));
    }
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(f.path)) << db.lastError().toStdString();
    ASSERT_EQ(db.RecordCount(), 1);
    const StoredRow row = *db.currentRow();
    EXPECT_EQ(row.value(QStringLiteral("SNUM")), QVariant(QStringLiteral("00120001")));
    EXPECT_EQ(row.value(QStringLiteral("DATE")), QVariant(QDate(2015, 6, 1)));
    EXPECT_EQ(row.value(QStringLiteral("PITVYN")), QVariant(true));
    EXPECT_EQ(row.value(QStringLiteral("TXIZ")), QVariant(5.5));
    EXPECT_TRUE(row.columns().contains(QStringLiteral("DeviceSoftData")));
}

TEST_P(ConfigDatabaseOn, RowsInDateOrderTiesByIdAndValuesKeepTheirKinds)
{
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(base())) << db.lastError().toStdString();
    StoredRow full = listRow(QStringLiteral("A"), QDate(2015, 3, 1));
    full.setValue(QStringLiteral("ID"), 999.0); // never written
    full.setValue(QStringLiteral("PITVYN"), true);
    full.setValue(QStringLiteral("DSTART"), 20.0);
    full.setValue(QStringLiteral("DATEL"), QDate(2000, 5, 15));
    full.setValue(QStringLiteral("DEVICESOFT"), QDateTime(QDate(2010, 1, 2), QTime(13, 14, 15)));
    ASSERT_TRUE(
        db.appendRows({full, listRow(QStringLiteral("B"), QDate(2014, 1, 1)),
                       listRow(QStringLiteral("C"), QDate(2015, 3, 1)),
                       listRow(QStringLiteral("D"), QDateTime(QDate(2015, 3, 1), QTime(9, 0)))})
            .ok);
    ASSERT_EQ(db.RecordCount(), 4);
    QStringList order;
    for (qint64 id : db.ids())
        order << db.readRow(id)->value(QStringLiteral("SNUM")).toString();
    EXPECT_EQ(order, (QStringList{"B", "A", "C", "D"}));

    const StoredRow a = *db.readRow(db.ids()[1]);
    EXPECT_EQ(a.value(QStringLiteral("ID")), QVariant(qint64(1)));
    EXPECT_EQ(a.value(QStringLiteral("PITVYN")), QVariant(true));
    EXPECT_EQ(a.value(QStringLiteral("DSTART")), QVariant(20.0));
    EXPECT_EQ(a.value(QStringLiteral("DATEL")), QVariant(QDate(2000, 5, 15)));
    EXPECT_EQ(a.value(QStringLiteral("DEVICESOFT")),
              QVariant(QDateTime(QDate(2010, 1, 2), QTime(13, 14, 15))));
    EXPECT_TRUE(a.value(QStringLiteral("INDEX")).isNull());

    RawDb raw(base());
    const QString typeOf = onServer()
                               ? QStringLiteral("SELECT pg_typeof(\"%1\")::text FROM \"VYN_Base\" "
                                                "WHERE \"ID\" = 1")
                               : QStringLiteral("SELECT typeof(%1) FROM VYN_Base WHERE ID = 1");
    EXPECT_EQ(raw.value(typeOf.arg(QLatin1String("DSTART"))),
              onServer() ? QStringLiteral("double precision") : QStringLiteral("real"));
    EXPECT_EQ(raw.value(typeOf.arg(QLatin1String("PITVYN"))),
              onServer() ? QStringLiteral("boolean") : QStringLiteral("integer"));
    if (onServer()) {
        EXPECT_EQ(raw.value(QStringLiteral("SELECT CAST(\"DEVICESOFT\" AS TEXT) FROM \"VYN_Base\" "
                                           "WHERE \"ID\" = 1")),
                  QStringLiteral("2010-01-02 13:14:15"));
        EXPECT_EQ(raw.value(QStringLiteral("SELECT CAST(\"DATEL\" AS TEXT) FROM \"VYN_Base\" "
                                           "WHERE \"ID\" = 1")),
                  QStringLiteral("2000-05-15 00:00:00"));
    }
}

namespace {

// A list longer than what the cursor reads at once: dates with many ties and
// some rows without a date, appended out of date order.
struct LongList
{
    static constexpr int kRows = 1500;
    DbFile f;
    std::vector<qint64> order; // the IDs as the engine orders them

    LongList()
    {
        ConfigDatabase db;
        EXPECT_TRUE(db.Connect(f.path));
        std::vector<StoredRow> rows;
        for (int i = 0; i < kRows; ++i)
            rows.push_back(listRow(QString::number(i),
                                   i % 97 == 0 ? QVariant()
                                               : QVariant(QDate(2020, 1, 1).addDays(i * 37 % 50))));
        EXPECT_TRUE(db.appendRows(rows).ok);
        order = engineOrder();
    }
    std::vector<qint64> engineOrder()
    {
        RawDb raw(f.path);
        std::vector<qint64> ids;
        for (const QString& id :
             raw.column(QStringLiteral("SELECT ID FROM VYN_Base ORDER BY \"DATE\", ID")))
            ids.push_back(id.toLongLong());
        return ids;
    }
};

} // namespace

TEST(ConfigDatabase, ALongListIsReadPieceByPieceInTheSameOrder)
{
    LongList list;
    ASSERT_EQ(list.order.size(), std::size_t(LongList::kRows));
    // Each case starts from a fresh connection, so that the piece it asks for is
    // the first one read after the count.
    const int positions[] = {0, 1, 511, 512, 700, 987, 988, 989, 1200, 1499};
    for (const int p : positions) {
        SCOPED_TRACE(p);
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(list.f.path));
        EXPECT_EQ(db.RecordCount(), LongList::kRows);
        EXPECT_EQ(db.RecNo(), 1);
        EXPECT_EQ(db.idAt(p), list.order[std::size_t(p)]);
        db.setCurrentPosition(p);
        EXPECT_EQ(db.currentId(), list.order[std::size_t(p)]);
        EXPECT_EQ(db.RecNo(), p + 1);

        ConfigDatabase byId;
        ASSERT_TRUE(byId.Connect(list.f.path));
        EXPECT_EQ(byId.positionOf(list.order[std::size_t(p)]), p);
        ASSERT_TRUE(byId.setCurrentId(list.order[std::size_t(p)]));
        EXPECT_EQ(byId.RecNo(), p + 1);
        // The refresh keeps the row, wherever it is.
        ASSERT_TRUE(byId.Refresh());
        EXPECT_EQ(byId.currentId(), list.order[std::size_t(p)]);
        EXPECT_FALSE(byId.takeUnannouncedChange());
    }
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(list.f.path));
    db.Last();
    EXPECT_EQ(db.currentId(), list.order.back());
    EXPECT_EQ(db.idAt(LongList::kRows), 0);
    EXPECT_EQ(db.idAt(-1), 0);
    EXPECT_EQ(db.positionOf(987654), -1);
    EXPECT_EQ(db.ids(), list.order);
    EXPECT_FALSE(db.takeUnannouncedChange());
}

TEST(ConfigDatabase, ALongListChangedByAnotherProgramBeforeItsRestIsRead)
{
    LongList list;
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(list.f.path));
    db.Last();
    const qint64 last = *db.currentId();
    {
        // Another program adds rows at the start of the order and deletes one in
        // the middle.
        ConfigDatabase other;
        ASSERT_TRUE(other.Connect(list.f.path));
        ASSERT_TRUE(other
                        .appendRows({listRow(QStringLiteral("x"), QDate(1999, 1, 1)),
                                     listRow(QStringLiteral("y"), QDate(1999, 1, 2))})
                        .ok);
        ASSERT_TRUE(other.deleteRow(list.order[700]));
    }
    const std::vector<qint64> now = list.engineOrder();
    // The rest is read when asked for: it is the order as it is now, the cursor
    // keeps its row, and the change is to be announced once.
    EXPECT_EQ(db.idAt(700), now[700]);
    EXPECT_EQ(db.RecordCount(), LongList::kRows + 1);
    EXPECT_EQ(db.currentId(), last);
    EXPECT_EQ(db.RecNo(), LongList::kRows + 1);
    EXPECT_EQ(db.ids(), now);
    EXPECT_TRUE(db.takeUnannouncedChange());
    EXPECT_FALSE(db.takeUnannouncedChange());

    // Nothing changed: nothing to announce.
    ConfigDatabase calm;
    ASSERT_TRUE(calm.Connect(list.f.path));
    EXPECT_EQ(calm.idAt(700), now[700]);
    EXPECT_FALSE(calm.takeUnannouncedChange());
}

TEST(ConfigDatabase, EveryValueOfAColumnComesWithItsPositionInTheListOrder)
{
    // With the list order index, and in a read-only file of an older version
    // without any index on the order (SQLite then sorts the rows itself).
    for (const bool withoutIndex : {false, true}) {
        SCOPED_TRACE(withoutIndex);
        LongList list;
        if (withoutIndex) {
            RawDb raw(list.f.path);
            ASSERT_TRUE(raw.exec(QStringLiteral("DROP INDEX \"VYN_Base_DATE_ID\"")));
        }
        QStringList serials;
        {
            RawDb raw(list.f.path);
            serials = raw.column(QStringLiteral("SELECT SNUM FROM VYN_Base ORDER BY \"DATE\", ID"));
        }
        if (withoutIndex)
            QFile::setPermissions(list.f.path, QFileDevice::ReadOwner);
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(list.f.path)) << db.lastError().toStdString();
        db.Last();
        QStringList byPosition(LongList::kRows);
        int visits = 0;
        ASSERT_TRUE(db.forEachValue(QStringLiteral("SNUM"),
                                    [&](int position, const ConfigDatabase::Cell& cell) {
                                        ++visits;
                                        QByteArrayView utf8;
                                        EXPECT_TRUE(cell.utf8(utf8));
                                        byPosition[position] = cell.value().toString();
                                        EXPECT_EQ(QString::fromUtf8(utf8), byPosition[position]);
                                    }));
        EXPECT_EQ(visits, LongList::kRows);
        EXPECT_EQ(byPosition, serials);
        EXPECT_EQ(db.ids(), list.order);
        EXPECT_EQ(db.currentId(), list.order.back());
        EXPECT_FALSE(db.takeUnannouncedChange());
        {
            // The same while another statement of the connection is being read.
            QSqlQuery open(db.database());
            ASSERT_TRUE(open.exec(QStringLiteral("SELECT ID FROM VYN_Base")) && open.next());
            for (int again = 0; again < 2; ++again) {
                QStringList seen(LongList::kRows);
                EXPECT_TRUE(db.forEachValue(QStringLiteral("SNUM"),
                                            [&](int position, const ConfigDatabase::Cell& cell) {
                                                seen[position] = cell.value().toString();
                                            }));
                EXPECT_EQ(seen, serials) << again;
            }
        }
        QFile::setPermissions(list.f.path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

TEST(ConfigDatabase, OlderFilesGetTheListOrderIndexWhenWritable)
{
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly);
        DbFile f;
        {
            RawDb raw(f.path);
            ASSERT_TRUE(
                raw.exec(QStringLiteral("CREATE TABLE VYN_Base (%1)").arg(allColumns(false))));
            ASSERT_TRUE(
                raw.exec(QStringLiteral("CREATE INDEX VYN_Base_DATE ON VYN_Base (\"DATE\")")));
            ASSERT_TRUE(raw.exec(QStringLiteral("INSERT INTO VYN_Base (SNUM, \"DATE\") VALUES "
                                                "('b', '2020-01-02'), ('a', '2020-01-01')")));
        }
        if (readOnly)
            QFile::setPermissions(f.path, QFileDevice::ReadOwner);
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(f.path)) << db.lastError().toStdString();
        EXPECT_EQ(db.ids(), (std::vector<qint64>{2, 1}));
        db.Close();
        RawDb raw(f.path);
        EXPECT_EQ(raw.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                           "'index' AND name = 'VYN_Base_DATE_ID'")),
                  readOnly ? QStringLiteral("0") : QStringLiteral("1"));
        QFile::setPermissions(f.path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

// The count at connect and refresh runs with a small page cache; the connection
// keeps its own size for everything after, also when the count runs in a batch.
TEST(ConfigDatabase, CountingLeavesThePageCacheAsItWas)
{
    DbFile f;
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(f.path)) << db.lastError().toStdString();
    const auto cacheSize = [&db] {
        QSqlQuery q(db.database());
        return q.exec(QStringLiteral("PRAGMA cache_size")) && q.next() ? q.value(0).toLongLong() : 0;
    };
    const qint64 usual = cacheSize();
    ASSERT_NE(usual, 64);
    ASSERT_TRUE(db.appendRows({listRow(QStringLiteral("12345678"), QDate(2015, 3, 1))}).ok);
    db.Refresh();
    EXPECT_EQ(db.RecordCount(), 1);
    EXPECT_EQ(cacheSize(), usual);
}

TEST_P(ConfigDatabaseOn, CursorPostDeleteAndTextColumns)
{
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(base()));
    db.appendRows({listRow(QStringLiteral("1"), QDate(2020, 1, 1), QStringLiteral("first")),
                   listRow(QStringLiteral("2"), QDate(2020, 1, 2)),
                   listRow(QStringLiteral("3"), QDate(2020, 1, 3))});
    db.First();
    EXPECT_EQ(db.RecNo(), 1);
    db.Last();
    EXPECT_EQ(db.RecNo(), 3);

    // Saving into the first row keeps the columns the change does not touch; the
    // new DATE moves it to the end, and the cursor with it.
    ASSERT_TRUE(db.setCurrentId(db.ids()[0]));
    const qint64 firstId = *db.currentId();
    const auto updated = db.post(firstId, [](StoredRow row) {
        row.setValue(QStringLiteral("CXEMA"), QStringLiteral("17"));
        row.setValue(QStringLiteral("DATE"), QDate(2021, 1, 1));
        return row;
    });
    ASSERT_TRUE(updated.ok) << updated.error.toStdString();
    EXPECT_EQ(updated.id, firstId);
    EXPECT_EQ(db.RecNo(), 3);
    EXPECT_EQ(db.currentRow()->value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("first")));
    EXPECT_EQ(db.currentRow()->value(QStringLiteral("CXEMA")), QVariant(QStringLiteral("17")));

    const auto appended = db.post(std::nullopt, [](StoredRow row) {
        row.setValue(QStringLiteral("SNUM"), QStringLiteral("4"));
        row.setValue(QStringLiteral("DATE"), QDate(2020, 6, 1));
        return row;
    });
    ASSERT_TRUE(appended.ok);
    EXPECT_EQ(db.RecordCount(), 4);
    EXPECT_EQ(db.currentId(), appended.id);
    EXPECT_EQ(db.RecNo(), 3);

    // Texts longer than the column are refused, as the stored files' columns did.
    EXPECT_TRUE(db.setText(appended.id, QStringLiteral("COMMENT"), QString(120, QChar(0x0416))));
    EXPECT_FALSE(db.setText(appended.id, QStringLiteral("COMMENT"), QString(121, QChar(0x0416))));
    EXPECT_TRUE(db.setText(appended.id, QStringLiteral("manager"), QStringLiteral("PC\\ivan")));
    EXPECT_FALSE(db.setText(appended.id, QStringLiteral("DATE"), QStringLiteral("2020-01-01")));
    const StoredRow row = *db.readRow(appended.id);
    EXPECT_EQ(row.value(QStringLiteral("COMMENT")).toString().size(), 120);
    EXPECT_EQ(row.value(QStringLiteral("MANAGER")), QVariant(QStringLiteral("PC\\ivan")));

    // Deleting moves to the row that took the place; deleting the last, to the one before.
    ASSERT_TRUE(db.deleteRow(appended.id));
    EXPECT_EQ(db.RecordCount(), 3);
    EXPECT_EQ(db.RecNo(), 3);
    EXPECT_EQ(db.currentId(), firstId);
    ASSERT_TRUE(db.deleteRow(firstId));
    EXPECT_EQ(db.RecNo(), 2);
    EXPECT_FALSE(db.readRow(firstId));
    EXPECT_FALSE(db.post(firstId, [](StoredRow r) { return r; }).ok);
}

TEST_P(ConfigDatabaseOn, TwoProgramsShareOneDatabase)
{
    ConfigDatabase a, b;
    ASSERT_TRUE(a.Connect(base()));
    ASSERT_TRUE(b.Connect(base()));
    ASSERT_TRUE(a.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1))}).ok);
    EXPECT_EQ(b.RecordCount(), 0);
    ASSERT_TRUE(b.Refresh());
    ASSERT_EQ(b.RecordCount(), 1);
    const auto saved = b.post(*b.currentId(), [](StoredRow r) {
        r.setValue(QStringLiteral("COMMENT"), QStringLiteral("from b"));
        return r;
    });
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(a.readRow(saved.id)->value(QStringLiteral("COMMENT")),
              QVariant(QStringLiteral("from b")));
    EXPECT_TRUE(a.setText(saved.id, QStringLiteral("COMMENT"), QStringLiteral("from a")));
    EXPECT_EQ(b.readRow(saved.id)->value(QStringLiteral("COMMENT")),
              QVariant(QStringLiteral("from a")));
}

TEST(ConfigDatabase, ALockedDatabaseFailsThePostAndDamagesNothing)
{
    DbFile f;
    ConfigDatabase db(ConfigDatabase::Options{100});
    ASSERT_TRUE(db.Connect(f.path));
    db.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1), QStringLiteral("kept"))});
    const qint64 id = *db.currentId();

    RawDb other(f.path);
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("UPDATE VYN_Base SET SNUM = 'other'")));
    bool changed = false;
    const auto result = db.post(id, [&](StoredRow r) {
        changed = true;
        r.setValue(QStringLiteral("COMMENT"), QStringLiteral("lost?"));
        return r;
    });
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("locked"))) << result.error.toStdString();
    EXPECT_FALSE(db.setText(id, QStringLiteral("COMMENT"), QStringLiteral("lost?")));
    EXPECT_FALSE(db.deleteRow(id));
    // Readers are not held up by the writer.
    EXPECT_EQ(db.readRow(id)->value(QStringLiteral("SNUM")), QVariant(QStringLiteral("11111111")));
    ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));

    EXPECT_EQ(db.readRow(id)->value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("kept")));
    EXPECT_EQ(other.value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    EXPECT_TRUE(db.post(id, [](StoredRow r) { return r; }).ok);
}

TEST_P(ConfigDatabaseOn, OlderDatabasesGetTheRowVersionAndKeepTheirRows)
{
    {
        RawDb raw(base());
        ASSERT_TRUE(raw.exec(
            QStringLiteral("CREATE TABLE \"VYN_Base\" (%1)").arg(allColumns(false, GetParam()))));
        ASSERT_TRUE(raw.exec(QStringLiteral(
            "INSERT INTO \"VYN_Base\" (\"SNUM\", \"COMMENT\") VALUES ('11111111', 'old')")));
    }
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(base())) << db.lastError().toStdString();
    ASSERT_EQ(db.RecordCount(), 1);
    const qint64 id = *db.currentId();
    EXPECT_EQ(db.rowVersion(id), 0);
    EXPECT_EQ(db.readRow(id)->value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("old")));
    ASSERT_TRUE(db.post(id, [](StoredRow r) { return r; }).ok);
    EXPECT_EQ(db.rowVersion(id), 1);
    ASSERT_TRUE(db.setText(id, QStringLiteral("COMMENT"), QStringLiteral("new")));
    EXPECT_EQ(db.rowVersion(id), 2);
    // Appended rows start at 0 too; an absent row has no version.
    const auto added = db.post(std::nullopt, [](StoredRow r) { return r; });
    ASSERT_TRUE(added.ok);
    EXPECT_EQ(db.rowVersion(added.id), 0);
    EXPECT_EQ(db.rowVersion(added.id + 100), std::nullopt);
    db.Close();
    if (!onServer()) {
        EXPECT_EQ(RawDb(base()).value(QStringLiteral("PRAGMA integrity_check")),
                  QStringLiteral("ok"));
    }
}

TEST_P(ConfigDatabaseOn, ARowChangedOrDeletedByAnotherProgramIsNotOverwritten)
{
    ConfigDatabase a, b;
    ASSERT_TRUE(a.Connect(base()));
    ASSERT_TRUE(
        a.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1), QStringLiteral("a"))})
            .ok);
    ASSERT_TRUE(b.Connect(base()));
    a.Refresh();
    const qint64 id = *a.currentId();
    const auto seen = a.rowVersion(id);
    const auto comment = [](const char* text) {
        return [text](StoredRow r) {
            r.setValue(QStringLiteral("COMMENT"), QString::fromUtf8(text));
            return r;
        };
    };
    // Unchanged since read: written.
    ASSERT_TRUE(a.post(id, comment("a1"), seen).ok);
    const auto afterA = a.rowVersion(id);
    ASSERT_TRUE(b.post(id, comment("b"), b.rowVersion(id)).ok);

    const auto stale = a.post(id, comment("a2"), afterA);
    EXPECT_FALSE(stale.ok);
    EXPECT_TRUE(stale.changedElsewhere);
    EXPECT_EQ(a.deleteRow(id, afterA), ConfigDatabase::DeleteResult::ChangedElsewhere);
    EXPECT_EQ(a.readRow(id)->value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("b")));

    ASSERT_EQ(b.deleteRow(id, b.rowVersion(id)), ConfigDatabase::DeleteResult::Deleted);
    const auto gone = a.post(id, comment("a3"), a.rowVersion(id));
    EXPECT_FALSE(gone.ok);
    EXPECT_TRUE(gone.gone);
    EXPECT_EQ(a.deleteRow(id, std::nullopt), ConfigDatabase::DeleteResult::Gone);
    EXPECT_EQ(a.RecordCount(), 0);
}

TEST(ConfigDatabase, AReadOnlyFileOrDirectoryIsBrowsedOnly)
{
    for (bool directory : {false, true}) {
        DbFile f;
        {
            ConfigDatabase db;
            ASSERT_TRUE(db.Connect(f.path));
            ASSERT_TRUE(db.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1),
                                               QStringLiteral("kept"))})
                            .ok);
        }
        const QString locked = directory ? f.dir.path() : f.path;
        const auto permissions = QFile::permissions(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray bytes = readAll(f.path);
        {
            ConfigDatabase db;
            ASSERT_TRUE(db.Connect(f.path)) << db.lastError().toStdString();
            EXPECT_TRUE(db.isReadOnly());
            ASSERT_EQ(db.RecordCount(), 1);
            const qint64 id = *db.currentId();
            EXPECT_EQ(db.currentRow()->value(QStringLiteral("COMMENT")),
                      QVariant(QStringLiteral("kept")));
            const auto posted = db.post(id, [](StoredRow r) { return r; });
            EXPECT_FALSE(posted.ok);
            EXPECT_TRUE(posted.readOnly);
            EXPECT_TRUE(db.appendRows({listRow(QStringLiteral("2"), QDate(2021, 1, 1))}).readOnly);
            EXPECT_FALSE(db.setText(id, QStringLiteral("COMMENT"), QStringLiteral("x")));
            EXPECT_EQ(db.deleteRow(id, std::nullopt), ConfigDatabase::DeleteResult::ReadOnly);
            EXPECT_EQ(db.RecordCount(), 1);
        }
        QFile::setPermissions(locked, permissions);
        EXPECT_EQ(readAll(f.path), bytes) << directory;
        if (directory) {
            EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files),
                      QStringList{QStringLiteral("MXVynBase.sqlite")});
        }
        // A writable file is written again.
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(f.path));
        EXPECT_FALSE(db.isReadOnly());
        EXPECT_TRUE(db.setText(*db.currentId(), QStringLiteral("COMMENT"), QStringLiteral("x")));
    }
}

namespace {

// Another program's import: appends one row and holds the write lock until told
// to finish (or 10 s pass).
class ImportInAnotherThread
{
public:
    explicit ImportInAnotherThread(const QString& path)
        : m_thread([this, path] {
              ConfigDatabase db;
              if (!db.Connect(path)) {
                  m_holding = true;
                  return;
              }
              db.inBatch([&](ConfigDatabase::Batch& batch, ConfigDatabase::PostResult& r) {
                  batch.append(listRow(QStringLiteral("22222222"), QDate(2021, 1, 1)), r.id,
                               r.error);
                  m_holding = true;
                  for (int i = 0; i < 1000 && !m_finish; ++i)
                      std::this_thread::sleep_for(std::chrono::milliseconds(10));
                  return true;
              });
          })
    {
        while (!m_holding)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~ImportInAnotherThread() { finish(); }
    void finish()
    {
        m_finish = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_holding{false};
    std::atomic<bool> m_finish{false};
    std::thread m_thread;
};

QStringList serials(ConfigDatabase& db)
{
    db.Refresh();
    QStringList out;
    for (qint64 id : db.ids())
        out << db.readRow(id)->value(QStringLiteral("SNUM")).toString();
    return out;
}

} // namespace

TEST(ConfigDatabase, AWriteWaitsForAnotherProgramsImportOrSaysItIsImporting)
{
    const QString waitText =
        QStringLiteral("Другая программа импортирует данные в базу. Ожидание окончания импорта...");
    const QString busyText = QStringLiteral("База данных занята: другая программа импортирует в "
                                            "неё данные. Повторите, когда импорт закончится.");
    const QString kept = QStringLiteral("33333333");
    const QString imported = QStringLiteral("22222222");
    const QString added = QStringLiteral("11111111");
    struct Outcome
    {
        bool ok;
        QString error;
    };
    struct Write
    {
        const char* name;
        std::function<Outcome(ConfigDatabase&, qint64 id)> run;
        // The serials (by date) and the kept row's COMMENT and MANAGER once it went through.
        QStringList serials;
        QString comment;
        QString manager;
    };
    const auto setText = [](const char* column) {
        return [column](ConfigDatabase& db, qint64 id) {
            const bool ok = db.setText(id, QString::fromLatin1(column), QStringLiteral("new"));
            return Outcome{ok, ok ? QString() : db.lastError()};
        };
    };
    const Write writes[] = {
        {"append",
         [&](ConfigDatabase& db, qint64) {
             const auto r = db.appendRows({listRow(added, QDate(2020, 1, 1))});
             return Outcome{r.ok, r.error};
         },
         {kept, added, imported},
         QStringLiteral("old"),
         QStringLiteral("old")},
        {"post",
         [](ConfigDatabase& db, qint64 id) {
             const auto r = db.post(id, [](StoredRow row) {
                 row.setValue(QStringLiteral("COMMENT"), QStringLiteral("new"));
                 return row;
             });
             return Outcome{r.ok, r.error};
         },
         {kept, imported},
         QStringLiteral("new"),
         QStringLiteral("old")},
        {"delete",
         [](ConfigDatabase& db, qint64 id) {
             const bool ok =
                 db.deleteRow(id, std::nullopt) == ConfigDatabase::DeleteResult::Deleted;
             return Outcome{ok, ok ? QString() : db.lastError()};
         },
         {imported},
         QString(),
         QString()},
        {"comment",
         setText("COMMENT"),
         {kept, imported},
         QStringLiteral("new"),
         QStringLiteral("old")},
        {"manager",
         setText("MANAGER"),
         {kept, imported},
         QStringLiteral("old"),
         QStringLiteral("new")},
    };
    struct Case
    {
        bool hook;
        bool keepWaiting;
    };
    for (const Write& w : writes) {
        for (const Case c : {Case{true, true}, Case{true, false}, Case{false, false}}) {
            SCOPED_TRACE(std::string(w.name) + (c.hook ? " hook" : " no hook") +
                         (c.keepWaiting ? " waits" : " gives up"));
            DbFile f;
            qint64 id = 0;
            {
                ConfigDatabase created;
                ASSERT_TRUE(created.Connect(f.path));
                StoredRow row = listRow(kept, QDate(2019, 1, 1));
                row.setValue(QStringLiteral("COMMENT"), QStringLiteral("old"));
                row.setValue(QStringLiteral("MANAGER"), QStringLiteral("old"));
                const auto r = created.appendRows({row});
                ASSERT_TRUE(r.ok) << r.error.toStdString();
                id = r.id;
            }

            ImportInAnotherThread import(f.path);
            QStringList shown;
            ConfigDatabase::Options options{100};
            if (c.hook)
                options.waitForImport = [&](const QString& text) {
                    shown << text;
                    if (shown.size() == 3)
                        import.finish(); // the import ends while the write waits
                    return c.keepWaiting;
                };
            ConfigDatabase db(options);
            ASSERT_TRUE(db.Connect(f.path));
            const Outcome done = w.run(db, id);
            import.finish();
            QStringList expected = w.serials;
            QString comment = w.comment;
            QString manager = w.manager;
            if (c.keepWaiting) {
                ASSERT_TRUE(done.ok) << done.error.toStdString();
                ASSERT_GE(shown.size(), 3);
                EXPECT_EQ(shown.front(), waitText);
                EXPECT_EQ(shown.back(), QString()); // the window closes
            } else {
                EXPECT_FALSE(done.ok);
                EXPECT_EQ(done.error, busyText);
                expected = QStringList{kept, imported};
                comment = manager = QStringLiteral("old");
            }
            EXPECT_EQ(serials(db), expected);
            if (const auto row = db.readRow(id)) {
                EXPECT_EQ(row->value(QStringLiteral("COMMENT")).toString(), comment);
                EXPECT_EQ(row->value(QStringLiteral("MANAGER")).toString(), manager);
            } else {
                EXPECT_FALSE(expected.contains(kept)) << "the kept row is gone";
            }
        }
    }
}
