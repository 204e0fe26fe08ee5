#pragma once
// Opens the Qt connection to the configuration database a DatabaseLocation
// names: an SQLite file, or a PostgreSQL server. A server password is never
// stored: libpq reads ~/.pgpass (or $PGPASSFILE) by itself, and when the server
// still asks for one, the prompt is called once and its answer kept for the
// rest of the session (per server URI), so every later connect of the same
// program goes through without a question.

#include "app/sqldialect.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace vyn {

class DatabaseConnector
{
public:
    // Asked for a password; no value when the user cancels. reason is empty on
    // the first question and the server's refusal on a repeated one.
    using PasswordPrompt =
        std::function<std::optional<QString>(const DatabaseLocation&, const QString& reason)>;

    void setPasswordPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }

    // How a database file is opened. Immutable reads a file as it stands, for a
    // folder that cannot take the write-ahead log's files beside it.
    enum class FileAccess { ReadWrite, ReadOnly, Immutable };

    // Adds a connection of the engine's driver under connectionName and opens it.
    // False with error set (in Russian, naming the database) when it cannot be
    // opened; the connection is then left added but closed. access applies to files.
    bool open(const QString& connectionName, const DatabaseLocation& location, int busyTimeoutMs,
              QString& error, FileAccess access = FileAccess::ReadWrite);

private:
    bool openServer(QSqlDatabase& db, const DatabaseLocation& location, QString& error);

    PasswordPrompt m_prompt;
    std::map<QString, QString> m_passwords; // URI -> the password given this session
};

class UserDialogs;

// Asks for a server's password with the program's dialogs.
DatabaseConnector::PasswordPrompt passwordPromptOf(UserDialogs& dialogs);

// Whether the server refused the connection for want of a (right) password.
bool isPasswordRefusal(const QString& driverText);

} // namespace vyn
