// The reads the browsing list makes, over 100,000 whole configurations, on an
// SQLite file and on a throw-away PostgreSQL server side by side: the ordered
// ID list, one screen of the six list columns fetched by window (at the top and
// at the end, where the program starts), the one-column read of the first
// filter keystroke, and the same filter done by the engine.

#include "app/sqldialect.h"
#include "app/tdm1.h"
#include "model/rowcodec.h"
#include "tests/model/recordfixture.h"
#include "tests/support/pgserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

using namespace vyn;

namespace {

constexpr int kRows = 100000;
constexpr int kScreen = 30;

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

bool fill(QSqlDatabase& db, const SqlDialect& dialect, QString& error)
{
    QSqlQuery q(db);
    for (const QString& sql : dialect.schemaStatements())
        if (!q.exec(sql)) {
            error = q.lastError().text();
            return false;
        }
    const NumberLocale comma(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
    const StoredRow base =
        saveRecord(test::newerWithPressures(),
                   {1, QDate(2004, 1, 1), QDate(2015, 1, 1), QStringLiteral("PC\\ivan")}, comma)
            .row;
    QStringList names, marks;
    for (const ColumnSpec& c : vynBaseColumns())
        if (c.kind != ColumnKind::AutoNumber) {
            names << SqlDialect::quoted(c.name);
            marks << QStringLiteral("?");
        }
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO \"VYN_Base\" (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    for (int i = 0; i < kRows; ++i) {
        StoredRow row = base;
        row.setValue(QStringLiteral("SNUM"), QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')));
        row.setValue(QStringLiteral("DATE"), QDate(2015, 1, 1).addDays(i % 3000));
        for (const ColumnSpec& c : vynBaseColumns())
            if (c.kind == ColumnKind::YesNo && dialect.engine() == SqlEngine::Postgres)
                q.addBindValue(row.value(c.name).isNull() ? QVariant()
                                                          : QVariant(row.value(c.name).toBool()));
            else if (c.kind != ColumnKind::AutoNumber)
                q.addBindValue(TDM1::toStored(c, row.value(c.name)));
        if (!q.exec()) {
            error = q.lastError().text();
            return false;
        }
    }
    return db.commit();
}

struct Figures
{
    double ids = 0, top = 0, end = 0, column = 0, filter = 0;
    int found = 0;
};

Figures measure(QSqlDatabase& db)
{
    Figures f;
    QElapsedTimer t;
    QSqlQuery q(db);
    q.setForwardOnly(true);

    t.start();
    q.exec(QStringLiteral("SELECT \"ID\" FROM \"VYN_Base\" ORDER BY \"DATE\", \"ID\""));
    std::vector<qint64> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    f.ids = ms(t);

    const QString window = QStringLiteral("SELECT \"ID\", \"SNUM\", \"DATE\", \"TYPE_VYN\", "
                                          "\"CXEMA\", \"COMMENT\", \"MANAGER\" FROM \"VYN_Base\" "
                                          "ORDER BY \"DATE\", \"ID\" LIMIT %1 OFFSET %2");
    t.restart();
    q.exec(window.arg(kScreen).arg(0));
    while (q.next())
        q.value(1);
    f.top = ms(t);
    t.restart();
    q.exec(window.arg(kScreen).arg(kRows - kScreen));
    while (q.next())
        q.value(1);
    f.end = ms(t);

    t.restart();
    q.exec(QStringLiteral("SELECT \"ID\", \"SNUM\" FROM \"VYN_Base\""));
    std::vector<std::pair<qint64, QString>> column;
    column.reserve(kRows);
    while (q.next())
        column.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
    f.column = ms(t);

    t.restart();
    q.exec(QStringLiteral("SELECT \"ID\" FROM \"VYN_Base\" WHERE lower(\"SNUM\") LIKE '%0012%'"));
    while (q.next())
        ++f.found;
    f.filter = ms(t);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    vyntest::PgServer* server = vyntest::sharedPgServer();
    std::printf("%-10s %9s %9s %9s %11s %11s %7s\n", "engine", "ids ms", "top ms", "end ms",
                "column ms", "filter ms", "found");
    for (SqlEngine engine : {SqlEngine::Sqlite, SqlEngine::Postgres}) {
        const SqlDialect dialect(engine);
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driver(), dialect.driver());
        if (engine == SqlEngine::Postgres) {
            if (!server || !server->started()) {
                std::printf("PostgreSQL: %s\n",
                            server ? server->error().toUtf8().constData()
                                   : "server programs not found (Debian package postgresql)");
                continue;
            }
            db.setHostName(server->socketDir());
            db.setPort(server->port());
            db.setUserName(vyntest::PgServer::superuser());
            db.setDatabaseName(server->createDatabase());
        } else {
            db.setDatabaseName(dir.filePath(QStringLiteral("MXVynBase.sqlite")));
        }
        QString error;
        if (!db.open() || !fill(db, dialect, error)) {
            std::fprintf(stderr, "bench: %s\n",
                         (error.isEmpty() ? db.lastError().text() : error).toUtf8().constData());
            return 1;
        }
        if (engine == SqlEngine::Postgres)
            QSqlQuery(db).exec(QStringLiteral("ANALYZE"));
        const Figures f = measure(db);
        std::printf("%-10s %9.1f %9.1f %9.1f %11.1f %11.1f %7d\n",
                    engine == SqlEngine::Postgres ? "PostgreSQL" : "SQLite", f.ids, f.top, f.end,
                    f.column, f.filter, f.found);
        db.close();
    }
    vyntest::stopSharedPgServer();
    return 0;
}
