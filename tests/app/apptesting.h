#pragma once
// Files and databases for the app tests: real files in temporary directories.

#include "app/configdatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vyn::test {

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

inline QString binFile(const char* name)
{
    return QStringLiteral(SETVYN_BIN_DIR_PATH "/") + QLatin1String(name);
}

inline QString sourceFile(const char* name)
{
    return QStringLiteral(SETVYN_SOURCE_DIR_PATH "/") + QLatin1String(name);
}

// A plain connection of the test's own, for preparing and inspecting databases
// behind the program's back: an SQLite file, or a server's database by its URI.
class RawDb
{
public:
    explicit RawDb(const QString& baseName)
        : m_name(QStringLiteral("raw-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
    {
        QString error;
        const auto location = DatabaseLocation::parse(baseName, error);
        EXPECT_TRUE(location && DatabaseConnector().open(m_name, *location, 50, error))
            << error.toStdString();
    }
    ~RawDb()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql);
    }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    // The first column of every row, as text.
    QStringList column(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        QStringList out;
        if (q.exec(sql))
            while (q.next())
                out << q.value(0).toString();
        return out;
    }
    QString value(const QString& sql) { return column(sql).value(0); }

private:
    QString m_name;
};

// Rows with the given serial number, date and comment; the other columns null.
inline StoredRow listRow(const QString& serial, const QVariant& date, const QString& comment = {})
{
    StoredRow row;
    row.setValue(QStringLiteral("SNUM"), serial);
    row.setValue(QStringLiteral("DATE"), date);
    row.setValue(QStringLiteral("TYPE_VYN"), QStringLiteral("04"));
    row.setValue(QStringLiteral("CXEMA"), QStringLiteral("10"));
    row.setValue(QStringLiteral("COMMENT"), comment);
    return row;
}

} // namespace vyn::test
