#pragma once
// The data module: the connection to the configuration database (an SQLite file
// or a PostgreSQL server) and the one cursor over VYN_Base whose current row is the current
// configuration of the whole program. Rows are kept in ascending DATE order, ties by ID; the cursor
// names its row by ID. Only the IDs are held in memory, and only a window of them until more are
// asked for; values are read when asked for.

#include "app/databaseconnector.h"
#include "app/sqldialect.h"
#include "model/storedrow.h"

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_value;

namespace vyn {

class SqliteStatement;
// Said when a file that cannot be written is opened, and when a change is refused for it.
QString readOnlyMessage(const QString& path);

class ConfigDatabase
{
public:
    struct Options
    {
        // How long a statement waits for another program's lock before it fails.
        int busyTimeoutMs = 5000;
        // While another program's import holds the database, a write waits as long
        // as this returns true; it is called every few tenths of a second with the
        // text to show, and once with an empty text when the wait is over. None:
        // after the busy timeout the write fails with kImportBusyMessage.
        std::function<bool(const QString& text)> waitForImport = nullptr;
        // Asked for a server's password when ~/.pgpass has none; kept for the session.
        DatabaseConnector::PasswordPrompt passwordPrompt = nullptr;
    };

    // What a write says when another program's import holds the database.
    static const QString kImportWaitMessage;
    static const QString kImportBusyMessage;
    static const QString kBusyMessage;
    // What a command says when the server connection broke during it.
    static const QString kConnectionLostMessage;

    enum class ConnectError
    {
        None,
        CannotOpen,     // no such directory, no permission, locked, ...
        NotDatabase,    // the file is not an SQLite database
        NoTable,        // a database of something else: it has tables but no VYN_Base
        MissingColumns, // VYN_Base lacks columns the program needs
    };

    struct PostResult
    {
        bool ok = false;
        qint64 id = 0;
        QString error; // the engine's reason when !ok
        // Not posted because the row is not as expected: another program changed
        // (or deleted) it since it was read.
        bool changedElsewhere = false;
        bool gone = false;
        bool readOnly = false; // not posted because the file is open read-only
    };

    enum class DeleteResult
    {
        Deleted,
        Failed,           // lastError() says why
        ChangedElsewhere, // the row's version is not the expected one; kept
        Gone,             // no such row (deleted by another program)
        ReadOnly,
    };

    ConfigDatabase();
    explicit ConfigDatabase(Options options);
    ~ConfigDatabase();
    ConfigDatabase(const ConfigDatabase&) = delete;
    ConfigDatabase& operator=(const ConfigDatabase&) = delete;

    // Close, open the database baseName names (a path: an SQLite file; a
    // "postgresql://" URI: a server), create the table in a new or empty one, open
    // the table in DATE order with the cursor on the first row. A refused database
    // is left as it was. The caller reports a failure.
    bool Connect(const QString& baseName);
    void setPasswordPrompt(DatabaseConnector::PasswordPrompt prompt)
    {
        m_options.passwordPrompt = std::move(prompt);
    }
    void Close();
    bool isOpen() const { return m_open; }
    // The file or its directory cannot be written: the rows can be browsed only.
    bool isReadOnly() const { return m_readOnly; }
    // What Connect was given: the file's path or the server's URI.
    QString path() const { return m_path; }
    SqlEngine engine() const { return m_dialect.engine(); }
    const SqlDialect& dialect() const { return m_dialect; }
    ConnectError connectError() const { return m_connectError; }
    QString lastError() const { return m_lastError; }
    // The connection, for readers that need their own statements (the list model).
    QSqlDatabase database() const;

