#include "app/configdatabase.h"

#include "app/sqldialect.h"
#include "app/sqlitestatement.h"

#include <algorithm>
#include <sqlite3.h>
#include <utility>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vyn {

namespace {

QString quoted(const QString& name)
{
    return SqlDialect::quoted(name);
}

// Names as the schema spells them, quoted in statements: a server keeps their case.
const QString kTableName = QStringLiteral("VYN_Base");
const QString kTable = quoted(kTableName);
const QString kVersionName = SqlDialect::rowVersionColumn();
const QString kVersion = quoted(kVersionName);
const QString kVersionType = SqlDialect::rowVersionType();
const QString kId = quoted(QStringLiteral("ID"));

// Read-only for this program: marked so, or on a file system (or in a directory)
// that refuses writes. The owner's mark counts even for the superuser.
bool writable(const QFileInfo& info)
{
    return info.isWritable() && info.permission(QFileDevice::WriteOwner);
}

bool isSqliteFile(const QString& path, QString& error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString();
        return false;
    }
    static const QByteArray kMagic("SQLite format 3\0", 16);
    return f.size() == 0 || f.read(16) == kMagic;
}

// Runs one statement; false with the engine's reason.
bool run(QSqlQuery& q, const QString& sql, QString& error)
{
    if (q.exec(sql))
        return true;
    error = q.lastError().text();
    return false;
}

class WriteTransaction
{
public:
    WriteTransaction(const QSqlDatabase& db, const SqlDialect& dialect)
        : m_query(db), m_dialect(dialect)
    {
    }
    ~WriteTransaction()
    {
        if (m_begun && !m_done)
            m_query.exec(QStringLiteral("ROLLBACK"));
    }
    // IMMEDIATE: the write lock is taken (or waited for) before anything is read.
    bool begin(QString& error) { return m_begun = run(m_query, m_dialect.beginWrite(), error); }
    bool busy() const
    {
        return !m_begun && m_dialect.isLockTimeout(m_query.lastError().nativeErrorCode());
    }
    bool begun() const { return m_begun; }
    // Ends a failed transaction now, so that the connection answers again.
    void rollback()
    {
        if (m_begun && !m_done)
            m_query.exec(QStringLiteral("ROLLBACK"));
        m_done = true;
    }
    bool commit(QString& error)
    {
        m_done = run(m_query, QStringLiteral("COMMIT"), error);
        return m_done;
    }

private:
    QSqlQuery m_query;
    SqlDialect m_dialect;
    bool m_begun = false;
    bool m_done = false;
};

// Held beside the database by the program whose batch (an import) holds the write
// lock, so that another program can say what it waits for.
QString importMarkerPath(const QString& databasePath)
{
    return databasePath + QStringLiteral(".import-lock");
}

bool importMarkerHeld(const QString& databasePath)
{
    QLockFile marker(importMarkerPath(databasePath));
    marker.setStaleLockTime(0); // only a dead holder's marker is stale
    if (marker.tryLock(0)) {
        marker.unlock();
        return false;
    }
    return marker.error() == QLockFile::LockFailedError;
}

// The table columns a row writes: those it holds, never ID.
std::uint64_t writtenColumns(const StoredRow& row)
{
    static const std::uint64_t kNotWritten = [] {
        std::uint64_t mask = 0;
        const QList<ColumnSpec>& columns = vynBaseColumns();
        for (int p = 0; p < columns.size(); ++p)
            if (columns.at(p).kind == ColumnKind::AutoNumber)
                mask |= std::uint64_t(1) << p;
        return mask;
    }();
    return row.tableColumnsPresent() & ~kNotWritten;
}

template <typename F> void forEachColumn(std::uint64_t columns, F&& f)
{
    for (int p = 0; p < kVynBaseColumnCount; ++p)
        if ((columns >> p) & 1u)
            f(p, vynBaseColumns().at(p));
}

QString insertStatement(std::uint64_t columns, const SqlDialect& dialect)
{
    if (columns == 0)
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(kTable) + dialect.returningId();
    QStringList names, marks;
    forEachColumn(columns, [&](int, const ColumnSpec& c) {
        names << quoted(c.name);
        marks << QStringLiteral("?");
    });
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
               .arg(kTable, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))) +
           dialect.returningId();
}

// The ID of the row an insert of insertStatement() appended.
qint64 insertedId(QSqlQuery& q)
{
    if (q.isSelect() && q.next())
        return q.value(0).toLongLong();
    return q.lastInsertId().toLongLong();
}

// Binds by position from the first placeholder on; returns the next position.
int bindRow(QSqlQuery& q, std::uint64_t columns, const StoredRow& row, SqlEngine engine,
            int placeholder = 0)
{
    forEachColumn(columns, [&](int p, const ColumnSpec& c) {
        q.bindValue(placeholder++, ConfigDatabase::toStored(c, row.value(p), engine));
    });
    return placeholder;
}

// QDate::toString(Qt::ISODate) without its general formatting: an import writes
// several dates per row.
QString isoDate(const QDate& date)
{
    const int year = date.year();
    if (!date.isValid() || year < 1 || year > 9999)
        return date.toString(Qt::ISODate);
    char16_t text[10] = {};
    const auto digits = [&](int at, int value, int n) {
        for (int i = n - 1; i >= 0; --i, value /= 10)
            text[at + i] = char16_t(u'0' + value % 10);
    };
    digits(0, year, 4);
    text[4] = u'-';
    digits(5, date.month(), 2);
    text[7] = u'-';
    digits(8, date.day(), 2);
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

} // namespace

ConfigDatabase::ConfigDatabase() : ConfigDatabase(Options{}) {}

