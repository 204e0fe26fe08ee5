#pragma once
// Direct use of SQLite under a Qt connection, for the few loops over every row
// where QSqlQuery's per-value work dominates. Callers keep a QSqlQuery path for
// connections of other drivers.

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringEncoder>
#include <QVariant>
#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace vyn {

// The SQLite handle of an open connection of the QSQLITE driver; nullptr otherwise.
sqlite3* sqliteHandle(const QSqlDatabase& db);

// A function argument's value as QSqlQuery::value() would give it, and the
// stored UTF-8 bytes of a text value (false for values of other kinds).
QVariant sqliteValue(sqlite3_value* value);
bool sqliteUtf8(sqlite3_value* value, QByteArrayView& text);

// Runs a statement whose WHERE calls the function `function` (arity arguments)
// for each row it visits, so that every row is met within one step and none is
// returned; visit gets the arguments. sorted: SQLite sorted rows on the way,
// so the visits were not in the statement's ORDER BY. False with error set.
bool visitRows(sqlite3* db, const char* function, int arity, const QByteArray& sql,
               const std::function<void(sqlite3_value** arguments)>& visit, bool& sorted,
               QString& error);

class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    // Binds parameter (1-based) the way Qt's SQLite driver binds that value.
    bool bind(int parameter, const QVariant& value);
    // Runs a statement that returns no rows and makes it ready to run again.
    bool run();
    qint64 lastInsertId() const;
    QString error() const;

    // Next row; false at the end or on a failure (then error() is set).
    bool next();
    bool failed() const { return m_failed; }
    qint64 integer(int column) const;
    // The value as QSqlQuery::value() gives it for the same column.
    QVariant value(int column) const;
    // value(column).toString() without the QVariant for text.
    QString text(int column) const;
    // The stored UTF-8 bytes of a text value (valid until the next step); false
    // for values of other kinds.
    bool utf8(int column, QByteArrayView& text) const;

private:
    // Binds text as Qt's driver does (as UTF-16, which SQLite stores as UTF-8),
    // valid UTF-16 as its UTF-8 straight away, kept until parameter is bound again.
    int bindText(int parameter, const QString& text);

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
    // Bound texts stay here, so that SQLite need not copy them.
    std::vector<QByteArray> m_texts;
    QStringEncoder m_utf8{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

} // namespace vyn
