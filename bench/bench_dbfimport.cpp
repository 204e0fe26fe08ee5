// The import of an older DBF table of 50,000 rows into a database that holds
// 50,000 rows already: every row is looked up by serial number and appended;
// then the same table again, where every row is found and skipped. Next to it,
// in the same run, the anchor: Python's sqlite3 inserting the same 55 values per
// row into the same kind of database in one transaction, without and with a
// look-up of the serial number per row. Rounds are interleaved; medians shown.

#include "app/configdatabase.h"
#include "app/dbfimport.h"
#include "tests/common/dbffixture.h"
#include "tests/common/fakedialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace vyn;

namespace {

constexpr int kRows = 50000;
constexpr int kRounds = 3;

double seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

const char* const kAnchor = R"(
import json, sqlite3, sys, time
path, values, count, lookup = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == '1'
columns, row = json.load(open(values, encoding='utf-8'))
snum = columns.index('SNUM')
insert = 'INSERT INTO VYN_Base (%s) VALUES (%s)' % (
    ','.join('"%s"' % c for c in columns), ','.join('?' * len(columns)))
find = 'SELECT 1 FROM VYN_Base WHERE SNUM = ? COLLATE NOCASE LIMIT 1'
con = sqlite3.connect(path, isolation_level=None)
start = time.perf_counter()
con.execute('BEGIN IMMEDIATE')
for i in range(count):
    v = list(row)
    v[snum] = 'D%07d' % i
    if lookup:
        con.execute(find, (v[snum],)).fetchone()
    con.execute(insert, v)
con.execute('COMMIT')
print(count / (time.perf_counter() - start))
)";

// Rows per second of the anchor, or a negative number when it cannot run.
double anchorRate(const QString& python, const QString& db, const QString& values, bool lookup)
{
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(kAnchor), db, values,
                     QString::number(kRows), lookup ? QStringLiteral("1") : QStringLiteral("0")});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        std::fprintf(stderr, "bench: the anchor failed: %s\n",
                     p.readAllStandardError().constData());
        return -1;
    }
    return p.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString templatePath = dir.filePath(QStringLiteral("template.sqlite"));
    const QString tablePath = dir.filePath(QStringLiteral("Sub.dbf"));
    const QString valuesPath = dir.filePath(QStringLiteral("values.json"));
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));

    {
        ConfigDatabase db;
        if (!db.Connect(templatePath))
            return 1;
        std::vector<StoredRow> stored(kRows);
        for (int i = 0; i < kRows; ++i) {
            stored[i].setValue(QStringLiteral("SNUM"), QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')));
            stored[i].setValue(QStringLiteral("DATE"), QDate(2015, 1, 1));
        }
        if (!db.appendRows(stored).ok)
            return 1;
    }

    QList<QVariantList> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        rows.append({QStringLiteral("D%1").arg(i, 7, 10, QLatin1Char('0')), QStringLiteral("36"),
                     0x0201, QStringLiteral("1|1|-1|-1|"), 0x0906, 0x0201, 0x0605, 0x0100, 0x0203,
                     0x21, QStringLiteral("150|150|150|150|"), QStringLiteral("Котельная"), true,
                     QDate(2010, 5, 6)});
    if (!test::writeDbf(tablePath, 0x65,
                        {{"SNUM", 'C', 20}, {"Cxema", 'C', 3}, {"RASH", 'N', 10}, {"FIMP", 'C', 50},
                         {"DU", 'N', 10}, {"ISTPITRASX", 'N', 10}, {"TYPTERM", 'N', 10},
                         {"WKL", 'N', 10}, {"LPOG", 'N', 10}, {"R0", 'N', 10}, {"T", 'C', 50},
                         {"COMMENT", 'C', 120}, {"PITVYN", 'L', 1}, {"DATE", 'D', 8}},
                        rows))
        return 1;

    // The anchor stores what the import stores for such a row.
    {
        ConfigDatabase db;
        test::FakeDialogs dialogs;
        OldTable table;
        if (!db.Connect(dir.filePath(QStringLiteral("scratch.sqlite"))) || !table.open(tablePath) ||
            !table.readRow(0))
            return 1;
        const StoredRow row = OldDatabaseImport(db, dialogs, NumberLocale())
                                  .convertCurrentRow(table, QStringLiteral("D0000000"), 3);
        QJsonArray names, values;
        for (const QString& name : row.columns()) {
            names.append(name);
            values.append(QJsonValue::fromVariant(
                ConfigDatabase::toStored(*findColumn(name), row.value(name))));
        }
        QFile f(valuesPath);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(QJsonDocument(QJsonArray{names, values}).toJson());
    }

    std::vector<double> ours, again, processor, plain, lookup;
    for (int round = 0; round < kRounds; ++round) {
        const QString ourDb = dir.filePath(QStringLiteral("ours%1.sqlite").arg(round));
        const QString anchorDb = dir.filePath(QStringLiteral("anchor%1.sqlite").arg(round));
        const QString lookupDb = dir.filePath(QStringLiteral("lookup%1.sqlite").arg(round));
        for (const QString& copy : {ourDb, anchorDb, lookupDb})
            if (!QFile::copy(templatePath, copy))
                return 1;
        if (!python.isEmpty())
            plain.push_back(anchorRate(python, anchorDb, valuesPath, false));

        ConfigDatabase db;
        if (!db.Connect(ourDb))
            return 1;
        test::FakeDialogs dialogs;
        OldDatabaseImport import(db, dialogs, NumberLocale());
        QElapsedTimer t;
        t.start();
        const std::clock_t cpu = std::clock();
        const ImportResult first = import.importFile(tablePath);
        ours.push_back(kRows / seconds(t));
        processor.push_back(kRows / (double(std::clock() - cpu) / CLOCKS_PER_SEC));
        t.restart();
        const ImportResult second = import.importFile(tablePath);
        again.push_back(kRows / seconds(t));
        if (!first.ok || first.added != kRows || !second.ok || second.skipped != kRows ||
            !dialogs.shown.isEmpty()) {
            std::fprintf(stderr, "bench: unexpected result\n");
            return 1;
        }
        db.Close();

        if (!python.isEmpty())
            lookup.push_back(anchorRate(python, lookupDb, valuesPath, true));
        for (const QString& copy : {ourDb, anchorDb, lookupDb})
            QFile::remove(copy);
    }

    // Wall time depends on the other work of the machine; the processor time less.
    std::printf("import of %d rows into %d rows:  %8.0f rows/s (%.0f rows/s of processor time)\n",
                kRows, kRows, median(ours), median(processor));
    std::printf("the same table again (all skipped): %8.0f rows/s\n", median(again));
    if (python.isEmpty()) {
        std::printf("anchor: no python3 on the machine\n");
        return 0;
    }
    std::printf("anchor, Python sqlite3 bulk insert:  %8.0f rows/s; with a SNUM look-up per row: "
                "%.0f rows/s\n",
                median(plain), median(lookup));
    std::printf("ratio import / anchor: %.2f (target >= 0.50); / anchor with look-up: %.2f\n",
                median(ours) / median(plain), median(ours) / median(lookup));
    return 0;
}
