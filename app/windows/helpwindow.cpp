#include "app/windows/helpwindow.h"

#include <QKeyEvent>

#include "model/userdialogs.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vyn {

HelpWindow::HelpWindow(QString documentPath, QString programTitle, UserDialogs& dialogs,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), m_path(std::move(documentPath)),
      m_title(std::move(programTitle)), m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Справка — %1").arg(m_title));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("help-contents")));

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);

    auto* back = new QPushButton(QIcon::fromTheme(QStringLiteral("go-previous")),
                                 QStringLiteral("Назад"), this);
    auto* forward = new QPushButton(QIcon::fromTheme(QStringLiteral("go-next")),
                                    QStringLiteral("Вперёд"), this);
    auto* contents = new QPushButton(QIcon::fromTheme(QStringLiteral("go-home")),
                                     QStringLiteral("Содержание"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { showTopic(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* root = new QVBoxLayout(this);
    root->addLayout(buttons);
    root->addWidget(m_browser, 1);
    resize(760, 600);
}

bool HelpWindow::showTopic(const QString& topic)
{
    if (!QFileInfo(m_path).isFile()) {
        m_dialogs.inform(QStringLiteral("Не найден файл справки: %1").arg(m_path), m_title,
                         MessageKind::Warning);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath());
    if (!topic.isEmpty())
        url.setFragment(topic);
    m_browser->setSource(url);
    if (!topic.isEmpty())
        m_browser->scrollToAnchor(topic);
    show();
    raise();
    activateWindow();
    return true;
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vyn
