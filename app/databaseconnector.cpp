#include "app/databaseconnector.h"

#include "model/userdialogs.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

namespace vyn {

bool isPasswordRefusal(const QString& driverText)
{
    return driverText.contains(QLatin1String("no password supplied")) ||
           driverText.contains(QLatin1String("password authentication failed"));
}

DatabaseConnector::PasswordPrompt passwordPromptOf(UserDialogs& dialogs)
{
    return [&dialogs](const DatabaseLocation& location, const QString& reason) {
        QString user = location.user;
        if (user.isEmpty())
            user = qEnvironmentVariable("USER");
        QString text = QStringLiteral("Пароль пользователя %1 для базы данных %2:")
                           .arg(user, location.toString());
        if (!reason.isEmpty())
            text = reason + QStringLiteral(".\n") + text;
        return dialogs.askPassword(text, QStringLiteral("Сервер PostgreSQL"));
    };
}

bool DatabaseConnector::open(const QString& connectionName, const DatabaseLocation& location,
                             int busyTimeoutMs, QString& error, FileAccess access)
{
    const SqlDialect dialect(location.engine);
    QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driver(), connectionName);
    if (!db.isValid()) {
        error =
            location.isServer()
                ? QStringLiteral("Не установлен драйвер PostgreSQL для Qt (пакет libqt6sql6-psql)")
                : QStringLiteral("Не установлен драйвер SQLite для Qt (пакет libqt6sql6-sqlite)");
        return false;
    }
    if (location.isServer())
        return openServer(db, location, error);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (access != FileAccess::ReadWrite)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (access == FileAccess::Immutable) {
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(location.path).absoluteFilePath())
                               .toString(QUrl::FullyEncoded) +
                           QStringLiteral("?immutable=1"));
    } else
        db.setDatabaseName(location.path);
    db.setConnectOptions(options);
    if (db.open())
        return true;
    error = db.lastError().text();
    return false;
}

bool DatabaseConnector::openServer(QSqlDatabase& db, const DatabaseLocation& location,
                                   QString& error)
{
    const QString uri = location.toString();
    db.setHostName(location.host);
    if (location.port > 0)
        db.setPort(location.port);
    db.setDatabaseName(location.database);
    db.setUserName(location.user);
    // A server that went away must not hold the window for minutes.
    QStringList options = location.options;
    if (!options.join(QLatin1Char(';')).contains(QLatin1String("connect_timeout")))
        options << QStringLiteral("connect_timeout=10");
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (const auto known = m_passwords.find(uri); known != m_passwords.end())
        db.setPassword(known->second);

    QString reason;
    for (;;) {
        if (db.open())
            return true;
        const QString text = db.lastError().text();
        if (!isPasswordRefusal(text) || !m_prompt) {
            error = QStringLiteral("Не удалось подключиться к базе данных %1: %2")
                        .arg(uri, text.trimmed());
            return false;
        }
        // The first refusal of a connection made without a password is the
        // server asking for one; later ones mean the password was wrong.
        if (!db.password().isEmpty())
            reason = QStringLiteral("Неверный пароль");
        const std::optional<QString> password = m_prompt(location, reason);
        if (!password) {
            m_passwords.erase(uri);
            error = QStringLiteral("Подключение к базе данных %1 отменено").arg(uri);
            return false;
        }
        db.setPassword(*password);
        m_passwords[uri] = *password;
    }
}

} // namespace vyn
