#pragma once
// The configuration database on either engine, for one test: a file in a
// temporary directory, or a fresh database on the test program's throw-away
// PostgreSQL server, reached over TCP by a role whose password the password
// file holds (as an engineer's machine would).

#include "app/configdatabase.h"
#include "app/sqldialect.h"
#include "tests/support/pgserver.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vyn::test {

class EngineTest : public ::testing::TestWithParam<SqlEngine>
{
protected:
    static constexpr const char* kRole = "tester";
    static constexpr const char* kPassword = "t3st-pass";

    void SetUp() override
    {
        if (GetParam() == SqlEngine::Sqlite) {
            m_base = m_dir.filePath(QStringLiteral("MXVynBase.sqlite"));
            return;
        }
        m_server = vyntest::sharedPgServer();
        if (!m_server)
            GTEST_SKIP() << "PostgreSQL server programs not found (Debian package postgresql)";
        ASSERT_TRUE(m_server->started()) << m_server->error().toStdString();
        static bool roleMade = false;
        if (!roleMade) {
            ASSERT_TRUE(m_server->createRole(QLatin1String(kRole), QLatin1String(kPassword)))
                << m_server->error().toStdString();
            roleMade = true;
        }
        m_database = m_server->createDatabase();
        ASSERT_FALSE(m_database.isEmpty()) << m_server->error().toStdString();
        ASSERT_TRUE(m_server->psql(
            QStringLiteral("ALTER DATABASE %1 OWNER TO %2").arg(m_database, QLatin1String(kRole))));
        usePasswordFile({{QLatin1String(kRole), QLatin1String(kPassword)}});
        m_base = uri(QLatin1String(kRole));
    }

    bool onServer() const { return GetParam() == SqlEngine::Postgres; }
    // What the program is given as its BaseName.
    QString base() const { return m_base; }
    QString uri(const QString& role) const
    {
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3")
            .arg(role)
            .arg(m_server->port())
            .arg(m_database);
    }
    vyntest::PgServer* server() const { return m_server; }
    // Rows put into the test's database by a program of their own.
    void seed(const std::vector<StoredRow>& rows) const
    {
        ConfigDatabase db;
        ASSERT_TRUE(db.Connect(m_base)) << db.lastError().toStdString();
        ASSERT_TRUE(db.appendRows(rows).ok);
    }
    QString databaseName() const { return m_database; }
    QString tempPath(const QString& name) const { return m_dir.filePath(name); }

    // libpq's password file, made for this test: role -> password.
    void usePasswordFile(const QList<QPair<QString, QString>>& passwords)
    {
        const QString path = m_dir.filePath(QStringLiteral("pgpass"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const auto& [role, password] : passwords)
            f.write(QStringLiteral("127.0.0.1:%1:*:%2:%3\n")
                        .arg(m_server->port())
                        .arg(role, password)
                        .toUtf8());
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", QFile::encodeName(path));
    }

private:
    QTemporaryDir m_dir;
    QString m_base;
    QString m_database;
    vyntest::PgServer* m_server = nullptr;
};

inline std::string engineName(const ::testing::TestParamInfo<SqlEngine>& info)
{
    return info.param == SqlEngine::Sqlite ? "SQLite" : "PostgreSQL";
}

#define VYN_ON_BOTH_ENGINES(suite)                                                                 \
    INSTANTIATE_TEST_SUITE_P(Engines, suite,                                                       \
                             ::testing::Values(::vyn::SqlEngine::Sqlite, ::vyn::SqlEngine::Postgres), \
                             ::vyn::test::engineName)

} // namespace vyn::test
