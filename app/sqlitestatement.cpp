#include "app/sqlitestatement.h"

#include <QDateTime>
#include <QSqlDriver>
#include <cstring>
#include <sqlite3.h>

namespace vyn {

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QSQLITE"))
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_failed = true;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

namespace {

// As Qt's drivers decide it: a null string, date or array is NULL too.
bool isNullValue(const QVariant& value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(value.constData())->isNull();
    case QMetaType::QDate:
        return static_cast<const QDate*>(value.constData())->isNull();
    case QMetaType::QTime:
        return static_cast<const QTime*>(value.constData())->isNull();
    case QMetaType::QDateTime:
        return static_cast<const QDateTime*>(value.constData())->isNull();
    default:
        return false;
    }
}

} // namespace

int SqliteStatement::bindText(int parameter, const QString& text)
{
    // SQLite replaces what is not UTF-16 in its own way: that rare text goes to it.
    if (!text.isValidUtf16())
        return sqlite3_bind_text16(m_statement, parameter, text.utf16(),
                                   int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    if (m_texts.size() < std::size_t(parameter))
        m_texts.resize(std::size_t(parameter));
    // Into the buffer of the parameter's last text, without a new one each time.
    QByteArray& bytes = m_texts[std::size_t(parameter) - 1];
    bytes.resize(m_utf8.requiredSpace(text.size()));
    char* const end = m_utf8.appendToBuffer(bytes.data(), text);
    bytes.resize(end - bytes.constData());
    return sqlite3_bind_text(m_statement, parameter, bytes.constData(), int(bytes.size()),
                             SQLITE_STATIC);
}

bool SqliteStatement::bind(int parameter, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (isNullValue(value)) {
        rc = sqlite3_bind_null(m_statement, parameter);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
            rc = sqlite3_bind_int(m_statement, parameter, value.toInt());
            break;
        case QMetaType::UInt:
        case QMetaType::LongLong:
            rc = sqlite3_bind_int64(m_statement, parameter, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(m_statement, parameter, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob(m_statement, parameter, bytes.constData(), int(bytes.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        default:
            rc = bindText(parameter, value.typeId() == QMetaType::QString
                                         ? *static_cast<const QString*>(value.constData())
                                         : value.toString());
            break;
        }
    }
    m_failed = rc != SQLITE_OK;
    return !m_failed;
}

bool SqliteStatement::run()
{
    const int rc = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_failed = rc != SQLITE_DONE && rc != SQLITE_ROW;
    return !m_failed;
}

qint64 SqliteStatement::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

QString SqliteStatement::error() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool SqliteStatement::next()
{
    if (!m_statement)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    m_failed = rc != SQLITE_DONE;
    return false;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

namespace {

// A result column or a function's argument, for the value readers below.
struct ColumnOf
{
    sqlite3_stmt* statement;
    int column;
    int type() const { return sqlite3_column_type(statement, column); }
    qint64 integer() const { return sqlite3_column_int64(statement, column); }
    double real() const { return sqlite3_column_double(statement, column); }
    const void* blob() const { return sqlite3_column_blob(statement, column); }
    const unsigned char* text() const { return sqlite3_column_text(statement, column); }
    int bytes() const { return sqlite3_column_bytes(statement, column); }
};

struct Argument
{
    sqlite3_value* value;
    int type() const { return sqlite3_value_type(value); }
    qint64 integer() const { return sqlite3_value_int64(value); }
    double real() const { return sqlite3_value_double(value); }
    const void* blob() const { return sqlite3_value_blob(value); }
    const unsigned char* text() const { return sqlite3_value_text(value); }
    int bytes() const { return sqlite3_value_bytes(value); }
};

template <class Source>
bool utf8Of(const Source& source, QByteArrayView& text)
{
    if (source.type() != SQLITE_TEXT)
        return false;
    // UTF-8 as stored: no conversion inside SQLite. Text first, then its size.
    const auto* chars = reinterpret_cast<const char*>(source.text());
    text = QByteArrayView(chars, source.bytes());
    return true;
}

template <class Source>
QVariant qtValue(const Source& source)
{
    // As Qt's SQLite driver maps the storage classes.
    switch (source.type()) {
    case SQLITE_INTEGER:
        return source.integer();
    case SQLITE_FLOAT:
        return source.real();
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(source.blob());
        return QByteArray(bytes, source.bytes());
    }
    default: {
        QByteArrayView text;
        utf8Of(source, text);
        return QString::fromUtf8(text);
    }
    }
}

} // namespace

QVariant SqliteStatement::value(int column) const
{
    return qtValue(ColumnOf{m_statement, column});
}

QString SqliteStatement::text(int column) const
{
    QByteArrayView chars;
    if (!utf8(column, chars))
        return value(column).toString();
    // Qt's decoder is quick on ASCII.
    return QString::fromUtf8(chars);
}

bool SqliteStatement::utf8(int column, QByteArrayView& text) const
{
    return utf8Of(ColumnOf{m_statement, column}, text);
}

bool visitRows(sqlite3* db, const char* function, int arity, const QByteArray& sql,
               const std::function<void(sqlite3_value** arguments)>& visit, bool& sorted,
               QString& error)
{
    sorted = false;
    const auto call = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        (*static_cast<const std::function<void(sqlite3_value**)>*>(sqlite3_user_data(context)))(
            arguments);
        sqlite3_result_int(context, 0);
    };
    // Not deterministic: called for every row, never folded.
    if (sqlite3_create_function_v2(db, function, arity, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                   const_cast<std::function<void(sqlite3_value**)>*>(&visit), call,
                                   nullptr, nullptr, nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        sorted = sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_SORT, 0) != 0;
    }
    if (rc != SQLITE_DONE)
        error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    sqlite3_create_function_v2(db, function, arity, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
    return rc == SQLITE_DONE;
}

QVariant sqliteValue(sqlite3_value* value)
{
    return qtValue(Argument{value});
}

bool sqliteUtf8(sqlite3_value* value, QByteArrayView& text)
{
    return utf8Of(Argument{value}, text);
}

} // namespace vyn