    // --- the cursor
    int RecordCount() const { return m_count; }
    // 1-based position of the current row; 0 when there is none.
    int RecNo() const { return m_current < 0 ? 0 : m_current + 1; }
    std::optional<qint64> currentId() const;
    bool setCurrentId(qint64 id);
    void setCurrentPosition(int position); // clamped; -1 only when empty
    void First();
    void Last();
    // The IDs in list order (all of them are read), the ID at a position (0 when
    // there is none) and the position of one (-1 when absent).
    const std::vector<qint64>& ids() const;
    qint64 idAt(int position) const;
    int positionOf(qint64 id) const;
    // True once after the rest of the IDs, read when first asked for, showed that
    // another program had changed the rows since the last notification; the caller
    // announces it (a refresh of what it shows) outside the reading call.
    bool takeUnannouncedChange() const;

    // One value of a column as the engine returned it.
    class Cell
    {
    public:
        // The value as QSqlQuery::value() gives it.
        QVariant value() const;
        // The text as stored, UTF-8, when the engine gives it straight (an SQLite
        // text); false otherwise, and value() tells.
        bool utf8(QByteArrayView& text) const;

    private:
        friend class ConfigDatabase;
        sqlite3_value* m_sqlite = nullptr;
        const SqliteStatement* m_statement = nullptr;
        const QSqlQuery* m_query = nullptr;
    };
    // Every row's value of one column (its name as the schema spells it), by
    // position in the list order; rows the order does not hold are passed over.
    // The whole order is read first when it is not yet known, as ids() reads it,
    // and on SQLite of the same moment as the values. False when the rows cannot
    // be read.
    bool forEachValue(const QString& column,
                      const std::function<void(int position, const Cell& value)>& each) const;

    // --- rows
    std::optional<StoredRow> readRow(qint64 id) const;
    std::optional<StoredRow> currentRow() const;
    // How often the row has been changed since it was appended (rows of files
    // written before the count existed start at 0); nullopt when there is no such row.
    std::optional<qint64> rowVersion(qint64 id) const;
    // In one write transaction: reads the row (an empty row for nullopt), lets
    // change() compute the new values and writes them (appends for nullopt). ID
    // is never written. The cursor moves to the posted row. With expectedVersion
    // the row is written only while its version is still that one.
    PostResult post(std::optional<qint64> id,
                    const std::function<StoredRow(const StoredRow&)>& change,
                    std::optional<qint64> expectedVersion = std::nullopt);
    // Appends many rows in one transaction; the cursor stays where it was.
    PostResult appendRows(const std::vector<StoredRow>& rows);
    bool deleteRow(qint64 id);
    DeleteResult deleteRow(qint64 id, std::optional<qint64> expectedVersion);

    // What runs inside inBatch(): lookups that see the rows appended so far, and
    // appends. Nothing is visible to others, nor kept, until the batch commits.
    class Batch
    {
    public:
        // Whether a row has this SNUM, Latin letters compared without regard to
        // case; through the SNUM index. False with error set when the lookup fails.
        bool containsSerial(const QString& serial, bool& found, QString& error);
        bool append(const StoredRow& row, qint64& id, QString& error);
        // Whether a row has this ID; and an append that keeps the row's ID (a copy
        // between databases). Later appends of either kind get IDs above it.
        bool containsId(qint64 id, bool& found, QString& error);
        bool appendWithId(const StoredRow& row, qint64 id, QString& error);

    private:
        friend class ConfigDatabase;
        Batch(const QSqlDatabase& db, const SqlDialect& dialect);
        bool prepareInsert(std::uint64_t columns, QString& error);
        SqlDialect m_dialect;
        QSqlDatabase m_db;
        QSqlQuery m_find;
        QSqlQuery m_insert;
        // The same insert straight on SQLite, when the connection is SQLite's.
        sqlite3* m_sqlite = nullptr;
        std::unique_ptr<SqliteStatement> m_sqliteInsert;
        std::uint64_t m_prepared = 0;
        bool m_insertPrepared = false;
        bool m_findPrepared = false;
        bool m_explicitIds = false;
    };
    // One write transaction around body: committed when body returns true, rolled
    // back otherwise (the file stays as it was). The cursor stays where it was.
    PostResult inBatch(const std::function<bool(Batch&, PostResult&)>& body);
    // One text column of one row (COMMENT, MANAGER); refused when too long.
    bool setText(qint64 id, const QString& column, const QString& text);
    // Every row in list order, read in one pass; stops when row() returns false.
    // False with lastError() set when the rows cannot be read.
    bool forEachRow(const std::function<bool(qint64 id, const StoredRow& row)>& row) const;
    // Re-reads the order of the rows; the cursor keeps its row when it still exists.
    bool Refresh();

