// The configuration database on a PostgreSQL server: the schema's types, two
// engineers on one row, and a connection that breaks in the middle of a save.

#include "app/configdatabase.h"
#include "apptesting.h"
#include "enginetesting.h"

#include <QSqlError>

using namespace vyn;
using namespace vyn::test;

namespace {

const QString kBusyText = QStringLiteral("База данных занята другой программой. Повторите позже.");
const QString kLostText = QStringLiteral("Связь с сервером базы данных прервалась. Изменения не "
                                         "сохранены; повторите команду.");

class ServerDatabase : public EngineTest
{
protected:
    // Ends the program's connection as a network failure would, and waits until it is gone.
    void cutTheProgramOff(RawDb& raw)
    {
        ASSERT_EQ(raw.value(QStringLiteral(
                      "SELECT count(pg_terminate_backend(pid, 5000)) FROM pg_stat_activity "
                      "WHERE datname = current_database() AND pid <> pg_backend_pid()")),
                  QStringLiteral("1"));
    }
    QString comment(RawDb& raw, qint64 id)
    {
        return raw.value(
            QStringLiteral("SELECT \"COMMENT\" FROM \"VYN_Base\" WHERE \"ID\" = %1").arg(id));
    }
    static std::function<StoredRow(const StoredRow&)> setComment(const QString& text)
    {
        return [text](StoredRow r) {
            r.setValue(QStringLiteral("COMMENT"), text);
            return r;
        };
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, ServerDatabase, ::testing::Values(SqlEngine::Postgres),
                         engineName);

} // namespace

TEST_P(ServerDatabase, ANewDatabaseGetsTheTableWithTypedColumns)
{
    {
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(base())) << db.lastError().toStdString();
        EXPECT_EQ(db.engine(), SqlEngine::Postgres);
        EXPECT_EQ(db.path(), base());
    }
    RawDb raw(base());
    const auto type = [&](const char* column) {
        return raw.value(QStringLiteral("SELECT data_type FROM information_schema.columns "
                                        "WHERE table_name = 'VYN_Base' AND column_name = '%1'")
                             .arg(QLatin1String(column)));
    };
    const std::pair<const char*, const char*> types[] = {
        {"ID", "bigint"},
        {"SNUM", "text"},
        {"RASH", "text"},
        {"INDEX", "double precision"},
        {"DATE", "timestamp without time zone"},
        {"DeviceSoftData", "timestamp without time zone"},
        {"PITVYN", "boolean"},
        {"ROWVERSION", "integer"},
    };
    for (const auto& [column, expected] : types)
        EXPECT_EQ(type(column), QLatin1String(expected)) << column;
    EXPECT_EQ(raw.column(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                        "WHERE table_name = 'VYN_Base'"))
                  .size(),
              57);
    EXPECT_EQ(raw.column(QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = "
                                        "'VYN_Base' ORDER BY indexname")),
              (QStringList{"VYN_Base_DATE_ID", "VYN_Base_SNUM", "VYN_Base_pkey"}));
    // A second program finds the table and creates nothing.
    ConfigDatabase again;
    ASSERT_TRUE(again.Connect(base())) << again.lastError().toStdString();
    EXPECT_EQ(again.RecordCount(), 0);
}

TEST_P(ServerDatabase, ARowAnotherEngineerIsSavingMakesTheSaveWaitThenFailUnchanged)
{
    ConfigDatabase db(ConfigDatabase::Options{200});
    ASSERT_TRUE(db.Connect(base()));
    ASSERT_TRUE(db.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1),
                                       QStringLiteral("kept"))})
                    .ok);
    const qint64 id = *db.currentId();
    const auto version = db.rowVersion(id);

    RawDb other(base());
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN")));
    ASSERT_TRUE(other.exec(QStringLiteral(
        "UPDATE \"VYN_Base\" SET \"COMMENT\" = 'other', \"ROWVERSION\" = \"ROWVERSION\" + 1")));
    bool changed = false;
    const auto saved = db.post(
        id,
        [&](StoredRow r) {
            changed = true;
            r.setValue(QStringLiteral("COMMENT"), QStringLiteral("lost?"));
            return r;
        },
        version);
    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(saved.error.startsWith(kBusyText)) << saved.error.toStdString();
    EXPECT_EQ(db.deleteRow(id, version), ConfigDatabase::DeleteResult::Failed);
    // Readers are not held up by the writer.
    EXPECT_EQ(db.readRow(id)->value(QStringLiteral("COMMENT")), QVariant(QStringLiteral("kept")));
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));

    // Once the other save is in, this one is a save over a changed row: the question.
    const auto stale = db.post(id, setComment(QStringLiteral("mine")), version);
    EXPECT_FALSE(stale.ok);
    EXPECT_TRUE(stale.changedElsewhere);
    EXPECT_EQ(comment(other, id), QStringLiteral("other"));
    EXPECT_TRUE(db.post(id, setComment(QStringLiteral("mine")), db.rowVersion(id)).ok);
    EXPECT_EQ(comment(other, id), QStringLiteral("mine"));
}

