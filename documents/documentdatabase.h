#pragma once
// The document database: a SQLite file that the passport and the programming card
// fill and the report engine reads. Each object has its own QtSql connection, so
// the configuration database's connection is never touched.

#include "model/messageerror.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vyn {

// A failure of the document database; what() is the text the user reads.
class DocumentDatabaseError : public MessageError
{
public:
    using MessageError::MessageError;
};

// Column name -> value, in the order the columns are written.
using DocumentValues = QList<QPair<QString, QVariant>>;

// A table as read back: its columns in table order and its rows in key order.
struct DocumentTable
{
    QStringList columns;
    QList<QVariantList> rows;
};

// Passport tables, in the order they are created.
const QStringList& passportTableNames();
// Programming-card tables, in the order they are emptied.
const QStringList& cardTableNames();
// The document table of this name (case aside) as the database spells it; empty
// for a name that is not one of them.
QString knownDocumentTable(const QString& name);

class DocumentDatabase
{
public:
    // "DBRepData.sqlite", the file name in the program directory.
    static QString defaultFileName();

    explicit DocumentDatabase(QString path);
    ~DocumentDatabase();
    DocumentDatabase(const DocumentDatabase&) = delete;
    DocumentDatabase& operator=(const DocumentDatabase&) = delete;

    QString path() const { return m_path; }

    // Opens the file (created when missing). Throws DocumentDatabaseError.
    void open();
    void close();
    bool isOpen() const;

    // User tables of the file, as their names are spelled.
    QStringList tables() const;

    // Drops the passport tables that exist, creates all five again and inserts
    // the property row PCode 1.
    void CreatePassportTables();
    // Creates the card tables that are missing, then empties the four in order.
    void clearCardTables();

    // Appends one row; the auto-increment key of a card table is left to SQLite.
    void append(const QString& table, const DocumentValues& values);
    // Sets columns of the row whose key column has the value.
    void update(const QString& table, const QString& keyColumn, const QVariant& key,
                const DocumentValues& values);

    // Statements between its creation and commit() form one transaction; without
    // commit() they are undone. Throws DocumentDatabaseError.
    class Transaction
    {
    public:
        explicit Transaction(DocumentDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        DocumentDatabase& m_db;
        bool m_done = false;
    };

    // The whole table, rows ordered by its first column (PCode, ID or IDParam).
    DocumentTable read(const QString& table) const;

private:
    void exec(const QString& statement) const;

    QString m_path;
    QString m_connection;
};

} // namespace vyn
