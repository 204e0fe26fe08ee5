#include "app/vynbasemodel.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include <QDateTime>

using namespace vyn;
using namespace vyn::test;

namespace {

// A list over a database of a few rows, with Russian conventions fixed.
struct ListFixture
{
    QTemporaryDir dir;
    TDM1 db;
    FakeDialogs dialogs;
    std::unique_ptr<VynBaseModel> model;

    explicit ListFixture(const std::vector<StoredRow>& rows)
    {
        EXPECT_TRUE(db.Connect(dir.filePath(QStringLiteral("base.sqlite"))));
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

} // namespace

TEST(BrowsingList, ColumnsTitlesAndWhatMayBeEdited)
{
    ListFixture f(sampleRows());
    const QStringList titles{"Серийный номер", "Дата модификации", "Тип Винка",
                             "Схема",          "Комментарий",      "Кто конфигурировал"};
    const int widths[] = {120, 120, 69, 80, 194, 161};
    ASSERT_EQ(f.model->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(f.model->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(VynBaseModel::columnWidth(c), widths[c]);
        EXPECT_EQ(bool(f.model->flags(f.model->index(0, c)) & Qt::ItemIsEditable), c >= 4) << c;
    }
    EXPECT_EQ(f.serials(),
              (QStringList{"00120001", "99990012", "12001200", "34567890", "ABCD0012"}));
    EXPECT_EQ(f.column(VynBaseModel::Date),
              (QStringList{"31.12.2014", "01.01.2015", "20.07.2015 14:05:09", "29.02.2016",
                           "01.01.2020"}));
    EXPECT_EQ(f.model->index(3, VynBaseModel::TypeVyn).data().toString(), QStringLiteral("03"));
    EXPECT_EQ(f.model->index(3, VynBaseModel::Cxema).data().toString(), QStringLiteral("17"));
    EXPECT_EQ(f.model->index(2, 0).data(VynBaseModel::IdRole).toLongLong(), f.db.ids()[2]);
    EXPECT_EQ(f.model->rowOfId(f.db.ids()[4]), 4);
}

TEST(BrowsingList, FilterAcceptsTheSearchTextAnywhereInTheShownText)
{
    struct Case
    {
        const char* text;
        int column;
        QStringList serials;
    };
    const Case cases[] = {
        {"2015", VynBaseModel::Date, {"99990012", "12001200"}},
        {"0012", VynBaseModel::Snum, {"00120001", "99990012", "12001200", "ABCD0012"}},
        {"abcd", VynBaseModel::Snum, {"ABCD0012"}},
        {"ab", VynBaseModel::Comment, {"00120001", "99990012", "12001200"}},
        {"аб", VynBaseModel::Comment, {"34567890"}},
        {"КОТЕЛ", VynBaseModel::Comment, {"00120001"}},
        {"14:05", VynBaseModel::Date, {"12001200"}},
        {"03", VynBaseModel::TypeVyn, {"34567890"}},
        {"7", VynBaseModel::Cxema, {"34567890"}},
        {"", VynBaseModel::Snum, {}},
        {" ", VynBaseModel::Comment, {"00120001", "99990012", "34567890"}},
        {"nothing", VynBaseModel::Comment, {}},
    };
    ListFixture f(sampleRows());
    for (const Case& c : cases) {
        f.model->setSearch(QString::fromUtf8(c.text), c.column);
        f.model->setFiltered(true);
        EXPECT_TRUE(f.model->isFiltered());
        EXPECT_EQ(f.serials(), c.serials) << c.text;
    }
    f.model->setFiltered(false);
    EXPECT_EQ(f.model->rowCount(), 5);
}

TEST(BrowsingList, FilterKeepsItsTextUntilSwitchedOnAgainAndFollowsChanges)
{
    ListFixture f(sampleRows());
    f.model->setSearch(QStringLiteral("0012"), VynBaseModel::Snum);
    f.model->setFiltered(true);
    ASSERT_EQ(f.model->rowCount(), 4);
    // A new text highlights at once; the rows change only when filtering again.
    f.model->setSearch(QStringLiteral("9999"), VynBaseModel::Snum);
    EXPECT_EQ(f.model->rowCount(), 4);
    f.model->setFiltered(true);
    EXPECT_EQ(f.serials(), QStringList{"99990012"});

    // Rows that change under the filter are filtered again.
    f.model->setSearch(QStringLiteral("0012"), VynBaseModel::Snum);
    f.model->setFiltered(true);
    ASSERT_TRUE(f.db.setCurrentId(f.model->idAt(0)));
    ASSERT_TRUE(f.db.deleteRow(*f.db.currentId()));
    EXPECT_EQ(f.serials(), (QStringList{"99990012", "12001200", "ABCD0012"}));
    f.db.appendRows({listRow(QStringLiteral("77001277"), QDate(2030, 1, 1))});
    EXPECT_EQ(f.serials(), (QStringList{"99990012", "12001200", "ABCD0012", "77001277"}));
    EXPECT_EQ(f.model->rowOfId(f.db.ids()[0]), 0);
    EXPECT_EQ(f.model->rowOfId(f.db.ids()[2]), -1); // 34567890 is filtered out
}

TEST(BrowsingList, HighlightsTheSearchTextInTheSearchColumnWithFilteringOff)
{
    ListFixture f(sampleRows());
    const auto lit = [&](int column) {
        QList<bool> out;
        for (int r = 0; r < f.model->rowCount(); ++r)
            out << f.model->index(r, column).data(VynBaseModel::HighlightRole).toBool();
        return out;
    };
    f.model->setSearch(QStringLiteral("ab"), VynBaseModel::Comment);
    EXPECT_FALSE(f.model->isFiltered());
    EXPECT_EQ(lit(VynBaseModel::Comment), (QList<bool>{true, true, true, false, false}));
    EXPECT_EQ(lit(VynBaseModel::Snum), (QList<bool>{false, false, false, false, false}));
    f.model->setSearch(QStringLiteral("ab"), VynBaseModel::Snum);
    EXPECT_EQ(lit(VynBaseModel::Snum), (QList<bool>{false, false, false, false, true}));
    EXPECT_EQ(lit(VynBaseModel::Comment), (QList<bool>{false, false, false, false, false}));
    // A blank search text marks nothing; a text with blanks is searched as typed.
    f.model->setSearch(QStringLiteral("  "), VynBaseModel::Comment);
    EXPECT_EQ(lit(VynBaseModel::Comment), (QList<bool>{false, false, false, false, false}));
    f.model->setSearch(QStringLiteral("б к"), VynBaseModel::Comment);
    EXPECT_EQ(lit(VynBaseModel::Comment), (QList<bool>{false, false, false, true, false}));
    f.model->setSearch(QStringLiteral("2015"), VynBaseModel::Date);
    EXPECT_EQ(lit(VynBaseModel::Date), (QList<bool>{false, true, true, false, false}));
    // MANAGER is not a search column.
    f.model->setSearch(QStringLiteral("x"), VynBaseModel::Manager);
    EXPECT_FALSE(
        f.model->index(0, VynBaseModel::Manager).data(VynBaseModel::HighlightRole).toBool());
}

TEST(BrowsingList, CommentAndManagerAreStoredIntoTheRow)
{
    ListFixture f(sampleRows());
    const QModelIndex comment = f.model->index(1, VynBaseModel::Comment);
    const qint64 id = f.model->idAt(1);
    EXPECT_TRUE(f.model->setData(comment, QStringLiteral("новый")));
    EXPECT_EQ(comment.data().toString(), QStringLiteral("новый"));
    EXPECT_EQ(f.db.readRow(id)->value(QStringLiteral("COMMENT")),
              QVariant(QStringLiteral("новый")));
    EXPECT_TRUE(
        f.model->setData(f.model->index(1, VynBaseModel::Manager), QStringLiteral("PC\\petr")));
    EXPECT_EQ(f.db.readRow(id)->value(QStringLiteral("MANAGER")),
              QVariant(QStringLiteral("PC\\petr")));
    EXPECT_FALSE(f.model->setData(f.model->index(1, VynBaseModel::Snum), QStringLiteral("1")));
    EXPECT_TRUE(f.dialogs.shown.isEmpty());

    // Too long for the column: said so, and nothing changes.
    EXPECT_FALSE(f.model->setData(comment, QString(121, QLatin1Char('x'))));
    EXPECT_EQ(f.dialogs.messages(), QStringList{"Была ошибка при создании базы"});
    EXPECT_EQ(f.dialogs.shown.value(0).caption, QStringLiteral("Сообщение"));
    EXPECT_EQ(f.db.readRow(id)->value(QStringLiteral("COMMENT")),
              QVariant(QStringLiteral("новый")));

    // An edited comment is what the filter sees next.
    f.model->setSearch(QStringLiteral("нов"), VynBaseModel::Comment);
    f.model->setFiltered(true);
    EXPECT_EQ(f.serials(), QStringList{"99990012"});
}

TEST(BrowsingList, RefreshShowsWhatAnotherProgramChanged)
{
    ListFixture f(sampleRows());
    TDM1 other;
    ASSERT_TRUE(other.Connect(f.db.path()));
    other.appendRows({listRow(QStringLiteral("55555555"), QDate(2031, 1, 1))});
    EXPECT_EQ(f.model->rowCount(), 5);
    f.model->refresh();
    ASSERT_EQ(f.model->rowCount(), 6);
    EXPECT_EQ(f.model->index(5, 0).data().toString(), QStringLiteral("55555555"));
    // A row deleted elsewhere shows empty until the next refresh, and is not found.
    ASSERT_TRUE(other.deleteRow(f.model->idAt(4)));
    EXPECT_EQ(f.model->index(4, 0).data().toString(), QStringLiteral("ABCD0012")); // cached
    f.model->setSearch(QStringLiteral("ABCD"), VynBaseModel::Snum);
    f.model->setFiltered(true);
    EXPECT_EQ(f.model->rowCount(), 0);
}

TEST(BrowsingList, NoDatabaseIsAnEmptyList)
{
    TDM1 db;
    FakeDialogs dialogs;
    VynBaseModel model(db, dialogs);
    EXPECT_EQ(model.rowCount(), 0);
    model.setSearch(QStringLiteral("1"), 0);
    model.setFiltered(true);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 0).isValid());
    EXPECT_EQ(model.idAt(0), 0);
}

// Run under several system locales (LANG/LC_ALL set by the test registration).
TEST(ListDates, ShownAndFoundAsDayMonthYearUnderAnyLocale)
{
    QTemporaryDir dir;
    TDM1 db;
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
