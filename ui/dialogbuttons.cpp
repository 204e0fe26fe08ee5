#include "dialogbuttons.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>

namespace vyn {

namespace {

QPushButton* rowButton(const QString& name, const QString& text, const QString& icon,
                       QWidget* parent, std::function<void()> action)
{
    auto* b = new QPushButton(QIcon::fromTheme(icon), text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumWidth(90);
    QObject::connect(b, &QPushButton::clicked, parent, [action = std::move(action)] { action(); });
    return b;
}

} // namespace

QHBoxLayout* enterCancelHelpRow(QWidget* dialog, std::function<void()> enter,
                                std::function<void()> cancel, std::function<void()> help)
{
    QPushButton* ok = rowButton(QStringLiteral("BitBtn1"), QStringLiteral("Ввод"),
                                QStringLiteral("dialog-ok"), dialog, std::move(enter));
    ok->setDefault(true);
    QPushButton* no = rowButton(QStringLiteral("BitBtn2"), QStringLiteral("Отказ"),
                                QStringLiteral("dialog-cancel"), dialog, std::move(cancel));
    QPushButton* hlp = rowButton(QStringLiteral("BitBtn3"), QStringLiteral("Справка"),
                                 QStringLiteral("help-contents"), dialog, std::move(help));
    auto* row = new QHBoxLayout;
    row->addWidget(hlp);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(no);
    return row;
}

} // namespace vyn
