#pragma once
// Where the configuration database lives and the few places where the SQL of
// the two supported engines differs. A stored "BaseName" is either a plain
// path (an SQLite file) or a connection URI "postgresql://user@host:port/db"
// (a team database on a PostgreSQL server). Every other statement of the
// database layer is written once and holds for both.

#include "model/storedrow.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vyn {

enum class SqlEngine
{
    Sqlite,
    Postgres
};

struct DatabaseLocation
{
    SqlEngine engine = SqlEngine::Sqlite;
    QString path; // SQLite: the file
    // PostgreSQL: what the URI names; empty fields take libpq's defaults.
    QString host;
    int port = 0;
    QString database;
    QString user;
    QStringList options; // "sslmode=require", ... as the URI's query gives them

    bool isServer() const { return engine == SqlEngine::Postgres; }
    // The text kept in the settings: the path itself, or the URI (no password,
    // ever: it comes from ~/.pgpass or is asked for).
    QString toString() const;

    // A text starting "postgresql://" or "postgres://" is a server; anything
    // else is a path. Nullopt with error set for a URI that cannot be read
    // (a password in it is refused, so it is never stored by accident).
    static std::optional<DatabaseLocation> parse(const QString& text, QString& error);
    static bool looksLikeServer(const QString& text);
};

class SqlDialect
{
public:
    explicit SqlDialect(SqlEngine engine) : m_engine(engine) {}
    SqlEngine engine() const { return m_engine; }
    // The Qt driver of the engine.
    QString driver() const;

    // Not a column of the record: counts the changes of a row so that two
    // programs on one database notice each other's saves.
    static QString rowVersionColumn() { return QStringLiteral("ROWVERSION"); }
    static QString rowVersionType() { return QStringLiteral("INTEGER NOT NULL DEFAULT 0"); }

    // A name as the schema spells it; quoted so that PostgreSQL keeps its case.
    static QString quoted(const QString& name);
    QString columnType(const ColumnSpec& column) const;
    // CREATE TABLE (the record's columns, then the row version) and its indexes.
    QStringList schemaStatements() const;
    // The index the list order (DATE, ties by ID) is read through, a window of it
    // at a time; files of older versions get it when they are opened for writing.
    static QString listOrderIndex();

    // The column equal to one bound value, compared as SQLite's NOCASE does
    // (the Latin letters only, whatever the server's collation), in a form the
    // SNUM index of schemaStatements() answers.
    QString serialMatch(const QString& column) const;
    // Starts a write transaction that takes the write lock before it reads.
    QString beginWrite() const;
    // Appended to a SELECT inside a write: the rows read stay as read until the
    // commit (SQLite's write lock already holds the whole file).
    QString lockRead() const;
    // Appended to an INSERT so that it answers the new row's ID; empty when the
    // driver's lastInsertId() does.
    QString returningId() const;
    // Makes sure a file from elsewhere has the SNUM index; empty when the schema
    // is the owner's business (a server's users may not change it).
    QString ensureSerialIndex() const;
    // Run after rows were inserted with their own IDs, so that the next appended
    // row gets an ID above them; empty when the engine sees to it by itself.
    QString afterExplicitIds() const;
    // Run on every new connection: how long a statement waits for a lock.
    QStringList sessionStatements(int lockTimeoutMs) const;
    // Whether the engine failed a statement for another connection's lock.
    bool isLockTimeout(const QString& nativeErrorCode) const;
    // Whether names of the table and its columns compare without regard to case.
    bool namesIgnoreCase() const { return m_engine == SqlEngine::Sqlite; }
    // The names of the user tables, one per row.
    QString tablesQuery() const;
    // The column names of a table, one per row in column 0.
    QString columnsQuery(const QString& table) const;

private:
    SqlEngine m_engine;
};

} // namespace vyn