ConfigDatabase::ConfigDatabase(Options options)
    : m_options(options),
      m_connectionName(QStringLiteral("vyn-config-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

ConfigDatabase::~ConfigDatabase()
{
    m_listener = nullptr;
    Close();
}

QSqlDatabase ConfigDatabase::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool ConfigDatabase::fail(ConnectError error, const QString& text)
{
    m_connectError = error;
    m_lastError = text;
    return false;
}

void ConfigDatabase::dropConnection()
{
    {
        QSqlDatabase db = database();
        if (db.isValid())
            db.close();
    }
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

bool ConfigDatabase::Connect(const QString& baseName)
{
    Close();
    m_connectError = ConnectError::None;
    m_lastError.clear();
    m_path = baseName;
    QString error;
    const std::optional<DatabaseLocation> location = DatabaseLocation::parse(baseName, error);
    m_dialect = SqlDialect(location ? location->engine : SqlEngine::Sqlite);
    const bool opened = !location              ? fail(ConnectError::CannotOpen, error)
                        : location->isServer() ? openServer(*location)
                                               : openFile(baseName);
    if (!opened || !widenRash() || !openTable()) {
        dropConnection();
        m_readOnly = false;
        notify();
        return false;
    }
    m_open = true;
    First();
    notify();
    return true;
}

bool ConfigDatabase::openFile(const QString& path)
{
    const QFileInfo info(path);
    QString error;
    if (path.isEmpty())
        return fail(ConnectError::CannotOpen, QStringLiteral("no database path"));
    if (info.exists()) {
        if (!info.isFile())
            return fail(ConnectError::CannotOpen, path + QStringLiteral(" is not a file"));
        if (!isSqliteFile(path, error))
            return fail(error.isEmpty() ? ConnectError::NotDatabase : ConnectError::CannotOpen,
                        error.isEmpty() ? path + QStringLiteral(" is not a database") : error);
    } else if (!QFileInfo(info.absolutePath()).isDir())
        return fail(ConnectError::CannotOpen,
                    info.absolutePath() + QStringLiteral(" does not exist"));

    const bool dirWritable = writable(QFileInfo(info.absolutePath()));
    m_readOnly = info.exists() && (!writable(info) || !dirWritable);
    // The write-ahead log needs its -shm file beside the database; in a folder
    // that cannot take it the file is read as it stands.
    using Access = DatabaseConnector::FileAccess;
    const Access access = !m_readOnly   ? Access::ReadWrite
                          : dirWritable ? Access::ReadOnly
                                        : Access::Immutable;
    DatabaseLocation location;
    location.path = path;
    if (!m_connector.open(m_connectionName, location, m_options.busyTimeoutMs, error, access))
        return fail(ConnectError::CannotOpen, error);
    return checkOrCreateTable();
}

bool ConfigDatabase::openServer(const DatabaseLocation& location)
{
    m_connector.setPasswordPrompt(m_options.passwordPrompt);
    QString error;
    if (!m_connector.open(m_connectionName, location, m_options.busyTimeoutMs, error) ||
        !startServerSession(error))
        return fail(ConnectError::CannotOpen, error);
    return checkOrCreateTable();
}

bool ConfigDatabase::startServerSession(QString& error) const
{
    QSqlQuery q(database());
    for (const QString& sql : m_dialect.sessionStatements(m_options.busyTimeoutMs))
        if (!run(q, sql, error))
            return false;
    return true;
}

bool ConfigDatabase::runReconnecting(QSqlQuery& q,
                                     const std::function<bool(QSqlQuery&)>& start) const
{
    q = QSqlQuery(database());
    q.setForwardOnly(true);
    if (start(q))
        return true;
    // A server connection that broke since the last command is opened again once;
    // not within a transaction, whose work went with the connection.
    if (m_inTransaction || !connectionLost())
        return false;
    q = QSqlQuery(database());
    q.setForwardOnly(true);
    return start(q);
}

bool ConfigDatabase::connectionLost() const
{
    if (m_dialect.engine() != SqlEngine::Postgres)
        return false;
    QSqlDatabase db = database();
    {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("SELECT 1")))
            return false;
    }
    // Open again for the next command; when the server is still away, that
    // command tries once more.
    db.close();
    QString error;
    if (db.open())
        startServerSession(error);
    return true;
}

// Only reads until the file is known to be ours: a refused file stays byte for byte
// as it was.
bool ConfigDatabase::checkOrCreateTable()
{
    QSqlDatabase db = database();
    QSqlQuery q(db);
    QString error;
    const Qt::CaseSensitivity nameCase =
        m_dialect.namesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (!run(q, m_dialect.tablesQuery(), error))
        return fail(ConnectError::NotDatabase, error);
    QString table;
    bool otherTables = false;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name.compare(kTableName, nameCase) == 0)
            table = name;
        else
            otherTables = true;
    }
    q.finish();

    if (!table.isEmpty()) {
        if (!run(q, m_dialect.columnsQuery(table), error))
            return fail(ConnectError::NotDatabase, error);
        QStringList present;
        while (q.next())
            present << q.value(0).toString();
        q.finish();
        QStringList missing;
        for (const ColumnSpec& c : vynBaseColumns())
            if (!present.contains(c.name, nameCase))
                missing << c.name;
        if (!missing.isEmpty())
            return fail(ConnectError::MissingColumns,
                        QStringLiteral("VYN_Base lacks the columns ") +
                            missing.join(QStringLiteral(", ")));
        m_hasVersion = present.contains(kVersionName, nameCase);
        if (!m_hasVersion && !m_readOnly && !addRowVersion(q))
            return false;
        // Files of older versions lack the index the list reads its windows
        // through; without it the file still serves, only slower.
        if (!m_readOnly)
            q.exec(SqlDialect::listOrderIndex());
    } else if (m_readOnly)
        return fail(ConnectError::CannotOpen, m_path + QStringLiteral(" is read-only and empty"));
    else if (otherTables)
        return fail(ConnectError::NoTable, QStringLiteral("the database has no table VYN_Base"));
    else {
        WriteTransaction t(db, m_dialect);
        if (!t.begin(error))
            return fail(ConnectError::CannotOpen, error);
        for (const QString& sql : m_dialect.schemaStatements())
            if (!run(q, sql, error))
                return fail(ConnectError::CannotOpen, error);
        if (!t.commit(error))
            return fail(ConnectError::CannotOpen, error);
        m_hasVersion = true;
    }
    // Two running programs may share the file: readers never wait for a writer.
    // A read-only file keeps its journal mode; that is not a reason to refuse it.
    if (!m_readOnly && m_dialect.engine() == SqlEngine::Sqlite)
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.finish();
    return true;
}

