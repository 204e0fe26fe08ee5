// The import of an older DBF table of 50,000 rows into a database that holds
// 50,000 rows already: every row is looked up by serial number and appended;
// then the same table again, where every row is found and skipped.

#include "app/dbfimport.h"
#include "app/tdm1.h"
#include "tests/common/dbffixture.h"
#include "tests/common/fakedialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

using namespace vyn;

namespace {

constexpr int kRows = 50000;

double seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("MXVynBase.sqlite"));
    const QString tablePath = dir.filePath(QStringLiteral("Sub.dbf"));

    TDM1 db;
    if (!db.Connect(dbPath))
        return 1;
    std::vector<StoredRow> stored(kRows);
    for (int i = 0; i < kRows; ++i) {
        stored[i].setValue(QStringLiteral("SNUM"), QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')));
        stored[i].setValue(QStringLiteral("DATE"), QDate(2015, 1, 1));
    }
    if (!db.appendRows(stored).ok)
        return 1;

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

    test::FakeDialogs dialogs;
    OldDatabaseImport import(db, dialogs, NumberLocale());
    QElapsedTimer t;
    t.start();
    const std::clock_t cpu = std::clock();
    const ImportResult first = import.importFile(tablePath);
    const double s1 = seconds(t);
    const double cpu1 = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    t.restart();
    const ImportResult second = import.importFile(tablePath);
    const double s2 = seconds(t);
    if (!first.ok || first.added != kRows || !second.ok || second.skipped != kRows ||
        !dialogs.shown.isEmpty()) {
        std::fprintf(stderr, "bench: unexpected result\n");
        return 1;
    }
    // Wall time depends on the other work of the machine; the processor time less.
    std::printf("import of %d rows into %d rows: %.2f s (%.2f s processor), %.0f rows/s\n", kRows,
                kRows, s1, cpu1, kRows / s1);
    std::printf("the same table again (all skipped): %.2f s, %.0f rows/s\n", s2, kRows / s2);
    return 0;
}
