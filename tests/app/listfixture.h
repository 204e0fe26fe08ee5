#pragma once
// The browsing list over a database of a few rows, with Russian conventions fixed.

#include "app/vynbasemodel.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include <QDateTime>

namespace vyn::test {

// A list over a database of a few rows, with Russian conventions fixed.
struct ListFixture
{
    QTemporaryDir dir;
    ConfigDatabase db;
    FakeDialogs dialogs;
    std::unique_ptr<VynBaseModel> model;

    // base: the database's BaseName; none: a file of the fixture's own.
    explicit ListFixture(const std::vector<StoredRow>& rows, const QString& base = {})
    {
        EXPECT_TRUE(db.Connect(base.isEmpty() ? dir.filePath(QStringLiteral("base.sqlite")) : base))
            << db.lastError().toStdString();
        EXPECT_TRUE(db.appendRows(rows).ok);
        model = std::make_unique<VynBaseModel>(
            db, dialogs, NumberLocale(QLatin1Char(','), QStringLiteral("dd.MM.yyyy")),
            QLocale(QLocale::Russian, QLocale::Russia));
    }

    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, c).data().toString();
        return out;
    }
    QStringList serials() const { return column(VynBaseModel::Snum); }
};

std::vector<StoredRow> sampleRows()
{
    std::vector<StoredRow> rows{
        listRow(QStringLiteral("00120001"), QDate(2014, 12, 31), QStringLiteral("Котельная AB")),
        listRow(QStringLiteral("99990012"), QDate(2015, 1, 1), QStringLiteral("склад Ab")),
        listRow(QStringLiteral("12001200"), QDateTime(QDate(2015, 7, 20), QTime(14, 5, 9)),
                QStringLiteral("ab")),
        listRow(QStringLiteral("34567890"), QDate(2016, 2, 29), QStringLiteral("АБ кириллицей")),
        listRow(QStringLiteral("ABCD0012"), QDate(2020, 1, 1), QString()),
    };
    rows[3].setValue(QStringLiteral("TYPE_VYN"), QStringLiteral("03"));
    rows[3].setValue(QStringLiteral("CXEMA"), QStringLiteral("17"));
    return rows;
}


} // namespace vyn::test