// Files of older versions: their rows count as never changed.
bool ConfigDatabase::addRowVersion(QSqlQuery& q)
{
    QString error;
    if (!run(q,
             QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(kTable, kVersion, kVersionType),
             error))
        return fail(ConnectError::CannotOpen, error);
    q.finish();
    m_hasVersion = true;
    return true;
}

// Jet text columns have a maximum length that older files set to 50 for RASH and
// the connect widened; SQLite text has no such limit, so there is nothing to do.
// The save keeps to the lengths of the column list.
bool ConfigDatabase::widenRash()
{
    return true;
}

bool ConfigDatabase::openTable()
{
    if (!loadIds())
        return fail(ConnectError::CannotOpen, m_lastError);
    return true;
}

// Rows of the order read with the count: the list's first screen and a few more.
constexpr int kWindow = 512;

// Counting reads every page of an index once. With the connection's usual page
// cache each page takes fresh memory, which costs several times the reading;
// a small cache reuses the same few pages. The usual size is back afterwards.
class SmallPageCache
{
public:
    explicit SmallPageCache(sqlite3* db) : m_db(db)
    {
        SqliteStatement size(db, "PRAGMA cache_size");
        if (size.next())
            m_size = size.integer(0);
        // Within a write transaction a smaller cache would spill its changes early.
        if (m_size && sqlite3_get_autocommit(db))
            sqlite3_exec(db, "PRAGMA cache_size = 64", nullptr, nullptr, nullptr);
        else
            m_size.reset();
    }
    ~SmallPageCache()
    {
        if (m_size)
            sqlite3_exec(m_db, QByteArray("PRAGMA cache_size = " + QByteArray::number(*m_size)).constData(),
                         nullptr, nullptr, nullptr);
    }
    SmallPageCache(const SmallPageCache&) = delete;
    SmallPageCache& operator=(const SmallPageCache&) = delete;

private:
    sqlite3* m_db;
    std::optional<qint64> m_size;
};

// The count and one end of the order in one statement, so that both are of the
// same moment. DESC reverses the ascending order exactly on both engines, rows
// without a date included.
bool ConfigDatabase::readWindow(bool tail, int& count, std::vector<qint64>& ids,
                                QString& error) const
{
    const QString direction = tail ? QStringLiteral("DESC") : QStringLiteral("ASC");
    const QString sql =
        QStringLiteral("SELECT %1, (SELECT COUNT(*) FROM %2) FROM %2 ORDER BY \"DATE\" %3, %1 %3 "
                       "LIMIT %4")
            .arg(kId, kTable, direction, QString::number(kWindow));
    count = 0;
    ids.clear();
    if (sqlite3* handle = sqliteHandle(database())) {
        const SmallPageCache counting(handle);
        SqliteStatement q(handle, sql.toUtf8().constData());
        while (q.next()) {
            ids.push_back(q.integer(0));
            count = static_cast<int>(q.integer(1));
        }
        if (q.failed()) {
            error = q.error();
            return false;
        }
    } else {
        QSqlQuery q;
        if (!runReconnecting(q, [&](QSqlQuery& q) { return q.exec(sql); })) {
            error = q.lastError().text();
            return false;
        }
        while (q.next()) {
            ids.push_back(q.value(0).toLongLong());
            count = q.value(1).toInt();
        }
    }
    if (tail)
        std::reverse(ids.begin(), ids.end());
    return true;
}

bool ConfigDatabase::readAllIds(std::vector<qint64>& ids, QString& error) const
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY \"DATE\", %1").arg(kId, kTable);
    ids.clear();
    ids.reserve(static_cast<std::size_t>(m_count));
    if (sqlite3* handle = sqliteHandle(database())) {
        // Through the list order index the rows are visited in list order, all
        // within one step; without it (SQLite sorted them) row by row.
        const QByteArray visiting =
            QStringLiteral("SELECT 0 FROM %1 WHERE setvyn_id(%2) ORDER BY \"DATE\", %2")
                .arg(kTable, kId)
                .toUtf8();
        bool sorted = false;
        const auto take = [&](sqlite3_value** arguments) {
            ids.push_back(sqlite3_value_int64(arguments[0]));
        };
        if (visitRows(handle, "setvyn_id", 1, visiting, take, sorted, error) && !sorted)
            return true;
        ids.clear();
        error.clear();
        SqliteStatement q(handle, sql.toUtf8().constData());
        while (q.next())
            ids.push_back(q.integer(0));
        if (q.failed()) {
            error = q.error();
            return false;
        }
        return true;
    }
    QSqlQuery q;
    if (!runReconnecting(q, [&](QSqlQuery& q) { return q.exec(sql); })) {
        error = q.lastError().text();
        return false;
    }
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    return true;
}

void ConfigDatabase::Positions::clear()
{
    m_first = 0;
    m_dense.clear();
    m_sparse.clear();
}

void ConfigDatabase::Positions::build(const std::vector<qint64>& ids)
{
    clear();
    if (ids.empty())
        return;
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    // Unsigned: a span beyond any size counts as not dense.
    const auto span = static_cast<std::uint64_t>(*high) - static_cast<std::uint64_t>(*low);
    if (span < 4 * ids.size() + 1024) {
        m_first = *low;
        m_dense.assign(static_cast<std::size_t>(span) + 1, -1);
        for (std::size_t i = 0; i < ids.size(); ++i)
            m_dense[static_cast<std::size_t>(ids[i] - m_first)] = static_cast<int>(i);
        return;
    }
    m_sparse.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i)
        m_sparse.emplace(ids[i], static_cast<int>(i));
}

