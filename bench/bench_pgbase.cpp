// The reads the browsing list makes, over 100,000 whole configurations, on an
// SQLite file and on a throw-away PostgreSQL server side by side: the ordered
// ID list, one screen of the six list columns fetched by window (at the top and
// at the end, where the program starts), the one-column read of the first
// filter keystroke, and the same filter done by the engine. Then the program's
// own figures on both: start-up (connect and the first screen at the last row)
// and the filter's first and next keystrokes, through the list model.

#include "app/configdatabase.h"
#include "app/sqldialect.h"
#include "app/vynbasemodel.h"
#include "model/rowcodec.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"
#include "tests/support/pgserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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
                q.addBindValue(ConfigDatabase::toStored(c, row.value(c.name)));
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

void paint(const VynBaseModel& model, int firstRow)
{
    for (int r = std::max(0, firstRow); r < std::min(firstRow + kScreen, model.rowCount()); ++r)
        for (int c = 0; c < VynBaseModel::ColumnCount; ++c) {
            model.index(r, c).data();
            model.index(r, c).data(VynBaseModel::HighlightRole);
        }
}

// The program on the database baseName names: start-up to the first screen, the
// first filter keystroke and the next one.
void measureProgram(const char* engine, const QString& baseName)
{
    const NumberLocale comma(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
    test::FakeDialogs dialogs;
    QElapsedTimer t;
    t.start();
    ConfigDatabase db;
    if (!db.Connect(baseName)) {
        std::printf("%-10s cannot connect: %s\n", engine, db.lastError().toUtf8().constData());
        return;
    }
    VynBaseModel model(db, dialogs, comma, QLocale(QLocale::Russian, QLocale::Russia));
    db.Last();
    paint(model, model.rowCount() - kScreen);
    const double start = ms(t);
    t.restart();
    model.setSearch(QStringLiteral("0012"), VynBaseModel::Snum);
    model.setFiltered(true);
    paint(model, 0);
    const double first = ms(t);
    t.restart();
    model.setSearch(QStringLiteral("00123"), VynBaseModel::Snum);
    model.setFiltered(true);
    paint(model, 0);
    const double next = ms(t);
    std::printf("%-10s %13.1f %13.1f %12.1f %7d\n", engine, start, first, next, model.rowCount());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    vyntest::PgServer* server = vyntest::sharedPgServer();
    std::printf("%-10s %9s %9s %9s %11s %11s %7s\n", "engine", "ids ms", "top ms", "end ms",
                "column ms", "filter ms", "found");
    QStringList programBases;
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
            // The program reaches the server as an engineer's machine does: TCP and ~/.pgpass.
            server->psql(QStringLiteral("ALTER ROLE postgres PASSWORD 'bench'"));
            QFile pass(dir.filePath(QStringLiteral("pgpass")));
            pass.open(QIODevice::WriteOnly);
            pass.write(QStringLiteral("127.0.0.1:%1:*:postgres:bench\n").arg(server->port()).toUtf8());
            pass.close();
            pass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            qputenv("PGPASSFILE", QFile::encodeName(pass.fileName()));
            programBases << QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2")
                                .arg(server->port())
                                .arg(db.databaseName());
        } else {
            db.setDatabaseName(dir.filePath(QStringLiteral("MXVynBase.sqlite")));
            programBases << db.databaseName();
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
    std::printf("\nthe program:\n%-10s %13s %13s %12s %7s\n", "engine", "start ms",
                "1st key ms", "next key ms", "rows");
    for (const QString& base : programBases)
        measureProgram(DatabaseLocation::looksLikeServer(base) ? "PostgreSQL" : "SQLite", base);
    vyntest::stopSharedPgServer();
    return 0;
}
