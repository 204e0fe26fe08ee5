// vyntool base add, run as the program it is, on a real database file.

#include "toolrun.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

using namespace vyn::test;

namespace {

// SNUM of every row, in ID order; empty when the file does not exist.
QStringList storedSerials(const QString& path)
{
    QStringList out;
    if (!QFile::exists(path))
        return out;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT SNUM FROM VYN_Base ORDER BY ID")));
        while (q.next())
            out << (q.value(0).isNull() ? QStringLiteral("NULL") : q.value(0).toString());
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(CmdBase, BrokenFilesAreRefusedAndTheBatchAddsNothing)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("base.sqlite"));
    const QString good = dir.filePath(QStringLiteral("good.json"));
    writeFile(good, R"({"SNUM": "12345678", "TYPE_VYN": "04", "DATE": "2025-03-14"})");

    struct Case
    {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    for (const Case& c : {Case{"cut.json", R"({"SNUM": "1234)", "ошибка в JSON"},
                          Case{"array.json", R"([{"SNUM": "12345678"}])", "объектом JSON"},
                          Case{"empty.json", QByteArray(), "ошибка в JSON"}}) {
        const QString bad = dir.filePath(QString::fromLatin1(c.name));
        writeFile(bad, c.bytes);
        const ToolRun run = vyntool({QStringLiteral("base"), QStringLiteral("add"), db, good, bad,
                                     QStringLiteral("--set"), QStringLiteral("MANAGER=x")});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(run.err.contains(bad)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
        EXPECT_EQ(storedSerials(db), QStringList()) << c.name;
    }

    const ToolRun added = vyntool({QStringLiteral("base"), QStringLiteral("add"), db, good, good});
    EXPECT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(storedSerials(db), (QStringList{QStringLiteral("12345678"), QStringLiteral("12345678")}));
}
