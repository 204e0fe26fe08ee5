// The browsing list over 100,000 stored configurations: time to open the
// database and draw the first screen (at the top, and at the last row where
// the program starts), to filter with a four-character text (the first time for
// a column and on each further keystroke), and to scroll to the last row.

#include "app/configdatabase.h"
#include "app/vynbasemodel.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include "model/rowcodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace vyn;

namespace {

constexpr int kRows = 100000;
constexpr int kScreen = 30; // rows of a maximised list

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void paint(const VynBaseModel& model, int firstRow)
{
    for (int r = firstRow; r < std::min(firstRow + kScreen, model.rowCount()); ++r)
        for (int c = 0; c < VynBaseModel::ColumnCount; ++c) {
            model.index(r, c).data();
            model.index(r, c).data(VynBaseModel::HighlightRole);
        }
}

// Milliseconds of SQLite's own LIKE over the file, IDs collected; negative on failure.
double likeAnchor(const QString& path, const char* text)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    sqlite3_stmt* q = nullptr;
    const QByteArray pattern = QByteArray("%") + text + "%";
    QElapsedTimer t;
    t.start();
    std::vector<sqlite3_int64> ids;
    if (sqlite3_prepare_v2(db, "SELECT ID FROM VYN_Base WHERE SNUM LIKE ?", -1, &q, nullptr) ==
            SQLITE_OK &&
        sqlite3_bind_text(q, 1, pattern.constData(), -1, SQLITE_TRANSIENT) == SQLITE_OK)
        while (sqlite3_step(q) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(q, 0));
    const double elapsed = ms(t);
    sqlite3_finalize(q);
    sqlite3_close(db);
    return ids.empty() ? -1 : elapsed;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("MXVynBase.sqlite"));
    const NumberLocale comma(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));

    // Whole configurations, as the editor saves them.
    const StoredRow base =
        saveRecord(test::newerWithPressures(),
                   {1, QDate(2004, 1, 1), QDate(2015, 1, 1), QStringLiteral("PC\\ivan")}, comma)
            .row;
    QElapsedTimer t;
    {
        ConfigDatabase db;
        if (!db.Connect(path)) {
            std::fprintf(stderr, "bench: %s\n", db.lastError().toUtf8().constData());
            return 1;
        }
        std::vector<StoredRow> rows(kRows, base);
        for (int i = 0; i < kRows; ++i) {
            rows[i].setValue(
                QStringLiteral("SNUM"),
                QStringLiteral("%1").arg(i * 7919 % 100000000, 8, 10, QLatin1Char('0')));
            rows[i].setValue(QStringLiteral("DATE"), QDate(2010, 1, 1).addDays(i / 30));
            rows[i].setValue(QStringLiteral("COMMENT"),
                             QStringLiteral("Котельная № %1").arg(i % 977));
        }
        t.start();
        if (!db.appendRows(rows).ok)
            return 1;
        std::printf("create %d rows:                 %8.1f ms\n", kRows, ms(t));
    }

    test::FakeDialogs dialogs;
    ConfigDatabase db;
    t.start();
    db.Connect(path);
    VynBaseModel model(db, dialogs, comma, QLocale(QLocale::Russian, QLocale::Russia));
    db.Last();
    paint(model, model.rowCount() - kScreen);
    std::printf("open + first screen (last row):   %8.1f ms\n", ms(t));
    t.start();
    paint(model, 0);
    std::printf("scroll to the first row:          %8.1f ms\n", ms(t));
    t.start();
    paint(model, model.rowCount() / 2);
    paint(model, model.rowCount() - 1);
    std::printf("jump to the middle and last row:  %8.1f ms\n", ms(t));

    struct Filter
    {
        const char* what;
        int column;
        const char* texts[3];
    };
    const Filter filters[] = {
        {"SNUM", VynBaseModel::Snum, {"0012", "0013", "0014"}},
        {"DATE", VynBaseModel::Date, {"2015", ".201", "01.2"}},
        {"COMMENT", VynBaseModel::Comment, {"ная ", "№ 12", "ЕЛЬН"}},
    };
    for (const Filter& f : filters)
        for (int k = 0; k < 3; ++k) {
            t.start();
            model.setSearch(QString::fromUtf8(f.texts[k]), f.column);
            model.setFiltered(true);
            paint(model, 0);
            std::printf("filter %-7s \"%s\" %s: %8.1f ms, %6d rows\n", f.what, f.texts[k],
                        k == 0 ? "(first)  " : "(keypress)", ms(t), model.rowCount());
        }
    t.start();
    paint(model, model.rowCount() - 1);
    std::printf("filtered: scroll to the last row: %8.1f ms\n", ms(t));

    t.start();
    model.setFiltered(false);
    paint(model, 0);
    std::printf("filter off:                       %8.1f ms\n", ms(t));

    // The first filter again, interleaved with its anchor: each round starts from
    // a fresh connection and model, as at program start (the cursor has read the
    // count and the last rows' IDs only).
    std::vector<double> first, anchor;
    for (int round = 0; round < 5; ++round) {
        anchor.push_back(likeAnchor(path, "0012"));
        ConfigDatabase started;
        if (!started.Connect(path))
            return 1;
        started.Last();
        VynBaseModel fresh(started, dialogs, comma, QLocale(QLocale::Russian, QLocale::Russia));
        t.start();
        fresh.setSearch(QStringLiteral("0012"), VynBaseModel::Snum);
        fresh.setFiltered(true);
        paint(fresh, 0);
        first.push_back(ms(t));
    }
    std::printf("first filter on SNUM \"0012\", median of 5: %.1f ms; anchor, SQLite LIKE: %.1f ms; "
                "ratio %.1f (target <= 3)\n",
                median(first), median(anchor), median(first) / median(anchor));
    return 0;
}
