// Where the database lives (a path or a server URI) and the statements that
// differ between SQLite and PostgreSQL, run on a real file and a real server
// from one test body.

#include "app/sqldialect.h"
#include "tests/support/pgserver.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <memory>

namespace {

using vyn::DatabaseLocation;
using vyn::SqlDialect;
using vyn::SqlEngine;

struct LocationCase
{
    const char* text;
    SqlEngine engine;
    const char* host;
    int port;
    const char* database;
    const char* user;
    const char* stored; // toString() of what was read
};

TEST(DatabaseLocation, PathsAndServerUris)
{
    const LocationCase cases[] = {
        {"/home/eng/MXVynBase.sqlite", SqlEngine::Sqlite, "", 0, "", "",
         "/home/eng/MXVynBase.sqlite"},
        // An old Windows setting stays a path (reported missing by the caller).
        {"C:\\Vyn\\MXVynBase.mdb", SqlEngine::Sqlite, "", 0, "", "", "C:\\Vyn\\MXVynBase.mdb"},
        {"postgresql://eng@db.local:5433/vyn", SqlEngine::Postgres, "db.local", 5433, "vyn", "eng",
         "postgresql://eng@db.local:5433/vyn"},
        {"postgres://db.local/vyn", SqlEngine::Postgres, "db.local", 0, "vyn", "",
         "postgresql://db.local/vyn"},
        {"PostgreSQL://%D0%B8%D0%BD%D0%B6@10.0.0.5/vyn", SqlEngine::Postgres, "10.0.0.5", 0, "vyn",
         "инж", "postgresql://%D0%B8%D0%BD%D0%B6@10.0.0.5/vyn"},
        {"postgresql://eng@h/vyn?sslmode=require", SqlEngine::Postgres, "h", 0, "vyn", "eng",
         "postgresql://eng@h/vyn?sslmode=require"},
    };
    for (const LocationCase& c : cases) {
        SCOPED_TRACE(c.text);
        QString error;
        const auto location = DatabaseLocation::parse(QString::fromUtf8(c.text), error);
        ASSERT_TRUE(location) << error.toStdString();
        EXPECT_EQ(location->engine, c.engine);
        EXPECT_EQ(location->host, QString::fromUtf8(c.host));
        EXPECT_EQ(location->port, c.port);
        EXPECT_EQ(location->database, QString::fromUtf8(c.database));
        EXPECT_EQ(location->user, QString::fromUtf8(c.user));
        EXPECT_EQ(location->toString(), QString::fromUtf8(c.stored));
    }
}

TEST(DatabaseLocation, UnreadableOrSecretUrisAreRefused)
{
    struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {"postgresql://eng:secret@h/vyn", "Пароль в адресе базы данных не сохраняется"},
        {"postgresql://h/vyn/more", "Неверный адрес сервера базы данных"},
        {"postgresql://h:port/vyn", "Неверный адрес сервера базы данных"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QString error;
        EXPECT_FALSE(DatabaseLocation::parse(QString::fromUtf8(c.text), error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.message))) << error.toStdString();
    }
}

