#pragma once
// A throw-away PostgreSQL server for tests and benchmarks: initdb into a
// temporary directory, started with pg_ctl on a Unix socket in that directory
// and on a free loopback port (the socket trusts its users, TCP asks for a
// password), stopped and removed at the end. The server
// refuses to run as root, so under root (CI) it runs as the "postgres" system
// user the server package creates ("nobody" when that is missing).

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace vyntest {

class PgServer
{
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // The directory of the server programs (initdb, pg_ctl, postgres), or empty.
    static QString binDir();

    // True when the server runs; otherwise error() says why (for GTEST_SKIP only
    // when the programs are missing: binDir() is empty).
    bool started() const { return m_started; }
    QString error() const { return m_error; }

    // The socket directory (a libpq host), the port and the superuser.
    QString socketDir() const;
    int port() const { return m_port; }
    static QString superuser() { return QStringLiteral("postgres"); }

    // Runs SQL as the superuser through psql on the socket; false (and error()
    // set) when psql fails. database defaults to "postgres".
    bool psql(const QString& sql, const QString& database = QString());
    // A login role; connections over TCP need its password, the socket trusts.
    bool createRole(const QString& name, const QString& password);
    // Creates a fresh database and returns its name (db_1, db_2, ...).
    QString createDatabase();

private:
    bool run(const QStringList& command, QString* output = nullptr);
    QStringList asServerUser(const QStringList& command) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_runAs; // empty: the current user
    int m_port = 0;
    int m_databases = 0;
    bool m_started = false;
    QString m_error;
};

// One server for the whole test program, started on first use; nullptr when
// the server programs are missing (the caller skips with PgServer's reason).
PgServer* sharedPgServer();
void stopSharedPgServer();

} // namespace vyntest
