// The throw-away server the database tests run against, reached through Qt's
// own PostgreSQL driver: on a Unix socket, on loopback TCP, and what a
// connection sees when the server ends its backend in the middle of a
// transaction (the way the tests simulate a lost network).

#include "tests/support/pgserver.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

using vyntest::PgServer;

class PgServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = vyntest::sharedPgServer();
        if (!server)
            GTEST_SKIP() << "PostgreSQL server programs not found (Debian package postgresql)";
        ASSERT_TRUE(server->started()) << server->error().toStdString();
        ASSERT_TRUE(QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            << "Qt's PostgreSQL driver is missing (Debian package libqt6sql6-psql)";
    }
    static QSqlDatabase open(const QString& host, const QString& database,
                             const QString& user = PgServer::superuser(),
                             const QString& password = QString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            QStringLiteral("QPSQL"), QUuid::createUuid().toString(QUuid::WithoutBraces));
        db.setHostName(host);
        db.setPort(server->port());
        db.setDatabaseName(database);
        db.setUserName(user);
        db.setPassword(password);
        db.open();
        return db;
    }
    static inline PgServer* server = nullptr;
};

TEST_F(PgServerTest, ReachedOnItsSocketAndOnLoopback)
{
    const QString name = server->createDatabase();
    ASSERT_FALSE(name.isEmpty()) << server->error().toStdString();
    ASSERT_TRUE(server->createRole(QStringLiteral("loopback"), QStringLiteral("s3cret")));
    QSqlDatabase onSocket = open(server->socketDir(), name);
    QSqlDatabase onLoopback = open(QStringLiteral("127.0.0.1"), name, QStringLiteral("loopback"),
                                   QStringLiteral("s3cret"));
    for (QSqlDatabase* db : {&onSocket, &onLoopback}) {
        ASSERT_TRUE(db->isOpen()) << db->lastError().text().toStdString();
        QSqlQuery q(*db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT current_database()")) && q.next());
        EXPECT_EQ(q.value(0).toString(), name);
    }
    EXPECT_FALSE(open(QStringLiteral("127.0.0.1"), name, QStringLiteral("loopback")).isOpen());
}

TEST_F(PgServerTest, EndedBackendRollsBackTheOpenTransaction)
{
    const QString name = server->createDatabase();
    ASSERT_TRUE(server->psql(QStringLiteral("CREATE TABLE t (v text)"), name))
        << server->error().toStdString();
    QSqlDatabase db = open(server->socketDir(), name);
    ASSERT_TRUE(db.isOpen());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next());
    const int pid = q.value(0).toInt();
    ASSERT_TRUE(db.transaction());
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES ('lost')")));

    ASSERT_TRUE(server->psql(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid), name));

    EXPECT_FALSE(q.exec(QStringLiteral("INSERT INTO t VALUES ('after')")));
    EXPECT_FALSE(db.commit());
    QSqlDatabase other = open(server->socketDir(), name);
    QSqlQuery count(other);
    ASSERT_TRUE(count.exec(QStringLiteral("SELECT count(*) FROM t")) && count.next());
    EXPECT_EQ(count.value(0).toInt(), 0);
}

} // namespace
