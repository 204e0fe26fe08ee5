// The list's dates under the system's locale, whatever it is.

#include "listfixture.h"

using namespace vyn;
using namespace vyn::test;

// Run under several system locales (LANG/LC_ALL set by the test registration).
TEST(ListDates, ShownAndFoundAsDayMonthYearUnderAnyLocale)
{
    QTemporaryDir dir;
    ConfigDatabase db;
    FakeDialogs dialogs;
    ASSERT_TRUE(db.Connect(dir.filePath(QStringLiteral("base.sqlite"))));
    ASSERT_TRUE(db.appendRows(sampleRows()).ok);
    VynBaseModel model(db, dialogs);
    QStringList dates;
    for (int r = 0; r < model.rowCount(); ++r)
        dates << model.index(r, VynBaseModel::Date).data().toString();
    EXPECT_EQ(dates, (QStringList{"31.12.2014", "01.01.2015", "20.07.2015 14:05:09", "29.02.2016",
                                  "01.01.2020"}))
        << QLocale::system().name().toStdString();
    const std::pair<const char*, QStringList> searches[] = {
        {"2015", {"99990012", "12001200"}},
        {"01.01.", {"99990012", "ABCD0012"}},
        {"29.02.2016", {"34567890"}},
    };
    for (const auto& [text, serials] : searches) {
        model.setSearch(QString::fromUtf8(text), VynBaseModel::Date);
        model.setFiltered(true);
        QStringList found;
        for (int r = 0; r < model.rowCount(); ++r)
            found << model.index(r, VynBaseModel::Snum).data().toString();
        EXPECT_EQ(found, serials) << text << " " << QLocale::system().name().toStdString();
    }
}