int ConfigDatabase::Positions::find(qint64 id) const
{
    if (m_sparse.empty()) {
        if (id < m_first)
            return -1;
        const auto offset = static_cast<std::uint64_t>(id) - static_cast<std::uint64_t>(m_first);
        return offset < m_dense.size() ? m_dense[static_cast<std::size_t>(offset)] : -1;
    }
    const auto it = m_sparse.find(id);
    return it == m_sparse.end() ? -1 : it->second;
}

void ConfigDatabase::adopt(std::vector<qint64> ids, int windowStart, bool complete) const
{
    m_ids = std::move(ids);
    m_windowStart = windowStart;
    m_complete = complete;
    if (complete)
        m_positions.build(m_ids);
    else
        m_positions.clear();
}

// The order as it is now, with the count and the end nearest the cursor; the
// rest is read when asked for.
bool ConfigDatabase::loadIds()
{
    const bool tail = m_current < 0 || m_current >= m_count / 2;
    if (m_complete && m_current >= kWindow && m_current < m_count - kWindow) {
        // The cursor is far from both ends: its row is found in the whole order.
        std::vector<qint64> ids;
        if (!readAllIds(ids, m_lastError))
            return false;
        m_count = static_cast<int>(ids.size());
        adopt(std::move(ids), 0, true);
    } else {
        int count = 0;
        std::vector<qint64> ids;
        if (!readWindow(tail, count, ids, m_lastError))
            return false;
        const int size = static_cast<int>(ids.size());
        m_count = count;
        adopt(std::move(ids), tail ? count - size : 0, size == count);
    }
    m_unannounced = false;
    return true;
}

// The whole order. When it is not what the window said, another program changed
// the rows meanwhile: the new order is taken, the cursor keeps its row, and the
// change waits to be announced.
bool ConfigDatabase::loadAll() const
{
    if (m_complete)
        return true;
    std::vector<qint64> ids;
    QString error;
    if (!readAllIds(ids, error))
        return false;
    adoptWhole(std::move(ids));
    return true;
}

void ConfigDatabase::adoptWhole(std::vector<qint64> ids) const
{
    bool same = static_cast<int>(ids.size()) == m_count;
    for (std::size_t i = 0; same && i < m_ids.size(); ++i)
        same = ids[static_cast<std::size_t>(m_windowStart) + i] == m_ids[i];
    if (same) {
        adopt(std::move(ids), 0, true);
        return;
    }
    const int inWindow = m_current - m_windowStart;
    const std::optional<qint64> current =
        inWindow >= 0 && inWindow < static_cast<int>(m_ids.size())
            ? std::optional<qint64>(m_ids[static_cast<std::size_t>(inWindow)])
            : std::nullopt;
    m_count = static_cast<int>(ids.size());
    adopt(std::move(ids), 0, true);
    const int position = current ? m_positions.find(*current) : -1;
    m_current = position >= 0  ? position
                : m_count == 0 ? -1
                               : std::clamp(m_current, 0, m_count - 1);
    m_unannounced = true;
}

// Makes the ID at position known: the window of the nearer end when the position
// is in it, the whole order otherwise.
bool ConfigDatabase::windowAt(int position) const
{
    const int offset = position - m_windowStart;
    if (m_complete || (offset >= 0 && offset < static_cast<int>(m_ids.size())))
        return true;
    const bool nearTail = position >= m_count - kWindow;
    if (!nearTail && position >= kWindow)
        return loadAll();
    int count = 0;
    std::vector<qint64> ids;
    QString error;
    if (!readWindow(nearTail, count, ids, error))
        return false;
    if (count != m_count)
        return loadAll();
    const int size = static_cast<int>(ids.size());
    const int start = nearTail ? count - size : 0;
    // Where the two windows overlap they must agree, or the order has changed.
    for (int p = std::max(start, m_windowStart);
         p < std::min(start + size, m_windowStart + static_cast<int>(m_ids.size())); ++p)
        if (ids[static_cast<std::size_t>(p - start)] !=
            m_ids[static_cast<std::size_t>(p - m_windowStart)])
            return loadAll();
    adopt(std::move(ids), start, size == count);
    return true;
}

qint64 ConfigDatabase::idAt(int position) const
{
    if (position < 0 || position >= m_count || !windowAt(position) || position >= m_count)
        return 0;
    return m_ids[static_cast<std::size_t>(position - m_windowStart)];
}

const std::vector<qint64>& ConfigDatabase::ids() const
{
    static const std::vector<qint64> kNone;
    return loadAll() ? m_ids : kNone;
}

bool ConfigDatabase::takeUnannouncedChange() const
{
    return std::exchange(m_unannounced, false);
}

void ConfigDatabase::Close()
{
    const bool wasOpen = m_open || QSqlDatabase::contains(m_connectionName);
    m_open = false;
    m_readOnly = false;
    m_hasVersion = false;
    m_dialect = SqlDialect(SqlEngine::Sqlite);
    m_count = 0;
    adopt({}, 0, false);
    m_unannounced = false;
    m_current = -1;
    dropConnection();
    if (wasOpen)
        notify();
}

std::optional<qint64> ConfigDatabase::currentId() const
{
    const qint64 id = idAt(m_current);
    return id == 0 ? std::nullopt : std::optional<qint64>(id);
}

bool ConfigDatabase::setCurrentId(qint64 id)
{
    const int p = positionOf(id);
    if (p < 0)
        return false;
    m_current = p;
    return true;
}

void ConfigDatabase::setCurrentPosition(int position)
{
    m_current = m_count == 0 ? -1 : std::clamp(position, 0, m_count - 1);
}

void ConfigDatabase::First()
{
    setCurrentPosition(0);
}
void ConfigDatabase::Last()
{
    setCurrentPosition(RecordCount() - 1);
}

