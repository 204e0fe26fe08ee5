#include "documentdatabase.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace vyn {

namespace {

// Column types as SQLite understands them: the memo columns are TEXT, the key and
// count columns INTEGER; names, order and the PCode keys as the templates know them.
const char* const kPassportCreate[] = {
    "CREATE TABLE [ApplicPart1] (PCode INTEGER, PName TEXT, "
    "CONSTRAINT PrimaryKey PRIMARY KEY (PCode));",
    "CREATE TABLE [ApplicTable1] (PCode INTEGER, PName TEXT(20), PDU TEXT(50), Pogr TEXT(50), "
    "PMin TEXT(50), PMax TEXT(50), PSignal TEXT(50), CONSTRAINT PrimaryKey PRIMARY KEY (PCode));",
    "CREATE TABLE [ApplicTable2] (PCode INTEGER, ParName TEXT(100), ParValue TEXT(50), "
    "CONSTRAINT PrimaryKey PRIMARY KEY (PCode));",
    "CREATE TABLE [ApplicTable3] (PCode INTEGER, PName TEXT(50), PCol INTEGER, ZavNum TEXT(50), "
    "PPov TEXT(50), CONSTRAINT PrimaryKey PRIMARY KEY (PCode));",
    "CREATE TABLE [ApplicProp] (PCode INTEGER, VynName TEXT(50), TypeVynName TEXT(50), "
    "TypeVynName1 TEXT(50), PasspName TEXT(50), DateConf TEXT(50), RD1 TEXT(50), RD2 TEXT(50), "
    "RD3 TEXT(50), RD4 TEXT(50), CONSTRAINT PrimaryKey PRIMARY KEY (PCode));",
};

const char* const kCardCreate[] = {
    "CREATE TABLE [TListPribor] (ID INTEGER PRIMARY KEY AUTOINCREMENT, PriborName TEXT(50), "
    "PriborCount INTEGER);",
    "CREATE TABLE [TListParam] (IDParam INTEGER PRIMARY KEY AUTOINCREMENT, GroupCode INTEGER, "
    "ParamName TEXT(50), ParamValue TEXT(50), GroupName TEXT(250), ParamDescr TEXT);",
    "CREATE TABLE [TListElectroParam] (IDParam INTEGER PRIMARY KEY AUTOINCREMENT, GroupCode "
    "INTEGER, ParamName TEXT(50), ParamValue TEXT(50), ParamDescr TEXT(250), GroupName "
    "TEXT(250));",
    "CREATE TABLE [TParamDescr] (IDParam INTEGER PRIMARY KEY AUTOINCREMENT, GroupCode INTEGER, "
    "ParamName TEXT(50), ParamValue TEXT(50), ParamDescr TEXT, GroupName TEXT(250));",
};

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

[[noreturn]] void fail(const QSqlQuery& q, const QString& statement)
{
    throw DocumentDatabaseError(
        QStringLiteral("Ошибка базы документов: %1\n%2").arg(q.lastError().text(), statement));
}

} // namespace

const QStringList& passportTableNames()
{
    static const QStringList names{QStringLiteral("ApplicPart1"), QStringLiteral("ApplicTable1"),
                                   QStringLiteral("ApplicTable2"), QStringLiteral("ApplicTable3"),
                                   QStringLiteral("ApplicProp")};
    return names;
}

const QStringList& cardTableNames()
{
    static const QStringList names{QStringLiteral("TListPribor"), QStringLiteral("TListParam"),
                                   QStringLiteral("TListElectroParam"),
                                   QStringLiteral("TParamDescr")};
    return names;
}

QString knownDocumentTable(const QString& name)
{
    for (const QStringList* names : {&passportTableNames(), &cardTableNames()})
        for (const QString& known : *names)
            if (known.compare(name, Qt::CaseInsensitive) == 0)
                return known;
    return {};
}

QString DocumentDatabase::defaultFileName()
{
    return QStringLiteral("DBRepData.sqlite");
}

DocumentDatabase::DocumentDatabase(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("vyn-documents-") + QUuid::createUuid().toString(QUuid::Id128))
{
}

DocumentDatabase::~DocumentDatabase()
{
    close();
    QSqlDatabase::removeDatabase(m_connection);
}