TEST_P(ServerDatabase, AConnectionLostMidSaveKeepsNothingAndTheNextCommandReconnects)
{
    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(base()));
    ASSERT_TRUE(db.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1),
                                       QStringLiteral("kept"))})
                    .ok);
    const qint64 id = *db.currentId();
    RawDb raw(base());

    struct Case
    {
        const char* what;
        std::function<ConfigDatabase::PostResult(ConfigDatabase&, RawDb&)> save;
    };
    const Case cases[] = {
        {"post",
         [&](ConfigDatabase& db, RawDb& raw) {
             return db.post(
                 id,
                 [&](StoredRow r) {
                     cutTheProgramOff(raw);
                     r.setValue(QStringLiteral("COMMENT"), QStringLiteral("lost"));
                     return r;
                 },
                 db.rowVersion(id));
         }},
        {"batch",
         [&](ConfigDatabase& db, RawDb& raw) {
             return db.inBatch([&](ConfigDatabase::Batch& batch, ConfigDatabase::PostResult& r) {
                 for (int i = 0; i < 3; ++i)
                     if (!batch.append(listRow(QString::number(i), QDate(2021, 1, 1)), r.id,
                                       r.error))
                         return false;
                 cutTheProgramOff(raw);
                 return batch.append(listRow(QStringLiteral("3"), QDate(2021, 1, 1)), r.id,
                                     r.error);
             });
         }},
    };
    for (const Case& c : cases) {
        const ConfigDatabase::PostResult result = c.save(db, raw);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_FALSE(result.changedElsewhere || result.gone) << c.what;
        EXPECT_TRUE(result.error.startsWith(kLostText)) << c.what << result.error.toStdString();
        EXPECT_EQ(raw.value(QStringLiteral("SELECT count(*) FROM \"VYN_Base\"")),
                  QStringLiteral("1"))
            << c.what;
        EXPECT_EQ(comment(raw, id), QStringLiteral("kept")) << c.what;
        // The next command goes through on a new connection.
        EXPECT_EQ(db.readRow(id)->value(QStringLiteral("COMMENT")),
                  QVariant(QStringLiteral("kept")))
            << c.what;
    }

    // Lost while nothing runs: every kind of next command reconnects by itself.
    const std::pair<const char*, std::function<bool(ConfigDatabase&)>> next[] = {
        {"read", [&](ConfigDatabase& db) { return db.readRow(id).has_value(); }},
        {"refresh", [](ConfigDatabase& db) { return db.Refresh() && db.RecordCount() == 1; }},
        {"save",
         [&](ConfigDatabase& db) { return db.post(id, setComment(QStringLiteral("saved"))).ok; }},
        {"text",
         [&](ConfigDatabase& db) {
             return db.setText(id, QStringLiteral("COMMENT"), QStringLiteral("text"));
         }},
    };
    for (const auto& [what, command] : next) {
        cutTheProgramOff(raw);
        EXPECT_TRUE(command(db)) << what << " " << db.lastError().toStdString();
    }
    EXPECT_EQ(comment(raw, id), QStringLiteral("text"));
}

// The team set-up of the README: the owner's first connect creates the table,
// the engineers may read and write its rows and nothing else.
TEST_P(ServerDatabase, TheEngineerRoleWorksWithTheRowsAndCannotChangeTheSchema)
{
    static bool engineerMade = false;
    if (!engineerMade) {
        ASSERT_TRUE(server()->createRole(QStringLiteral("engineer"), QStringLiteral("eng-pass")))
            << server()->error().toStdString();
        engineerMade = true;
    }
    usePasswordFile({{QLatin1String(kRole), QLatin1String(kPassword)},
                     {QStringLiteral("engineer"), QStringLiteral("eng-pass")}});
    const QString engineer = uri(QStringLiteral("engineer"));
    {
        // Before the owner's first connect there is no table, and the engineer may not make one.
        ConfigDatabase db;
        EXPECT_FALSE(db.Connect(engineer));
        EXPECT_EQ(db.connectError(), ConfigDatabase::ConnectError::CannotOpen);
        EXPECT_TRUE(db.lastError().contains(QStringLiteral("permission denied")))
            << db.lastError().toStdString();
    }
    {
        ConfigDatabase owner;
        ASSERT_TRUE(owner.Connect(base())) << owner.lastError().toStdString();
    }
    ASSERT_TRUE(server()->psql(
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON \"VYN_Base\" TO engineer"),
        databaseName()))
        << server()->error().toStdString();

    ConfigDatabase db;
    ASSERT_TRUE(db.Connect(engineer)) << db.lastError().toStdString();
    const auto added = db.post(std::nullopt, setComment(QStringLiteral("new")));
    ASSERT_TRUE(added.ok) << added.error.toStdString();
    ASSERT_TRUE(db.appendRows({listRow(QStringLiteral("11111111"), QDate(2020, 1, 1))}).ok);
    const auto saved =
        db.post(added.id, setComment(QStringLiteral("saved")), db.rowVersion(added.id));
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(db.setText(added.id, QStringLiteral("MANAGER"), QStringLiteral("PC\\ivan")));
    EXPECT_EQ(db.deleteRow(added.id, db.rowVersion(added.id)),
              ConfigDatabase::DeleteResult::Deleted);
    EXPECT_EQ(db.RecordCount(), 1);

    RawDb raw(engineer);
    for (const char* sql :
         {"ALTER TABLE \"VYN_Base\" ADD COLUMN \"X\" TEXT", "DROP TABLE \"VYN_Base\"",
          "CREATE TABLE other (a TEXT)", "DROP INDEX \"VYN_Base_SNUM\""})
        EXPECT_FALSE(raw.exec(QString::fromLatin1(sql))) << sql;
}
