#include "pgserver.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vyntest {

namespace {

// A port nobody listens on now; the server binds it a moment later.
int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

QString serverUserUnderRoot()
{
    for (const char* name : {"postgres", "nobody"}) {
        if (::getpwnam(name))
            return QString::fromLatin1(name);
    }
    return {};
}

} // namespace

QString PgServer::binDir()
{
    const QByteArray forced = qgetenv("SETVYN_PG_BINDIR");
    if (!forced.isEmpty())
        return QFileInfo::exists(QString::fromLocal8Bit(forced) + QStringLiteral("/initdb"))
                   ? QString::fromLocal8Bit(forced)
                   : QString();
    // Debian keeps the server programs out of PATH, one folder per major version.
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& v : versions) {
        const QString dir = root.filePath(v + QStringLiteral("/bin"));
        if (QFileInfo::exists(dir + QStringLiteral("/initdb")) &&
            QFileInfo::exists(dir + QStringLiteral("/pg_ctl")))
            return dir;
    }
    return {};
}

PgServer::PgServer()
{
    const QString bin = binDir();
    if (bin.isEmpty()) {
        m_error = QStringLiteral("PostgreSQL server programs (initdb, pg_ctl) not found: "
                                 "install the Debian package postgresql");
        return;
    }
    // A short path: the socket's path must stay within 107 bytes.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/vynpgXXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary directory for the server");
        return;
    }
    if (::geteuid() == 0) {
        m_runAs = serverUserUnderRoot();
        const passwd* pw =
            m_runAs.isEmpty() ? nullptr : ::getpwnam(m_runAs.toLocal8Bit().constData());
        if (!pw ||
            ::chown(QFile::encodeName(m_dir->path()).constData(), pw->pw_uid, pw->pw_gid) != 0) {
            m_error = QStringLiteral("running as root and no unprivileged user to run the server");
            return;
        }
    }
    // Other users (a test's unprivileged program) reach the socket; the data stays 0700.
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
    m_port = freeLoopbackPort();
    const QString data = m_dir->filePath(QStringLiteral("data"));
    if (!run(asServerUser({bin + QStringLiteral("/initdb"), QStringLiteral("-D"), data,
                           QStringLiteral("-U"), superuser(), QStringLiteral("--auth-local=trust"),
                           QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("-E"),
                           QStringLiteral("UTF8"), QStringLiteral("--no-sync"),
                           QStringLiteral("--no-instructions")}))) {
        m_error = QStringLiteral("initdb failed: ") + m_error;
        return;
    }
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off "
                                           "-c synchronous_commit=off -c full_page_writes=off")
                                .arg(m_dir->path())
                                .arg(m_port);
    if (!run(asServerUser({bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), data,
                           QStringLiteral("-l"), m_dir->filePath(QStringLiteral("server.log")),
                           QStringLiteral("-o"), options, QStringLiteral("-w"),
                           QStringLiteral("-s"), QStringLiteral("start")}))) {
        m_error = QStringLiteral("pg_ctl start failed: ") + m_error;
        return;
    }
    m_started = true;
}

PgServer::~PgServer()
{
    if (m_started)
        run(asServerUser({binDir() + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                          m_dir->filePath(QStringLiteral("data")), QStringLiteral("-m"),
                          QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("-s"),
                          QStringLiteral("stop")}));
}

QString PgServer::socketDir() const
{
    return m_dir ? m_dir->path() : QString();
}

QStringList PgServer::asServerUser(const QStringList& command) const
{
    if (m_runAs.isEmpty())
        return command;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), m_runAs,
                       QStringLiteral("--")} +
           command;
}

bool PgServer::run(const QStringList& command, QString* output)
{
    QProcess p;
    // The server's own messages in one language whatever the test's locale.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("PGTZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(m_dir ? m_dir->path() : QDir::tempPath());
    p.start(command.first(), command.mid(1));
    if (!p.waitForStarted(10000)) {
        m_error = command.first() + QStringLiteral(": ") + p.errorString();
        return false;
    }
    p.waitForFinished(60000);
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (output)
        *output = out;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (m_error.isEmpty())
            m_error = out.trimmed();
        return false;
    }
    return true;
}

bool PgServer::psql(const QString& sql, const QString& database)
{
    const QString psqlProgram = QFileInfo::exists(binDir() + QStringLiteral("/psql"))
                                    ? binDir() + QStringLiteral("/psql")
                                    : QStringLiteral("psql");
    return run({psqlProgram, QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketDir(),
                QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"), superuser(),
                QStringLiteral("-d"), database.isEmpty() ? QStringLiteral("postgres") : database,
                QStringLiteral("-c"), sql});
}

bool PgServer::createRole(const QString& name, const QString& password)
{
    return psql(QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2'").arg(name, password));
}

QString PgServer::createDatabase()
{
    const QString name = QStringLiteral("db_%1").arg(++m_databases);
    return psql(QStringLiteral("CREATE DATABASE %1").arg(name)) ? name : QString();
}

namespace {
std::unique_ptr<PgServer>& sharedSlot()
{
    static std::unique_ptr<PgServer> server;
    return server;
}
} // namespace

PgServer* sharedPgServer()
{
    if (PgServer::binDir().isEmpty())
        return nullptr;
    if (!sharedSlot())
        sharedSlot() = std::make_unique<PgServer>();
    return sharedSlot().get();
}

void stopSharedPgServer()
{
    sharedSlot().reset();
}

} // namespace vyntest
