// Texts bound to a statement run directly on SQLite are stored byte for byte
// as Qt's own SQLite driver stores them, however the bound buffers are reused.

#include "app/sqlitestatement.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

using namespace vyn;

TEST(SqliteStatement, BoundTextsAreStoredAsQtsDriverStoresThem)
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("sqlitestatement");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dir.filePath(QStringLiteral("texts.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (n INTEGER, a TEXT, b TEXT, ours INTEGER)")));

        const QChar lone[] = {QChar(0xD800), QChar(u'x')};
        const QString texts[] = {
            QStringLiteral("Котельная № 12"),
            QString(200, QChar(u'ж')), // longer than any text bound before it
            QStringLiteral("short"),   // into the longer text's buffer
            QString(),                 // null: NULL
            QStringLiteral(""),        // empty: an empty text
            QString(lone, 2),          // invalid UTF-16
            QString(lone, 1),          // a lone high surrogate at the end
            QStringLiteral("😀 ok"),   // a surrogate pair
        };
        sqlite3* handle = sqliteHandle(db);
        ASSERT_NE(handle, nullptr);
        // With each text a second parameter: another text, a blob, a number.
        const auto seconds = [](const QString& text) {
            return QList<QVariant>{QVariant(QStringLiteral("b ") + text), QVariant(text.toUtf8()),
                                   QVariant(text.size())};
        };
        {
            SqliteStatement ours(handle, "INSERT INTO t (n, a, b, ours) VALUES (?, ?, ?, 1)");
            ASSERT_TRUE(ours.isValid());
            int n = 0;
            for (const QString& text : texts)
                for (const QVariant& b : seconds(text))
                    ASSERT_TRUE(ours.bind(1, n++) && ours.bind(2, text) && ours.bind(3, b) &&
                                ours.run());
        }
        QSqlQuery qt(db);
        ASSERT_TRUE(qt.prepare(QStringLiteral("INSERT INTO t (n, a, b, ours) VALUES (?, ?, ?, 0)")));
        int n = 0;
        for (const QString& text : texts)
            for (const QVariant& b : seconds(text)) {
                qt.addBindValue(n++);
                qt.addBindValue(text);
                qt.addBindValue(b);
                ASSERT_TRUE(qt.exec());
            }

        QSqlQuery cmp(db);
        ASSERT_TRUE(cmp.exec(QStringLiteral(
            "SELECT o.n, quote(o.a), quote(q.a), typeof(o.b), typeof(q.b), quote(o.b), quote(q.b) "
            "FROM t o JOIN t q ON o.n = q.n AND o.ours = 1 AND q.ours = 0 ORDER BY o.n")));
        int rows = 0;
        while (cmp.next()) {
            ++rows;
            SCOPED_TRACE(cmp.value(0).toInt());
            EXPECT_EQ(cmp.value(1).toString(), cmp.value(2).toString());
            EXPECT_EQ(cmp.value(3).toString(), cmp.value(4).toString());
            EXPECT_EQ(cmp.value(5).toString(), cmp.value(6).toString());
        }
        EXPECT_EQ(rows, 3 * int(std::size(texts)));
    }
    QSqlDatabase::removeDatabase(name);
}
