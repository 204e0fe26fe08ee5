// vyntool import, run as the program it is, on tables written with shapelib.

#include "toolrun.h"

#include "tests/common/dbffixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn::test;

TEST(CmdImport, ReportsRowsAddedAndSkipped)
{
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("Sub.dbf"));
    const QString db = dir.filePath(QStringLiteral("base.sqlite"));
    ASSERT_TRUE(writeDbf(table, 0xC9, {{"SNUM", 'C', 20}, {"CXEMA", 'C', 3}, {"T", 'C', 50}},
                         {{QStringLiteral("101"), QStringLiteral("36"), QStringLiteral("1|1|||")},
                          {QStringLiteral("102"), QStringLiteral("40"), QStringLiteral("1|1|||")}}));

    const auto counts = [&](const ToolRun& run) {
        const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
        return std::pair(o.value(QStringLiteral("added")).toInt(-1),
                         o.value(QStringLiteral("skipped")).toInt(-1));
    };
    const ToolRun first =
        vyntool({QStringLiteral("import"), table, QStringLiteral("--db"), db, QStringLiteral("--json")});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(counts(first), std::pair(2, 0));
    const ToolRun second =
        vyntool({QStringLiteral("import"), table, QStringLiteral("--db"), db, QStringLiteral("--json")});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(counts(second), std::pair(0, 2));

    const ToolRun text = vyntool({QStringLiteral("import"), table, QStringLiteral("--db"), db});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains(QStringLiteral("добавлено строк: 0, пропущено: 2"))) << text.out.toStdString();

    // A file that is no table: refused, said on stderr, exit code 1.
    const QString junk = dir.filePath(QStringLiteral("junk.dbf"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("no table");
    }
    const ToolRun refused = vyntool({QStringLiteral("import"), junk, QStringLiteral("--db"), db});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(refused.err.isEmpty());

    EXPECT_EQ(vyntool({QStringLiteral("import"), table}).exitCode, 2); // no --db
}