int ConfigDatabase::positionOf(qint64 id) const
{
    if (!m_complete) {
        const auto inWindow = std::find(m_ids.begin(), m_ids.end(), id);
        if (inWindow != m_ids.end())
            return m_windowStart + static_cast<int>(inWindow - m_ids.begin());
        if (!loadAll())
            return -1;
    }
    return m_positions.find(id);
}

QVariant ConfigDatabase::Cell::value() const
{
    return m_sqlite      ? sqliteValue(m_sqlite)
           : m_statement ? m_statement->value(1)
                         : m_query->value(1);
}

bool ConfigDatabase::Cell::utf8(QByteArrayView& text) const
{
    return m_sqlite ? sqliteUtf8(m_sqlite, text) : m_statement && m_statement->utf8(1, text);
}

namespace {

// A read transaction around several statements on SQLite, so that they read the
// same moment; nothing when one is open already.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3* db) : m_db(db)
    {
        m_begun = sqlite3_get_autocommit(db) &&
                  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ReadSnapshot()
    {
        if (m_begun)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    sqlite3* m_db;
    bool m_begun = false;
};

} // namespace

bool ConfigDatabase::forEachValue(
    const QString& column, const std::function<void(int position, const Cell& value)>& each) const
{
    if (!m_open)
        return false;
    if (sqlite3* handle = sqliteHandle(database())) {
        ReadSnapshot snapshot(handle);
        return forEachValueInSnapshot(column, each);
    }
    // A server: the order and the values in one statement, read once.
    QSqlQuery q;
    const QString order =
        m_complete ? QString() : QStringLiteral(" ORDER BY \"DATE\", %1").arg(kId);
    const QString sql =
        QStringLiteral("SELECT %1, %2 FROM %3").arg(kId, quoted(column), kTable) + order;
    if (!runReconnecting(q, [&](QSqlQuery& q) { return q.exec(sql); })) {
        m_lastError = q.lastError().text();
        return false;
    }
    Cell cell;
    cell.m_query = &q;
    if (m_complete) {
        while (q.next()) {
            const int position = m_positions.find(q.value(0).toLongLong());
            if (position >= 0)
                each(position, cell);
        }
        return true;
    }
    // The rows come in list order: their positions are the order being read.
    std::vector<qint64> ids;
    ids.reserve(static_cast<std::size_t>(m_count));
    while (q.next()) {
        ids.push_back(q.value(0).toLongLong());
        each(static_cast<int>(ids.size()) - 1, cell);
    }
    if (q.lastError().isValid()) {
        m_lastError = q.lastError().text();
        return false; // a part of the order is no order
    }
    adoptWhole(std::move(ids));
    return true;
}

// SQLite: the order from its index, then the values in the table's own order (or
// the column's index), each a plain scan; far cheaper than looking up every row
// in list order. The values go to a function SQLite calls for every row within
// one step of the statement: no row is returned.
bool ConfigDatabase::forEachValueInSnapshot(const QString& column,
                                            const std::function<void(int, const Cell&)>& each) const
{
    if (!loadAll())
        return false;
    Cell cell;
    const auto visit = [&](sqlite3_value** arguments) {
        const int position = m_positions.find(sqlite3_value_int64(arguments[0]));
        if (position >= 0) {
            cell.m_sqlite = arguments[1];
            each(position, cell);
        }
    };
    const QByteArray sql = QStringLiteral("SELECT 0 FROM %1 WHERE setvyn_value(%2, %3)")
                               .arg(kTable, kId, quoted(column))
                               .toUtf8();
    bool sorted = false;
    sqlite3* handle = sqliteHandle(database());
    if (visitRows(handle, "setvyn_value", 2, sql, visit, sorted, m_lastError))
        return true;
    // Row by row (SQLite refuses to replace a function while another statement
    // of the connection runs); positions met again are simply given again.
    SqliteStatement q(handle, QStringLiteral("SELECT %1, %2 FROM %3")
                                  .arg(kId, quoted(column), kTable)
                                  .toUtf8()
                                  .constData());
    cell = Cell();
    cell.m_statement = &q;
    while (q.next()) {
        const int position = m_positions.find(q.integer(0));
        if (position >= 0)
            each(position, cell);
    }
    if (q.failed()) {
        m_lastError = q.error();
        return false;
    }
    return true;
}

QVariant ConfigDatabase::fromStored(const ColumnSpec& column, const QVariant& stored)
{
    if (stored.isNull())
        return {};
    switch (column.kind) {
    case ColumnKind::Text:
        return stored.toString();
    case ColumnKind::AutoNumber:
        return stored.toLongLong();
    case ColumnKind::Double: {
        if (stored.typeId() != QMetaType::QString)
            return stored.toDouble();
        bool ok = false;
        const double v = stored.toString().toDouble(&ok);
        return ok ? QVariant(v) : stored; // text: the codec reads it with the user's locale
    }
    case ColumnKind::YesNo:
        if (stored.typeId() == QMetaType::QString) {
            const QString s = stored.toString().trimmed().toLower();
            return s == QLatin1String("true") ||
                   (s != QLatin1String("false") && s.toLongLong() != 0);
        }
        return stored.toLongLong() != 0;
    case ColumnKind::DateTime: {
        if (stored.typeId() == QMetaType::QDate)
            return stored.toDate();
        if (stored.typeId() == QMetaType::QDateTime) {
            // A server's timestamp has no zone: its wall-clock reading is the value.
            // One at midnight is a date, as the text of a date would be.
            const QDateTime moment = stored.toDateTime();
            if (moment.time() == QTime(0, 0))
                return moment.date();
            return QDateTime(moment.date(), moment.time());
        }
        const QString s = stored.toString().trimmed();
        if (s.size() <= 10)
            return QDate::fromString(s, Qt::ISODate);
        QString iso = s;
        iso[10] = QLatin1Char('T');
        const QDateTime moment = QDateTime::fromString(iso, Qt::ISODate);
        return moment.isValid() ? QVariant(moment)
                                : QVariant(QDate::fromString(s.left(10), Qt::ISODate));
    }
    }
    return stored;
}

QVariant ConfigDatabase::toStored(const ColumnSpec& column, const QVariant& value, SqlEngine engine)
{
    if (value.isNull())
        return {};
    switch (column.kind) {
    case ColumnKind::Text:
        return value.toString();
    case ColumnKind::AutoNumber:
    case ColumnKind::Double:
        if (value.typeId() == QMetaType::QString) {
            bool ok = false;
            const double v = value.toString().toDouble(&ok);
            return ok ? QVariant(v) : value;
        }
        return value.toDouble();
    case ColumnKind::YesNo:
        if (engine == SqlEngine::Postgres)
            return value.toBool();
        return value.toBool() ? 1 : 0;
    case ColumnKind::DateTime:
        // ISO text sorts in time order, which keeps the DATE index meaningful.
        if (value.typeId() == QMetaType::QDate)
            return isoDate(value.toDate());
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        return value.toString();
    }
    return value;
}

std::optional<StoredRow> ConfigDatabase::readRow(qint64 id) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q;
    if (!runReconnecting(q, [&](QSqlQuery& q) {
            q.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(kTable, kId));
            q.addBindValue(id);
            return q.exec();
        })) {
        m_lastError = q.lastError().text();
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    const QSqlRecord rec = q.record();
    StoredRow row;
    for (int i = 0; i < rec.count(); ++i)
        if (const ColumnSpec* spec = findColumn(rec.fieldName(i)))
            row.setValue(spec->name, fromStored(*spec, q.value(i)));
    return row;
}