// One database of each engine with the schema created.
class DialectOnEngine : public ::testing::TestWithParam<SqlEngine>
{
protected:
    void SetUp() override
    {
        const SqlDialect dialect(GetParam());
        m_db = QSqlDatabase::addDatabase(dialect.driver(),
                                         QUuid::createUuid().toString(QUuid::WithoutBraces));
        if (GetParam() == SqlEngine::Postgres) {
            if (!vyntest::sharedPgServer())
                GTEST_SKIP() << "PostgreSQL server programs not found (Debian package postgresql)";
            m_server = vyntest::sharedPgServer();
            ASSERT_TRUE(m_server->started()) << m_server->error().toStdString();
            const QString name = m_server->createDatabase();
            ASSERT_FALSE(name.isEmpty()) << m_server->error().toStdString();
            m_db.setHostName(m_server->socketDir());
            m_db.setPort(m_server->port());
            m_db.setUserName(vyntest::PgServer::superuser());
            m_db.setDatabaseName(name);
        } else {
            ASSERT_TRUE(m_dir.isValid());
            m_db.setDatabaseName(m_dir.filePath(QStringLiteral("MXVynBase.sqlite")));
        }
        ASSERT_TRUE(m_db.open()) << m_db.lastError().text().toStdString();
        QSqlQuery q(m_db);
        for (const QString& sql : dialect.schemaStatements())
            ASSERT_TRUE(q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
    void TearDown() override { m_db.close(); }

    QStringList column0(const QString& sql)
    {
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    QTemporaryDir m_dir;
    vyntest::PgServer* m_server = nullptr;
    QSqlDatabase m_db;
};

TEST_P(DialectOnEngine, SchemaHasEveryColumnUnderItsOwnSpelling)
{
    const SqlDialect dialect(GetParam());
    EXPECT_EQ(column0(dialect.tablesQuery()), QStringList{QStringLiteral("VYN_Base")});
    QStringList expected;
    for (const vyn::ColumnSpec& c : vyn::vynBaseColumns())
        expected << c.name;
    expected << QStringLiteral("ROWVERSION");
    EXPECT_EQ(column0(dialect.columnsQuery(QStringLiteral("VYN_Base"))), expected);
    EXPECT_TRUE(column0(dialect.columnsQuery(QStringLiteral("x' OR '1'='1"))).isEmpty());
}

TEST_P(DialectOnEngine, SerialMatchFoldsLatinLettersOnlyThroughTheIndex)
{
    const SqlDialect dialect(GetParam());
    QSqlQuery insert(m_db);
    ASSERT_TRUE(insert.prepare(QStringLiteral("INSERT INTO \"VYN_Base\" (\"SNUM\") VALUES (?)")));
    for (const char* serial : {"AB12cd", "абв77", "00012345"}) {
        insert.addBindValue(QString::fromUtf8(serial));
        ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
    }
    const QString sql = QStringLiteral("SELECT \"SNUM\" FROM \"VYN_Base\" WHERE ") +
                        dialect.serialMatch(QStringLiteral("SNUM"));
    const struct
    {
        const char* asked;
        const char* found; // "" for none
    } cases[] = {{"ab12CD", "AB12cd"}, {"AB12CD", "AB12cd"}, {"абв77", "абв77"},
                 {"АБВ77", ""},        {"0001234", ""},      {"00012345", "00012345"}};
    QSqlQuery find(m_db);
    ASSERT_TRUE(find.prepare(sql)) << find.lastError().text().toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        find.addBindValue(QString::fromUtf8(c.asked));
        ASSERT_TRUE(find.exec()) << find.lastError().text().toStdString();
        EXPECT_EQ(find.next() ? find.value(0).toString() : QString(), QString::fromUtf8(c.found));
    }

    // The lookup of every import row must not read the whole table.
    QString plan;
    QSqlQuery explain(m_db);
    if (GetParam() == SqlEngine::Postgres) {
        ASSERT_TRUE(explain.exec(QStringLiteral("SET enable_seqscan = off")));
        ASSERT_TRUE(
            explain.exec(QStringLiteral("EXPLAIN ") +
                         QString(sql).replace(QStringLiteral("?"), QStringLiteral("'ab12cd'"))));
    } else {
        ASSERT_TRUE(
            explain.exec(QStringLiteral("EXPLAIN QUERY PLAN ") +
                         QString(sql).replace(QStringLiteral("?"), QStringLiteral("'ab12cd'"))));
    }
    while (explain.next())
        for (int i = 0; i < explain.record().count(); ++i)
            plan += explain.value(i).toString() + QLatin1Char(' ');
    EXPECT_TRUE(plan.contains(QStringLiteral("VYN_Base_SNUM"))) << plan.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, DialectOnEngine,
                         ::testing::Values(SqlEngine::Sqlite, SqlEngine::Postgres),
                         [](const auto& info) {
                             return info.param == SqlEngine::Postgres ? "PostgreSQL" : "SQLite";
                         });

} // namespace