    // Told after the set or order of rows changed (connect, close, refresh, post,
    // delete) and after one row's values changed (id given).
    using Listener = std::function<void(std::optional<qint64> changedId)>;
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // Values as the row holds them, from what the engine returns for a column,
    // and the value to bind for the engine's column.
    static QVariant fromStored(const ColumnSpec& column, const QVariant& stored);
    static QVariant toStored(const ColumnSpec& column, const QVariant& value,
                             SqlEngine engine = SqlEngine::Sqlite);

private:
    bool openFile(const QString& path);
    bool openServer(const DatabaseLocation& location);
    bool startServerSession(QString& error) const;
    // After a failed statement on a server: whether the connection is gone; it is
    // then opened again for the next command.
    bool connectionLost() const;
    // Runs start (prepare, bind, exec) on a new query of the connection; once more
    // after a server connection that broke was opened again.
    bool runReconnecting(QSqlQuery& q, const std::function<bool(QSqlQuery&)>& start) const;
    // The row's version; nullopt when there is no such row, or (failed set, with
    // the engine's reason in r) when it could not be read.
    std::optional<qint64> storedVersion(qint64 id, bool lock, bool& failed, PostResult& r) const;
    bool checkOrCreateTable();
    bool addRowVersion(QSqlQuery& q);
    QString versionBump() const;
    bool widenRash();
    bool openTable();
    bool loadIds();
    bool readWindow(bool tail, int& count, std::vector<qint64>& ids, QString& error) const;
    bool readAllIds(std::vector<qint64>& ids, QString& error) const;
    bool windowAt(int position) const;
    bool loadAll() const;
    void adoptWhole(std::vector<qint64> ids) const;
    bool forEachValueInSnapshot(const QString& column,
                                const std::function<void(int, const Cell&)>& each) const;
    void adopt(std::vector<qint64> ids, int windowStart, bool complete) const;
    bool fail(ConnectError error, const QString& text);
    void dropConnection();
    PostResult inWriteTransaction(const std::function<bool(QSqlDatabase&, PostResult&)>& body,
                                  bool markAsImport = false);
    bool writeRow(QSqlDatabase& db, std::optional<qint64> id, const StoredRow& row, qint64& newId,
                  QString& error);
    void notify(std::optional<qint64> id = std::nullopt);

    Options m_options;
    QString m_connectionName;
    QString m_path;
    SqlDialect m_dialect{SqlEngine::Sqlite};
    DatabaseConnector m_connector;
    bool m_open = false;
    bool m_readOnly = false;
    bool m_hasVersion = false;
    ConnectError m_connectError = ConnectError::None;
    mutable bool m_lockTimedOut = false;
    bool m_inTransaction = false; // the last write waited too long for a row
    mutable QString m_lastError;
    // The ordered IDs of positions [m_windowStart, m_windowStart + m_ids.size());
    // all of them once m_complete. A window is read with the row count in one
    // statement; the rest when a position beyond it is asked for.
    mutable int m_count = 0;
    mutable std::vector<qint64> m_ids;
    mutable int m_windowStart = 0;
    mutable bool m_complete = false;
    // Positions of the complete list by ID: an array over the span of the IDs when
    // they are dense, as a table's own IDs are; a hash otherwise.
    class Positions
    {
    public:
        void clear();
        void build(const std::vector<qint64>& ids);
        int find(qint64 id) const; // -1 when absent

    private:
        qint64 m_first = 0;
        std::vector<int> m_dense;
        std::unordered_map<qint64, int> m_sparse;
    };
    mutable Positions m_positions;
    mutable bool m_unannounced = false;
    mutable int m_current = -1;
    Listener m_listener;
};

} // namespace vyn