std::optional<StoredRow> ConfigDatabase::currentRow() const
{
    const auto id = currentId();
    return id ? readRow(*id) : std::nullopt;
}

bool ConfigDatabase::writeRow(QSqlDatabase& db, std::optional<qint64> id, const StoredRow& row,
                              qint64& newId, QString& error)
{
    const std::uint64_t columns = writtenColumns(row);
    QSqlQuery q(db);
    if (id) {
        if (columns == 0) {
            newId = *id;
            return true;
        }
        QStringList sets;
        forEachColumn(columns, [&](int, const ColumnSpec& c) {
            sets << quoted(c.name) + QStringLiteral(" = ?");
        });
        if (m_hasVersion)
            sets << versionBump();
        q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                      .arg(kTable, sets.join(QLatin1Char(',')), kId));
        q.bindValue(bindRow(q, columns, row, engine()), *id);
    } else {
        q.prepare(insertStatement(columns, m_dialect));
        bindRow(q, columns, row, engine());
    }
    if (!q.exec()) {
        error = q.lastError().text();
        return false;
    }
    newId = id ? *id : insertedId(q);
    return true;
}

const QString ConfigDatabase::kImportWaitMessage =
    QStringLiteral("Другая программа импортирует данные в базу. Ожидание окончания импорта...");
const QString ConfigDatabase::kImportBusyMessage =
    QStringLiteral("База данных занята: другая программа импортирует в неё данные. "
                   "Повторите, когда импорт закончится.");
const QString ConfigDatabase::kBusyMessage =
    QStringLiteral("База данных занята другой программой. Повторите позже.");
const QString ConfigDatabase::kConnectionLostMessage =
    QStringLiteral("Связь с сервером базы данных прервалась. Изменения не сохранены; "
                   "повторите команду.");

ConfigDatabase::PostResult
ConfigDatabase::inWriteTransaction(const std::function<bool(QSqlDatabase&, PostResult&)>& body,
                                   bool markAsImport)
{
    PostResult result;
    if (!m_open) {
        result.error = QStringLiteral("the database is not open");
        return result;
    }
    if (m_readOnly) {
        result.readOnly = true;
        result.error = QStringLiteral("the database is open read-only");
        return result;
    }
    QSqlDatabase db = database();
    std::optional<QLockFile> marker; // released after the transaction ends
    const bool onServer = engine() == SqlEngine::Postgres;
    // A server connection lost since the last command is opened again first.
    if (onServer && !db.isOpen() && db.open())
        startServerSession(result.error);
    m_lockTimedOut = false;
    WriteTransaction t(db, m_dialect);
    if (!t.begin(result.error) && onServer && connectionLost())
        t.begin(result.error);
    if (!t.begun()) {
        if (!t.busy() || onServer) {
            if (onServer && !t.busy())
                result.error =
                    kConnectionLostMessage + QStringLiteral(" (") + result.error + QLatin1Char(')');
            return result;
        }
        // Another program holds the write lock past the busy timeout. An import may
        // hold it for minutes: wait for it as long as the caller agrees to.
        bool waited = false;
        bool gaveUp = false;
        bool asked = false;
        QSqlQuery pragma(db);
        while (!t.begun() && t.busy() && importMarkerHeld(m_path)) {
            asked = asked || m_options.waitForImport;
            if (!m_options.waitForImport || !m_options.waitForImport(kImportWaitMessage)) {
                gaveUp = true;
                break;
            }
            if (!waited) {
                pragma.exec(QStringLiteral("PRAGMA busy_timeout = 200"));
                waited = true;
            }
            t.begin(result.error);
        }
        if (waited) {
            pragma.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_options.busyTimeoutMs));
            // The import has just ended: its commit may still be on the way.
            if (!t.begun() && t.busy() && !gaveUp)
                t.begin(result.error);
        }
        if (asked)
            m_options.waitForImport(QString());
        if (!t.begun()) {
            if (t.busy())
                result.error =
                    gaveUp ? kImportBusyMessage
                           : kBusyMessage + QStringLiteral(" (") + result.error + QLatin1Char(')');
            return result;
        }
    }
    if (markAsImport && !onServer) {
        marker.emplace(importMarkerPath(m_path));
        marker->setStaleLockTime(0);
        marker->tryLock(0); // only a hint for others: the write goes on without it
    }
    m_inTransaction = true;
    result.ok = body(db, result) && t.commit(result.error);
    m_inTransaction = false;
    if (!result.ok)
        t.rollback();
    if (!result.ok && connectionLost()) {
        // The server rolled the transaction back: nothing of it was kept.
        result.error = kConnectionLostMessage + QStringLiteral(" (") + result.error.trimmed() +
                       QLatin1Char(')');
        result.changedElsewhere = result.gone = false;
    }
    if (!result.ok && m_lockTimedOut)
        result.error =
            kBusyMessage + QStringLiteral(" (") + result.error.trimmed() + QLatin1Char(')');
    return result;
}

