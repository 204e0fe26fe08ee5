#include "app/windows/serverdatabasedialog.h"

#include "ui/dialogbuttons.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vyn {

namespace {

constexpr int kDefaultPort = 5432;

QLineEdit* field(const QString& name, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

ServerDatabaseDialog::ServerDatabaseDialog(const DatabaseLocation& shown, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerDatabase"));
    setWindowTitle(QStringLiteral("Сервер PostgreSQL"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const bool server = shown.isServer();
    if (server)
        m_options = shown.options;

    m_host = field(QStringLiteral("host"), server ? shown.host : QString(), this);
    m_host->setPlaceholderText(QStringLiteral("этот компьютер"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, 65535);
    m_port->setValue(server && shown.port > 0 ? shown.port : kDefaultPort);
    m_database = field(QStringLiteral("database"), server ? shown.database : QString(), this);
    m_user = field(QStringLiteral("user"), server ? shown.user : QString(), this);
    m_user->setPlaceholderText(QStringLiteral("имя пользователя системы"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Сервер:"), m_host);
    form->addRow(QStringLiteral("Порт:"), m_port);
    form->addRow(QStringLiteral("База данных:"), m_database);
    form->addRow(QStringLiteral("Пользователь:"), m_user);

    auto* note = new QLabel(QStringLiteral("Пароль не сохраняется: он берётся из файла ~/.pgpass "
                                           "или запрашивается один раз при подключении."),
                            this);
    note->setWordWrap(true);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);
    root->addLayout(form);
    root->addWidget(note);
    root->addSpacing(8);
    root->addLayout(enterCancelHelpRow(
        this, [this] { accept(); }, [this] { reject(); }, [] {}));
    m_enter = findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    if (auto* help = findChild<QPushButton*>(QStringLiteral("BitBtn3")))
        help->hide();

    connect(m_database, &QLineEdit::textChanged, this, [this] { followDatabaseName(); });
    followDatabaseName();
    setFixedWidth(qMax(360, sizeHint().width()));
}

void ServerDatabaseDialog::followDatabaseName()
{
    // Without a database name libpq would pick one after the user: say it.
    if (m_enter)
        m_enter->setEnabled(!m_database->text().trimmed().isEmpty());
}

DatabaseLocation ServerDatabaseDialog::location() const
{
    DatabaseLocation l;
    l.engine = SqlEngine::Postgres;
    l.host = m_host->text().trimmed();
    l.port = m_port->value();
    l.database = m_database->text().trimmed();
    l.user = m_user->text().trimmed();
    l.options = m_options;
    return l;
}

std::optional<DatabaseLocation> chooseServerDatabase(const DatabaseLocation& shown, QWidget* parent)
{
    ServerDatabaseDialog dialog(shown, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.location();
}

} // namespace vyn