void DocumentDatabase::open()
{
    if (isOpen())
        return;
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw DocumentDatabaseError(
            QStringLiteral("Не удалось открыть базу документов %1: %2")
                .arg(QFileInfo(m_path).absoluteFilePath(), db.lastError().text()));
    // The rows are rebuilt at every run; losing the last one in a power cut is harmless.
    exec(QStringLiteral("PRAGMA synchronous=OFF"));
}

void DocumentDatabase::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (db.isOpen())
        db.close();
}

bool DocumentDatabase::isOpen() const
{
    return QSqlDatabase::contains(m_connection) &&
           QSqlDatabase::database(m_connection, false).isOpen();
}

QStringList DocumentDatabase::tables() const
{
    return QSqlDatabase::database(m_connection, false).tables(QSql::Tables);
}

void DocumentDatabase::exec(const QString& statement) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(statement))
        fail(q, statement);
}

DocumentDatabase::Transaction::Transaction(DocumentDatabase& db) : m_db(db)
{
    m_db.exec(QStringLiteral("BEGIN"));
}

DocumentDatabase::Transaction::~Transaction()
{
    if (!m_done && m_db.isOpen())
        QSqlQuery(QSqlDatabase::database(m_db.m_connection, false))
            .exec(QStringLiteral("ROLLBACK"));
}

void DocumentDatabase::Transaction::commit()
{
    m_db.exec(QStringLiteral("COMMIT"));
    m_done = true;
}

void DocumentDatabase::CreatePassportTables()
{
    open();
    const QStringList existing = tables();
    for (const QString& name : passportTableNames())
        if (existing.contains(name, Qt::CaseSensitive))
            exec(QStringLiteral("DROP TABLE %1;").arg(bracketed(name)));
    for (const char* statement : kPassportCreate)
        exec(QString::fromLatin1(statement));
    exec(QStringLiteral("INSERT INTO [ApplicProp] (PCode) VALUES (1)"));
}

void DocumentDatabase::clearCardTables()
{
    open();
    const QStringList existing = tables();
    for (int i = 0; i < cardTableNames().size(); ++i)
        if (!existing.contains(cardTableNames().at(i), Qt::CaseSensitive))
            exec(QString::fromLatin1(kCardCreate[i]));
    for (const QString& name : cardTableNames())
        exec(QStringLiteral("DELETE FROM %1").arg(bracketed(name)));
    // The keys count from 1 again, so a card's rows read the same every run.
    if (tables().contains(QStringLiteral("sqlite_sequence")))
        exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name IN "
                            "('TListPribor','TListParam','TListElectroParam','TParamDescr')"));
}

void DocumentDatabase::append(const QString& table, const DocumentValues& values)
{
    QStringList names, marks;
    for (const auto& [name, value] : values) {
        names << name;
        marks << QStringLiteral("?");
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const QString statement = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(bracketed(table), names.join(QLatin1Char(',')),
                                       marks.join(QLatin1Char(',')));
    if (!q.prepare(statement))
        fail(q, statement);
    for (const auto& [name, value] : values)
        q.addBindValue(value);
    if (!q.exec())
        fail(q, statement);
}

void DocumentDatabase::update(const QString& table, const QString& keyColumn, const QVariant& key,
                              const DocumentValues& values)
{
    QStringList sets;
    for (const auto& [name, value] : values)
        sets << name + QStringLiteral("=?");
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const QString statement = QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                                  .arg(bracketed(table), sets.join(QLatin1Char(',')), keyColumn);
    if (!q.prepare(statement))
        fail(q, statement);
    for (const auto& [name, value] : values)
        q.addBindValue(value);
    q.addBindValue(key);
    if (!q.exec())
        fail(q, statement);
}

DocumentTable DocumentDatabase::read(const QString& table) const
{
    // Names reach here from templates: only the known tables go into the statement.
    const QString known = knownDocumentTable(table);
    if (known.isEmpty())
        throw DocumentDatabaseError(QStringLiteral("В базе документов нет таблицы %1").arg(table));
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    // The first column is the key of every document table.
    if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(bracketed(known))))
        throw DocumentDatabaseError(QStringLiteral("В базе документов нет таблицы %1: %2")
                                        .arg(table, q.lastError().text()));
    DocumentTable out;
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i)
        out.columns << rec.fieldName(i);
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < rec.count(); ++i)
            row << q.value(i);
        out.rows << row;
    }
    return out;
}

} // namespace vyn