std::optional<qint64> ConfigDatabase::rowVersion(qint64 id) const
{
    bool failed = false;
    PostResult ignored;
    return storedVersion(id, false, failed, ignored);
}

std::optional<qint64> ConfigDatabase::storedVersion(qint64 id, bool lock, bool& failed,
                                                    PostResult& r) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // Not prepared: a server cannot free a prepared statement of a transaction
    // that failed (a lock waited for too long). The ID is our own integer.
    failed = !q.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                         .arg(m_hasVersion ? QStringLiteral("COALESCE(%1, 0)").arg(kVersion)
                                           : QStringLiteral("0"),
                              kTable, kId, QString::number(id)) +
                     (lock ? m_dialect.lockRead() : QString()));
    if (failed) {
        r.error = q.lastError().text();
        m_lockTimedOut = m_dialect.isLockTimeout(q.lastError().nativeErrorCode());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

QString ConfigDatabase::versionBump() const
{
    return QStringLiteral("%1 = COALESCE(%1, 0) + 1").arg(kVersion);
}

ConfigDatabase::PostResult
ConfigDatabase::post(std::optional<qint64> id,
                     const std::function<StoredRow(const StoredRow&)>& change,
                     std::optional<qint64> expectedVersion)
{
    const PostResult result = inWriteTransaction([&](QSqlDatabase& db, PostResult& r) {
        StoredRow current;
        if (id) {
            // Locks the row on a server until the commit: no other save comes between.
            bool failed = false;
            const auto version = storedVersion(*id, true, failed, r);
            if (failed)
                return false;
            const auto stored = version ? readRow(*id) : std::nullopt;
            if (!stored) {
                r.gone = true;
                r.error = QStringLiteral("the row is gone");
                return false;
            }
            if (expectedVersion && version != expectedVersion) {
                r.changedElsewhere = true;
                r.error = QStringLiteral("the row was changed by another program");
                return false;
            }
            current = *stored;
        }
        return writeRow(db, id, change(current), r.id, r.error);
    });
    if (result.ok) {
        Refresh();
        setCurrentId(result.id);
    }
    return result;
}

ConfigDatabase::PostResult ConfigDatabase::appendRows(const std::vector<StoredRow>& rows)
{
    return inBatch([&](Batch& batch, PostResult& r) {
        for (const StoredRow& row : rows)
            if (!batch.append(row, r.id, r.error))
                return false;
        return true;
    });
}

ConfigDatabase::Batch::Batch(const QSqlDatabase& db, const SqlDialect& dialect)
    : m_dialect(dialect), m_db(db), m_find(db), m_insert(db), m_sqlite(sqliteHandle(db))
{
    m_find.setForwardOnly(true);
}

bool ConfigDatabase::Batch::containsSerial(const QString& serial, bool& found, QString& error)
{
    // The Latin letters only are folded, as SQLite's NOCASE does; the SNUM index answers.
    if (!m_findPrepared) {
        if (!m_find.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1")
                                .arg(kTable, m_dialect.serialMatch(QStringLiteral("SNUM"))))) {
            error = m_find.lastError().text();
            return false;
        }
        m_findPrepared = true;
    }
    m_find.addBindValue(serial);
    if (!m_find.exec()) {
        error = m_find.lastError().text();
        return false;
    }
    found = m_find.next();
    m_find.finish();
    return true;
}

bool ConfigDatabase::Batch::prepareInsert(std::uint64_t columns, QString& error)
{
    const QString sql = insertStatement(columns, m_dialect);
    if (m_sqlite) {
        m_sqliteInsert = std::make_unique<SqliteStatement>(m_sqlite, sql.toUtf8().constData());
        if (!m_sqliteInsert->isValid()) {
            error = m_sqliteInsert->error();
            return false;
        }
    } else if (!m_insert.prepare(sql)) {
        error = m_insert.lastError().text();
        return false;
    }
    m_prepared = columns;
    m_insertPrepared = true;
    return true;
}

bool ConfigDatabase::Batch::append(const StoredRow& row, qint64& id, QString& error)
{
    const std::uint64_t columns = writtenColumns(row);
    if ((!m_insertPrepared || columns != m_prepared) && !prepareInsert(columns, error))
        return false;
    if (m_sqliteInsert) {
        // An import appends tens of thousands of rows: QSqlQuery's work per bound
        // value would be most of the time.
        int parameter = 1;
        bool bound = true;
        forEachColumn(columns, [&](int p, const ColumnSpec& c) {
            bound = bound &&
                    m_sqliteInsert->bind(parameter++, ConfigDatabase::toStored(c, row.value(p)));
        });
        if (!bound || !m_sqliteInsert->run()) {
            error = m_sqliteInsert->error();
            return false;
        }
        id = m_sqliteInsert->lastInsertId();
        return true;
    }
    bindRow(m_insert, columns, row, m_dialect.engine());
    if (!m_insert.exec()) {
        error = m_insert.lastError().text();
        return false;
    }
    id = insertedId(m_insert);
    return true;
}

bool ConfigDatabase::Batch::containsId(qint64 id, bool& found, QString& error)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(kTable, kId));
    q.addBindValue(id);
    if (!q.exec()) {
        error = q.lastError().text();
        return false;
    }
    found = q.next();
    return true;
}

