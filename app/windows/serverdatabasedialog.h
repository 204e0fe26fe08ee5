#pragma once
// "Сервер PostgreSQL": where a team's configuration database lives. Host, port,
// database and user only: the password is never kept (libpq reads ~/.pgpass,
// otherwise it is asked for when the program connects).

#include "app/sqldialect.h"

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vyn {

class ServerDatabaseDialog : public QDialog
{
public:
    // shown: the server in use, whose fields are filled in; a file location
    // gives empty fields and the usual port.
    explicit ServerDatabaseDialog(const DatabaseLocation& shown, QWidget* parent = nullptr);

    // What the fields name, with the connection options of the shown location.
    DatabaseLocation location() const;

    QLineEdit* hostField() const { return m_host; }
    QSpinBox* portField() const { return m_port; }
    QLineEdit* databaseField() const { return m_database; }
    QLineEdit* userField() const { return m_user; }
    QPushButton* enterButton() const { return m_enter; }

private:
    void followDatabaseName();

    QStringList m_options;
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
    QPushButton* m_enter = nullptr;
};

// Shows the dialog modally; no value when the user cancels.
std::optional<DatabaseLocation> chooseServerDatabase(const DatabaseLocation& shown,
                                                     QWidget* parent);

} // namespace vyn
