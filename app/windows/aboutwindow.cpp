#include "app/windows/aboutwindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vyn {

AboutWindow::AboutWindow(const QString& programTitle, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* title = new QLabel(programTitle, this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);

    auto* text =
        new QLabel(QStringLiteral("Конфигуратор вычислителей Винк: хранение конфигураций в базе "
                                  "данных, запись конфигурации в прибор по последовательной линии, "
                                  "паспорт и карта программирования прибора.\n\n"
                                  "Библиотека Qt %1.")
                       .arg(QString::fromLatin1(qVersion())),
                   this);
    text->setWordWrap(true);
    text->setFixedWidth(320);

    auto* icon = new QLabel(this);
    const QIcon appIcon = QIcon::fromTheme(QStringLiteral("accessories-calculator"),
                                           style()->standardIcon(QStyle::SP_ComputerIcon));
    icon->setPixmap(appIcon.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(text);
    texts->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(8);
    body->addLayout(texts, 1);

    auto* root = new QVBoxLayout(this);
    root->addLayout(body);
    root->addWidget(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace vyn
