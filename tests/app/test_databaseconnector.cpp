// Opening the configuration database a location names: the password of a
// server asked once per session (or read from the password file), refusals
// and an absent server reported in Russian with the database named.

#include "app/databaseconnector.h"
#include "tests/support/pgserver.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

using vyn::DatabaseConnector;
using vyn::DatabaseLocation;

QString newName()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(DatabaseConnector, OpensAnSqliteFileAndNamesWhatFailed)
{
    QTemporaryDir dir;
    DatabaseConnector connector;
    QString error;
    DatabaseLocation file;
    file.path = dir.filePath(QStringLiteral("MXVynBase.sqlite"));
    const QString name = newName();
    ASSERT_TRUE(connector.open(name, file, 100, error)) << error.toStdString();
    EXPECT_TRUE(QSqlDatabase::database(name, false).isOpen());

    DatabaseLocation absent;
    absent.path = dir.filePath(QStringLiteral("no/such/dir/MXVynBase.sqlite"));
    EXPECT_FALSE(connector.open(newName(), absent, 100, error));
    EXPECT_FALSE(error.isEmpty());
}

// A file opened for reading refuses writes; an immutable one needs no files
// beside it, so it opens in a folder that cannot take them.
TEST(DatabaseConnector, FileAccessDecidesWhatTheConnectionMayDo)
{
    using Access = DatabaseConnector::FileAccess;
    QTemporaryDir dir;
    DatabaseLocation file;
    file.path = dir.filePath(QStringLiteral("MXVynBase.sqlite"));
    QString error;
    DatabaseConnector connector;
    {
        const QString name = newName();
        ASSERT_TRUE(connector.open(name, file, 100, error)) << error.toStdString();
        QSqlQuery(QSqlDatabase::database(name)).exec(QStringLiteral("CREATE TABLE t (x)"));
        QSqlDatabase::database(name).close();
    }
    const struct
    {
        Access access;
        bool writes;
    } cases[] = {{Access::ReadWrite, true}, {Access::ReadOnly, false}, {Access::Immutable, false}};
    for (const auto& c : cases) {
        const QString name = newName();
        ASSERT_TRUE(connector.open(name, file, 100, error, c.access)) << error.toStdString();
        QSqlQuery q(QSqlDatabase::database(name));
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM t")));
        EXPECT_EQ(q.exec(QStringLiteral("INSERT INTO t VALUES (1)")), c.writes)
            << int(c.access);
        QSqlDatabase::database(name).close();
    }
}

class ServerConnector : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = vyntest::sharedPgServer();
        if (server && server->started()) {
            server->createRole(QStringLiteral("eng"), QStringLiteral("s3cret"));
            database = server->createDatabase();
        }
    }
    void SetUp() override
    {
        if (!server)
            GTEST_SKIP() << "PostgreSQL server programs not found (Debian package postgresql)";
        ASSERT_TRUE(server->started()) << server->error().toStdString();
        ASSERT_FALSE(database.isEmpty());
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", QFile::encodeName(m_dir.filePath(QStringLiteral("none"))));
    }
    static DatabaseLocation engineer()
    {
        QString error;
        return *DatabaseLocation::parse(
            QStringLiteral("postgresql://eng@127.0.0.1:%1/%2").arg(server->port()).arg(database),
            error);
    }
    // A prompt that answers from a list and records the reasons it was given.
    DatabaseConnector::PasswordPrompt answering(QStringList answers)
    {
        return [this, answers](const DatabaseLocation&,
                               const QString& reason) mutable -> std::optional<QString> {
            m_reasons << reason;
            if (answers.isEmpty())
                return std::nullopt;
            return answers.takeFirst();
        };
    }

    static inline vyntest::PgServer* server = nullptr;
    static inline QString database;
    QTemporaryDir m_dir;
    QStringList m_reasons;
};

TEST_F(ServerConnector, PasswordIsAskedUntilRightThenKeptForTheSession)
{
    DatabaseConnector connector;
    connector.setPasswordPrompt(answering({QStringLiteral("wrong"), QStringLiteral("s3cret")}));
    QString error;
    ASSERT_TRUE(connector.open(newName(), engineer(), 0, error)) << error.toStdString();
    EXPECT_EQ(m_reasons, (QStringList{QString(), QStringLiteral("Неверный пароль")}));

    const QString second = newName();
    ASSERT_TRUE(connector.open(second, engineer(), 0, error)) << error.toStdString();
    EXPECT_EQ(m_reasons.size(), 2) << "asked again for a password given this session";
    QSqlQuery q(QSqlDatabase::database(second, false));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT current_user")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("eng"));
}

TEST_F(ServerConnector, PasswordFileAnswersWithoutAQuestion)
{
    const QString passFile = m_dir.filePath(QStringLiteral("pgpass"));
    QFile f(passFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        QStringLiteral("127.0.0.1:%1:%2:eng:s3cret\n").arg(server->port()).arg(database).toUtf8());
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qputenv("PGPASSFILE", QFile::encodeName(passFile));

    DatabaseConnector connector;
    connector.setPasswordPrompt(answering({}));
    QString error;
    EXPECT_TRUE(connector.open(newName(), engineer(), 0, error)) << error.toStdString();
    EXPECT_TRUE(m_reasons.isEmpty());
}

TEST_F(ServerConnector, RefusalsNameTheDatabase)
{
    const QString uri = engineer().toString();
    QString error;
    {
        DatabaseConnector connector; // no one to ask
        EXPECT_FALSE(connector.open(newName(), engineer(), 0, error));
        EXPECT_TRUE(
            error.startsWith(QStringLiteral("Не удалось подключиться к базе данных ") + uri))
            << error.toStdString();
    }
    {
        DatabaseConnector connector;
        connector.setPasswordPrompt(answering({}));
        EXPECT_FALSE(connector.open(newName(), engineer(), 0, error));
        EXPECT_EQ(error, QStringLiteral("Подключение к базе данных %1 отменено").arg(uri));
    }
    m_reasons.clear();
    {
        DatabaseLocation gone = engineer();
        gone.port = server->port() == 65535 ? 65534 : server->port() + 1;
        DatabaseConnector connector;
        connector.setPasswordPrompt(answering({QStringLiteral("s3cret")}));
        EXPECT_FALSE(connector.open(newName(), gone, 0, error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось подключиться к базе данных ") +
                                     gone.toString()))
            << error.toStdString();
        EXPECT_TRUE(m_reasons.isEmpty()) << "asked for a password of a server that is not there";
    }
}

} // namespace