bool ConfigDatabase::Batch::appendWithId(const StoredRow& row, qint64 id, QString& error)
{
    const std::uint64_t columns = writtenColumns(row);
    QStringList names{kId}, marks{QStringLiteral("?")};
    forEachColumn(columns, [&](int, const ColumnSpec& c) {
        names << quoted(c.name);
        marks << QStringLiteral("?");
    });
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(kTable, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    q.bindValue(0, id);
    bindRow(q, columns, row, m_dialect.engine(), 1);
    if (!q.exec()) {
        error = q.lastError().text();
        return false;
    }
    m_explicitIds = true;
    return true;
}

bool ConfigDatabase::forEachRow(
    const std::function<bool(qint64 id, const StoredRow& row)>& rowDone) const
{
    if (!m_open)
        return false;
    QSqlQuery q;
    if (!runReconnecting(q, [&](QSqlQuery& q) {
            return q.exec(
                QStringLiteral("SELECT * FROM %1 ORDER BY \"DATE\", %2").arg(kTable, kId));
        })) {
        m_lastError = q.lastError().text();
        return false;
    }
    const QSqlRecord rec = q.record();
    std::vector<const ColumnSpec*> specs;
    int idField = -1;
    for (int i = 0; i < rec.count(); ++i) {
        specs.push_back(findColumn(rec.fieldName(i)));
        if (specs.back() && specs.back()->kind == ColumnKind::AutoNumber)
            idField = i;
    }
    while (q.next()) {
        StoredRow row;
        for (int i = 0; i < rec.count(); ++i)
            if (specs[std::size_t(i)])
                row.setValue(specs[std::size_t(i)]->name,
                             fromStored(*specs[std::size_t(i)], q.value(i)));
        if (!rowDone(q.value(idField).toLongLong(), row))
            break;
    }
    if (q.lastError().isValid()) {
        m_lastError = q.lastError().text();
        return false;
    }
    return true;
}

ConfigDatabase::PostResult
ConfigDatabase::inBatch(const std::function<bool(Batch&, PostResult&)>& body)
{
    const PostResult result = inWriteTransaction(
        [&](QSqlDatabase& db, PostResult& r) {
            QSqlQuery q(db);
            // Files from elsewhere may lack the index that keeps the lookups fast.
            const QString index = m_dialect.ensureSerialIndex();
            if (!index.isEmpty() && !run(q, index, r.error))
                return false;
            Batch batch(db, m_dialect);
            if (!body(batch, r))
                return false;
            const QString renumber = m_dialect.afterExplicitIds();
            return !batch.m_explicitIds || renumber.isEmpty() || run(q, renumber, r.error);
        },
        true);
    if (result.ok)
        Refresh();
    return result;
}

bool ConfigDatabase::deleteRow(qint64 id)
{
    return deleteRow(id, std::nullopt) == DeleteResult::Deleted;
}

ConfigDatabase::DeleteResult ConfigDatabase::deleteRow(qint64 id,
                                                       std::optional<qint64> expectedVersion)
{
    if (!m_open)
        return DeleteResult::Failed;
    const int position = m_current;
    DeleteResult outcome = DeleteResult::Deleted;
    const PostResult done = inWriteTransaction([&](QSqlDatabase& db, PostResult& r) {
        bool failed = false;
        const auto version = storedVersion(id, true, failed, r);
        if (failed)
            return false;
        if (!version) {
            outcome = DeleteResult::Gone;
            return false;
        }
        if (expectedVersion && version != expectedVersion) {
            outcome = DeleteResult::ChangedElsewhere;
            return false;
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(kTable, kId));
        q.addBindValue(id);
        if (!q.exec()) {
            r.error = q.lastError().text();
            return false;
        }
        return true;
    });
    if (done.readOnly)
        return DeleteResult::ReadOnly;
    if (!done.ok) {
        m_lastError = done.error;
        if (outcome == DeleteResult::Deleted)
            return DeleteResult::Failed;
        Refresh(); // the other program's change is shown
        return outcome;
    }
    const bool wasCurrent = currentId() == id;
    Refresh();
    if (wasCurrent)
        setCurrentPosition(position);
    return DeleteResult::Deleted;
}

bool ConfigDatabase::setText(qint64 id, const QString& column, const QString& text)
{
    const ColumnSpec* spec = findColumn(column);
    if (!m_open || !spec || spec->kind != ColumnKind::Text || text.size() > spec->maxLength)
        return false;
    if (m_readOnly) {
        m_lastError = QStringLiteral("the database is open read-only");
        return false;
    }
    // Through the write transaction, so that it waits for another program's import
    // like every other write.
    const PostResult done = inWriteTransaction([&](QSqlDatabase& db, PostResult& r) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE %1 SET %2 = ?%3 WHERE %4 = ?")
                      .arg(kTable, quoted(spec->name),
                           m_hasVersion ? QStringLiteral(", ") + versionBump() : QString(), kId));
        q.addBindValue(text);
        q.addBindValue(id);
        if (!q.exec() || q.numRowsAffected() != 1) {
            r.error = q.lastError().text();
            return false;
        }
        return true;
    });
    if (!done.ok) {
        m_lastError = done.error;
        return false;
    }
    notify(id);
    return true;
}

bool ConfigDatabase::Refresh()
{
    if (!m_open)
        return false;
    const auto id = currentId();
    const int position = m_current;
    const bool ok = loadIds();
    if (!(id && setCurrentId(*id)))
        setCurrentPosition(position);
    m_unannounced = false; // told now
    notify();
    return ok;
}

QString readOnlyMessage(const QString& path)
{
    return QStringLiteral("База данных %1 открыта только для чтения. Изменения не могут быть "
                          "сохранены.")
        .arg(QDir::toNativeSeparators(path));
}

void ConfigDatabase::notify(std::optional<qint64> id)
{
    if (m_listener)
        m_listener(id);
}

} // namespace vyn
